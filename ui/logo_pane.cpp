#include "ui/logo_pane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <filesystem>

#include "comm/error_codes.h"
#include "lang/message_style.h"
#include "lang/messages.h"
#include "lang/text_numbers.h"
#include "logo/entry_conversion.h"
#include "logo/logo_list_file.h"
#include "ui/message_box.h"
#include "ui/pane_jobs.h"
#include "ui/session.h"
#include "ui/widgets.h"

namespace vrtruty::ui {
namespace {

constexpr std::size_t kSection = 3;  // LogoSetDlg

enum LabelText : int {
    kTitle = 25,
    kListCaption,
    kEditGroup,
    kFileNameLabel,
    kKeycodeLabel,
    kGradationLabel,
    kPrinterListCaption,
    kPrintGroup,
    kMaximumSize,
    kListSize,
    kPrinterSize,
    kByte,
    kListNote,
    kGradationQuestion,
};

enum ButtonText : int {
    kAddFileText,
    kDeleteText,
    kDeleteAllText,
    kLoadText,
    kSaveText,
    kTwoColoursText,
    kEnterText,
    kRegisterText,
    kPrinterDeleteText,
    kPrinterDeleteAllText,
    kPrintText,
    kPrintAllText,
    kPrintTwoColoursText,
    kGetInformationText,
};

enum ListText : int {
    kRegisterColumn,
    kFileNameColumn,
    kSizeColumn,
    kKeycodeColumn,
    kTwoColoursColumn,
    kGradationColumn,
    kGradation2Text,
    kGradation16Text,
};
constexpr int kFileColumns = 6;

// The preview's largest size on the pane; larger logos are scaled down to fit.
constexpr int kPreviewWidth = 240;
constexpr int kPreviewHeight = 96;

// Printer codes that a failed read of the logo information shows by their own message.
bool HasOwnReadMessage(int code) {
    return (code >= -35 && code <= -32) || code == logo::LOGO_ERR_KEYCODEMAX ||
           code == comm::PRT_ERR_OPEN;
}

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

std::string PathText(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The bitmap files among dropped URLs.
QStringList DroppedBitmaps(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile() && url.toLocalFile().endsWith(".bmp", Qt::CaseInsensitive)) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

}  // namespace

struct LogoPane::Controls {
    QLabel* title = nullptr;
    QLabel* listCaption = nullptr;
    QLabel* listNote = nullptr;
    QTreeWidget* files = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
    QPushButton* removeAll = nullptr;
    QPushButton* load = nullptr;
    QPushButton* save = nullptr;
    QGroupBox* edit = nullptr;
    QLabel* fileNameLabel = nullptr;
    QLabel* fileName = nullptr;
    QLabel* keycodeLabel = nullptr;
    QLineEdit* keycode = nullptr;
    QCheckBox* twoColours = nullptr;
    QLabel* gradationLabel = nullptr;
    QComboBox* gradation = nullptr;
    QPushButton* enter = nullptr;
    QLabel* preview = nullptr;
    QPushButton* registerButton = nullptr;
    QLabel* printerCaption = nullptr;
    QTreeWidget* printerList = nullptr;
    QPushButton* printerDelete = nullptr;
    QPushButton* printerDeleteAll = nullptr;
    QGroupBox* printGroup = nullptr;
    QPushButton* print = nullptr;
    QPushButton* printAll = nullptr;
    QCheckBox* printTwoColours = nullptr;
    QPushButton* getInformation = nullptr;
    std::array<QLabel*, 3> sizeLabels{};
    std::array<QLabel*, 3> sizeValues{};
    std::array<QLabel*, 3> sizeUnits{};
};

LogoPane::LogoPane(Session& session, QWidget* parent)
    : Pane(session, parent), c_(std::make_unique<Controls>()) {
    setAcceptDrops(true);
    BuildControls();
    SetTexts();
}

LogoPane::~LogoPane() = default;

void LogoPane::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    c_->title = CreateTitle();
    layout->addWidget(c_->title);

    auto* sides = new QHBoxLayout;
    auto* fileSide = new QWidget(this);
    fileSide->setObjectName("logoFileSide");
    BuildFileSide(fileSide);
    sides->addWidget(fileSide, 1);

    // Register => sits between the two lists, as the arrow says.
    c_->registerButton = NewButton(this, "registerButton");
    connect(c_->registerButton, &QPushButton::clicked, this, [this] { Register(); });
    sides->addWidget(c_->registerButton, 0, Qt::AlignVCenter);

    auto* printerSide = new QWidget(this);
    printerSide->setObjectName("logoPrinterSide");
    BuildPrinterSide(printerSide);
    sides->addWidget(printerSide);
    layout->addLayout(sides, 1);

    // The three sizes, with the information icon before them.
    auto* sizes = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setObjectName("sizeIcon");
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(side));
    sizes->addWidget(icon, 0, Qt::AlignTop);
    auto* grid = new QGridLayout;
    static constexpr std::array<const char*, 3> valueNames = {"maximumSizeValue", "listSizeValue",
                                                              "printerSizeValue"};
    for (std::size_t i = 0; i < 3; ++i) {
        const int row = static_cast<int>(i);
        c_->sizeLabels[i] = new QLabel(this);
        c_->sizeValues[i] = new QLabel(this);
        c_->sizeValues[i]->setObjectName(valueNames[i]);
        c_->sizeValues[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        c_->sizeUnits[i] = new QLabel(this);
        grid->addWidget(c_->sizeLabels[i], row, 0);
        grid->addWidget(c_->sizeValues[i], row, 1);
        grid->addWidget(c_->sizeUnits[i], row, 2);
    }
    sizes->addLayout(grid);
    sizes->addStretch(1);
    layout->addLayout(sizes);
}

void LogoPane::BuildFileSide(QWidget* side) {
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* captionRow = new QHBoxLayout;
    c_->listCaption = new QLabel(side);
    c_->listNote = new QLabel(side);
    c_->listNote->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    captionRow->addWidget(c_->listCaption);
    captionRow->addStretch(1);
    captionRow->addWidget(c_->listNote);
    layout->addLayout(captionRow);

    c_->files = new QTreeWidget(side);
    c_->files->setObjectName("logoFileList");
    c_->files->setColumnCount(kFileColumns);
    c_->files->setRootIsDecorated(false);
    c_->files->setSelectionMode(QAbstractItemView::SingleSelection);
    c_->files->setSelectionBehavior(QAbstractItemView::SelectRows);
    c_->files->setAllColumnsShowFocus(true);
    c_->files->setUniformRowHeights(true);
    c_->files->header()->setSectionsClickable(true);
    c_->files->header()->setStretchLastSection(false);
    c_->files->setMinimumHeight(c_->files->fontMetrics().height() * 9);
    c_->listCaption->setBuddy(c_->files);
    layout->addWidget(c_->files, 1);
    connect(c_->files->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        list_.SortLogoList(column);
        RefreshFileList(list_.current());
    });
    connect(c_->files, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (!updating_ && column == 0) {
            CheckChanged(static_cast<std::size_t>(c_->files->indexOfTopLevelItem(item)),
                         item->checkState(0) == Qt::Checked);
        }
    });
    connect(c_->files, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!updating_ && item != nullptr) {
            list_.SelectEntry(static_cast<std::size_t>(c_->files->indexOfTopLevelItem(item)));
            ShowCurrentEntry();
        }
    });

    auto* buttons = new QHBoxLayout;
    c_->add = NewButton(side, "addFileButton");
    c_->remove = NewButton(side, "deleteFileButton");
    c_->removeAll = NewButton(side, "deleteAllFilesButton");
    c_->load = NewButton(side, "loadListButton");
    c_->save = NewButton(side, "saveListButton");
    for (QPushButton* button : {c_->add, c_->remove, c_->removeAll, c_->load, c_->save}) {
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(c_->add, &QPushButton::clicked, this, [this] { AddFiles(); });
    connect(c_->remove, &QPushButton::clicked, this, [this] { DeleteEntry(); });
    connect(c_->removeAll, &QPushButton::clicked, this, [this] { DeleteAllEntries(); });
    connect(c_->load, &QPushButton::clicked, this, [this] { LoadListFile(); });
    connect(c_->save, &QPushButton::clicked, this, [this] { SaveListFile(); });

    // The edit group of the selected row, and beside it the preview of that row.
    auto* lower = new QHBoxLayout;
    c_->edit = new QGroupBox(side);
    c_->edit->setObjectName("editGroup");
    auto* grid = new QGridLayout(c_->edit);
    c_->fileNameLabel = new QLabel(c_->edit);
    c_->fileName = new QLabel(c_->edit);
    c_->fileName->setObjectName("editFileName");
    c_->fileName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    c_->keycodeLabel = new QLabel(c_->edit);
    c_->keycode = new QLineEdit(c_->edit);
    c_->keycode->setObjectName("keycodeEdit");
    c_->keycode->setMaxLength(4);
    c_->keycode->setFixedWidth(c_->keycode->fontMetrics().horizontalAdvance("WWWWWW"));
    c_->keycodeLabel->setBuddy(c_->keycode);
    c_->twoColours = new QCheckBox(c_->edit);
    c_->twoColours->setObjectName("editTwoColoursCheck");
    c_->gradationLabel = new QLabel(c_->edit);
    c_->gradation = new QComboBox(c_->edit);
    c_->gradation->setObjectName("gradationCombo");
    c_->gradationLabel->setBuddy(c_->gradation);
    c_->enter = NewButton(c_->edit, "enterButton");
    grid->addWidget(c_->fileNameLabel, 0, 0);
    grid->addWidget(c_->fileName, 0, 1, 1, 3);
    grid->addWidget(c_->keycodeLabel, 1, 0);
    grid->addWidget(c_->keycode, 1, 1);
    grid->addWidget(c_->twoColours, 1, 2, 1, 2);
    grid->addWidget(c_->gradationLabel, 2, 0);
    grid->addWidget(c_->gradation, 2, 1);
    grid->addWidget(c_->enter, 2, 3, Qt::AlignRight);
    grid->setColumnStretch(2, 1);
    lower->addWidget(c_->edit, 1);
    connect(c_->enter, &QPushButton::clicked, this, [this] { Enter(); });
    connect(c_->gradation, &QComboBox::activated, this, [this] { GradationChosen(); });
    connect(c_->twoColours, &QCheckBox::toggled, this, [this] { UpdatePreview(); });

    c_->preview = new QLabel(side);
    c_->preview->setObjectName("logoPreview");
    c_->preview->setAlignment(Qt::AlignCenter);
    c_->preview->setFrameShape(QFrame::StyledPanel);
    c_->preview->setMinimumSize(kPreviewWidth + 8, kPreviewHeight + 8);
    lower->addWidget(c_->preview);
    layout->addLayout(lower);
}

void LogoPane::BuildPrinterSide(QWidget* side) {
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    c_->printerCaption = new QLabel(side);
    layout->addWidget(c_->printerCaption);
    c_->printerList = new QTreeWidget(side);
    c_->printerList->setObjectName("printerKeycodeList");
    c_->printerList->setColumnCount(1);
    c_->printerList->setRootIsDecorated(false);
    c_->printerList->setSelectionMode(QAbstractItemView::SingleSelection);
    c_->printerList->setSelectionBehavior(QAbstractItemView::SelectRows);
    c_->printerList->header()->setSectionsClickable(true);
    c_->printerCaption->setBuddy(c_->printerList);
    layout->addWidget(c_->printerList, 1);
    connect(c_->printerList->header(), &QHeaderView::sectionClicked, this, [this] {
        const auto selected = SelectedPrinterKeycode();
        list_.SortPrinterKeycodes();
        printer_.keycodes.assign(list_.printerKeycodes().begin(), list_.printerKeycodes().end());
        const auto at =
            selected ? std::ranges::find(printer_.keycodes, *selected) : printer_.keycodes.begin();
        RefreshPrinterList(static_cast<std::size_t>(at - printer_.keycodes.begin()));
    });

    auto* deleteRow = new QHBoxLayout;
    c_->printerDelete = NewButton(side, "printerDeleteButton");
    c_->printerDeleteAll = NewButton(side, "printerDeleteAllButton");
    deleteRow->addWidget(c_->printerDelete);
    deleteRow->addWidget(c_->printerDeleteAll);
    layout->addLayout(deleteRow);

    c_->printGroup = new QGroupBox(side);
    c_->printGroup->setObjectName("printGroup");
    auto* printLayout = new QGridLayout(c_->printGroup);
    c_->print = NewButton(c_->printGroup, "printLogoButton");
    c_->printAll = NewButton(c_->printGroup, "printAllLogosButton");
    c_->printTwoColours = new QCheckBox(c_->printGroup);
    c_->printTwoColours->setObjectName("printTwoColoursCheck");
    printLayout->addWidget(c_->print, 0, 0);
    printLayout->addWidget(c_->printAll, 0, 1);
    printLayout->addWidget(c_->printTwoColours, 1, 0, 1, 2);
    layout->addWidget(c_->printGroup);

    c_->getInformation = NewButton(side, "getInformationButton");
    layout->addWidget(c_->getInformation);

    connect(c_->printerDelete, &QPushButton::clicked, this, [this] { DeletePrinterLogo(); });
    connect(c_->printerDeleteAll, &QPushButton::clicked, this, [this] { DeleteAllPrinterLogos(); });
    connect(c_->print, &QPushButton::clicked, this, [this] { PrintLogo(); });
    connect(c_->printAll, &QPushButton::clicked, this, [this] { PrintAllLogos(); });
    connect(c_->getInformation, &QPushButton::clicked, this,
            [this] { GetRegisteredInformation(); });
}

bool LogoPane::SixteenLevels() const {
    return logo::PrintsSixteenLevels(session_.state().model.printerRow);
}

void LogoPane::SetTexts() {
    c_->title->setText(session_.Label(kTitle));
    c_->listCaption->setText(session_.Label(kListCaption));
    c_->listNote->setText(session_.Label(kListNote));
    c_->edit->setTitle(session_.Label(kEditGroup));
    c_->fileNameLabel->setText(session_.Label(kFileNameLabel));
    c_->keycodeLabel->setText(session_.Label(kKeycodeLabel));
    c_->gradationLabel->setText(session_.Label(kGradationLabel));
    c_->printerCaption->setText(session_.Label(kPrinterListCaption));
    c_->printGroup->setTitle(session_.Label(kPrintGroup));
    const std::array<QPushButton*, 12> buttons = {
        c_->add,   c_->remove,  c_->removeAll,      c_->load,          c_->save,
        nullptr,   c_->enter,   c_->registerButton, c_->printerDelete, c_->printerDeleteAll,
        c_->print, c_->printAll};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] != nullptr) {
            buttons[i]->setText(session_.Button(kSection, static_cast<int>(i)));
        }
    }
    c_->twoColours->setText(session_.Button(kSection, kTwoColoursText));
    c_->printTwoColours->setText(session_.Button(kSection, kPrintTwoColoursText));
    c_->getInformation->setText(session_.Button(kSection, kGetInformationText));
    QStringList headers;
    for (int column = kRegisterColumn; column <= kGradationColumn; ++column) {
        headers << session_.ListText(kSection, column);
    }
    c_->files->setHeaderLabels(headers);
    c_->printerList->setHeaderLabels({session_.ListText(kSection, kKeycodeColumn)});
    for (std::size_t i = 0; i < 3; ++i) {
        c_->sizeLabels[i]->setText(session_.Label(kMaximumSize + static_cast<int>(i)));
        c_->sizeUnits[i]->setText(session_.Label(kByte));
    }
    c_->gradation->clear();
    c_->gradation->addItem(session_.ListText(kSection, kGradation2Text));
    if (SixteenLevels()) {
        c_->gradation->addItem(session_.ListText(kSection, kGradation16Text));
    }
    // The columns fit their headers and the widest values they will show, and the list shows
    // them all without scrolling sideways.
    const QFontMetrics metrics = c_->files->fontMetrics();
    const int margin = metrics.averageCharWidth() * 3;
    const std::array<QString, kFileColumns> widest = {"", "", "8888888", "8888", "*", "16"};
    int total = 0;
    for (int column = 0; column < kFileColumns; ++column) {
        const int header = metrics.horizontalAdvance(headers[column]) + margin;
        const int value =
            column == kFileNameColumn
                ? metrics.averageCharWidth() * 22
                : metrics.horizontalAdvance(widest[static_cast<std::size_t>(column)]) + margin;
        const int width = std::max(header, value) + (column == kRegisterColumn ? margin : 0);
        c_->files->setColumnWidth(column, width);
        total += width;
    }
    c_->files->setMinimumWidth(total + 2 * c_->files->frameWidth() +
                               style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    c_->printerList->setMinimumWidth(metrics.horizontalAdvance(headers[kKeycodeColumn]) +
                                     margin * 2);
    RefreshFileList(list_.current());
    RefreshPrinterList(0);
}

void LogoPane::RefreshFileList(std::size_t select) {
    updating_ = true;
    c_->files->clear();
    const QString sixteen = session_.ListText(kSection, kGradation16Text);
    const QString two = session_.ListText(kSection, kGradation2Text);
    for (const logo::LogoEntry& entry : list_.entries()) {
        const logo::LogoRowTexts texts = logo::RowTexts(entry);
        auto* item = new QTreeWidgetItem(c_->files);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, entry.checked ? Qt::Checked : Qt::Unchecked);
        item->setText(1, FromUtf8(texts.fileName));
        item->setToolTip(1, FromUtf8(entry.path));
        item->setText(2, FromUtf8(texts.size));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(3, FromUtf8(texts.keycode));
        item->setText(4, FromUtf8(texts.twoColours));
        item->setText(5, entry.gradation == logo::kGradation16 ? sixteen : two);
    }
    if (list_.count() > 0) {
        list_.SelectEntry(select);
        QTreeWidgetItem* current = c_->files->topLevelItem(static_cast<int>(list_.current()));
        c_->files->setCurrentItem(current);
        c_->files->scrollToItem(current);
    }
    updating_ = false;
    ShowCurrentEntry();
    UpdateSizes(logo::OverflowReport::None);
    if (list_.count() == 0 && c_->files->hasFocus()) {
        c_->load->setFocus(Qt::OtherFocusReason);
    }
}

void LogoPane::RefreshPrinterList(std::size_t select) {
    c_->printerList->clear();
    for (const std::uint16_t keycode : printer_.keycodes) {
        new QTreeWidgetItem(c_->printerList, {FromUtf8(logo::FormatKeycode(keycode))});
    }
    if (!printer_.keycodes.empty()) {
        const auto row = static_cast<int>(std::min(select, printer_.keycodes.size() - 1));
        c_->printerList->setCurrentItem(c_->printerList->topLevelItem(row));
    }
    UpdateEnabling();
    if (printer_.keycodes.empty() && c_->printerList->hasFocus()) {
        c_->getInformation->setFocus(Qt::OtherFocusReason);
    }
}

void LogoPane::ShowCurrentEntry() {
    if (list_.count() == 0) {
        c_->fileName->clear();
        c_->keycode->clear();
        c_->twoColours->setChecked(false);
        c_->gradation->setCurrentIndex(0);
    } else {
        const logo::LogoEntry& entry = list_.entries()[list_.current()];
        c_->fileName->setText(FromUtf8(logo::RowTexts(entry).fileName));
        c_->keycode->setText(FromUtf8(logo::FormatKeycode(entry.keycode)));
        const QSignalBlocker quiet(c_->twoColours);
        c_->twoColours->setChecked(entry.twoColours);
        c_->gradation->setCurrentIndex(
            std::min(entry.gradation == logo::kGradation16 ? 1 : 0, c_->gradation->count() - 1));
    }
    UpdateEnabling();
    UpdatePreview();
}

void LogoPane::UpdatePreview() {
    if (list_.count() == 0) {
        c_->preview->clear();
        return;
    }
    // What the Edit group says now, so that the picture follows Two Colors and Gradation.
    logo::LogoEntry entry = list_.entries()[list_.current()];
    entry.gradation = c_->gradation->currentIndex() == 1 ? logo::kGradation16 : logo::kGradation2;
    entry.twoColours = entry.gradation == logo::kGradation2 && c_->twoColours->isChecked();
    const logo::LogoPicture picture = logo::RenderLogoPicture(entry);
    if (picture.result != 0) {
        c_->preview->clear();
        return;
    }
    QImage image(picture.dots.data(), picture.width, picture.height, picture.width,
                 QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (const logo::LogoColour& colour : picture.palette) {
        colours.push_back(qRgb(colour.red, colour.green, colour.blue));
    }
    image.setColorTable(colours);
    QPixmap pixmap = QPixmap::fromImage(image.convertToFormat(QImage::Format_RGB32));
    if (pixmap.width() > kPreviewWidth || pixmap.height() > kPreviewHeight) {
        // Scaled down smoothly, so that a dither pattern reads as the grey it prints as.
        pixmap = pixmap.scaled(kPreviewWidth, kPreviewHeight, Qt::KeepAspectRatio,
                               Qt::SmoothTransformation);
    }
    c_->preview->setPixmap(pixmap);
}

void LogoPane::UpdateEnabling() {
    const app::AppState& state = session_.state();
    const bool verified = state.connectionVerified;
    const bool guppy = state.model.flags.bGuppy;
    const bool rows = list_.count() > 0;
    for (QWidget* control :
         std::initializer_list<QWidget*>{c_->files, c_->remove, c_->removeAll, c_->save,
                                         c_->keycode, c_->gradation, c_->enter}) {
        control->setEnabled(rows);
    }
    c_->twoColours->setEnabled(rows && c_->gradation->currentIndex() == 0 && !guppy);
    c_->registerButton->setEnabled(list_.RegisterEnabled(verified));
    const bool keycodes = !printer_.keycodes.empty();
    for (QWidget* control : std::initializer_list<QWidget*>{
             c_->printerList, c_->printerDelete, c_->printerDeleteAll, c_->print, c_->printAll}) {
        control->setEnabled(keycodes && verified);
    }
    c_->printTwoColours->setEnabled(keycodes && verified && !guppy);
    c_->getInformation->setEnabled(verified);
}

bool LogoPane::UpdateSizes(logo::OverflowReport mode) {
    const logo::SizeReport report = list_.UpdateLogoSizes(mode);
    const logo::SizeTexts texts = list_.SizeDisplay(session_.state().model.printerRow);
    c_->sizeValues[0]->setText(FromUtf8(texts.maximum));
    c_->sizeValues[1]->setText(FromUtf8(texts.listRegistration));
    c_->sizeValues[2]->setText(FromUtf8(texts.printerRegistration));
    c_->registerButton->setEnabled(list_.RegisterEnabled(session_.state().connectionVerified));
    if (report.message) {
        ShowLogoMessage(*report.message, lang::MB_WARNING_OK);
    }
    return report.withinCapacity;
}

void LogoPane::ShowLogoMessage(const logo::LogoMessage& message, std::uint32_t style) {
    session_.ShowMessage(style, 0, logo::ComposeLogoMessage(session_.state().texts, message));
}

void LogoPane::ShowBatchEnd(const logo::LogoBatchResult& batch) {
    if (batch.stopMessage) {
        ShowLogoMessage(*batch.stopMessage, lang::MB_WARNING_OK);
    }
    if (batch.overflowMessage) {
        ShowLogoMessage(*batch.overflowMessage, lang::MB_WARNING_OK);
    }
}

bool LogoPane::AskToContinue(int code, const std::string& file) {
    const logo::LogoMessage message = logo::MeasureFailureMessage(code, file);
    return session_.ShowMessage(lang::MB_WARNING_CONFIRM, 0,
                                logo::ComposeLogoMessage(session_.state().texts, message)) == ID_OK;
}

void LogoPane::CheckChanged(std::size_t row, bool checked) {
    const logo::CheckResult result = list_.ChangeCheck(row, checked);
    UpdateSizes(logo::OverflowReport::None);
    if (result.overflowMessage) {
        ShowLogoMessage(*result.overflowMessage, lang::MB_WARNING_OK);
        updating_ = true;
        c_->files->topLevelItem(static_cast<int>(row))->setCheckState(0, Qt::Unchecked);
        updating_ = false;
    }
}

void LogoPane::BeforeShow() {
    app::AppState& state = session_.state();
    if (!shown_) {
        shown_ = true;
        const auto loaded = logo::LoadLogoList(
            list_, false, logo::ProgramLogoListPath(state.info.programFolder),
            state.model.flags.bGuppy, logo::MeasureLogoEntry,
            [this](int code, const std::string& file) { return AskToContinue(code, file); });
        RefreshFileList(list_.current());
        ShowBatchEnd(loaded.rows);
    }
    if (state.settings.printerInfoValid && list_.printerInfoValid()) {
        // The information read before still holds: keep its figures.
        UpdateSizes(logo::OverflowReport::None);
    } else if (!state.connectionVerified) {
        list_.SetCapacity(static_cast<std::int32_t>(state.settings.nvCapacity),
                          static_cast<std::int32_t>(state.settings.nvCapacity));
        UpdateSizes(logo::OverflowReport::None);
    } else {
        ReadInformation(false);
    }
    UpdateEnabling();
}

void LogoPane::AfterPortSettings() {
    if (isVisible() && session_.state().connectionVerified) {
        ReadInformation(false);
    }
}

// A list file's save message, then the file and the system's reason.
QString LogoPane::SaveFailureText(const logo::LogoListSaveResult& saved,
                                  const std::filesystem::path& file) const {
    const QString text = session_.Text(*saved.message());
    return saved.error ? WithFileAndReason(text, file, saved.error.message()) : text;
}

void LogoPane::SaveProgramList() {
    if (!shown_) {
        return;
    }
    const auto path = logo::ProgramLogoListPath(session_.state().info.programFolder);
    const auto saved = logo::SaveLogoList(path, list_.entries(), true);
    if (saved.message()) {
        session_.ShowMessage(lang::MB_STOP_OK, SaveFailureText(saved, path));
    }
}

void LogoPane::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedBitmaps(*event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void LogoPane::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedBitmaps(*event->mimeData());
    event->acceptProposedAction();
    // The drop is over when the files are added: the questions come after it.
    QMetaObject::invokeMethod(
        this,
        [this, paths] {
            const FocusReturn focus;
            if (const auto gradation = ChooseGradation()) {
                AddPaths(paths, *gradation);
            }
        },
        Qt::QueuedConnection);
}

std::optional<int> LogoPane::ChooseGradation() {
    if (!SixteenLevels()) {
        return logo::kGradation2;
    }
    const ChoiceRequest request{session_.Text(lang::TXT_TITLE),
                                session_.Label(kGradationQuestion),
                                session_.ListText(kSection, kGradationColumn),
                                {session_.ListText(kSection, kGradation2Text),
                                 session_.ListText(kSection, kGradation16Text)}};
    const int choice = session_.prompts().Choose(session_.mainWindow(), request);
    if (choice < 0) {
        return std::nullopt;
    }
    return choice == 0 ? logo::kGradation2 : logo::kGradation16;
}

void LogoPane::AddFiles() {
    const FocusReturn focus;
    const auto gradation = ChooseGradation();
    if (!gradation) {
        return;
    }
    app::AppState& state = session_.state();
    const QStringList paths = session_.prompts().OpenFileNames(
        session_.mainWindow(), session_.Text(lang::READDATALOGOBMP),
        QString::fromStdString(state.logoFolder.string()),
        DialogFilter(session_.Text(lang::FILEMASKLOGOBMP)));
    if (paths.isEmpty()) {
        return;
    }
    state.logoFolder = PathText(QFileInfo(paths.first()).absolutePath());
    AddPaths(paths, *gradation);
}

void LogoPane::AddPaths(const QStringList& paths, int gradation) {
    if (paths.isEmpty()) {
        return;
    }
    std::vector<std::string> names;
    for (const QString& path : paths) {
        names.push_back(PathText(QFileInfo(path).absoluteFilePath()));
    }
    const logo::LogoBatchResult batch = list_.AddLogoFiles(
        "", names, gradation, logo::MeasureLogoEntry,
        [this](int code, const std::string& file) { return AskToContinue(code, file); });
    RefreshFileList(list_.current());
    ShowBatchEnd(batch);
    if (!batch.added.empty()) {
        UpdateSizes(logo::OverflowReport::AddOrEdit);
    }
}

void LogoPane::DeleteEntry() {
    const FocusReturn focus;
    const logo::DeleteResult result = list_.DeleteCurrentEntry([this](const logo::LogoMessage& q) {
        return Confirm(FromUtf8(logo::ComposeLogoMessage(session_.state().texts, q)));
    });
    if (result.deleted) {
        RefreshFileList(list_.current());
    }
    if (result.overflowMessage) {
        ShowLogoMessage(*result.overflowMessage, lang::MB_WARNING_OK);
    }
}

void LogoPane::DeleteAllEntries() {
    const FocusReturn focus;
    const logo::DeleteResult result = list_.DeleteAllEntries([this](const logo::LogoMessage& q) {
        return Confirm(FromUtf8(logo::ComposeLogoMessage(session_.state().texts, q)));
    });
    if (result.deleted) {
        RefreshFileList(0);
    }
}

void LogoPane::LoadListFile() {
    const FocusReturn focus;
    const QString file = session_.prompts().OpenFileName(
        session_.mainWindow(), session_.Text(lang::READDATALOGOFILE), lastFolder_,
        DialogFilter(session_.Text(lang::FILEMASKLOGODATA)));
    if (file.isEmpty()) {
        return;
    }
    lastFolder_ = QFileInfo(file).absolutePath();
    const app::AppState& state = session_.state();
    const auto loaded = logo::LoadLogoList(
        list_, true, PathText(file), state.model.flags.bGuppy, logo::MeasureLogoEntry,
        [this](int code, const std::string& path) { return AskToContinue(code, path); });
    if (loaded.message) {
        ShowLogoMessage(*loaded.message, lang::MB_WARNING_OK);
        return;
    }
    RefreshFileList(0);
    ShowBatchEnd(loaded.rows);
}

void LogoPane::SaveListFile() {
    const FocusReturn focus;
    for (;;) {
        QString file = session_.prompts().SaveFileName(
            session_.mainWindow(), session_.Text(lang::SAVEDATALOGOFILE), lastFolder_,
            DialogFilter(session_.Text(lang::FILEMASKLOGODATA)));
        if (file.isEmpty()) {
            return;
        }
        if (QFileInfo(file).suffix().isEmpty()) {
            file += ".qlr";
        }
        lastFolder_ = QFileInfo(file).absolutePath();
        auto saved = logo::SaveLogoList(PathText(file), list_.entries(), false);
        if (saved.status == logo::LogoListSaveStatus::Exists) {
            if (session_.ShowMessage(lang::MB_YES_NO, session_.Text(lang::ERR_0004)) != ID_YES) {
                continue;
            }
            saved = logo::SaveLogoList(PathText(file), list_.entries(), true);
        }
        if (saved.status == logo::LogoListSaveStatus::Saved) {
            return;
        }
        session_.ShowMessage(lang::MB_STOP_OK, SaveFailureText(saved, PathText(file)));
        // Denied and write-protected places are left for another one; a read-only file ends it.
        if (saved.status == logo::LogoListSaveStatus::NotWritable) {
            return;
        }
    }
}

void LogoPane::Enter() {
    const FocusReturn focus;
    const int gradation =
        c_->gradation->currentIndex() == 1 ? logo::kGradation16 : logo::kGradation2;
    const logo::EditResult result =
        list_.EditCurrentEntry(c_->keycode->text().toStdString(), c_->twoColours->isChecked(),
                               gradation, logo::MeasureLogoEntry);
    if (result.message) {
        ShowLogoMessage(*result.message, lang::MB_WARNING_OK);
    }
    if (result.overflowMessage) {
        ShowLogoMessage(*result.overflowMessage, lang::MB_WARNING_OK);
    }
    RefreshFileList(list_.current());
}

void LogoPane::GradationChosen() {
    const bool sixteen = c_->gradation->currentIndex() == 1;
    if (sixteen) {
        c_->twoColours->setChecked(false);
    }
    UpdateEnabling();
    UpdatePreview();
}

bool LogoPane::Confirm(const QString& question) {
    return session_.ShowMessage(lang::MB_CONFIRM, question) == ID_OK;
}

bool LogoPane::ConfirmPrinterJob(int question, std::optional<std::uint16_t> keycode) {
    const lang::TextTable& texts = session_.state().texts;
    QString text = FromUtf8(lang::FormatText(texts.Text(question), {texts.Text(lang::MSG_S_01_1)}));
    if (keycode) {
        text.replace("%04X", FromUtf8(logo::FormatKeycode(*keycode)));
    }
    return Confirm(text);
}

QString LogoPane::WaitText(const logo::LogoWaitNotice& notice) const {
    const lang::TextTable& texts = session_.state().texts;
    const std::string keycode = logo::FormatKeycode(notice.keycode);
    const auto text = [&](int number, std::string_view first = {}, std::string_view second = {}) {
        QString composed = FromUtf8(lang::FormatText(texts.Text(number), {first, second}));
        return composed.replace("%04X", FromUtf8(keycode));
    };
    switch (notice.text) {
        case logo::LogoWaitNotice::Text::CheckingRegistered:
            return text(lang::MSG_L_32, notice.fileName, texts.Text(lang::MSG_L_31_1));
        case logo::LogoWaitNotice::Text::CheckingDeleted:
            return text(lang::MSG_L_36, texts.Text(lang::MSG_L_36_1));
        case logo::LogoWaitNotice::Text::DeletingOne:
            return text(lang::MSG_L_34, texts.Text(lang::MSG_L_36_1));
        case logo::LogoWaitNotice::Text::DeletingAll:
            return text(lang::MSG_L_35, texts.Text(lang::MSG_L_36_1));
        case logo::LogoWaitNotice::Text::Registering:
            return (registering_ == 0
                        ? QString()
                        : QStringLiteral("(%1/%2)\n").arg(registering_).arg(registerCount_)) +
                   text(lang::MSG_L_31, notice.fileName, texts.Text(lang::MSG_L_31_1));
        case logo::LogoWaitNotice::Text::Printing:
            return text(lang::MSG_L_37);
        case logo::LogoWaitNotice::Text::GettingInformation:
            break;
    }
    return text(lang::MSG_L_01);
}

int LogoPane::RunLogoWork(const QString& waitText,
                          const std::function<int(logo::LogoSession& logoSession)>& work,
                          std::size_t totalBytes) {
    app::AppState& state = session_.state();
    logo::PrinterLogoInfo info = printer_;
    const bool errorAutoRecover = state.config.switches.errorAutoRecover;
    std::vector<logo::LogoEntry> rows(list_.entries().begin(), list_.entries().end());
    const JobView view{{}, waitText, totalBytes};
    const int result = session_.RunShownPrinterJob(view, [&](app::PrinterConnection& connection) {
        logo::LogoSession logoSession{connection.port(), state.settings.printerInfoValid,
                                      state.settings.nvCapacity};
        logoSession.printer = info;
        logoSession.printerRow = state.model.printerRow;
        logoSession.caption = logo::ChooseLogoCaption(state.model.regionIndex, state.texts);
        logoSession.rows = rows;
        logoSession.convert = [errorAutoRecover](logo::LogoEntry& entry) {
            return logo::BuildRegistrationCommand(entry, errorAutoRecover);
        };
        logoSession.onWait = [this](const logo::LogoWaitNotice& notice) {
            if (notice.text == logo::LogoWaitNotice::Text::Registering) {
                ++registering_;
            }
            session_.SetWaitText(WaitText(notice));
        };
        const int done = work(logoSession);
        info = logoSession.printer;
        return done;
    });
    printer_ = info;
    TakePrinterInformation();
    return result;
}

void LogoPane::TakePrinterInformation() {
    list_.SetPrinterKeycodes(printer_.keycodes);
    list_.SetCapacity(static_cast<std::int32_t>(printer_.capacity),
                      static_cast<std::int32_t>(printer_.free));
    list_.SetPrinterInfoValid(session_.state().settings.printerInfoValid);
    RefreshPrinterList(0);
    UpdateSizes(logo::OverflowReport::None);
}

int LogoPane::ReadInformation(bool keepKeycodes) {
    const int result =
        RunLogoWork(session_.Text(lang::MSG_L_01), [](logo::LogoSession& logoSession) {
            return logo::RefreshPrinterLogoInfo(logoSession, logo::LogoPortMode::ReplaceAndRestore,
                                                logo::kInfoTextReading, {}, true);
        });
    if (result != 0) {
        if (!keepKeycodes) {
            printer_.keycodes.clear();
            TakePrinterInformation();
        }
        ShowReadFailure(result);
    }
    UpdateSizes(logo::OverflowReport::ListTooLarge);
    return result;
}

void LogoPane::ShowReadFailure(int result) {
    if (HasOwnReadMessage(result)) {
        session_.ShowMessage(lang::MB_WARNING_OK, result);
    } else {
        session_.ShowMessage(lang::MB_WARNING_OK,
                             session_.Text(lang::MSG_U_09) + session_.Text(lang::MSG_U_09_1));
    }
}

void LogoPane::ShowJobFailure(int result) {
    session_.ShowMessage(result == comm::PRT_ERR_MEMORY ? lang::MB_STOP_OK : lang::MB_WARNING_OK,
                         result);
}

std::optional<std::uint16_t> LogoPane::SelectedPrinterKeycode() const {
    const int row = c_->printerList->indexOfTopLevelItem(c_->printerList->currentItem());
    if (row < 0 || static_cast<std::size_t>(row) >= printer_.keycodes.size()) {
        return std::nullopt;
    }
    return printer_.keycodes[static_cast<std::size_t>(row)];
}

void LogoPane::Register() {
    const FocusReturn focus;
    if (list_.count() == 0) {
        return;
    }
    const auto rows = list_.entries();
    // The refusals come before the question.
    const bool sixteenRows = std::ranges::any_of(
        rows, [](const logo::LogoEntry& e) { return e.gradation == logo::kGradation16; });
    if (!SixteenLevels() && sixteenRows) {
        session_.ShowMessage(lang::MB_WARNING_OK, logo::LOGO_ERR_GRADATION);
        return;
    }
    if (printer_.keycodes.size() >= logo::kMaxPrinterKeycodes) {
        session_.ShowMessage(lang::MB_WARNING_OK, logo::LOGO_ERR_KEYCODEMAX);
        return;
    }
    if (!ConfirmPrinterJob(lang::MSG_L_30)) {
        return;
    }
    registering_ = 0;
    registerCount_ = static_cast<std::size_t>(
        std::ranges::count_if(rows, [](const logo::LogoEntry& e) { return e.checked; }));
    // The bar follows the registration commands, whose lengths the list already shows.
    std::size_t totalBytes = 0;
    for (const logo::LogoEntry& entry : rows) {
        totalBytes += entry.checked && entry.size > 0 ? static_cast<std::size_t>(entry.size) : 0;
    }
    const int result = RunLogoWork(
        WaitText({logo::LogoWaitNotice::Text::Registering, {}, 0}),
        [](logo::LogoSession& s) { return logo::RegisterCheckedLogos(s); }, totalBytes);
    if (result != 0) {
        ShowJobFailure(result);
        return;
    }
    session_.ShowMessage(lang::MB_INFORMATION_OK, session_.Text(lang::MSG_L_33));
}

void LogoPane::DeletePrinterLogo() {
    const FocusReturn focus;
    const auto keycode = SelectedPrinterKeycode();
    if (!keycode) {
        return;
    }
    if (!ConfirmPrinterJob(lang::MSG_L_40, keycode)) {
        return;
    }
    const int result = RunLogoWork(
        WaitText({logo::LogoWaitNotice::Text::DeletingOne, {}, *keycode}),
        [keycode](logo::LogoSession& s) { return logo::DeletePrinterLogo(s, *keycode); });
    if (result != 0) {
        ShowJobFailure(result);
    }
}

void LogoPane::DeleteAllPrinterLogos() {
    const FocusReturn focus;
    if (!ConfirmPrinterJob(lang::MSG_L_41)) {
        return;
    }
    const int result =
        RunLogoWork(WaitText({logo::LogoWaitNotice::Text::DeletingAll, {}, 0}),
                    [](logo::LogoSession& s) { return logo::DeleteAllPrinterLogos(s); });
    if (result != 0) {
        ShowJobFailure(result);
    }
}

void LogoPane::PrintLogo() {
    const FocusReturn focus;
    const auto keycode = SelectedPrinterKeycode();
    if (!keycode) {
        return;
    }
    if (!ConfirmPrinterJob(lang::MSG_L_42, keycode)) {
        return;
    }
    const bool twoColours = c_->printTwoColours->isChecked();
    const int result = RunLogoWork(WaitText({logo::LogoWaitNotice::Text::Printing, {}, *keycode}),
                                   [keycode, twoColours](logo::LogoSession& s) {
                                       return logo::PrintPrinterLogo(s, *keycode, twoColours);
                                   });
    if (result != 0) {
        ShowJobFailure(result);
    }
}

void LogoPane::PrintAllLogos() {
    const FocusReturn focus;
    if (!ConfirmPrinterJob(lang::MSG_L_43)) {
        return;
    }
    const bool twoColours = c_->printTwoColours->isChecked();
    const int result = RunLogoWork(
        session_.Text(lang::MSG_L_38),
        [twoColours](logo::LogoSession& s) { return logo::PrintAllPrinterLogos(s, twoColours); });
    if (result != 0) {
        ShowJobFailure(result);
    }
}

void LogoPane::GetRegisteredInformation() {
    const FocusReturn focus;
    if (!ConfirmPrinterJob(lang::MSG_L_44)) {
        return;
    }
    ReadInformation(true);
}

}  // namespace vrtruty::ui
