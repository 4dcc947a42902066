#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUrl>
#include <memory>

#include "gui_harness.h"
#include "lang/message_style.h"
#include "ui/extension_pane.h"
#include "ui/test_pane.h"

namespace {

using namespace vrtruty;
using test::Child;
using test::DropUrls;
using test::FromHex;
using test::GuiWorld;
using test::Hex;
using test::PrinterWorld;
using test::VirtualPrinter;

const QString kVerifyLine = "\n\nVerify that the printer is connected,\nand then click [OK].";

// On a network printer a job follows the status check (a dummy byte, the buffer clear, the
// real-time status request) and some jobs end with the reset: the job is what lies between.
QByteArray JobIn(QByteArray received) {
    static const QByteArray check = FromHex("00 10 14 08 01 03 14 01 06 02 08 10 04 01");
    static const QByteArray reset = FromHex("1B 3D 02") + "RESET3" + FromHex("1B 3D 03");
    if (received.startsWith(check)) {
        received.remove(0, check.size());
        if (received.endsWith(reset)) {
            received.chop(reset.size());
        }
    }
    return received;
}

class PanesTest final : public QObject {
    Q_OBJECT

  private slots:
    void testButtonSendsItsSequenceWithoutAsking_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("drawer2");
        QTest::addColumn<bool>("errorAutoRecover");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("head") << "headTestButton" << false << false
                              << QByteArray("Head Print Test\n\n") +
                                     (QByteArray(48, '/') + '\n').repeated(5) + '\n';
        QTest::newRow("buzzer") << "buzzerTestButton" << false << false
                                << FromHex("1B 70 32 50 50").repeated(3);
        QTest::newRow("cutter, error recovery on")
            << "cutterTestButton" << false << true
            << FromHex("1D 65 75 45 00 0A 0A 0A 0A 0A 0A 1B 6D");
        QTest::newRow("drawer 1") << "drawerTestButton" << false << false
                                  << FromHex("1B 70 30 50 50");
        QTest::newRow("drawer 2") << "drawerTestButton" << true << false
                                  << FromHex("1B 70 31 50 50");
    }
    void testButtonSendsItsSequenceWithoutAsking() {
        QFETCH(QString, button);
        QFETCH(bool, drawer2);
        QFETCH(bool, errorAutoRecover);
        QFETCH(QByteArray, expected);
        PrinterWorld rig;
        rig.world.state().config.switches.errorAutoRecover = errorAutoRecover;
        ui::TestPane pane(rig.world.session());
        pane.show();
        if (drawer2) {
            Child<QRadioButton>(pane, "drawer2Radio")->click();
        }
        Child(pane, qPrintable(button))->click();
        QTRY_COMPARE(Hex(JobIn(rig.printer.Received())), Hex(expected));
        QCOMPARE(rig.world.prompts.Texts(), QStringList());
    }

    void printerButtonsNeedAVerifiedConnectionAndDrawer1IsTheStart() {
        GuiWorld world;
        app::AppState& state = world.Start();
        world.UseLanPrinter();
        QTemporaryDir folder;
        ui::TestPane tests(world.session());
        ui::ExtensionPane extension(world.session());
        Child<QComboBox>(extension, "fontCombo")->setCurrentIndex(1);
        Child<QLineEdit>(extension, "sendFilePathEdit")
            ->setText(test::WriteFile(folder.filePath("a"), "x"));
        const auto control = [&](const char* name) {
            auto* inTests = tests.findChild<QWidget*>(name);
            return inTests != nullptr ? inTests : Child<QWidget>(extension, name);
        };
        for (const bool verified : {false, true}) {
            state.connectionVerified = verified;
            tests.UpdateEnabling();
            extension.UpdateEnabling();
            for (const char* name : {"headTestButton", "buzzerTestButton", "cutterTestButton",
                                     "drawerTestButton", "drawer1Radio", "drawer2Radio",
                                     "changeDefaultButton", "testPrintButton", "sendFileButton"}) {
                QVERIFY2(control(name)->isEnabled() == verified,
                         qPrintable(QString("%1 enabled: %2").arg(name).arg(!verified)));
            }
        }
        // The drawer choice starts on Drawer 1 and goes back to it with every language change.
        auto* drawer1 = Child<QRadioButton>(tests, "drawer1Radio");
        QVERIFY(drawer1->isChecked());
        Child<QRadioButton>(tests, "drawer2Radio")->setChecked(true);
        state.texts.setLanguageIndex(state.texts.japaneseSlot().value());
        tests.SetTexts();
        QVERIFY(drawer1->isChecked());
        QCOMPARE(drawer1->text(), QString("ドロワー&1"));
    }

    void changeDefaultValueNeedsAListOffNotChange() {
        GuiWorld world;
        world.Start();
        world.UseLanPrinter();
        ui::ExtensionPane pane(world.session());
        auto* change = Child(pane, "changeDefaultButton");
        for (const auto& [name, last] :
             {std::pair{"codePageCombo", "TCVN 5712"}, std::pair{"characterCombo", "China"},
              std::pair{"fontCombo", "Font C"}}) {
            auto* combo = Child<QComboBox>(pane, name);
            QCOMPARE(combo->currentText(), QString("Not Change"));
            QVERIFY(!change->isEnabled());
            combo->setCurrentIndex(combo->count() - 1);
            QCOMPARE(combo->currentText(), QString(last));
            QVERIFY2(change->isEnabled(), name);
            combo->setCurrentIndex(0);
        }
    }

    void changeDefaultValueGoesToEveryListedPrinterAndGivesTheFocusBack() {
        PrinterWorld rig;
        VirtualPrinter second(rig.world.homePath() + "/second");
        app::AppState& state = rig.world.state();
        state.config.lanPrinters.push_back(
            {0, "127.0.0.1:" + std::to_string(second.port()), {}, {}});
        state.config.lanIndex = 1;
        ui::ExtensionPane pane(rig.world.session());
        test::PaneHost host(pane);
        rig.world.session().setControlsHost(&host);
        pane.show();
        QApplication::setActiveWindow(&pane);
        QVERIFY(QTest::qWaitForWindowActive(&pane));
        auto* characters = Child<QComboBox>(pane, "characterCombo");
        characters->setCurrentIndex(characters->findText("France"));
        characters->setFocus();

        Child(pane, "changeDefaultButton")->click();
        const QByteArray expected =
            FromHex("1D 28 4D 02 00 02 01 1B 52 01 1D 28 4D 02 00 01 01 1D 28 4D 02 00 03 01");
        QTRY_COMPARE(Hex(JobIn(rig.printer.Received())), Hex(expected));
        QTRY_COMPARE(Hex(JobIn(second.Received())), Hex(expected));
        QCOMPARE(rig.world.prompts.Texts(),
                 QStringList{"The change value of the screen is sent to the printer,\nand the "
                             "default value of the printer is changed." +
                             kVerifyLine});
        QCOMPARE(rig.world.prompts.asked[0].style, std::uint32_t{lang::MB_CONFIRM});
        QCOMPARE(state.config.lanIndex, std::size_t{1});
        QCOMPARE(QApplication::focusWidget(), characters);
        rig.world.session().setControlsHost(nullptr);
    }

    void cancelInTheQuestionSendsNothingOkSends() {
        PrinterWorld rig;
        QTemporaryDir folder;
        ui::ExtensionPane pane(rig.world.session());
        Child<QComboBox>(pane, "codePageCombo")->setCurrentIndex(1);
        Child<QLineEdit>(pane, "sendFilePathEdit")
            ->setText(test::WriteFile(folder.filePath("a"), "data"));
        for (const char* name : {"changeDefaultButton", "testPrintButton", "sendFileButton"}) {
            rig.world.prompts.answers = {ui::ID_CANCEL};
            Child(pane, name)->click();
        }
        QCOMPARE(rig.world.prompts.asked.size(), std::size_t{3});
        QCOMPARE(Hex(rig.printer.Received()), QString());

        Child(pane, "testPrintButton")->click();
        QTRY_COMPARE(JobIn(rig.printer.Received()).size(), 649);
        QCOMPARE(Hex(JobIn(rig.printer.Received()).last(4)), QString("1B 6D 1B 40"));
        QCOMPARE(rig.world.prompts.Texts().last(),
                 "Print the code page for checking the current setting." + kVerifyLine);
    }

    void sendFileFollowsThePathAndSendsTheFileUnchanged() {
        PrinterWorld rig;
        QTemporaryDir folder;
        const QByteArray content = FromHex("1B 40 00 FF 0D 0A 1A") + "text\n";
        const QString file = test::WriteFile(folder.filePath("raw job.bin"), content);
        ui::ExtensionPane pane(rig.world.session());
        auto* path = Child<QLineEdit>(pane, "sendFilePathEdit");
        auto* send = Child(pane, "sendFileButton");
        for (const auto& [text, enabled] :
             {std::pair{QString(), false}, std::pair{folder.filePath("missing"), false},
              std::pair{folder.path(), false}, std::pair{file, true}}) {
            path->setText(text);
            QVERIFY2(send->isEnabled() == enabled, qPrintable("path \"" + text + "\""));
        }

        send->click();
        QTRY_COMPARE(Hex(JobIn(rig.printer.Received())), Hex(content));
        const QString question = "Send the selected file to the printer." + kVerifyLine;
        QCOMPARE(rig.world.prompts.Texts(), QStringList{question});

        // Gone between the check and the click: the reading failure, and nothing sent.
        rig.printer.ClearReceived();
        QVERIFY(QFile::remove(file));
        send->click();
        QCOMPARE(rig.world.prompts.Texts(),
                 (QStringList{question,
                              "Reading the sending file failed.\n\nCan not read the "
                              "sending file."}));
        QCOMPARE(rig.world.prompts.asked[1].style, std::uint32_t{lang::MB_WARNING_OK});
        QVERIFY(!send->isEnabled());
        QCOMPARE(Hex(rig.printer.Received()), QString());
    }

    void droppedOrChosenFileGoesIntoThePathField() {
        GuiWorld world;
        world.Start();
        world.UseLanPrinter();
        QTemporaryDir folder;
        const QString first = test::WriteFile(folder.filePath("first.bin"), "1");
        const QString second = test::WriteFile(folder.filePath("second.bin"), "2");
        ui::ExtensionPane pane(world.session());
        pane.show();
        auto* path = Child<QLineEdit>(pane, "sendFilePathEdit");

        QVERIFY(DropUrls(pane, {QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)}));
        QCOMPARE(path->text(), first);
        QVERIFY(Child(pane, "sendFileButton")->isEnabled());
        QVERIFY(DropUrls(pane, {QUrl("https://example.invalid/job.bin")}));
        QCOMPARE(path->text(), QString());

        world.prompts.fileAnswer = second;
        Child(pane, "referenceButton")->click();
        QCOMPARE(path->text(), second);
        QVERIFY(Child(pane, "sendFileButton")->isEnabled());
    }

    void printerFailureIsShownByItsCode() {
        GuiWorld world;
        std::uint16_t closedPort = 0;
        {
            const VirtualPrinter gone(world.homePath() + "/gone");
            closedPort = gone.port();
        }
        world.Start(closedPort);
        world.UseLanPrinter();
        ui::TestPane pane(world.session());
        Child(pane, "buzzerTestButton")->click();
        QCOMPARE(world.prompts.asked.size(), std::size_t{1});
        QCOMPARE(world.prompts.asked[0].style, std::uint32_t{lang::MB_WARNING_OK});
        QVERIFY2(
            world.prompts.asked[0].text.startsWith("Could not verify connection with the printer."),
            qPrintable(world.prompts.asked[0].text));
    }
};

}  // namespace

std::unique_ptr<QObject> MakePanesTest() {
    return std::make_unique<PanesTest>();
}

#include "panes_test.moc"
