#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>

#include "gui_harness.h"
#include "lang/message_style.h"
#include "ui/instance_beacon.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/pane.h"
#include "ui/port_settings_dialog.h"

namespace {

using namespace vrtruty;
using test::GuiWorld;
using ui::PaneNumber;

QPushButton* Button(ui::MainWindow& window, const char* name) {
    auto* button = window.findChild<QPushButton*>(name);
    if (button == nullptr) {
        qFatal("no button %s", name);
    }
    return button;
}

// Exactly one pane shows, and only that one takes input.
void VerifyOnlyPaneShown(ui::MainWindow& window, PaneNumber shown) {
    for (PaneNumber number : {PaneNumber::PrinterSetup, PaneNumber::LogoSettings,
                              PaneNumber::Extension1, PaneNumber::PrinterTest}) {
        ui::Pane* pane = window.pane(number);
        QCOMPARE(pane->isVisible(), number == shown);
        QCOMPARE(pane->isEnabled(), number == shown);
    }
    QCOMPARE(window.currentPane(), shown);
}

// A started utility with its window shown and active.
struct OpenWindow {
    enum class Port { Configured, LoopbackPrinter };
    explicit OpenWindow(Port port = Port::Configured,
                        const std::function<void(app::AppState&)>& configure = {}) {
        world.Start();
        if (port == Port::LoopbackPrinter) {
            world.UseLanPrinter();
        }
        if (configure) {
            configure(world.state());
        }
        window = std::make_unique<ui::MainWindow>(world.session());
        window->ShowPortInMainWindow();
        window->show();
        QApplication::setActiveWindow(window.get());
    }
    GuiWorld world;
    std::unique_ptr<ui::MainWindow> window;
};

class MainWindowTest final : public QObject {
    Q_OBJECT

  private slots:
    void showsTitleModelAndPort() {
        OpenWindow open(OpenWindow::Port::LoopbackPrinter);
        ui::MainWindow& window = *open.window;
        QCOMPARE(window.windowTitle(), QString("TR Thermal Printer Utility"));
        QCOMPARE(window.findChild<QLabel*>("printerName")->text(), QString(" TR-770II "));
        QCOMPARE(window.findChild<QLabel*>("portName")->text(), QString(" 127.0.0.1 "));
        QCOMPARE(Button(window, "printerSetupButton")->text(), QString("Printer Setup(&S)"));
        // Without the network setup button, its place shows Logo Settings.
        QCOMPARE(Button(window, "logoSettingsButton")->text(), QString("Logo Settings(&L)"));
        QVERIFY(!Button(window, "printerTestButton")->isVisible());
        VerifyOnlyPaneShown(window, PaneNumber::PrinterSetup);
    }

    void firstStartOpensPortSettingsThenEnablesTheFunctions() {
        QTemporaryDir folder;
        test::VirtualPrinter printer(folder.path());
        GuiWorld world;
        world.Start(printer.port());
        ui::MainWindow window(world.session());
        window.show();
        bool dialogOpened = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = dynamic_cast<ui::PortSettingsDialog*>(QApplication::activeModalWidget());
            dialogOpened = dialog != nullptr;
            if (dialog == nullptr) {
                return;
            }
            dialog->findChild<QRadioButton*>("lanRadio")->click();
            QTest::keyClicks(dialog->findChild<QLineEdit*>("ipAddressEdit"), "127.0.0.1");
            dialog->findChild<QPushButton*>("addButton")->click();
            dialog->findChild<QPushButton*>("okButton")->click();
        });
        // A fresh configuration names no port: no check, the dialog opens at once.
        window.CheckConnectionAtStart();
        QVERIFY(dialogOpened);
        QCOMPARE(world.prompts.Texts(), QStringList{});
        QVERIFY(world.state().connectionVerified);
        QCOMPARE(window.findChild<QLabel*>("printerName")->text(), QString(" TR-770II "));
        QCOMPARE(window.findChild<QLabel*>("portName")->text(), QString(" 127.0.0.1 "));
        QCOMPARE(window.focusWidget(), Button(window, "printerSetupButton"));
        Button(window, "extension1Button")->click();
        QVERIFY(window.pane(PaneNumber::Extension1)
                    ->findChild<QPushButton*>("testPrintButton")
                    ->isEnabled());
    }

    void accelerateButtonPaneAndSkipHiddenButtons() {
        OpenWindow open;
        ui::MainWindow& window = *open.window;
        QTest::keyClick(&window, Qt::Key_B, Qt::AltModifier);
        VerifyOnlyPaneShown(window, PaneNumber::Extension1);
        QCOMPARE(QApplication::focusWidget(), Button(window, "extension1Button"));
        QTest::keyClick(&window, Qt::Key_L, Qt::AltModifier);
        VerifyOnlyPaneShown(window, PaneNumber::LogoSettings);
        // The test button is hidden (PRINTERTEST is off): Alt+T does nothing.
        QTest::keyClick(&window, Qt::Key_T, Qt::AltModifier);
        VerifyOnlyPaneShown(window, PaneNumber::LogoSettings);
        // The network setup button is not offered: Alt+Z does nothing either.
        QTest::keyClick(&window, Qt::Key_Z, Qt::AltModifier);
        VerifyOnlyPaneShown(window, PaneNumber::LogoSettings);
        QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
        VerifyOnlyPaneShown(window, PaneNumber::PrinterSetup);
    }

    void testPaneOfferedWhenSwitchedOn() {
        OpenWindow open(OpenWindow::Port::Configured,
                        [](app::AppState& state) { state.config.switches.printerTest = true; });
        ui::MainWindow& window = *open.window;
        QTest::keyClick(&window, Qt::Key_T, Qt::AltModifier);
        VerifyOnlyPaneShown(window, PaneNumber::PrinterTest);
    }

    void paneRemembersItsFocus() {
        OpenWindow open(OpenWindow::Port::LoopbackPrinter);
        ui::MainWindow& window = *open.window;
        Button(window, "extension1Button")->click();
        auto* inPane = window.pane(PaneNumber::Extension1)->findChild<QWidget*>("fontCombo");
        if (inPane == nullptr) {
            QSKIP("the Extension 1 pane has no controls yet");
        }
        inPane->setFocus();
        Button(window, "printerSetupButton")->click();
        Button(window, "extension1Button")->click();
        QCOMPARE(QApplication::focusWidget(), inPane);
    }

    void tabCrossesBetweenButtonColumnAndPane() {
        OpenWindow open(OpenWindow::Port::LoopbackPrinter);
        ui::MainWindow& window = *open.window;
        Button(window, "extension1Button")->click();
        QPushButton* exit = Button(window, "exitButton");
        exit->setFocus();
        QTest::keyClick(exit, Qt::Key_Tab);
        QWidget* inPane = QApplication::focusWidget();
        QVERIFY(inPane != nullptr);
        QVERIFY2(window.pane(PaneNumber::Extension1)->isAncestorOf(inPane),
                 qPrintable(inPane->objectName()));
        QTest::keyClick(inPane, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), exit);
        // From the pane's last control Tab goes round to the first button of the column.
        Button(window, "portSettingsButton")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QVERIFY(window.pane(PaneNumber::Extension1)->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Button(window, "portSettingsButton"));
    }

    void altPWithDialogOpenDoesNothing() {
        OpenWindow open;
        ui::MainWindow& window = *open.window;
        int dialogsSeen = 0;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            QCOMPARE(window.currentPane(), PaneNumber::PortSettings);
            // A second Alt+P, at the window, while the dialog is open.
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
            QTest::keyClick(&window, Qt::Key_P, Qt::AltModifier);
            dialogsSeen = static_cast<int>(window.findChildren<ui::PortSettingsDialog*>().size());
        });
        QTest::keyClick(&window, Qt::Key_P, Qt::AltModifier);
        QCOMPARE(dialogsSeen, 1);
        QCOMPARE(window.currentPane(), PaneNumber::PrinterSetup);
    }

    void waitBoxShowsWhileTheWindowRefusesToClose() {
        OpenWindow open;
        ui::MainWindow& window = *open.window;
        std::promise<void> release;
        std::future<void> released = release.get_future();
        bool closed = true;
        QString waitText;
        QTimer::singleShot(0, [&] {
            // The job is running on its worker: this runs in the window's own event loop.
            if (QWidget* box = QApplication::activeModalWidget()) {
                waitText = box->findChild<QLabel*>("waitText")->text();
            }
            closed = window.close();
            QVERIFY(!Button(window, "exitButton")->isEnabled());
            release.set_value();
        });
        const int result = open.world.session().RunBusy("Writing...", [&released] {
            released.wait();
            return -7;
        });
        QCOMPARE(result, -7);
        QCOMPARE(waitText, QString("Writing..."));
        QVERIFY2(!closed, "the window closed while an operation ran");
        QVERIFY(open.world.prompts.asked.empty());
        QVERIFY(Button(window, "exitButton")->isEnabled());
        QVERIFY(window.isVisible());
    }

    void exitQuestionCancelKeepsWindowAndFocus() {
        OpenWindow open;
        ui::MainWindow& window = *open.window;
        GuiWorld& world = open.world;
        QPushButton* version = Button(window, "versionButton");
        version->setFocus();
        world.prompts.answers = {ui::ID_CANCEL};
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QCOMPARE(QApplication::focusWidget(), version);
        QCOMPARE(world.prompts.asked.size(), std::size_t{1});
        QCOMPARE(world.prompts.asked[0].style, std::uint32_t{lang::MB_YES_NO_CANCEL});
        QCOMPARE(
            world.prompts.asked[0].text,
            QString("The TR Thermal Printer Utility will now exit.\n\nSave current settings?"));
    }

    void exitYesSavesAndNoDoesNot() {
        GuiWorld world;
        world.Start();
        const std::filesystem::path saved = world.home() / "Vrtrutys.dat";
        std::filesystem::remove(saved);
        {
            ui::MainWindow window(world.session());
            window.show();
            world.prompts.answers = {ui::ID_NO};
            QVERIFY(window.close());
            QVERIFY(!std::filesystem::exists(saved));
        }
        ui::MainWindow window(world.session());
        window.show();
        world.prompts.answers = {ui::ID_YES};
        QVERIFY(window.close());
        QCOMPARE(std::filesystem::file_size(saved), std::uintmax_t{59});
    }

    void messageStylesGiveTheirButtonsAndIcons() {
        using Box = QMessageBox;
        const struct {
            std::uint32_t style;
            Box::StandardButtons buttons;
            Box::Icon icon;
        } cases[] = {
            {lang::MB_WARNING_OK, Box::Ok, Box::Warning},
            {lang::MB_STOP_OK, Box::Ok, Box::Critical},
            {lang::MB_INFORMATION_OK, Box::Ok, Box::Information},
            {lang::MB_CONFIRM, Box::Ok | Box::Cancel, Box::Information},
            {lang::MB_WARNING_CONFIRM, Box::Ok | Box::Cancel, Box::Warning},
            {lang::MB_YES_NO, Box::Yes | Box::No, Box::Question},
            {lang::MB_YES_NO_CANCEL, Box::Yes | Box::No | Box::Cancel, Box::Question},
        };
        for (const auto& expected : cases) {
            Box box;
            ui::ConfigureMessageBox(box, {expected.style, "Caption", "Text", false});
            QVERIFY2(box.standardButtons() == expected.buttons,
                     qPrintable(QString::number(expected.style, 16)));
            QCOMPARE(box.icon(), expected.icon);
            QCOMPARE(box.layoutDirection(), Qt::LeftToRight);
        }
        Box rightToLeft;
        ui::ConfigureMessageBox(rightToLeft, {lang::MB_USER_ICON, "Caption", "Text", true});
        QCOMPARE(rightToLeft.layoutDirection(), Qt::RightToLeft);
        QCOMPARE(rightToLeft.standardButtons(), Box::StandardButtons(Box::Ok));
    }

    void laterCopyBringsTheRunningOneToTheFront() {
        QTemporaryDir lockFolder;
        const QString name = ui::BeaconName(lockFolder.path().toStdString());
        QVERIFY(!ui::AskRunningCopyToFront(name));  // nobody runs yet
        int knocks = 0;
        ui::InstanceBeacon beacon(name, [&knocks] { ++knocks; });
        QVERIFY(beacon.listening());
        QVERIFY(ui::AskRunningCopyToFront(name));
        QTRY_COMPARE(knocks, 1);
    }

    void versionBoxAndManualMessages() {
        OpenWindow open;
        ui::MainWindow& window = *open.window;
        GuiWorld& world = open.world;
        Button(window, "versionButton")->click();
        QCOMPARE(world.prompts.asked.back().style, std::uint32_t{lang::MB_USER_ICON});
        QVERIFY2(world.prompts.asked.back().text.startsWith(" TR Thermal Printer Utility\n"),
                 qPrintable(world.prompts.asked.back().text));
        QVERIFY(world.prompts.asked.back().text.contains("Version 2.13.01"));

        world.prompts.documentResult = platform::OpenDocumentResult::NotFound;
        Button(window, "helpButton")->click();
        QCOMPARE(world.prompts.asked.back().text,
                 QString("Cannot open the manual because the file could not be found."));
        world.prompts.documentResult = platform::OpenDocumentResult::NoViewer;
        Button(window, "helpButton")->click();
        QCOMPARE(
            world.prompts.asked.back().text,
            QString("Adobe Reader is not installed.\n\nInstall Adobe Reader to view manuals."));
        QCOMPARE(world.prompts.opened.size(), std::size_t{2});
        QCOMPARE(QString::fromStdString(world.prompts.opened[0].filename().string()),
                 QString("Utility_Guide_E.pdf"));
    }
};

}  // namespace

std::unique_ptr<QObject> MakeMainWindowTest() {
    return std::make_unique<MainWindowTest>();
}

#include "main_window_test.moc"
