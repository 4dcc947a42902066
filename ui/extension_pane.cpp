#include "ui/extension_pane.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <filesystem>
#include <span>
#include <string_view>

#include "comm/error_codes.h"
#include "jobs/printer_jobs.h"
#include "lang/message_style.h"
#include "lang/messages.h"
#include "lang/text_numbers.h"
#include "settings/setting_items.h"
#include "ui/pane_jobs.h"
#include "ui/prompts.h"
#include "ui/session.h"

namespace vrtruty::ui {
namespace {

constexpr std::size_t kSection = 4;  // Extension1Dlg

// Long texts of the pane, in the order of its section.
enum LabelText : int {
    kTitle = 41,
    kDefaultsDescription,
    kSendFileDescription,
};

enum ButtonText : int {
    kChangeDefaultText,
    kTestPrintText,
    kReferenceText,
    kSendFileText,
};

// Where the three lists' names and choices sit among the "Other" setting page's texts; choice i
// there is list entry i + 1 here, after "Not Change".
constexpr int kCodePageItem = 17;
constexpr int kCharacterItem = 18;
constexpr int kFontItem = 19;

std::filesystem::path PathOf(const QString& text) {
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

}  // namespace

struct ExtensionPane::Controls {
    // One of the three lists of stored defaults.
    struct DefaultList {
        QLabel* label = nullptr;
        QComboBox* combo = nullptr;
        int item = 0;                               // position on the "Other" setting page
        std::span<const std::string_view> entries;  // entry names, when a language has none
    };

    QLabel* title = nullptr;
    QLabel* defaultsDescription = nullptr;
    std::array<DefaultList, 3> lists{};  // code page, international character, font
    QPushButton* changeDefaultButton = nullptr;
    QPushButton* testPrintButton = nullptr;
    QLabel* sendFileDescription = nullptr;
    QLineEdit* pathEdit = nullptr;
    QPushButton* referenceButton = nullptr;
    QPushButton* sendFileButton = nullptr;
};

ExtensionPane::ExtensionPane(Session& session, QWidget* parent)
    : Pane(session, parent), c_(std::make_unique<Controls>()) {
    setAcceptDrops(true);
    BuildControls();
    SetTexts();  // also fills the lists and sets the enabling
}

ExtensionPane::~ExtensionPane() = default;

void ExtensionPane::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    c_->title = CreateTitle();
    layout->addWidget(c_->title);

    // Stored defaults: the three lists, the button that stores them and the code table that shows
    // what the printer uses now.
    auto* defaults = new QGroupBox(this);
    defaults->setObjectName("defaultsGroup");
    auto* defaultsLayout = new QVBoxLayout(defaults);
    c_->defaultsDescription = new QLabel(defaults);
    defaultsLayout->addWidget(c_->defaultsDescription);
    auto* grid = new QGridLayout;
    const std::array<std::pair<const char*, int>, 3> lists = {{
        {"codePageCombo", kCodePageItem},
        {"characterCombo", kCharacterItem},
        {"fontCombo", kFontItem},
    }};
    const std::array<std::span<const std::string_view>, 3> entries = {
        tools::CodePageNames(), tools::InternationalCharacterNames(), tools::FontNames()};
    for (std::size_t i = 0; i < lists.size(); ++i) {
        Controls::DefaultList& list = c_->lists[i];
        list.item = lists[i].second;
        list.entries = entries[i];
        list.label = new QLabel(defaults);
        list.combo = new QComboBox(defaults);
        list.combo->setObjectName(lists[i].first);
        list.combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        // The code page list is long; showing it whole would cover the screen.
        list.combo->setMaxVisibleItems(12);
        list.label->setBuddy(list.combo);
        const int row = static_cast<int>(i);
        grid->addWidget(list.label, row, 0);
        grid->addWidget(list.combo, row, 1);
        connect(list.combo, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabling(); });
    }
    grid->setColumnStretch(2, 1);
    defaultsLayout->addLayout(grid);
    auto* defaultButtons = new QHBoxLayout;
    defaultButtons->addStretch(1);
    c_->changeDefaultButton = new QPushButton(defaults);
    c_->changeDefaultButton->setObjectName("changeDefaultButton");
    c_->testPrintButton = new QPushButton(defaults);
    c_->testPrintButton->setObjectName("testPrintButton");
    defaultButtons->addWidget(c_->changeDefaultButton);
    defaultButtons->addWidget(c_->testPrintButton);
    defaultsLayout->addLayout(defaultButtons);
    layout->addWidget(defaults);

    // Any file, sent unchanged.
    auto* sending = new QGroupBox(this);
    sending->setObjectName("sendFileGroup");
    auto* sendingLayout = new QVBoxLayout(sending);
    c_->sendFileDescription = new QLabel(sending);
    sendingLayout->addWidget(c_->sendFileDescription);
    auto* pathRow = new QHBoxLayout;
    c_->pathEdit = new QLineEdit(sending);
    c_->pathEdit->setObjectName("sendFilePathEdit");
    // A file dropped on the field goes to the pane, which takes its path rather than its URL.
    c_->pathEdit->setAcceptDrops(false);
    c_->pathEdit->setMinimumWidth(c_->pathEdit->fontMetrics().averageCharWidth() * 40);
    c_->referenceButton = new QPushButton(sending);
    c_->referenceButton->setObjectName("referenceButton");
    pathRow->addWidget(c_->pathEdit, 1);
    pathRow->addWidget(c_->referenceButton);
    sendingLayout->addLayout(pathRow);
    auto* sendRow = new QHBoxLayout;
    sendRow->addStretch(1);
    c_->sendFileButton = new QPushButton(sending);
    c_->sendFileButton->setObjectName("sendFileButton");
    sendRow->addWidget(c_->sendFileButton);
    sendingLayout->addLayout(sendRow);
    layout->addWidget(sending);
    layout->addStretch(1);

    for (QPushButton* button :
         {c_->changeDefaultButton, c_->testPrintButton, c_->referenceButton, c_->sendFileButton}) {
        button->setAutoDefault(false);
    }
    connect(c_->changeDefaultButton, &QPushButton::clicked, this, [this] { ChangeDefaultValue(); });
    connect(c_->testPrintButton, &QPushButton::clicked, this, [this] { TestPrint(); });
    connect(c_->referenceButton, &QPushButton::clicked, this, [this] { Reference(); });
    connect(c_->sendFileButton, &QPushButton::clicked, this, [this] { SendFile(); });
    connect(c_->pathEdit, &QLineEdit::textChanged, this, [this] { UpdateEnabling(); });
}

void ExtensionPane::SetTexts() {
    c_->title->setText(session_.Label(kTitle));
    c_->defaultsDescription->setText(session_.Label(kDefaultsDescription));
    c_->sendFileDescription->setText(session_.Label(kSendFileDescription));
    c_->changeDefaultButton->setText(session_.Button(kSection, kChangeDefaultText));
    c_->testPrintButton->setText(session_.Button(kSection, kTestPrintText));
    c_->referenceButton->setText(session_.Button(kSection, kReferenceText));
    c_->sendFileButton->setText(session_.Button(kSection, kSendFileText));
    FillLists();
}

// The entries are the same in every language, so a language change keeps the user's choices.
void ExtensionPane::FillLists() {
    const lang::TextTable& texts = session_.state().texts;
    const auto text = [](const std::string& utf8) { return QString::fromStdString(utf8); };
    for (Controls::DefaultList& list : c_->lists) {
        const int chosen = std::max(list.combo->currentIndex(), 0);
        {
            const QSignalBlocker quiet(list.combo);
            list.combo->clear();
            list.combo->addItem(session_.Text(lang::TXT_NOT_CHANGE));
            for (std::size_t i = 0; i < list.entries.size(); ++i) {
                const std::string& name =
                    texts.SettingChoice(settings::kPageOther, list.item, static_cast<int>(i));
                list.combo->addItem(name.empty() ? text(std::string(list.entries[i])) : text(name));
            }
            list.combo->setCurrentIndex(chosen < list.combo->count() ? chosen : 0);
        }
        list.label->setText(text(texts.SettingName(settings::kPageOther, list.item)) +
                            text(texts.LabelColon()));
    }
    UpdateEnabling();
}

bool ExtensionPane::SendFileAccepted() const {
    // The trial buffer goes at once: only whether the file can be read counts here.
    return tools::LoadSendFile(PathOf(c_->pathEdit->text()),
                               session_.state().config.switches.errorAutoRecover)
               .result == comm::PRT_SUCCESS;
}

void ExtensionPane::UpdateEnabling() {
    const bool verified = session_.state().connectionVerified;
    bool anyChange = false;
    for (const Controls::DefaultList& list : c_->lists) {
        anyChange = anyChange || list.combo->currentIndex() > 0;
    }
    c_->changeDefaultButton->setEnabled(verified && anyChange);
    c_->testPrintButton->setEnabled(verified);
    c_->sendFileButton->setEnabled(verified && SendFileAccepted());
}

void ExtensionPane::BeforeShow() {
    // The file may have appeared or gone while another pane was showing.
    UpdateEnabling();
}

void ExtensionPane::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void ExtensionPane::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    const QString path = urls.isEmpty() ? QString() : urls.first().toLocalFile();
    c_->pathEdit->setText(QDir::toNativeSeparators(path));
    event->acceptProposedAction();
}

bool ExtensionPane::Confirm(int question) {
    const lang::TextTable& texts = session_.state().texts;
    const std::string text = lang::FormatText(texts.Text(question), {texts.Text(lang::MSG_S_01_1)});
    return session_.ShowMessage(lang::MB_CONFIRM, 0, text) == ID_OK;
}

void ExtensionPane::ShowFailure(int result) {
    // Every way of not getting the file's bytes reads the same to the user.
    if (result == tools::SEND_ERR_NOFILE || result == tools::SEND_ERR_NOPATH) {
        result = tools::SEND_ERR_READ;
    }
    session_.ShowMessage(result == comm::PRT_ERR_MEMORY ? lang::MB_STOP_OK : lang::MB_WARNING_OK,
                         result);
}

void ExtensionPane::ChangeDefaultValue() {
    const FocusReturn focus;
    if (!Confirm(lang::MSG_X_01)) {
        return;
    }
    const tools::DefaultValueChoice choice{
        .codePage = c_->lists[0].combo->currentIndex(),
        .internationalCharacter = c_->lists[1].combo->currentIndex(),
        .font = c_->lists[2].combo->currentIndex(),
    };
    const std::vector<std::uint8_t> buffer = tools::BuildChangeDefaultsBuffer(choice);
    if (buffer.empty()) {
        return;  // every list on "Not Change"
    }
    if (const int result = SendPrinterJob(session_, tools::kOperationChangeDefaults, buffer,
                                          JobTargets::EveryListedPrinter,
                                          OperationName(c_->changeDefaultButton->text()))) {
        ShowFailure(result);
    }
}

void ExtensionPane::TestPrint() {
    const FocusReturn focus;
    if (!Confirm(lang::MSG_X_02)) {
        return;
    }
    if (const int result = SendPrinterJob(
            session_, tools::kOperationCodeTable, tools::BuildCodeTablePage(),
            JobTargets::EveryListedPrinter, OperationName(c_->testPrintButton->text()))) {
        ShowFailure(result);
    }
}

void ExtensionPane::Reference() {
    const FocusReturn focus;
    const QString current = c_->pathEdit->text();
    const QString chosen =
        session_.prompts().OpenFileName(session_.mainWindow(), session_.Text(lang::SENDDATA),
                                        current.isEmpty() ? lastFolder_ : current,
                                        DialogFilter(session_.Text(lang::FILEMASKSENDDATA)));
    if (chosen.isEmpty()) {
        return;
    }
    lastFolder_ = QFileInfo(chosen).absolutePath();
    c_->pathEdit->setText(QDir::toNativeSeparators(chosen));
}

void ExtensionPane::SendFile() {
    const FocusReturn focus;
    tools::SendFileResult loaded = tools::LoadSendFile(
        PathOf(c_->pathEdit->text()), session_.state().config.switches.errorAutoRecover);
    if (loaded.result != comm::PRT_SUCCESS) {
        if (loaded.result == tools::SEND_ERR_NOFILE || loaded.result == tools::SEND_ERR_READ) {
            c_->sendFileButton->setEnabled(false);
        }
        ShowFailure(loaded.result);
        return;
    }
    if (!Confirm(lang::MSG_X_03)) {
        return;
    }
    if (const int result = SendPrinterJob(session_, tools::kOperationSendFile, loaded.buffer,
                                          JobTargets::EveryListedPrinter,
                                          OperationName(c_->sendFileButton->text()))) {
        ShowFailure(result);
    }
}

}  // namespace vrtruty::ui
