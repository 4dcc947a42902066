#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QObject>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
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
using test::Child;
using test::GuiWorld;
using ui::PaneNumber;

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
        QCOMPARE(Child(window, "printerSetupButton")->text(), QString("Printer Setup(&S)"));
        // Without the network setup button, its place shows Logo Settings.
        QCOMPARE(Child(window, "logoSettingsButton")->text(), QString("Logo Settings(&L)"));
        QVERIFY(!Child(window, "printerTestButton")->isVisible());
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
        QCOMPARE(window.focusWidget(), Child(window, "printerSetupButton"));
        Child(window, "extension1Button")->click();
        QVERIFY(window.pane(PaneNumber::Extension1)
                    ->findChild<QPushButton*>("testPrintButton")
                    ->isEnabled());
    }

    void accelerateButtonPaneAndSkipHiddenButtons() {
        OpenWindow open;
        ui::MainWindow& window = *open.window;
        QTest::keyClick(&window, Qt::Key_B, Qt::AltModifier);
        VerifyOnlyPaneShown(window, PaneNumber::Extension1);
        QCOMPARE(QApplication::focusWidget(), Child(window, "extension1Button"));
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

    // A pane's underlined letter that the button column also uses would open another pane.
    void everyUnderlinedLetterOfEveryPaneReachesItsButton() {
        // Verified without a port: the test buttons are enabled, and a job fails at once.
        OpenWindow open(OpenWindow::Port::Configured, [](app::AppState& state) {
            state.config.switches.printerTest = true;
            state.connectionVerified = true;
        });
        ui::MainWindow& window = *open.window;
        QHash<QKeySequence, QString> column;
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
            bool inPane = false;
            for (QWidget* up = button->parentWidget(); up != nullptr; up = up->parentWidget()) {
                inPane = inPane || dynamic_cast<ui::Pane*>(up) != nullptr;
            }
            if (button->isVisible() && !inPane && button->window() == &window &&
                !QKeySequence::mnemonic(button->text()).isEmpty()) {
                column.insert(QKeySequence::mnemonic(button->text()), button->text());
            }
        }
        QVERIFY(column.size() >= 8);
        for (PaneNumber number : {PaneNumber::PrinterSetup, PaneNumber::LogoSettings,
                                  PaneNumber::Extension1, PaneNumber::PrinterTest}) {
            ui::Pane* pane = window.pane(number);
            QHash<QKeySequence, QString> own;
            for (QAbstractButton* button : pane->findChildren<QAbstractButton*>()) {
                const QKeySequence letter = QKeySequence::mnemonic(button->text());
                if (letter.isEmpty()) {
                    continue;
                }
                QVERIFY2(
                    !column.contains(letter),
                    qPrintable(button->text() + " shares its letter with " + column.value(letter)));
                QVERIFY2(
                    !own.contains(letter),
                    qPrintable(button->text() + " shares its letter with " + own.value(letter)));
                own.insert(letter, button->text());
            }
        }
        QTest::keyClick(&window, Qt::Key_T, Qt::AltModifier);
        QTest::keyClick(&window, Qt::Key_U, Qt::AltModifier);
        VerifyOnlyPaneShown(window, PaneNumber::PrinterTest);
        QCOMPARE(QApplication::focusWidget(),
                 window.pane(PaneNumber::PrinterTest)->findChild<QPushButton*>("buzzerTestButton"));
    }

    void printerLampTellsWhetherThePrinterAnswers() {
        QTemporaryDir folder;
        test::VirtualPrinter printer(folder.path());
        for (const bool answers : {false, true}) {
            GuiWorld world;
            // Port 1 on loopback: nothing listens there.
            world.Start(answers ? printer.port() : std::uint16_t{1});
            ui::MainWindow window(world.session());
            QCOMPARE(window.printerLamp(), ui::PrinterLamp::NotConnected);
            QCOMPARE(window.printerLampText(), QString("Not connected: no port is chosen."));

            world.UseLanPrinter();
            world.state().connectionVerified = false;
            window.CheckConnectionAtStart();
            QCOMPARE(window.printerLamp(),
                     answers ? ui::PrinterLamp::Connected : ui::PrinterLamp::Error);
            QCOMPARE(window.printerLampText(),
                     answers ? QString("Connected: the printer answered.")
                             : QString("Error: the printer does not answer on the chosen port."));
        }
    }

    void placeAndPaneComeBackAndStayOnAScreen() {
        QTemporaryDir folder;
        const QString file = folder.path() + "/window.ini";
        {
            OpenWindow open;
            QVERIFY2(!open.window->RestorePlacement(file), "nothing kept yet");
            open.window->move(40, 30);
            open.window->ShowPane(PaneNumber::Extension1);
            open.world.prompts.answers = {ui::ID_NO};
            QVERIFY(open.window->close());
        }
        {
            OpenWindow open;
            QVERIFY(open.window->RestorePlacement(file));
            QCOMPARE(open.window->pos(), QPoint(40, 30));
            QCOMPARE(open.window->currentPane(), PaneNumber::Extension1);
        }
        // A place on a screen that is gone: the window comes back whole onto a screen.
        QSettings(file, QSettings::IniFormat).setValue("window/position", QPoint(-5000, 9000));
        OpenWindow open;
        QVERIFY(open.window->RestorePlacement(file));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(open.window->pos()),
                 qPrintable(QString("at %1,%2").arg(open.window->x()).arg(open.window->y())));
    }

    void japaneseInterfaceGivesJapaneseStandardButtons() {
        GuiWorld world;
        app::AppState& state = world.Start();
        const auto japanese = state.texts.japaneseSlot();
        QVERIFY(japanese.has_value());
        const auto yesText = [] {
            QMessageBox box;
            ui::ConfigureMessageBox(box, {lang::MB_YES_NO_CANCEL, "Caption", "Text", false});
            return box.button(QMessageBox::Yes)->text() + " " +
                   box.button(QMessageBox::Cancel)->text();
        };
        QCOMPARE(yesText(), QString("&Yes Cancel"));
        state.texts.setLanguageIndex(*japanese);
        world.session().ApplyToolkitLanguage();
        const QString japaneseButtons = yesText();
        QVERIFY2(japaneseButtons.contains(QString("はい")) &&
                     japaneseButtons.contains(QString("キャンセル")),
                 qPrintable(japaneseButtons));
        state.texts.setLanguageIndex(0);
        world.session().ApplyToolkitLanguage();
        QCOMPARE(yesText(), QString("&Yes Cancel"));
    }

    void sendFileShowsItsNameAndProgressAndConfirmsInTheStatusLine() {
        test::PrinterWorld rig;
        ui::MainWindow window(rig.world.session());
        window.show();
        window.ShowPane(PaneNumber::Extension1);
        ui::Pane& pane = *window.pane(PaneNumber::Extension1);
        // 64 pieces of the largest size a send takes at once.
        Child<QLineEdit>(pane, "sendFilePathEdit")
            ->setText(
                test::WriteFile(rig.world.homePath() + "/job.bin", QByteArray(64 * 1024, '\0')));

        QString operation;
        QString note;
        bool closed = true;
        QList<int> shown;
        // Runs in the job's own event loop, while the wait box is up.
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box != nullptr);
            operation = box->findChild<QLabel*>("waitOperation")->text();
            auto* bar = box->findChild<QProgressBar*>("waitProgress");
            QVERIFY(bar != nullptr);
            shown << bar->value();
            connect(bar, &QProgressBar::valueChanged, [&shown](int value) { shown << value; });
            QTest::keyClick(box, Qt::Key_Escape);
            closed = window.close();
            note = box->findChild<QLabel*>("waitNote")->text();
        });
        Child(pane, "sendFileButton")->click();
        QCOMPARE(operation, QString("Send file"));
        QVERIFY2(!shown.isEmpty() && shown.first() < 100 && shown.last() == 100,
                 qPrintable(QString("progress values: %1").arg(shown.size())));
        QVERIFY2(std::is_sorted(shown.begin(), shown.end()), "the bar never goes back");
        QVERIFY(!closed);
        QCOMPARE(note,
                 QString("The printer is still working. Please wait until the operation ends."));
        QCOMPARE(window.statusText(), QString("Done: Send file"));
        QTRY_VERIFY(rig.printer.Received().size() >= 64 * 1024);
    }

    void tabCrossesBetweenButtonColumnAndPaneThatRemembersItsFocus() {
        OpenWindow open(OpenWindow::Port::LoopbackPrinter);
        ui::MainWindow& window = *open.window;
        Child(window, "extension1Button")->click();
        QPushButton* exit = Child(window, "exitButton");
        exit->setFocus();
        QTest::keyClick(exit, Qt::Key_Tab);
        QWidget* inPane = QApplication::focusWidget();
        QVERIFY(inPane != nullptr);
        QVERIFY2(window.pane(PaneNumber::Extension1)->isAncestorOf(inPane),
                 qPrintable(inPane->objectName()));
        QTest::keyClick(inPane, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), exit);
        // From the pane's last control Tab goes round to the first button of the column.
        Child(window, "portSettingsButton")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QVERIFY(window.pane(PaneNumber::Extension1)->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Child(window, "portSettingsButton"));

        // Another pane and back: the focus is where it was in the pane.
        auto* fonts = Child<QWidget>(*window.pane(PaneNumber::Extension1), "fontCombo");
        fonts->setFocus();
        Child(window, "printerSetupButton")->click();
        Child(window, "extension1Button")->click();
        QCOMPARE(QApplication::focusWidget(), fonts);
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
            QVERIFY(!Child(window, "exitButton")->isEnabled());
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
        QVERIFY(Child(window, "exitButton")->isEnabled());
        QVERIFY(window.isVisible());
    }

    void exitQuestionCancelKeepsWindowAndFocusNoClosesWithoutSaving() {
        OpenWindow open;
        ui::MainWindow& window = *open.window;
        GuiWorld& world = open.world;
        QPushButton* version = Child(window, "versionButton");
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

        const std::filesystem::path saved = world.home() / "Vrtrutys.dat";
        std::filesystem::remove(saved);
        world.prompts.answers = {ui::ID_NO};
        QVERIFY(window.close());
        QVERIFY2(!std::filesystem::exists(saved), "No saves nothing");
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
        Child(window, "versionButton")->click();
        QCOMPARE(world.prompts.asked.back().style, std::uint32_t{lang::MB_USER_ICON});
        QVERIFY2(world.prompts.asked.back().text.startsWith(" TR Thermal Printer Utility\n"),
                 qPrintable(world.prompts.asked.back().text));
        QVERIFY(world.prompts.asked.back().text.contains("Version 2.13.01"));

        world.prompts.documentResult = platform::OpenDocumentResult::NotFound;
        Child(window, "helpButton")->click();
        QCOMPARE(world.prompts.asked.back().text,
                 QString("Cannot open the manual because the file could not be found."));
        world.prompts.documentResult = platform::OpenDocumentResult::NoViewer;
        Child(window, "helpButton")->click();
        QCOMPARE(world.prompts.asked.back().text,
                 QString("No PDF viewer is installed.\n\nInstall a PDF viewer to view manuals."));
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
