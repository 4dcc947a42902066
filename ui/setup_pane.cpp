#include "ui/setup_pane.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>
#include <filesystem>
#include <vector>

#include "app/printer_connection.h"
#include "comm/error_codes.h"
#include "comm/send_operation.h"
#include "core/catalogue.h"
#include "core/port_defaults.h"
#include "lang/message_style.h"
#include "lang/messages.h"
#include "lang/text_numbers.h"
#include "settings/factory_settings.h"
#include "settings/setting_encoding.h"
#include "settings/setting_files.h"
#include "settings/setting_items.h"
#include "settings/settings_reader.h"
#include "settings/settings_writer.h"
#include "ui/message_box.h"
#include "ui/pane_jobs.h"
#include "ui/session.h"

namespace vrtruty::ui {
namespace {

constexpr std::size_t kSection = 2;  // PrinterSetupDlg

enum LabelText : int {
    kTitle = 19,
    kDefaultNote,
    kBuzzerGroup,
    kLoading,
    kLoaded,
};

enum ButtonText : int {
    kSendText,
    kGetText,
    kPrintListText,
    kRevertText,
    kImportText,
    kExportText,
    kSoundCheckText,
};

// The pages in tab order, by their slot in the text table.
constexpr std::array<int, 3> kPages = {settings::kPageMemorySwitch, settings::kPageCustomizeValue,
                                       settings::kPageOther};
constexpr int kBuzzerIntervalByte = 68;
constexpr int kBuzzerRepetitionByte = 69;

std::filesystem::path PathOf(const QString& text) {
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

// The extension of a language filter's first pattern ("*.qvr" gives "qvr").
QString DefaultSuffix(const QString& languageFilter) {
    const QStringList parts = languageFilter.split(QChar(u'\0'));
    if (parts.size() < 2) {
        return {};
    }
    const QString pattern = parts[1].section(u';', 0, 0);
    const qsizetype dot = pattern.lastIndexOf(u'.');
    return dot < 0 || pattern.mid(dot + 1).contains(u'*') ? QString() : pattern.mid(dot + 1);
}

}  // namespace

struct SetupPane::Row {
    const settings::SettingItem* item = nullptr;
    QLabel* label = nullptr;
    QComboBox* combo = nullptr;
};

struct SetupPane::Controls {
    QLabel* title = nullptr;
    QTabWidget* tabs = nullptr;
    std::array<QWidget*, 3> pages{};
    QGroupBox* buzzerGroup = nullptr;
    QPushButton* soundCheck = nullptr;
    QLabel* defaultNote = nullptr;
    QPushButton* send = nullptr;
    QPushButton* get = nullptr;
    QPushButton* printList = nullptr;
    QPushButton* revert = nullptr;
    QPushButton* importFile = nullptr;
    QPushButton* exportFile = nullptr;
    QLabel* statusIcon = nullptr;
    QLabel* status = nullptr;
    std::vector<Row> rows;  // every item of the three pages, in page order
    int shownTab = 0;       // the page whose lists hold the user's selections
    std::size_t builtForRow = 0;
    bool built = false;
};

SetupPane::SetupPane(Session& session, QWidget* parent)
    : Pane(session, parent), c_(std::make_unique<Controls>()) {
    BuildControls();
    SetTexts();
}

SetupPane::~SetupPane() = default;

void SetupPane::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    c_->title = CreateTitle();
    layout->addWidget(c_->title);

    auto* body = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    c_->tabs = new QTabWidget(this);
    c_->tabs->setObjectName("settingTabs");
    static constexpr std::array<const char*, 3> pageNames = {"memorySwitchPage",
                                                             "customizeValuePage", "otherPage"};
    for (std::size_t t = 0; t < kPages.size(); ++t) {
        auto* page = new QWidget(c_->tabs);
        page->setObjectName(pageNames[t]);
        c_->pages[t] = page;
        c_->tabs->addTab(page, QString());
    }
    BuildRows();
    left->addWidget(c_->tabs);
    c_->defaultNote = new QLabel(this);
    c_->defaultNote->setObjectName("defaultNote");
    left->addWidget(c_->defaultNote);
    body->addLayout(left, 1);

    auto* buttons = new QVBoxLayout;
    const auto addButton = [&](const char* name, void (SetupPane::*action)()) {
        auto* button = new QPushButton(this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, action] { (this->*action)(); });
        buttons->addWidget(button);
        return button;
    };
    c_->send = addButton("sendSettingsButton", &SetupPane::SendSettings);
    c_->get = addButton("getSettingsButton", &SetupPane::GetSettings);
    c_->printList = addButton("printSettingListButton", &SetupPane::PrintSettingList);
    buttons->addSpacing(12);
    c_->revert = addButton("revertButton", &SetupPane::RevertToDefault);
    c_->importFile = addButton("importButton", &SetupPane::ImportFile);
    c_->exportFile = addButton("exportButton", &SetupPane::ExportFile);
    buttons->addStretch(1);
    body->addLayout(buttons);
    layout->addLayout(body);

    // The status line of a read keeps its room while hidden, so the window does not change size.
    auto* statusRow = new QHBoxLayout;
    c_->statusIcon = new QLabel(this);
    c_->statusIcon->setObjectName("statusIcon");
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    c_->statusIcon->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(iconSize, iconSize));
    c_->status = new QLabel(this);
    c_->status->setObjectName("statusLine");
    for (QLabel* label : {c_->statusIcon, c_->status}) {
        QSizePolicy policy = label->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        label->setSizePolicy(policy);
        label->hide();
    }
    statusRow->addWidget(c_->statusIcon);
    statusRow->addWidget(c_->status, 1);
    layout->addLayout(statusRow);
    layout->addStretch(1);

    connect(c_->tabs, &QTabWidget::currentChanged, this, [this](int tab) { TabChanged(tab); });
    // Ctrl+Tab and Ctrl+Shift+Tab go through the pages wherever the focus is in the pane.
    const auto step = [this](int by) {
        const int count = c_->tabs->count();
        c_->tabs->setCurrentIndex((c_->tabs->currentIndex() + by + count) % count);
    };
    for (const auto& [keys, by] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                   std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                                   std::pair{QKeySequence(Qt::CTRL | Qt::Key_Backtab), -1}}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [step, by] { step(by); });
    }
}

// One label and list per item, each page's in a grid; hidden rows take no room. The two buzzer
// rows and their sound check sit in a group of their own on "Customize Value".
void SetupPane::BuildRows() {
    std::array<QGridLayout*, 3> grids{};
    for (std::size_t t = 0; t < kPages.size(); ++t) {
        grids[t] = new QGridLayout(c_->pages[t]);
        grids[t]->setColumnStretch(1, 1);
    }
    QGridLayout* buzzerGrid = nullptr;
    for (const settings::SettingItem& item : settings::SettingItems()) {
        const auto tab = static_cast<std::size_t>(item.page - settings::kPageMemorySwitch);
        QGridLayout* grid = grids[tab];
        QWidget* parent = c_->pages[tab];
        const bool buzzer =
            item.recordByte == kBuzzerIntervalByte || item.recordByte == kBuzzerRepetitionByte;
        if (buzzer) {
            if (buzzerGrid == nullptr) {
                c_->buzzerGroup = new QGroupBox(parent);
                c_->buzzerGroup->setObjectName("buzzerGroup");
                buzzerGrid = new QGridLayout(c_->buzzerGroup);
                buzzerGrid->setColumnStretch(1, 1);
                grid->addWidget(c_->buzzerGroup, grid->rowCount(), 0, 1, 2);
            }
            grid = buzzerGrid;
            parent = c_->buzzerGroup;
        }
        Row row{&item, new QLabel(parent), new QComboBox(parent)};
        // "Cutter Mode" has a row on two pages; the one on "Other" is named apart.
        const bool secondRow =
            item.recordByte == settings::kCutterModeByte && item.page == settings::kPageOther;
        row.combo->setObjectName(QStringLiteral("setting%1Combo%2")
                                     .arg(item.recordByte)
                                     .arg(secondRow ? QStringLiteral("Other") : QString()));
        row.combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        // The lists of a page line up at the width of the longest.
        row.combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        row.label->setBuddy(row.combo);
        const int at = grid->rowCount();
        grid->addWidget(row.label, at, 0);
        grid->addWidget(row.combo, at, 1);
        if (item.recordByte == kBuzzerRepetitionByte) {
            connect(row.combo, &QComboBox::currentIndexChanged, this,
                    [this] { RepetitionChanged(); });
        }
        c_->rows.push_back(row);
    }
    c_->soundCheck = new QPushButton(c_->buzzerGroup);
    c_->soundCheck->setObjectName("soundCheckButton");
    c_->soundCheck->setAutoDefault(false);
    buzzerGrid->addWidget(c_->soundCheck, buzzerGrid->rowCount(), 1, Qt::AlignRight);
    connect(c_->soundCheck, &QPushButton::clicked, this, [this] { SoundCheck(); });
    for (QGridLayout* grid : grids) {
        grid->setRowStretch(grid->rowCount(), 1);
    }
}

void SetupPane::SetTexts() {
    app::AppState& state = session_.state();
    // A language change keeps the selections not yet collected; another model starts afresh from
    // the record, which now holds its values.
    if (c_->built && c_->builtForRow == state.model.printerRow) {
        CollectPage(c_->shownTab);
    }
    c_->built = true;
    c_->builtForRow = state.model.printerRow;

    c_->title->setText(session_.Label(kTitle));
    c_->defaultNote->setText(session_.Label(kDefaultNote));
    c_->buzzerGroup->setTitle(session_.Label(kBuzzerGroup));
    const std::array<std::pair<QPushButton*, int>, 7> buttons = {{
        {c_->send, kSendText},
        {c_->get, kGetText},
        {c_->printList, kPrintListText},
        {c_->revert, kRevertText},
        {c_->importFile, kImportText},
        {c_->exportFile, kExportText},
        {c_->soundCheck, kSoundCheckText},
    }};
    for (const auto& [button, text] : buttons) {
        button->setText(session_.Button(kSection, text));
    }
    const lang::TextTable& texts = state.texts;
    for (std::size_t t = 0; t < kPages.size(); ++t) {
        c_->tabs->setTabText(static_cast<int>(t),
                             QString::fromStdString(texts.PageName(kPages[t])));
    }

    const settings::ModelDefaults& defaults = state.settings.modelDefaults[state.model.printerRow];
    const bool markInFront = session_.rightToLeft();
    const QString colon = QString::fromStdString(texts.LabelColon());
    for (Row& row : c_->rows) {
        const settings::SettingItem& item = *row.item;
        const bool shown = settings::ItemShown(item, state.model);
        row.label->setVisible(shown);
        row.combo->setVisible(shown);
        row.label->setText(QString::fromStdString(settings::ItemName(texts, item, state.model)) +
                           colon);
        const int workingDefault = defaults.at(static_cast<std::size_t>(item.recordByte));
        const QSignalBlocker quiet(row.combo);
        row.combo->clear();
        for (int choice = 0; choice < settings::ShownChoiceCount(item, state.model); ++choice) {
            QString text =
                QString::fromStdString(settings::ItemChoice(texts, item, state.model, choice));
            if (choice == workingDefault) {
                text = markInFront ? QStringLiteral("* ") + text : text + QStringLiteral(" *");
            }
            row.combo->addItem(text);
        }
    }
    c_->buzzerGroup->setVisible(state.model.flags.bMelody);
    RefreshPages();
}

void SetupPane::RefreshPages() {
    const app::AppState& state = session_.state();
    const settings::ModelDefaults& defaults = state.settings.modelDefaults[state.model.printerRow];
    for (Row& row : c_->rows) {
        const settings::SettingItem& item = *row.item;
        const int choice =
            settings::ShownChoice(item, state.model, state.settings.current,
                                  defaults.at(static_cast<std::size_t>(item.recordByte)));
        const QSignalBlocker quiet(row.combo);
        row.combo->setCurrentIndex(choice < row.combo->count() ? choice : -1);
        const bool enabled = settings::ItemEnabled(item, state.model);
        row.label->setEnabled(enabled);
        row.combo->setEnabled(enabled);
    }
    UpdateEnabling();
}

void SetupPane::UpdateEnabling() {
    const app::AppState& state = session_.state();
    const bool verified = state.connectionVerified;
    c_->send->setEnabled(verified);
    c_->get->setEnabled(verified);
    c_->printList->setEnabled(verified);
    c_->soundCheck->setEnabled(verified && state.settings.current[kBuzzerRepetitionByte] != 0);
}

void SetupPane::StoreEdits() {
    CollectPage(c_->shownTab);
}

void SetupPane::CollectPage(int tab) {
    app::AppState& state = session_.state();
    settings::SettingRecord& record = state.settings.current;
    const int cutterDefault =
        state.settings.modelDefaults[state.model.printerRow].at(settings::kCutterModeByte);
    settings::CollectPage(
        record, kPages[static_cast<std::size_t>(tab)], state.model, cutterDefault,
        [&](const settings::SettingItem& item) {
            for (const Row& row : c_->rows) {
                if (row.item == &item && row.combo->currentIndex() >= 0) {
                    return row.combo->currentIndex();
                }
            }
            return static_cast<int>(record[static_cast<std::size_t>(item.recordByte)]);
        });
}

void SetupPane::TabChanged(int tab) {
    CollectPage(c_->shownTab);
    c_->shownTab = tab;
    c_->tabs->tabBar()->setFocus(Qt::TabFocusReason);
}

// "Buzzer Repetition" goes into the record at once: the sound check plays it, and "Zero" has
// nothing to play.
void SetupPane::RepetitionChanged() {
    for (const Row& row : c_->rows) {
        if (row.item->recordByte == kBuzzerRepetitionByte && row.combo->currentIndex() >= 0) {
            session_.state().settings.current[kBuzzerRepetitionByte] =
                static_cast<std::uint8_t>(row.combo->currentIndex());
        }
    }
    UpdateEnabling();
}

bool SetupPane::Confirm(int question) {
    const lang::TextTable& texts = session_.state().texts;
    const std::string text = lang::FormatText(texts.Text(question), {texts.Text(lang::MSG_S_01_1)});
    return session_.ShowMessage(lang::MB_CONFIRM, 0, text) == ID_OK;
}

void SetupPane::ShowStatus(const QString& text) {
    c_->status->setText(text);
    c_->status->setVisible(!text.isEmpty());
    c_->statusIcon->setVisible(!text.isEmpty());
}

void SetupPane::SendSettings() {
    const FocusReturn focus;
    if (!Confirm(lang::MSG_S_01)) {
        return;
    }
    CollectPage(c_->shownTab);
    app::AppState& state = session_.state();
    // The block each listed printer gets, for the wait box's bar.
    const std::size_t blockSize =
        settings::BuildSendBlock(comm::kOperationSendSettings, state.settings, state.model,
                                 state.config.switches.errorAutoRecover)
            .size();
    const JobView view{OperationName(c_->send->text()), session_.Text(lang::MSG_S_02),
                       blockSize * app::ListedPrinterCount(state)};
    const int result = session_.RunShownPrinterJob(view, [&](app::PrinterConnection& link) {
        comm::PortAccess& port = link.port();
        return settings::SendSettingsToTargets(
            port, state.settings, state.model, state.config.serial, comm::kOperationSendSettings,
            [&] {
                // The printer now talks with the serial parameters just sent: the port's
                // stored defaults follow, so the next open uses them.
                if (state.settings.serialChanged) {
                    app::ApplyComPortSettings(state.info.programFolder, port.context().portKind,
                                              port.GetPortName(1), state.config.serial);
                }
            });
    });
    if (result != comm::PRT_SUCCESS) {
        session_.ShowMessage(lang::MB_WARNING_OK, result);
    }
    RefreshPages();
}

void SetupPane::PrintSettingList() {
    const FocusReturn focus;
    if (!Confirm(lang::MSG_S_03)) {
        return;
    }
    app::AppState& state = session_.state();
    const int result =
        session_.RunPrinterJob(session_.Text(lang::MSG_S_04), [&](app::PrinterConnection& link) {
            return settings::SendSettingsToTargets(link.port(), state.settings, state.model,
                                                   state.config.serial,
                                                   comm::kOperationSettingList);
        });
    if (result != comm::PRT_SUCCESS) {
        session_.ShowMessage(lang::MB_WARNING_OK, result);
    }
}

void SetupPane::GetSettings() {
    const FocusReturn focus;
    if (!Confirm(lang::MSG_S_06)) {
        return;
    }
    ShowStatus(session_.Label(kLoading));
    app::AppState& state = session_.state();
    const int result =
        session_.RunPrinterJob(session_.Text(lang::MSG_S_07), [&](app::PrinterConnection& link) {
            comm::PortAccess& port = link.port();
            const int read = comm::WithQueuesHandedOver(port, [&] {
                return settings::GetPrinterSettings(port, state.settings, state.model,
                                                    settings::kReadAllSettings, port.GetPortName(1),
                                                    state.texts);
            });
            return read == comm::PRT_SUCCESS ? comm::ConfirmLocalQueue(port) : read;
        });
    if (result != comm::PRT_SUCCESS) {
        ShowStatus({});
        session_.ShowMessage(lang::MB_WARNING_OK, result);
        return;
    }
    RefreshPages();
    ShowStatus(session_.Label(kLoaded));
}

void SetupPane::RevertToDefault() {
    const FocusReturn focus;
    if (session_.ShowMessage(lang::MB_CONFIRM, session_.Text(lang::MSG_S_08)) != ID_OK) {
        return;
    }
    app::AppState& state = session_.state();
    settings::DefaultDataSet(state.settings, state.model, state.config.xonXoff, state.texts,
                             state.log);
    RefreshPages();
}

// A setting file's message, then the file and the system's reason when a file failed: "Cannot
// read the file" alone does not say which file, or whether it was missing or refused.
QString SetupPane::SettingFileText(lang::TextNumber message) const {
    const QString text = session_.Text(message);
    const auto& failure = session_.state().settings.lastFileFailure;
    return failure ? WithFileAndReason(text, failure->path, failure->reason) : text;
}

void SetupPane::ImportFile() {
    const FocusReturn focus;
    app::AppState& state = session_.state();
    const QString filter = session_.Text(app::FilterTextNumber(state.model));
    const QString chosen = session_.prompts().OpenFileName(
        session_.mainWindow(), session_.Text(lang::READDATA),
        QString::fromStdString(state.settingFolder.string()), DialogFilter(filter));
    if (chosen.isEmpty()) {
        return;
    }
    state.settingFolder = PathOf(QFileInfo(chosen).absolutePath());
    const settings::SettingRecord before = state.settings.current;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int result =
        settings::ImportSettingFile(state.settings, state.model,
                                    {state.config.xonXoff, state.texts, state.log}, PathOf(chosen));
    QApplication::restoreOverrideCursor();
    // A file that could not be read leaves the lists as they are, unsent choices included.
    if (state.settings.current != before) {
        RefreshPages();
    }
    if (const auto message = settings::SettingFileMessage(result)) {
        session_.ShowMessage(lang::MB_USER_ICON, SettingFileText(*message));
    }
}

void SetupPane::ExportFile() {
    const FocusReturn focus;
    CollectPage(c_->shownTab);
    app::AppState& state = session_.state();
    const QString languageFilter = session_.Text(app::FilterTextNumber(state.model));
    const QString suffix = DefaultSuffix(languageFilter);
    QString start = QString::fromStdString(state.settingFolder.string());
    const auto show = [&](int code) {
        if (const auto message = settings::SettingFileMessage(code)) {
            session_.ShowMessage(lang::MB_STOP_OK, SettingFileText(*message));
        } else {
            session_.ShowMessage(lang::MB_STOP_OK, code);
        }
    };
    // Until a file is written or the user gives up: a place that refuses the file, or a No to
    // overwriting, opens the dialog again.
    while (true) {
        QString chosen =
            session_.prompts().SaveFileName(session_.mainWindow(), session_.Text(lang::SAVEDATA),
                                            start, DialogFilter(languageFilter));
        if (chosen.isEmpty()) {
            return;
        }
        if (QFileInfo(chosen).suffix().isEmpty() && !suffix.isEmpty()) {
            chosen += QStringLiteral(".") + suffix;
        }
        start = chosen;
        state.settingFolder = PathOf(QFileInfo(chosen).absolutePath());
        int result =
            settings::ExportSettingFile(state.settings, state.model, PathOf(chosen), false);
        if (result == settings::SET_ERR_EXISTS) {
            if (session_.ShowMessage(lang::MB_YES_NO, session_.Text(lang::ERR_0004)) != ID_YES) {
                continue;
            }
            result = settings::ExportSettingFile(state.settings, state.model, PathOf(chosen), true);
            if (result != settings::SET_SUCCESS) {
                show(settings::SET_ERR_READONLY);
            }
            return;
        }
        switch (result) {
            case settings::SET_SUCCESS:
                return;
            case settings::SET_ERR_ACCESS:
            case settings::SET_ERR_WRITEPROTECT:
            case settings::SET_ERR_NETWORK:
                show(result);
                continue;
            default:
                show(result);
                return;
        }
    }
}

void SetupPane::SoundCheck() {
    const FocusReturn focus;
    settings::SettingRecord& record = session_.state().settings.current;
    for (const Row& row : c_->rows) {
        const int recordByte = row.item->recordByte;
        if ((recordByte == kBuzzerIntervalByte || recordByte == kBuzzerRepetitionByte) &&
            row.combo->currentIndex() >= 0) {
            record[static_cast<std::size_t>(recordByte)] =
                static_cast<std::uint8_t>(row.combo->currentIndex());
        }
    }
    const auto command = settings::BuildSoundCheckCommand(record);
    if (const int result =
            SendPrinterJob(session_, comm::kOperationSoundCheck, command, JobTargets::ChosenPrinter,
                           OperationName(c_->soundCheck->text()))) {
        session_.ShowMessage(lang::MB_WARNING_OK, result);
    }
}

}  // namespace vrtruty::ui
