#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/printer_connection.h"
#include "comm/error_codes.h"
#include "core/catalogue.h"
#include "core/home_lock.h"
#include "lang/interface_texts.h"
#include "lang/message_style.h"
#include "lang/messages.h"
#include "lang/text_numbers.h"
#include "settings/setting_files.h"
#include "ui/extension_pane.h"
#include "ui/logo_pane.h"
#include "ui/pane_jobs.h"
#include "ui/port_settings_dialog.h"
#include "ui/printer_picture.h"
#include "ui/setup_pane.h"
#include "ui/test_pane.h"

namespace vrtruty::ui {
namespace {

constexpr std::size_t kMainSection = 0;
// Result codes of Help that have texts of their own.
constexpr int kManualNotFound = -2;
constexpr int kNoPdfViewer = -28;

bool IsAltKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods =
        event.modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier);
    const int key = event.key();
    const bool letterOrDigit =
        (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9);
    return letterOrDigit && (mods == Qt::AltModifier ||
                             (mods == (Qt::AltModifier | Qt::ControlModifier) && key == Qt::Key_S));
}

}  // namespace

MainWindow::MainWindow(Session& session) : session_(session) {
    setObjectName("mainWindow");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    session_.setControlsHost(this);

    auto* outer = new QVBoxLayout(this);
    // The window takes the size of its panes and is not resized by hand, as its panes are laid
    // out for one size.
    outer->setSizeConstraint(QLayout::SetFixedSize);
    auto* layout = new QHBoxLayout;
    outer->addLayout(layout);
    statusLine_ = new QLabel(this);
    statusLine_->setObjectName("statusLine");
    statusLine_->setTextFormat(Qt::PlainText);
    statusLine_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // One line, however long its text: the window keeps its size.
    statusLine_->setMinimumWidth(1);
    statusLine_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    outer->addWidget(statusLine_);
    BuildButtonPane();
    layout->addWidget(buttonPane_);

    panes_ = new QStackedWidget(this);
    panes_->setObjectName("panes");
    auto* setup = new SetupPane(session_, panes_);
    setup->setObjectName("printerSetupPane");
    logoPane_ = new LogoPane(session_, panes_);
    auto* logo = logoPane_;
    logo->setObjectName("logoSettingsPane");
    auto* extension = new ExtensionPane(session_, panes_);
    extension->setObjectName("extensionPane");
    auto* test = new TestPane(session_, panes_);
    test->setObjectName("testPane");
    paneWidgets_ = {setup, logo, extension, test};
    for (Pane* pane : paneWidgets_) {
        panes_->addWidget(pane);
        pane->setEnabled(false);
    }
    layout->addWidget(panes_, 1);
    panes_->setCurrentWidget(setup);
    setup->setEnabled(true);

    qApp->installEventFilter(this);
    SetMainTexts();
    ShowPortInMainWindow();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    session_.setControlsHost(nullptr);
}

void MainWindow::CentreOnScreen() {
    if (const QScreen* shownOn = screen()) {
        adjustSize();
        move(shownOn->availableGeometry().center() - rect().center());
    }
}

bool MainWindow::RestorePlacement(const QString& file) {
    placementFile_ = file;
    const QSettings stored(file, QSettings::IniFormat);
    const QVariant position = stored.value(QStringLiteral("window/position"));
    const int paneNumber = stored.value(QStringLiteral("window/pane"), 0).toInt();
    if (paneNumber >= static_cast<int>(PaneNumber::PrinterSetup) &&
        paneNumber <= static_cast<int>(PaneNumber::PrinterTest)) {
        const auto number = static_cast<PaneNumber>(paneNumber);
        // The test pane only while the configuration offers it.
        if (number != PaneNumber::PrinterTest || buttons_[kPrinterTest]->isEnabled()) {
            ShowPane(number);
        }
    }
    if (!position.isValid()) {
        return false;
    }
    adjustSize();
    const QRect wanted(position.toPoint(), frameGeometry().size());
    // Enough of the window to grab it by its title: its top strip on one of the screens now.
    const QRect titleStrip(wanted.topLeft(), QSize(wanted.width(), 32));
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = screen->availableGeometry().intersected(titleStrip);
        if (visible.width() >= std::min(wanted.width(), 100) && visible.height() >= 16) {
            move(wanted.topLeft());
            return true;
        }
    }
    // Off every screen (a screen was unplugged): onto the nearest screen, whole.
    const QScreen* nearest = QGuiApplication::screenAt(wanted.center());
    if (nearest == nullptr) {
        nearest = QGuiApplication::primaryScreen();
    }
    if (nearest != nullptr) {
        const QRect area = nearest->availableGeometry();
        const int x = std::clamp(wanted.left(), area.left(),
                                 std::max(area.left(), area.right() - wanted.width() + 1));
        const int y = std::clamp(wanted.top(), area.top(),
                                 std::max(area.top(), area.bottom() - wanted.height() + 1));
        move(x, y);
    }
    return true;
}

void MainWindow::SavePlacement() const {
    if (placementFile_.isEmpty()) {
        return;
    }
    QSettings stored(placementFile_, QSettings::IniFormat);
    stored.setValue(QStringLiteral("window/position"), pos());
    const PaneNumber shown =
        current_ == PaneNumber::PortSettings ? PaneNumber::PrinterSetup : current_;
    stored.setValue(QStringLiteral("window/pane"), static_cast<int>(shown));
    stored.sync();
}

void MainWindow::BuildButtonPane() {
    buttonPane_ = new QWidget(this);
    buttonPane_->setObjectName("buttonPane");
    auto* column = new QVBoxLayout(buttonPane_);
    column->setContentsMargins(0, 0, 0, 0);

    auto* fields = new QGridLayout;
    printerLabel_ = new QLabel(buttonPane_);
    portLabel_ = new QLabel(buttonPane_);
    printerName_ = new QLabel(buttonPane_);
    printerName_->setObjectName("printerName");
    portName_ = new QLabel(buttonPane_);
    portName_->setObjectName("portName");
    for (QLabel* value : {printerName_, portName_}) {
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    fields->addWidget(printerLabel_, 0, 0);
    fields->addWidget(printerName_, 0, 1);
    fields->addWidget(portLabel_, 1, 0);
    fields->addWidget(portName_, 1, 1);
    fields->setColumnStretch(1, 1);
    column->addLayout(fields);

    static constexpr std::array<const char*, kButtonCount> names = {
        "portSettingsButton", "printerSetupButton", "logoSettingsButton", "extension1Button",
        "printerTestButton",  "versionButton",      "helpButton",         "exitButton"};
    for (int id = 0; id < kButtonCount; ++id) {
        auto* button = new QPushButton(buttonPane_);
        button->setObjectName(names[id]);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, id] { OnButton(ButtonId(id)); });
        buttons_[id] = button;
        if (id == kVersion) {
            column->addSpacing(12);
        }
        column->addWidget(button);
    }
    // The test button is offered only when the configuration switches the tests on.
    const bool testsOffered = session_.state().config.switches.printerTest;
    buttons_[kPrinterTest]->setVisible(testsOffered);
    buttons_[kPrinterTest]->setEnabled(testsOffered);

    column->addStretch(1);
    picture_ = new ModelPicture(buttonPane_);
    column->addWidget(picture_, 0, Qt::AlignHCenter);
}

void MainWindow::SetMainTexts() {
    setWindowTitle(session_.Text(lang::TXT_TITLE));
    // Windows take the application's direction when they are made: the wait box, the file
    // dialogs and the gradation choice mirror with the main window.
    const Qt::LayoutDirection direction =
        session_.rightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    QGuiApplication::setLayoutDirection(direction);
    setLayoutDirection(direction);
    printerLabel_->setText(session_.Label(1));
    portLabel_->setText(session_.Label(2));
    // Button texts in MainDlg order: 205, 203, 204, 206, 207, 208, 211, 210, 212. Without the
    // network setup button the Lan Setup text is not shown: the buttons move up one place.
    static constexpr std::array<int, kButtonCount> textIndex = {0, 1, 3, 4, 5, 6, 7, 8};
    for (int id = 0; id < kButtonCount; ++id) {
        buttons_[id]->setText(session_.Button(kMainSection, textIndex[id]));
    }
    for (Pane* pane : paneWidgets_) {
        pane->SetTexts();
    }
}

void MainWindow::ShowPortInMainWindow() {
    app::AppState& state = session_.state();
    const app::PrinterModelRow& row = app::PrinterNameTable()[state.model.printerRow];
    printerName_->setText(QString(" %1 ").arg(QString::fromStdString(row.displayName)));
    QString port;
    {
        app::PrinterConnection connection(state, session_.lanPrintingPort());
        port = QString::fromStdString(connection.port().GetPortName(0));
    }
    if (state.config.portKind == app::PortKind::PORT_USB && port.startsWith("USB(")) {
        // "USB(Serial No:A1)" shows as "USB(A1)".
        port = QStringLiteral(" USB(%1 ").arg(port.mid(14));
    } else {
        port = QStringLiteral(" %1 ").arg(port);
    }
    portName_->setText(port);
    picture_->setModel(state.model.printerRow);
    ShowPrinterLamp();
    for (Pane* pane : paneWidgets_) {
        pane->UpdateEnabling();
    }
}

void MainWindow::ShowPrinterLamp() {
    const app::AppState& state = session_.state();
    using lang::InterfaceText;
    const auto [lamp, text] =
        state.config.portKind == app::PortKind::PORT_NONE
            ? std::pair{PrinterLamp::NotConnected, InterfaceText::PrinterNotConnected}
        : state.connectionVerified
            ? std::pair{PrinterLamp::Connected, InterfaceText::PrinterConnected}
            : std::pair{PrinterLamp::Error, InterfaceText::PrinterError};
    picture_->setLamp(lamp, QString::fromUtf8(lang::InterfaceTextOf(state.texts, text)));
}

PrinterLamp MainWindow::printerLamp() const {
    return picture_->lamp();
}

QString MainWindow::printerLampText() const {
    return picture_->toolTip();
}

Pane* MainWindow::pane(PaneNumber number) const {
    switch (number) {
        case PaneNumber::PrinterSetup:
            return paneWidgets_[0];
        case PaneNumber::LogoSettings:
            return paneWidgets_[1];
        case PaneNumber::Extension1:
            return paneWidgets_[2];
        case PaneNumber::PrinterTest:
            return paneWidgets_[3];
        default:
            return nullptr;
    }
}

void MainWindow::ShowPane(PaneNumber number) {
    Pane* target = pane(number);
    if (target == nullptr || number == current_) {
        return;
    }
    const auto slot = [](PaneNumber n) { return static_cast<std::size_t>(n) - 2; };
    if (Pane* shown = pane(current_)) {
        if (QWidget* focus = QApplication::focusWidget(); focus && shown->isAncestorOf(focus)) {
            savedFocus_[slot(current_)] = focus;
        }
        shown->setEnabled(false);
    }
    target->setEnabled(true);
    panes_->setCurrentWidget(target);
    current_ = number;
    // Shown first: a pane that reads the printer now disables and enables itself, not the other.
    target->BeforeShow();
    if (number == PaneNumber::LogoSettings) {
        logoListLoaded_ = true;
    }
    RestoreFocus(savedFocus_[slot(number)]);
}

void MainWindow::RestoreFocus(QWidget* focus) {
    if (focus != nullptr && focus->isVisible() && focus->isEnabled()) {
        focus->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::OnButton(ButtonId id) {
    switch (id) {
        case kPortSettings:
            OpenPortSettings(false);
            break;
        case kPrinterSetup:
            ShowPane(PaneNumber::PrinterSetup);
            break;
        case kLogoSettings:
            ShowPane(PaneNumber::LogoSettings);
            break;
        case kExtension1:
            ShowPane(PaneNumber::Extension1);
            break;
        case kPrinterTest:
            if (buttons_[kPrinterTest]->isEnabled()) {
                ShowPane(PaneNumber::PrinterTest);
            }
            break;
        case kVersion:
            ShowVersion();
            break;
        case kHelp:
            ShowManual();
            break;
        case kExit:
            close();
            break;
        case kButtonCount:
            break;
    }
}

bool MainWindow::OpenPortSettings(bool openedAtStart) {
    QPointer<QWidget> focus = QApplication::focusWidget();
    const PaneNumber previous = current_;
    current_ = PaneNumber::PortSettings;
    PortSettingsDialog dialog(session_, *this, openedAtStart);
    dialog.exec();
    current_ = previous;
    const bool changed = dialog.portSettingsChanged();
    if (changed) {
        RefreshAllPanes();
        if (Pane* shown = pane(previous)) {
            shown->AfterPortSettings();
        }
    }
    ShowPortInMainWindow();
    update();
    RestoreFocus(focus != nullptr ? focus.data() : buttons_[kPortSettings]);
    return changed;
}

void MainWindow::RefreshAllPanes() {
    for (Pane* pane : paneWidgets_) {
        pane->SetTexts();
        pane->UpdateEnabling();
    }
}

void MainWindow::CheckConnectionAtStart() {
    app::AppState& state = session_.state();
    if (state.config.portKind != app::PortKind::PORT_NONE) {
        const int result = session_.RunPrinterJob(
            session_.Text(lang::MSG_U_03), [](app::PrinterConnection& connection) {
                return app::VerifyPrinterConnection(connection);
            });
        if (result == comm::PRT_SUCCESS) {
            state.connectionVerified = true;
            state.showPortDialogAtStart = false;
        }
    }
    ShowPortInMainWindow();
    if (state.showPortDialogAtStart) {
        OpenPortSettings(true);
        state.showPortDialogAtStart = false;
    }
    buttons_[kPrinterSetup]->setFocus(Qt::OtherFocusReason);
}

void MainWindow::ShowVersion() {
    const FocusReturn focus;
    const app::AppState& state = session_.state();
    const std::string text = lang::ComposeVersionText(
        state.texts, app::VersionTextNumber(state.model), state.info.legalNotice);
    session_.ShowMessage(lang::MB_USER_ICON, 0, text);
}

void MainWindow::ShowManual() {
    const FocusReturn focus;
    const app::AppState& state = session_.state();
    const auto& manual = state.texts.manualPath(state.texts.languageIndex());
    switch (session_.prompts().OpenDocument(manual)) {
        case platform::OpenDocumentResult::Opened:
            break;
        case platform::OpenDocumentResult::NotFound:
            session_.ShowMessage(lang::MB_WARNING_OK, kManualNotFound);
            break;
        case platform::OpenDocumentResult::NoViewer:
            session_.ShowMessage(lang::MB_WARNING_OK, kNoPdfViewer);
            break;
    }
    activateWindow();
    raise();
}

void MainWindow::SetControlsEnabled(bool enabled) {
    buttonPane_->setEnabled(enabled);
    if (Pane* shown = pane(current_)) {
        shown->setEnabled(enabled);
    }
    if (enabled) {
        // A test button hidden by the configuration stays disabled.
        buttons_[kPrinterTest]->setEnabled(buttons_[kPrinterTest]->isVisibleTo(buttonPane_));
    }
}

void MainWindow::ShowStatus(const QString& text) {
    statusLine_->setText(text);
    statusLine_->setToolTip(text);
}

QString MainWindow::statusText() const {
    return statusLine_->text();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!session_.controlsEnabled()) {
        event->ignore();
        session_.SayJobStillRunning();
        return;
    }
    const FocusReturn focus;
    const int answer = session_.ShowMessage(lang::MB_YES_NO_CANCEL, session_.Text(lang::MSG_E_01));
    if (answer != ID_YES && answer != ID_NO) {
        event->ignore();
        return;
    }
    if (answer == ID_YES) {
        for (Pane* pane : paneWidgets_) {
            pane->StoreEdits();
        }
        app::AppState& state = session_.state();
        // A command line may be changing the same files: they are written only between two of its
        // updates.
        const app::HomeLock lock = app::LockHomeFolder(state.info.programFolder, state.clock);
        const int result = lock.lock ? settings::SaveTemporarySettings(state.settings, state.model,
                                                                       state.temporarySettingsPath)
                                     : 0;
        if (!lock.lock) {
            session_.ShowMessage(lang::MB_STOP_OK, 0, lock.error);
        } else if (result != 0) {
            if (const auto message = settings::SettingFileMessage(result)) {
                session_.ShowMessage(lang::MB_STOP_OK, 0, state.texts.Text(*message));
            }
        }
        if (lock.lock) {
            logoPane_->SaveProgramList();
        }
    }
    SavePlacement();
    event->accept();
}

QAbstractButton* MainWindow::AcceleratorTarget(int key, Qt::KeyboardModifiers modifiers) const {
    const bool ctrl = (modifiers & Qt::ControlModifier) != 0;
    if (!ctrl) {
        switch (key) {
            case Qt::Key_P:
                return buttons_[kPortSettings];
            case Qt::Key_S:
                return buttons_[kPrinterSetup];
            case Qt::Key_L:
                return buttons_[kLogoSettings];
            case Qt::Key_B:
                return buttons_[kExtension1];
            case Qt::Key_T:
                return buttons_[kPrinterTest];
            case Qt::Key_V:
                return buttons_[kVersion];
            case Qt::Key_H:
                return buttons_[kHelp];
            case Qt::Key_X:
                return buttons_[kExit];
            case Qt::Key_Z:
                return nullptr;  // the network setup button is not offered
            default:
                break;
        }
    }
    // The showing pane's own buttons, by their mnemonic.
    const Pane* shown = pane(current_);
    if (shown == nullptr) {
        return nullptr;
    }
    const QKeySequence wanted(ctrl ? (Qt::CTRL | Qt::ALT | Qt::Key(key))
                                   : (Qt::ALT | Qt::Key(key)));
    for (QAbstractButton* button : shown->findChildren<QAbstractButton*>()) {
        if (button->isVisibleTo(shown) && QKeySequence::mnemonic(button->text()) == wanted) {
            return button;
        }
    }
    return nullptr;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (!IsAltKey(*key)) {
        return false;
    }
    // The accelerators of the window are ours alone: Qt's own mnemonics would be ambiguous where
    // a pane's button shares a letter with the button pane.
    key->accept();
    if (type == QEvent::KeyPress && QApplication::activeModalWidget() == nullptr) {
        QAbstractButton* target = AcceleratorTarget(key->key(), key->modifiers());
        if (target != nullptr && target->isVisible() && target->isEnabled()) {
            target->setFocus(Qt::ShortcutFocusReason);
            target->click();
        }
    }
    return true;
}

}  // namespace vrtruty::ui
