// The Printer Setup pane against the virtual printer: what its buttons send, what its pages show
// for each model and region, and how its files behave.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <tuple>

#include "app/startup.h"
#include "gui_harness.h"
#include "settings/setting_files.h"
#include "ui/main_window.h"
#include "ui/setup_pane.h"

namespace {

using namespace vrtruty;
using test::Child;
using test::GuiWorld;
using test::Hex;
using test::ReadFile;
using test::VirtualPrinter;
using test::WriteFile;

constexpr std::size_t kTr770 = 1;
constexpr std::size_t kPfbm = 2;
constexpr std::size_t kTr770K = 3;

QComboBox* Combo(QWidget& pane, int recordByte, bool otherPage = false) {
    const QString name = QStringLiteral("setting%1Combo%2")
                             .arg(recordByte)
                             .arg(otherPage ? QStringLiteral("Other") : QString());
    return Child<QComboBox>(pane, qPrintable(name));
}

// Picks the entry whose text starts with the choice (the default carries a mark).
void Choose(QComboBox& combo, const QString& choice) {
    const int index = combo.findText(choice, Qt::MatchStartsWith);
    QVERIFY2(index >= 0, qPrintable(choice));
    combo.setCurrentIndex(index);
}

// The configuration file as the utility writes it: UTF-16, little-endian, with its mark.
void WriteConfig(const GuiWorld& world, const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    WriteFile(world.homePath() + "/Vrtrutys.ini", bytes);
}

// The utility on a fresh home in a region, with a printer model, its network printer verified.
struct SetupWorld {
    explicit SetupWorld(std::size_t row = 0, const QString& region = "JAPAN")
        : printer(world.homePath() + "/printer") {
        WriteConfig(world, "[SPEC]\r\nSPECKEY=" + region + "\r\n");
        app::AppState& state = world.Start(printer.port());
        if (row != state.model.printerRow) {
            app::ChangePrinterModel(state, row);
        }
        world.UseLanPrinter();
        pane = std::make_unique<ui::SetupPane>(world.session());
        pane->show();
        QApplication::setActiveWindow(pane.get());
    }
    ui::SetupPane& Pane() { return *pane; }
    QTabWidget* Tabs() { return Child<QTabWidget>(*pane, "settingTabs"); }
    void Click(const char* button) { Child(*pane, button)->click(); }

    GuiWorld world;
    VirtualPrinter printer;
    std::unique_ptr<ui::SetupPane> pane;
};

class SetupPaneTest final : public QObject {
    Q_OBJECT

  private slots:
    void anUnsentChoiceSurvivesATabSwitchAndIsSent() {
        SetupWorld rig;
        rig.Tabs()->setCurrentIndex(1);
        Choose(*Combo(rig.Pane(), 61), "58mm/32column");
        rig.Tabs()->setCurrentIndex(2);
        rig.Tabs()->setCurrentIndex(1);
        QCOMPARE(Combo(rig.Pane(), 61)->currentText(), QString("58mm/32column"));

        // Still on the page, not collected by a switch: the send collects it.
        Choose(*Combo(rig.Pane(), 63), "85%");
        rig.Click("sendSettingsButton");
        const QByteArray in = QByteArray::fromHex("1D 28 45 03 00 01 49 4E");
        const QByteArray out = QByteArray::fromHex("1D 28 45 04 00 02 4F 55 54");
        // CV 1, 2, 3 (32 columns), 5 (-3: 85 %), 6.
        const QByteArray values =
            QByteArray::fromHex("1D 28 45 19 00 05 01 04 00 02 07 00 03 20 00 05 FD FF 06 0B 00");
        QTRY_VERIFY2(rig.printer.Received().endsWith(out), qPrintable(Hex(rig.printer.Received())));
        const QByteArray received = rig.printer.Received();
        QVERIFY2(received.contains(QByteArray::fromHex("1B 40") + in) && received.contains(values),
                 qPrintable(Hex(received)));
        QCOMPARE(rig.world.prompts.Texts().size(), 1);  // the confirmation only
    }

    void revertAfterGetShowsTheFactoryValuesWithoutTraffic() {
        // A printer whose memory holds 60 mm paper.
        GuiWorld world;
        const QString state = world.homePath() + "/printer.state";
        WriteFile(state, "vrtruty-printer state 1\nmodel TR-770II\ncv 3 36\n");
        VirtualPrinter printer(world.homePath() + "/printer", VirtualPrinter::Line::Network,
                               {"--state", state.toStdString()});
        world.Start(printer.port());
        world.UseLanPrinter();
        ui::SetupPane pane(world.session());
        pane.show();
        auto* paperWidth = Combo(pane, 61);
        QCOMPARE(paperWidth->currentText(), QString("80mm/48column *"));

        Child(pane, "getSettingsButton")->click();
        QVERIFY2(paperWidth->currentText() == "60mm/36column",
                 qPrintable(world.prompts.Texts().join(" / ")));
        auto* status = Child<QLabel>(pane, "statusLine");
        QVERIFY(status->isVisible());
        QCOMPARE(status->text(), QString("Settings have been loaded from the printer."));

        printer.ClearReceived();
        Child(pane, "revertButton")->click();
        QCOMPARE(paperWidth->currentText(), QString("80mm/48column *"));
        QCOMPARE(Hex(printer.Received()), QString());
        QCOMPARE(world.prompts.Texts().last(),
                 QString("This will reset the settings on the screen to default (factory) "
                         "settings.\nOK to proceed?"));
    }

    void rowsFollowTheModel() {
        SetupWorld tr770(kTr770);
        for (const int hidden : {90, 91, 92, 68, 69}) {
            QVERIFY2(!Combo(tr770.Pane(), hidden)->isVisible(),
                     qPrintable(QString::number(hidden)));
        }
        QVERIFY(!Child<QGroupBox>(tr770.Pane(), "buzzerGroup")->isVisibleTo(&tr770.Pane()));
        QVERIFY(!Combo(tr770.Pane(), 82)->isEnabled());  // BM Sensor: fixed without black marks
        QVERIFY(!Combo(tr770.Pane(), 76)->isEnabled());  // Error
        QCOMPARE(Combo(tr770.Pane(), 65)->count(), 9);   // Max Speed

        SetupWorld k(kTr770K);
        k.Tabs()->setCurrentIndex(1);
        QVERIFY(!Child<QGroupBox>(k.Pane(), "buzzerGroup")->isHidden());
        auto* soundCheck = Child(k.Pane(), "soundCheckButton");
        auto* repetition = Combo(k.Pane(), 69);
        QVERIFY(soundCheck->isEnabled());
        Choose(*repetition, "Zero");
        QVERIFY(!soundCheck->isEnabled());
        Choose(*repetition, "Two");
        QVERIFY(soundCheck->isEnabled());
        Choose(*Combo(k.Pane(), 68), "Pattern 4");
        soundCheck->click();
        const QByteArray melody = QByteArray::fromHex("1B 70 03 05 19 02");
        QTRY_VERIFY2(k.printer.Received().contains(melody), qPrintable(Hex(k.printer.Received())));
        // Ctrl+Tab and Ctrl+Shift+Tab step through the pages, from a list as from a button.
        auto* interval = Combo(k.Pane(), 68);
        interval->setFocus();
        QTest::keyClick(interval, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(k.Tabs()->currentIndex(), 2);
        QTest::keyClick(Child(k.Pane(), "revertButton"), Qt::Key_Tab,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(k.Tabs()->currentIndex(), 1);
    }

    // A key that clicks a button puts the focus on it, and the focus is there again after the
    // question, and after a job that disabled the pane.
    void buttonsAnswerTheirAltKeysAndKeepTheFocus() {
        GuiWorld world;
        VirtualPrinter printer(world.homePath() + "/printer");
        world.Start(printer.port());
        world.UseLanPrinter();
        ui::MainWindow window(world.session());
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        Combo(window, 53)->setFocus();
        const std::tuple<Qt::Key, QString, QString> keys[] = {
            {Qt::Key_D, "revertButton", "This will reset the settings on the screen"},
            {Qt::Key_G, "getSettingsButton", "Acquire setting information from the printer"},
            {Qt::Key_R, "printSettingListButton", "Print a list of current printer settings."},
            {Qt::Key_O, "sendSettingsButton", "Send the settings on the screen to the printer"},
        };
        for (const auto& [key, button, question] : keys) {
            world.prompts.answers = {ui::ID_CANCEL};
            QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
            QVERIFY2(world.prompts.Texts().last().startsWith(question),
                     qPrintable(world.prompts.Texts().join(" / ")));
            QCOMPARE(QApplication::focusWidget()->objectName(), button);
        }
        QCOMPARE(Hex(printer.Received()), QString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
        QVERIFY(printer.Received().endsWith(QByteArray::fromHex("1D 28 45 04 00 02 4F 55 54")));
        // The wait box was the active window meanwhile: the focus is back within the window.
        QVERIFY(window.focusWidget() != nullptr);
        QCOMPARE(window.focusWidget()->objectName(), QString("sendSettingsButton"));
    }

    void exitWithSavingKeepsAChoiceNotYetCollected() {
        GuiWorld world;
        world.Start();
        ui::MainWindow window(world.session());
        window.show();
        Choose(*Combo(window, 53), "Enable");  // Auto LF, on the page still
        world.prompts.answers = {ui::ID_YES};
        QVERIFY(window.close());
        const QByteArray saved = ReadFile(world.homePath() + "/Vrtrutys.dat");
        QCOMPARE(saved.size(), qsizetype(settings::kSettingImageSize));
        QCOMPARE(int(saved[16 + (53 - 49)]), 1);
    }

    void theDefaultChoiceIsMarkedAfterItsTextOrInFrontForArabic() {
        SetupWorld rig;
        auto* receiveBuffer = Combo(rig.Pane(), 50);
        QCOMPARE(receiveBuffer->itemText(0), QString("4KByte *"));
        QCOMPARE(receiveBuffer->itemText(1), QString("45Byte"));
        app::AppState& state = rig.world.state();
        state.texts.setLanguageName(state.texts.languageIndex(), "العربية");
        rig.Pane().SetTexts();
        QCOMPARE(receiveBuffer->itemText(0), QString("* 4KByte"));
    }

    void aFileThatCannotBeReadLeavesThePagesAsTheyWere() {
        SetupWorld rig;
        Choose(*Combo(rig.Pane(), 53), "Enable");  // Auto LF, not yet collected
        const QString empty = rig.world.homePath() + "/empty.qvr";
        WriteFile(empty, QByteArray());
        rig.world.prompts.fileAnswer = empty;
        rig.Click("importButton");
        QCOMPARE(rig.world.prompts.Texts(),
                 QStringList{"Error reading settings file.\n\nUnable to read settings file.\n\n" +
                             empty + ": the file is empty"});
        QCOMPARE(Combo(rig.Pane(), 53)->currentText(), QString("Enable"));
        QCOMPARE(Combo(rig.Pane(), 61)->currentText(), QString("80mm/48column *"));
    }

    void exportAsksBeforeReplacingAFileAndNoChoosesAgain() {
        SetupWorld rig(kPfbm);
        const QString first = rig.world.homePath() + "/shop.qvu";
        WriteFile(first, "old");
        Choose(*Combo(rig.Pane(), 53), "Enable");
        test::ScriptedPrompts& prompts = rig.world.prompts;
        // No to the existing file opens the dialog again; a name without extension gets one.
        prompts.saveAnswers = {first, rig.world.homePath() + "/new"};
        prompts.answers = {ui::ID_NO};
        rig.Click("exportButton");
        const QString overwrite =
            "A settings file with the same name already exists.\n\nDo you want to overwrite the "
            "existing settings?";
        QCOMPARE(prompts.Texts(), QStringList{overwrite});
        QCOMPARE(prompts.saveDialogs.size(), 2);
        QCOMPARE(prompts.saveDialogs.first(),
                 QString("Save Setting Definition File | TR-770 (PFBM) Utility Setting "
                         "File(*.qvu) (*.qvu)"));
        const QByteArray written = ReadFile(rig.world.homePath() + "/new.qvu");
        QCOMPARE(written.size(), qsizetype(settings::kSettingImageSize));
        QCOMPARE(int(written[16 + (53 - 49)]), 1);  // Auto LF, collected before writing

        prompts.saveAnswers = {first};
        prompts.answers = {ui::ID_YES};
        rig.Click("exportButton");
        QCOMPARE(ReadFile(first).size(), qsizetype(settings::kSettingImageSize));
        QCOMPARE(prompts.Texts().size(), 2);
    }

    void cutterModeRowsFollowTheRegion_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("region");
        QTest::addColumn<QString>("customizeRow");
        QTest::addColumn<QString>("otherRow");
        const std::tuple<const char*, std::size_t, const char*, const char*, const char*> rows[] = {
            {"TR-770 in Japan", kTr770, "JAPAN", "fixed", "hidden"},
            {"TR-770 (PFBM) in Japan", kPfbm, "JAPAN", "editable", "hidden"},
            {"TR-770K", kTr770K, "JAPANK", "fixed", "hidden"},
            {"TR-770 overseas", kTr770, "OVERSEA", "hidden", "editable"},
            {"TR-770 (PFBM) overseas", kPfbm, "OVERSEA", "hidden", "editable"},
        };
        for (const auto& [name, row, region, customizeRow, otherRow] : rows) {
            QTest::newRow(name) << int(row) << QString(region) << QString(customizeRow)
                                << QString(otherRow);
        }
    }
    void cutterModeRowsFollowTheRegion() {
        QFETCH(int, row);
        QFETCH(QString, region);
        QFETCH(QString, customizeRow);
        QFETCH(QString, otherRow);
        SetupWorld rig(static_cast<std::size_t>(row), region);
        const auto state = [&](bool other) {
            QComboBox* combo = Combo(rig.Pane(), 67, other);
            if (combo->isHidden()) {
                return QString("hidden");
            }
            return combo->isEnabled() ? QString("editable") : QString("fixed");
        };
        QCOMPARE(state(false), customizeRow);
        QCOMPARE(state(true), otherRow);
        // A disabled row shows the model's working default.
        if (customizeRow == "fixed") {
            QCOMPARE(Combo(rig.Pane(), 67)->currentText(), QString("Partialcut(P) *"));
        }
    }
};

}  // namespace

std::unique_ptr<QObject> MakeSetupPaneTest() {
    return std::make_unique<SetupPaneTest>();
}

#include "setup_pane_test.moc"
