#include "ui/port_settings_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "app/port_settings.h"
#include "app/printer_connection.h"
#include "comm/command_exchange.h"
#include "comm/error_codes.h"
#include "comm/port_tables.h"
#include "comm/usb_discovery.h"
#include "core/catalogue.h"
#include "core/home_lock.h"
#include "core/port_defaults.h"
#include "lang/message_style.h"
#include "lang/messages.h"
#include "lang/text_numbers.h"
#include "settings/setting_files.h"
#include "ui/main_window.h"
#include "ui/widgets.h"

namespace vrtruty::ui {
namespace {

using app::PortKind;

constexpr std::size_t kSection = 1;  // PortSetDlg

// Long texts of the dialog, in the order of its section.
enum LabelText : int {
    kCaption = 3,
    kLanguageLabel,
    kModelLabel,
    kPortGroup,
    kSettingGroup,
    kPortNameLabel,
    kDriverNameLabel,
    kBaudLabel,
    kFormatLabel,
    kProtocolLabel,
    kIpAddressLabel,
    kPrinterListLabel,
    kTopNote,
    kUsbNote,
    kWinPrinterNote,
    kLanNote,
};

// Buttons of the dialog, in the order of its section.
enum ButtonText : int {
    kUsbRadio,
    kComRadio,
    kLptRadio,
    kLanRadio,
    kWinPrinterRadio,
    kRefreshButton,
    kAddButton,
    kSearchButton,
    kDeleteButton,
    kOkButton,
    kCancelButton,
};

constexpr std::size_t kKindCount = 6;  // PORT_COM ... PORT_NONE

std::size_t KindIndex(PortKind kind) {
    return std::min<std::size_t>(static_cast<std::size_t>(kind), kKindCount - 1);
}

// A note keeps the line breaks its text has.
QLabel* NoteLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    return label;
}

QComboBox* Combo(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    return combo;
}

QLabel* BuddyLabel(QWidget* parent, const char* name, QWidget* buddy) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

template <typename Row, std::size_t N>
void FillTableLabels(QComboBox* combo, const std::array<Row, N>& table, std::size_t selected) {
    for (const Row& row : table) {
        combo->addItem(
            QString::fromUtf8(row.label.data(), static_cast<qsizetype>(row.label.size())));
    }
    combo->setCurrentIndex(static_cast<int>(selected < N ? selected : 0));
}

std::size_t Index(int comboIndex) {
    return comboIndex < 0 ? 0 : static_cast<std::size_t>(comboIndex);
}

}  // namespace

struct PortSettingsDialog::Controls {
    QLabel* topNote = nullptr;
    QLabel* languageLabel = nullptr;
    QComboBox* languageCombo = nullptr;
    QLabel* modelLabel = nullptr;
    QComboBox* modelCombo = nullptr;

    QGroupBox* portGroup = nullptr;
    QButtonGroup* kinds = nullptr;
    QRadioButton* usbRadio = nullptr;
    QRadioButton* comRadio = nullptr;
    QRadioButton* lptRadio = nullptr;
    QRadioButton* lanRadio = nullptr;
    QRadioButton* winPrinterRadio = nullptr;

    QGroupBox* settingGroup = nullptr;
    QStackedWidget* pages = nullptr;
    std::array<QWidget*, kKindCount> pageOf{};  // by port kind

    QLabel* usbPortLabel = nullptr;
    QComboBox* usbCombo = nullptr;
    QPushButton* refreshButton = nullptr;
    QLabel* usbNote = nullptr;

    QLabel* comPortLabel = nullptr;
    QComboBox* comCombo = nullptr;
    QLabel* baudLabel = nullptr;
    QComboBox* baudCombo = nullptr;
    QLabel* formatLabel = nullptr;
    QComboBox* formatCombo = nullptr;
    QLabel* protocolLabel = nullptr;
    QComboBox* protocolCombo = nullptr;

    QLabel* lptPortLabel = nullptr;
    QComboBox* lptCombo = nullptr;

    QLabel* ipAddressLabel = nullptr;
    QLineEdit* ipAddressEdit = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* searchButton = nullptr;
    QLabel* printerListLabel = nullptr;
    QTreeWidget* printerList = nullptr;
    QPushButton* deleteButton = nullptr;
    QLabel* lanNote = nullptr;

    QLabel* winDriverLabel = nullptr;
    QComboBox* winPrinterCombo = nullptr;
    QLabel* winNote = nullptr;

    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};

PortSettingsDialog::PortSettingsDialog(Session& session, MainWindow& mainWindow, bool openedAtStart)
    : QDialog(&mainWindow),
      session_(session),
      mainWindow_(mainWindow),
      openedAtStart_(openedAtStart),
      c_(std::make_unique<Controls>()) {
    setObjectName("portSettingsDialog");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    const app::AppState& state = session_.state();
    const app::UtilityConfig& config = state.config;
    saved_ =
        SavedChoice{config.portKind,        state.model.printerRow, config.comIndex,
                    config.usbIndex,        config.lptIndex,        config.lanIndex,
                    config.winPrinterIndex, state.winPrinters,      config.serial,
                    config.lanPrinters,     state.usbDevices,       state.texts.languageIndex()};
    chosenSerial_ = config.serial;

    BuildControls();
    SetTexts();
    FillLists();
    RefreshLanList(std::min(config.lanIndex + 1, config.lanPrinters.size()));
    RefreshUsbChoice();
    RefreshWinPrinterChoice();
    OfferInterfacesOfModel();
    if (QAbstractButton* radio = c_->kinds->button(static_cast<int>(config.portKind))) {
        radio->setChecked(true);
    }
    c_->pages->setCurrentWidget(c_->pageOf[KindIndex(config.portKind)]);
    UpdateOkButton();
    ConnectControls();
    if (config.portKind == PortKind::PORT_LAN && config.lanPrinters.empty()) {
        c_->ipAddressEdit->setFocus(Qt::OtherFocusReason);
    }
}

PortSettingsDialog::~PortSettingsDialog() = default;

void PortSettingsDialog::BuildControls() {
    Controls& c = *c_;
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    c.topNote = NoteLabel(this, "topNote");
    layout->addWidget(c.topNote);

    auto* choices = new QGridLayout;
    c.languageCombo = Combo(this, "languageCombo");
    c.languageLabel = BuddyLabel(this, "languageLabel", c.languageCombo);
    c.modelCombo = Combo(this, "modelCombo");
    c.modelLabel = BuddyLabel(this, "modelLabel", c.modelCombo);
    choices->addWidget(c.languageLabel, 0, 0);
    choices->addWidget(c.languageCombo, 0, 1);
    choices->addWidget(c.modelLabel, 1, 0);
    choices->addWidget(c.modelCombo, 1, 1);
    choices->setColumnStretch(1, 1);
    layout->addLayout(choices);

    c.portGroup = new QGroupBox(this);
    c.portGroup->setObjectName("portGroup");
    auto* radios = new QGridLayout(c.portGroup);
    c.kinds = new QButtonGroup(this);
    const auto radio = [&](const char* name, PortKind kind, int row, int column, int span) {
        auto* button = new QRadioButton(c.portGroup);
        button->setObjectName(name);
        c.kinds->addButton(button, static_cast<int>(kind));
        radios->addWidget(button, row, column, 1, span);
        return button;
    };
    c.usbRadio = radio("usbRadio", PortKind::PORT_USB, 0, 0, 1);
    c.comRadio = radio("comRadio", PortKind::PORT_COM, 0, 1, 1);
    c.lptRadio = radio("lptRadio", PortKind::PORT_LPT, 0, 2, 1);
    c.lanRadio = radio("lanRadio", PortKind::PORT_LAN, 0, 3, 1);
    c.winPrinterRadio = radio("winPrinterRadio", PortKind::PORT_WINDRV, 1, 0, 4);
    layout->addWidget(c.portGroup);

    c.settingGroup = new QGroupBox(this);
    c.settingGroup->setObjectName("settingGroup");
    auto* settingLayout = new QVBoxLayout(c.settingGroup);
    c.pages = new QStackedWidget(c.settingGroup);
    c.pages->setObjectName("portPages");
    settingLayout->addWidget(c.pages);
    layout->addWidget(c.settingGroup);
    const auto page = [&](const char* name, PortKind kind) {
        auto* widget = new QWidget(c.pages);
        widget->setObjectName(name);
        c.pages->addWidget(widget);
        c.pageOf[KindIndex(kind)] = widget;
        auto* grid = new QGridLayout(widget);
        grid->setContentsMargins(0, 0, 0, 0);
        return std::pair{widget, grid};
    };

    {
        auto [usb, grid] = page("usbPage", PortKind::PORT_USB);
        c.usbCombo = Combo(usb, "usbCombo");
        c.usbPortLabel = BuddyLabel(usb, "usbPortLabel", c.usbCombo);
        c.refreshButton = NewButton(usb, "refreshButton");
        c.usbNote = NoteLabel(usb, "usbNote");
        grid->addWidget(c.usbPortLabel, 0, 0);
        grid->addWidget(c.usbCombo, 0, 1);
        grid->addWidget(c.refreshButton, 0, 2);
        grid->addWidget(c.usbNote, 1, 0, 1, 3);
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(2, 1);
    }
    {
        auto [com, grid] = page("comPage", PortKind::PORT_COM);
        c.comCombo = Combo(com, "comCombo");
        c.comPortLabel = BuddyLabel(com, "comPortLabel", c.comCombo);
        c.baudCombo = Combo(com, "baudCombo");
        c.baudLabel = BuddyLabel(com, "baudLabel", c.baudCombo);
        c.formatCombo = Combo(com, "formatCombo");
        c.formatLabel = BuddyLabel(com, "formatLabel", c.formatCombo);
        c.protocolCombo = Combo(com, "protocolCombo");
        c.protocolLabel = BuddyLabel(com, "protocolLabel", c.protocolCombo);
        int row = 0;
        for (auto [label, combo] :
             {std::pair{c.comPortLabel, c.comCombo}, std::pair{c.baudLabel, c.baudCombo},
              std::pair{c.formatLabel, c.formatCombo},
              std::pair{c.protocolLabel, c.protocolCombo}}) {
            grid->addWidget(label, row, 0);
            grid->addWidget(combo, row, 1);
            ++row;
        }
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(row, 1);
    }
    {
        auto [lpt, grid] = page("lptPage", PortKind::PORT_LPT);
        c.lptCombo = Combo(lpt, "lptCombo");
        c.lptPortLabel = BuddyLabel(lpt, "lptPortLabel", c.lptCombo);
        grid->addWidget(c.lptPortLabel, 0, 0);
        grid->addWidget(c.lptCombo, 0, 1);
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(1, 1);
    }
    {
        auto [lan, grid] = page("lanPage", PortKind::PORT_LAN);
        c.ipAddressEdit = new QLineEdit(lan);
        c.ipAddressEdit->setObjectName("ipAddressEdit");
        // Four numbers from 0 to 255; the field accepts the beginnings of one while it is typed.
        const QString number = QStringLiteral("(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])");
        c.ipAddressEdit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("%1(\\.%1){3}").arg(number)), c.ipAddressEdit));
        c.ipAddressLabel = BuddyLabel(lan, "ipAddressLabel", c.ipAddressEdit);
        c.addButton = NewButton(lan, "addButton");
        c.searchButton = NewButton(lan, "searchButton");
        c.printerList = new QTreeWidget(lan);
        c.printerList->setObjectName("printerList");
        c.printerList->setColumnCount(2);
        c.printerList->setRootIsDecorated(false);
        c.printerList->setSelectionMode(QAbstractItemView::ExtendedSelection);
        c.printerList->setAllColumnsShowFocus(true);
        c.printerList->header()->setSectionResizeMode(QHeaderView::Stretch);
        c.printerListLabel = BuddyLabel(lan, "printerListLabel", c.printerList);
        c.deleteButton = NewButton(lan, "deleteButton");
        c.lanNote = NoteLabel(lan, "lanNote");
        grid->addWidget(c.ipAddressLabel, 0, 0);
        grid->addWidget(c.ipAddressEdit, 0, 1);
        grid->addWidget(c.addButton, 0, 2);
        grid->addWidget(c.searchButton, 0, 3);
        grid->addWidget(c.printerListLabel, 1, 0, 1, 4);
        grid->addWidget(c.printerList, 2, 0, 1, 4);
        grid->addWidget(c.deleteButton, 3, 3);
        grid->addWidget(c.lanNote, 4, 0, 1, 4);
        grid->setColumnStretch(1, 1);
    }
    {
        auto [win, grid] = page("winPrinterPage", PortKind::PORT_WINDRV);
        c.winPrinterCombo = Combo(win, "winPrinterCombo");
        c.winDriverLabel = BuddyLabel(win, "winDriverLabel", c.winPrinterCombo);
        c.winNote = NoteLabel(win, "winNote");
        grid->addWidget(c.winDriverLabel, 0, 0);
        grid->addWidget(c.winPrinterCombo, 0, 1);
        grid->addWidget(c.winNote, 1, 0, 1, 2);
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(2, 1);
    }
    page("noPortPage", PortKind::PORT_NONE);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    c.okButton = NewButton(this, "okButton");
    c.okButton->setDefault(true);
    c.cancelButton = NewButton(this, "cancelButton");
    buttons->addWidget(c.okButton);
    buttons->addWidget(c.cancelButton);
    layout->addLayout(buttons);
}

void PortSettingsDialog::ConnectControls() {
    Controls& c = *c_;
    app::AppState& state = session_.state();
    app::UtilityConfig& config = state.config;
    using ComboSignal = void (QComboBox::*)(int);
    constexpr ComboSignal chosen = &QComboBox::activated;

    connect(c.languageCombo, chosen, this, [this](int index) { SwitchLanguage(Index(index)); });
    connect(c.modelCombo, chosen, this, [this](int index) { ChooseModel(Index(index)); });
    connect(c.kinds, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            ChoosePortKind(static_cast<PortKind>(id));
        }
    });
    connect(c.comCombo, chosen, this, [&config](int index) { config.comIndex = Index(index); });
    connect(c.lptCombo, chosen, this, [&config](int index) { config.lptIndex = Index(index); });
    connect(c.usbCombo, chosen, this, [this, &config](int index) {
        config.usbIndex = Index(index);
        UpdateOkButton();
    });
    connect(c.winPrinterCombo, chosen, this, [this, &config](int index) {
        if (Index(index) < winChoices_.size()) {
            config.winPrinterIndex = winChoices_[Index(index)];
        }
    });
    const auto serialChoice = [this](std::uint16_t app::SerialSettings::*field) {
        return [this, field](int index) {
            chosenSerial_.*field = static_cast<std::uint16_t>(Index(index));
            c_->okButton->setEnabled(true);
        };
    };
    connect(c.baudCombo, chosen, this, serialChoice(&app::SerialSettings::baudIndex));
    connect(c.formatCombo, chosen, this, serialChoice(&app::SerialSettings::formatIndex));
    connect(c.protocolCombo, chosen, this, serialChoice(&app::SerialSettings::protocolIndex));
    connect(c.printerList, &QTreeWidget::currentItemChanged, this,
            [this, &config](QTreeWidgetItem* item) {
                if (item == nullptr) {
                    return;
                }
                config.lanIndex = Index(c_->printerList->indexOfTopLevelItem(item));
                UpdateOkButton();
            });

    connect(c.refreshButton, &QPushButton::clicked, this, &PortSettingsDialog::Refresh);
    connect(c.addButton, &QPushButton::clicked, this, &PortSettingsDialog::Add);
    connect(c.searchButton, &QPushButton::clicked, this, &PortSettingsDialog::Search);
    connect(c.deleteButton, &QPushButton::clicked, this, &PortSettingsDialog::Delete);
    connect(c.okButton, &QPushButton::clicked, this, &PortSettingsDialog::Confirm);
    connect(c.cancelButton, &QPushButton::clicked, this, &PortSettingsDialog::reject);
}

void PortSettingsDialog::SetTexts() {
    Controls& c = *c_;
    setLayoutDirection(session_.rightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    setWindowTitle(session_.Label(kCaption));
    c.topNote->setText(session_.Label(kTopNote));
    c.languageLabel->setText(session_.Label(kLanguageLabel));
    c.modelLabel->setText(session_.Label(kModelLabel));
    c.portGroup->setTitle(session_.Label(kPortGroup));
    c.settingGroup->setTitle(session_.Label(kSettingGroup));
    for (QLabel* label : {c.usbPortLabel, c.comPortLabel, c.lptPortLabel}) {
        label->setText(session_.Label(kPortNameLabel));
    }
    c.winDriverLabel->setText(session_.Label(kDriverNameLabel));
    c.baudLabel->setText(session_.Label(kBaudLabel));
    c.formatLabel->setText(session_.Label(kFormatLabel));
    c.protocolLabel->setText(session_.Label(kProtocolLabel));
    c.ipAddressLabel->setText(session_.Label(kIpAddressLabel));
    c.printerListLabel->setText(session_.Label(kPrinterListLabel));
    c.usbNote->setText(session_.Label(kUsbNote));
    c.winNote->setText(session_.Label(kWinPrinterNote));
    c.lanNote->setText(session_.Label(kLanNote));

    const std::array<std::pair<QAbstractButton*, ButtonText>, 11> buttons = {{
        {c.usbRadio, kUsbRadio},
        {c.comRadio, kComRadio},
        {c.lptRadio, kLptRadio},
        {c.lanRadio, kLanRadio},
        {c.winPrinterRadio, kWinPrinterRadio},
        {c.refreshButton, kRefreshButton},
        {c.addButton, kAddButton},
        {c.searchButton, kSearchButton},
        {c.deleteButton, kDeleteButton},
        {c.okButton, kOkButton},
        {c.cancelButton, kCancelButton},
    }};
    for (const auto& [button, text] : buttons) {
        button->setText(session_.Button(kSection, text));
    }
    c.printerList->setHeaderLabels(
        {session_.ListText(kSection, 0), session_.ListText(kSection, 1)});
}

QString PortSettingsDialog::NoneWord() const {
    return session_.Text(lang::MSG_NONE);
}

void PortSettingsDialog::FillLists() {
    Controls& c = *c_;
    const app::AppState& state = session_.state();
    const app::UtilityConfig& config = state.config;

    for (const std::string& name : state.texts.languageNames()) {
        c.languageCombo->addItem(QString::fromStdString(name));
    }
    c.languageCombo->setCurrentIndex(static_cast<int>(state.texts.languageIndex()));
    for (const app::PrinterModelRow& row : app::PrinterNameTable()) {
        c.modelCombo->addItem(QString::fromStdString(row.displayName));
    }
    c.modelCombo->setCurrentIndex(static_cast<int>(state.model.printerRow));

    const auto fillPorts = [](QComboBox* combo, const app::PortNameList& list, std::size_t index) {
        const std::size_t count = std::min(list.count, list.entries.size());
        for (std::size_t i = 0; i < count; ++i) {
            combo->addItem(QString::fromStdString(list.entries[i].shortName));
        }
        combo->setCurrentIndex(index < count ? static_cast<int>(index) : -1);
    };
    fillPorts(c.comCombo, state.comPorts, config.comIndex);
    fillPorts(c.lptCombo, state.lptPorts, config.lptIndex);
    FillTableLabels(c.baudCombo, comm::BaudTable, config.serial.baudIndex);
    FillTableLabels(c.formatCombo, comm::FormatTable, config.serial.formatIndex);
    FillTableLabels(c.protocolCombo, comm::ProtocolTable, config.serial.protocolIndex);
}

void PortSettingsDialog::FillUsbList() {
    const app::AppState& state = session_.state();
    QComboBox* combo = c_->usbCombo;
    combo->clear();
    for (const app::UsbDeviceEntry& device : state.usbDevices) {
        combo->addItem(QString::fromStdString(device.displayName));
    }
    combo->setCurrentIndex(static_cast<int>(state.config.usbIndex));
}

void PortSettingsDialog::RefreshUsbChoice() {
    app::AppState& state = session_.state();
    std::size_t& usbIndex = state.config.usbIndex;
    const app::PrinterModelRow& row = app::PrinterNameTable()[state.model.printerRow];
    const int found =
        comm::GetUsbPort(state.usbDevices, usbIndex, row.usbIdPrefix, NoneWord().toStdString(),
                         state.log, state.enumerateUsbPrinters);
    if (found != comm::PRT_SUCCESS || state.usbDevices.size() == 1 ||
        usbIndex >= state.usbDevices.size()) {
        usbIndex = 0;
    }
    FillUsbList();
    UpdateOkButton();
}

void PortSettingsDialog::RefreshWinPrinterChoice() {
    app::AppState& state = session_.state();
    app::RefreshPrintQueues(state);
    winChoices_ = comm::ModelQueueChoices(state.winPrinters, state.model.printerRow);
    QComboBox* combo = c_->winPrinterCombo;
    QSignalBlocker quiet(combo);
    combo->clear();
    int chosen = 0;
    for (std::size_t i = 0; i < winChoices_.size(); ++i) {
        combo->addItem(QString::fromStdString(state.winPrinters[winChoices_[i]].printerName));
        if (winChoices_[i] == state.config.winPrinterIndex) {
            chosen = static_cast<int>(i);
        }
    }
    if (winChoices_.empty()) {
        combo->addItem(NoneWord());
    }
    combo->setEnabled(!winChoices_.empty());
    combo->setCurrentIndex(chosen);
    UpdateOkButton();
}

void PortSettingsDialog::RefreshLanList(std::size_t selected) {
    Controls& c = *c_;
    app::UtilityConfig& config = session_.state().config;
    QSignalBlocker quiet(c.printerList);
    c.printerList->clear();
    for (const app::LanPrinterEntry& printer : config.lanPrinters) {
        c.printerList->addTopLevelItem(
            new QTreeWidgetItem({QString::fromStdString(printer.ipAddress),
                                 QString::fromStdString(printer.macAddress)}));
    }
    const bool rows = !config.lanPrinters.empty();
    c.printerList->setEnabled(rows);
    c.deleteButton->setEnabled(rows);
    if (rows) {
        const std::size_t index =
            std::clamp<std::size_t>(selected, 1, config.lanPrinters.size()) - 1;
        QTreeWidgetItem* item = c.printerList->topLevelItem(static_cast<int>(index));
        c.printerList->setCurrentItem(item);
        c.printerList->scrollToItem(item);
        config.lanIndex = index;
    } else if (config.portKind == PortKind::PORT_LAN) {
        c.ipAddressEdit->setFocus(Qt::OtherFocusReason);
    }
    UpdateOkButton();
}

void PortSettingsDialog::UpdateOkButton() {
    const app::AppState& state = session_.state();
    bool ready = false;
    switch (state.config.portKind) {
        case PortKind::PORT_COM:
        case PortKind::PORT_LPT:
            ready = true;
            break;
        case PortKind::PORT_LAN:
            ready = !state.config.lanPrinters.empty();
            break;
        case PortKind::PORT_USB:
            ready = c_->usbCombo->currentIndex() >= 0 && c_->usbCombo->currentText() != NoneWord();
            break;
        case PortKind::PORT_WINDRV:
            ready = c_->winPrinterCombo->currentIndex() >= 0 &&
                    c_->winPrinterCombo->currentText() != NoneWord();
            break;
        case PortKind::PORT_NONE:
            break;
    }
    c_->okButton->setEnabled(ready);
}

void PortSettingsDialog::ChoosePortKind(PortKind kind) {
    app::UtilityConfig& config = session_.state().config;
    const bool wasWinPrinter = config.portKind == PortKind::PORT_WINDRV;
    config.portKind = kind;
    c_->pages->setCurrentWidget(c_->pageOf[KindIndex(kind)]);
    if (kind == PortKind::PORT_USB) {
        RefreshUsbChoice();
    } else if (kind == PortKind::PORT_WINDRV && !wasWinPrinter) {
        RefreshWinPrinterChoice();
    }
    UpdateOkButton();
}

void PortSettingsDialog::OfferInterfacesOfModel() {
    const app::AppState& state = session_.state();
    const app::PrinterModelRow& row = app::PrinterNameTable()[state.model.printerRow];
    c_->lptRadio->setEnabled(row.value1 != 0);
    // Without network keys in the configuration the network printers cannot be kept.
    c_->lanRadio->setEnabled(row.value2 != 0 && state.config.lanKeysInUse);
}

void PortSettingsDialog::ChooseModel(std::size_t row) {
    app::AppState& state = session_.state();
    if (row == state.model.printerRow || row >= app::PrinterNameTable().size()) {
        return;
    }
    state.model.printerRow = row;
    const PortKind kind = state.config.portKind;
    if (kind == PortKind::PORT_WINDRV) {
        RefreshWinPrinterChoice();
    } else if (kind == PortKind::PORT_USB) {
        RefreshUsbChoice();
    }
    OfferInterfacesOfModel();
    if ((kind == PortKind::PORT_LPT && !c_->lptRadio->isEnabled()) ||
        (kind == PortKind::PORT_LAN && !c_->lanRadio->isEnabled())) {
        c_->comRadio->setChecked(true);
    }
    UpdateOkButton();
}

void PortSettingsDialog::SwitchLanguage(std::size_t language) {
    app::AppState& state = session_.state();
    if (language == state.texts.languageIndex() || language >= state.texts.languageCount()) {
        return;
    }
    const std::string oldNone = NoneWord().toStdString();
    state.texts.setLanguageIndex(language);
    session_.ApplyToolkitLanguage();
    const std::string newNone = NoneWord().toStdString();
    // The "None" entry of the USB list is the language's word, and so is what it stores.
    for (app::UsbDeviceEntry& device : state.usbDevices) {
        for (std::string* field : {&device.displayName, &device.devicePath, &device.portName}) {
            if (*field == oldNone) {
                *field = newNone;
            }
        }
    }
    SetTexts();
    FillUsbList();
    const int winPrinter = c_->winPrinterCombo->currentIndex();
    if (winPrinter >= 0 &&
        c_->winPrinterCombo->itemText(winPrinter) == QString::fromStdString(oldNone)) {
        c_->winPrinterCombo->setItemText(winPrinter, NoneWord());
    }
    UpdateOkButton();
    mainWindow_.SetMainTexts();
    mainWindow_.ShowPortInMainWindow();
}

int PortSettingsDialog::RunWhileDisabled(const std::function<int()>& operation) {
    QPointer<QWidget> focus = focusWidget();
    setEnabled(false);
    const int result = operation();
    setEnabled(true);
    if (focus != nullptr && focus->isVisible() && focus->isEnabled()) {
        focus->setFocus(Qt::OtherFocusReason);
    }
    return result;
}

void PortSettingsDialog::Refresh() {
    c_->refreshButton->setEnabled(false);
    RefreshUsbChoice();
    c_->refreshButton->setEnabled(true);
    c_->refreshButton->setFocus(Qt::OtherFocusReason);
}

void PortSettingsDialog::Add() {
    app::AppState& state = session_.state();
    const std::string address = c_->ipAddressEdit->text().trimmed().toStdString();
    if (const int refused = app::CheckNewLanAddress(address, state.config.lanPrinters)) {
        session_.ShowMessage(lang::MB_WARNING_OK, refused);
        c_->ipAddressEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    int libraryMode = 0;
    const int result = RunWhileDisabled([&] {
        return session_.RunPrinterJob({}, [&](app::PrinterConnection& connection) {
            const int checked =
                comm::CheckPrinter(connection.port(), address, connection.modelTag());
            libraryMode = connection.context().lanLibrary;
            return checked;
        });
    });
    if (result != comm::PRT_SUCCESS) {
        session_.ShowMessage(lang::MB_WARNING_OK, result);
        UpdateOkButton();  // the printers listed before still serve
        return;
    }
    state.config.lanPrinters.push_back({libraryMode, address, {}, {}});
    RefreshLanList(state.config.lanPrinters.size());
}

void PortSettingsDialog::Search() {
    app::AppState& state = session_.state();
    std::string targetsError;
    comm::SearchOptions options = app::SearchOptionsFromEnvironment(targetsError);
    if (!targetsError.empty()) {
        state.log.WriteLog(targetsError);
    }
    CancelButton cancel{session_.Button(kSection, kCancelButton), {}};
    options.stop = cancel.stop.get_token();
    std::vector<app::LanPrinterEntry> found;
    const int result = RunWhileDisabled([&] {
        return session_.RunPrinterJob(
            session_.Text(lang::MSG_P_02),
            [&found, &options](app::PrinterConnection& connection) {
                return app::SearchNetworkPrinters(connection, options, found);
            },
            &cancel);
    });
    activateWindow();
    // A cancelled search keeps what it found and says nothing more.
    const bool cancelled = cancel.stop.stop_requested();
    if (result != comm::PRT_SUCCESS && !cancelled) {
        session_.ShowMessage(lang::MB_INFORMATION_OK, result);
    } else if (found.empty() && !cancelled) {
        session_.ShowMessage(lang::MB_INFORMATION_OK, comm::PRT_ERR_SEARCH);
    } else if (const int full = app::MergeFoundPrinters(state.config.lanPrinters, found)) {
        session_.ShowMessage(lang::MB_WARNING_OK, full);
    }
    RefreshLanList(state.config.lanPrinters.size());
    c_->printerList->setFocus(Qt::OtherFocusReason);
}

void PortSettingsDialog::Delete() {
    app::AppState& state = session_.state();
    std::vector<app::LanPrinterEntry>& printers = state.config.lanPrinters;
    std::vector<std::size_t> rows;
    for (QTreeWidgetItem* item : c_->printerList->selectedItems()) {
        rows.push_back(Index(c_->printerList->indexOfTopLevelItem(item)));
    }
    std::sort(rows.begin(), rows.end());
    const std::size_t before = printers.size();
    std::size_t removed = 0;
    std::size_t lowestRemoved = before;
    for (const std::size_t row : rows) {
        const std::size_t index = row - removed;
        const app::LanPrinterEntry& printer = printers[index];
        const std::string question = lang::FormatText(state.texts.Text(lang::MSG_P_04),
                                                      {printer.ipAddress, printer.macAddress});
        if (session_.ShowMessage(lang::MB_CONFIRM, 0, question) != ID_OK) {
            continue;
        }
        printers.erase(printers.begin() + static_cast<std::ptrdiff_t>(index));
        lowestRemoved = std::min(lowestRemoved, row);
        ++removed;
    }
    if (removed == 0) {
        return;
    }
    // The row after the lowest deleted one moved into its place.
    RefreshLanList(printers.empty() ? 0 : std::min(lowestRemoved + 1, printers.size()));
}

void PortSettingsDialog::Confirm() {
    app::AppState& state = session_.state();
    app::UtilityConfig& config = state.config;
    state.log.WriteLog("\n**********************\nOK Button Click Start\n**********************");
    if (config.portKind == PortKind::PORT_COM) {
        config.serial.baudIndex = chosenSerial_.baudIndex;
        config.serial.protocolIndex = chosenSerial_.protocolIndex;
        app::SelectSerialFormat(config.serial, chosenSerial_.formatIndex);
    }
    RefreshWinPrinterChoice();
    RefreshUsbChoice();

    const int result = RunWhileDisabled([&] {
        return session_.RunPrinterJob(session_.Text(lang::MSG_U_03),
                                      [](app::PrinterConnection& connection) {
                                          return app::VerifyPrinterConnection(connection);
                                      });
    });
    if (result != comm::PRT_SUCCESS) {
        switch (result) {
            case comm::PRT_ERR_OPEN:
            case comm::PRT_ERR_COVEROPEN:
            case comm::PRT_ERR_PAPEREMPTY:
            case comm::PRT_ERR_CUTTERJAM:
            case comm::PRT_ERR_OFFLINE2:
                session_.ShowMessage(lang::MB_WARNING_OK, result);
                break;
            case comm::PRT_ERR_OFFLINE:
            case comm::PRT_ERR_SETUP_FILE:
            case comm::PRT_ERR_JOB:
                session_.ShowMessage(lang::MB_WARNING_OK, result);
                if (config.portKind == PortKind::PORT_WINDRV) {
                    RefreshWinPrinterChoice();
                }
                break;
            default:
                session_.ShowMessage(lang::MB_WARNING_OK, comm::PRT_ERR_NODEVICE);
                break;
        }
        return;
    }

    if (state.model.printerRow != saved_.printerRow) {
        app::ChangePrinterModel(state, state.model.printerRow);
        portSettingsChanged_ = true;
    }
    const app::SerialSettings& serial = config.serial;
    const bool serialChanged = serial.baudIndex != saved_.serial.baudIndex ||
                               serial.formatIndex != saved_.serial.formatIndex ||
                               serial.protocolIndex != saved_.serial.protocolIndex;
    // A COM port, or a queue on a serial port, opens with the settings just confirmed next time.
    if (const auto serialPort = app::SerialDefaultsPort(state); serialChanged && serialPort) {
        const app::HomeLock lock = app::LockHomeFolder(state.info.programFolder, state.clock);
        app::ApplyComPortSettings(state.info.programFolder, PortKind::PORT_COM, *serialPort,
                                  serial);
    }
    state.showPortDialogAtStart = false;
    state.connectionVerified = true;
    // The confirmed choice serves this run even when the configuration cannot be written; the
    // user learns that it will not be there next time.
    if (const std::error_code error = app::SavePortSettings(state)) {
        session_.ShowMessage(lang::MB_STOP_OK,
                             settings::FileErrorCode(error, settings::SET_ERR_ACCESS));
    }
    mainWindow_.ShowPortInMainWindow();
    state.log.WriteLog("\n*******************\nOK Button Click End\n*******************");
    QDialog::accept();
}

void PortSettingsDialog::reject() {
    if (!session_.controlsEnabled()) {
        return;
    }
    if (openedAtStart_ &&
        session_.ShowMessage(lang::MB_WARNING_CONFIRM, session_.Text(lang::MSG_U_04)) != ID_OK) {
        return;
    }
    app::AppState& state = session_.state();
    app::UtilityConfig& config = state.config;
    config.portKind = saved_.portKind;
    state.model.printerRow = saved_.printerRow;
    config.comIndex = saved_.comIndex;
    config.usbIndex = saved_.usbIndex;
    config.lptIndex = saved_.lptIndex;
    config.lanIndex = saved_.lanIndex;
    config.winPrinterIndex = saved_.winPrinterIndex;
    state.winPrinters = saved_.winPrinters;
    config.serial = saved_.serial;
    config.lanPrinters = saved_.lanPrinters;
    state.usbDevices = saved_.usbDevices;
    SwitchLanguage(saved_.language);
    mainWindow_.ShowPortInMainWindow();
    QDialog::reject();
}

}  // namespace vrtruty::ui
