#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "app/port_settings.h"
#include "core/profile_file.h"
#include "gui_harness.h"
#include "lang/message_style.h"
#include "platform/fake_print_queues.h"
#include "ui/main_window.h"
#include "ui/port_settings_dialog.h"

namespace {

using namespace vrtruty;
using test::Child;
using test::GuiWorld;
using test::VirtualPrinter;

const QString kInvalidAddress =
    "Either the IP address has not been inputted,\nor an invalid value has been inputted.\n\n"
    "Please verify the IP address.";
const QString kDuplicateAddress =
    "The same IP address is already in use.\n\nPlease verify the IP address.";
const QString kNoConnection =
    "Could not verify connection with the printer.\nPlease check the following and execute "
    "again:\n\n･PC and printer are connected as set for the connected port.\n･Printer's power is "
    "on.\n･Printer's error indicator is not on.";
const QString kContinueUnverified =
    "Since it was not possible to verify the connection with the printer,\nfunctions for sending "
    "settings to the printer and getting information\nfrom the printer cannot be used.\n\nIf this "
    "is OK, click [OK] to continue.";

// What a user's pick in a list does: the selection moves and the dialog hears of it.
void Choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void AddAddress(ui::PortSettingsDialog& dialog, const QString& address) {
    auto* edit = Child<QLineEdit>(dialog, "ipAddressEdit");
    edit->clear();
    QTest::keyClicks(edit, address);
    Child<QPushButton>(dialog, "addButton")->click();
}

QStringList ListedAddresses(ui::PortSettingsDialog& dialog) {
    auto* list = Child<QTreeWidget>(dialog, "printerList");
    QStringList addresses;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        addresses << list->topLevelItem(i)->text(0);
    }
    return addresses;
}

std::string ConfigValueIn(const std::filesystem::path& file, std::string_view section,
                          std::string_view key) {
    const app::ProfileFile profile = app::ProfileFile::Load(file);
    return app::ReadConfigValue(profile, section, key).value_or("<absent>");
}

std::string ConfigValue(const app::AppState& state, std::string_view section,
                        std::string_view key) {
    return ConfigValueIn(state.configPath, section, key);
}

// A loopback port on which nothing listens.
constexpr std::uint16_t kSilentPort = 1;

class PortSettingsTest final : public QObject {
    Q_OBJECT

  private slots:
    // Every shipped language can be chosen, under its own name, in the order the files are
    // probed; Arabic mirrors the dialog.
    void languageListOffersEveryShippedLanguage() {
        GuiWorld world;
        app::AppState& state = world.Start();
        ui::MainWindow window(world.session());
        ui::PortSettingsDialog dialog(world.session(), window, false);
        auto* languages = Child<QComboBox>(dialog, "languageCombo");
        QStringList listed;
        for (int i = 0; i < languages->count(); ++i) {
            listed << languages->itemText(i);
        }
        QCOMPARE(listed, (QStringList{"English", "Français", "Italiano", "Deutsch", "Español",
                                      "Português", "العربية", "日本語", "中文", "简体中文",
                                      "繁體中文", "한국어", "ภาษาไทย"}));
        QCOMPARE(dialog.layoutDirection(), Qt::LeftToRight);
        const int arabic = static_cast<int>(listed.indexOf("العربية"));
        languages->setCurrentIndex(arabic);
        emit languages->activated(arabic);  // as a choice of the user
        QCOMPARE(state.texts.languageName(state.texts.languageIndex()), std::string("العربية"));
        QCOMPARE(dialog.layoutDirection(), Qt::RightToLeft);
        QCOMPARE(window.layoutDirection(), Qt::RightToLeft);
        QCOMPARE(QApplication::layoutDirection(), Qt::RightToLeft);  // the dialogs to come
        dialog.reject();
        QCOMPARE(QApplication::layoutDirection(), Qt::LeftToRight);
    }

    void addedPrinterIsVerifiedAndSavedWithTheChosenLanguage() {
        QTemporaryDir folder;
        VirtualPrinter printer(folder.path());
        GuiWorld world;
        app::AppState& state = world.Start(printer.port());
        const auto japanese = state.texts.japaneseSlot();
        QVERIFY(japanese.has_value());
        {
            ui::MainWindow window(world.session());
            ui::PortSettingsDialog dialog(world.session(), window, true);
            dialog.show();
            auto* ok = Child<QPushButton>(dialog, "okButton");

            // Keyboard only: the radio's and the label's mnemonics.
            QApplication::setActiveWindow(&dialog);
            QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
            QTRY_VERIFY(Child<QRadioButton>(dialog, "lanRadio")->isChecked());  // an animated click
            QVERIFY2(!ok->isEnabled(), "OK needs a network printer in the list");
            QTest::keyClick(&dialog, Qt::Key_P, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>(dialog, "ipAddressEdit"));
            AddAddress(dialog, "127.0.0.1");
            QCOMPARE(ListedAddresses(dialog), QStringList{"127.0.0.1"});
            QVERIFY(ok->isEnabled());
            test::SaveScreenshot(dialog, "port-settings-lan");
            Choose(Child<QComboBox>(dialog, "languageCombo"), static_cast<int>(*japanese));

            ok->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(world.prompts.Texts(), QStringList{});
            QVERIFY(state.connectionVerified);
            QVERIFY(!state.showPortDialogAtStart);
            QCOMPARE(ConfigValue(state, "PORT", "PORTNAME"), std::string("LAN"));
            QCOMPARE(ConfigValue(state, "LANPORT", "LAN_NO"), std::string("127.0.0.1"));
            QCOMPARE(ConfigValue(state, "IPADDRESSLIST", "CNT"), std::string("1"));
            QCOMPARE(ConfigValue(state, "IPADDRESSLIST", "IP_ADDRESS001"),
                     std::string("127.0.0.1"));
            QCOMPARE(window.findChild<QLabel*>("portName")->text(), QString(" 127.0.0.1 "));
        }
        // The language chosen with it is there at the next start.
        QCOMPARE(world.Start(printer.port()).texts.languageIndex(), *japanese);
    }

    void failedAddKeepsOkForThePrintersListed() {
        GuiWorld world;
        app::AppState& state = world.Start(kSilentPort);
        state.config.portKind = app::PortKind::PORT_LAN;
        // Listed, never contacted: the test presses neither OK nor Search.
        state.config.lanPrinters = {{0, "10.0.0.2", {}, {}}};
        ui::MainWindow window(world.session());
        ui::PortSettingsDialog dialog(world.session(), window, false);
        dialog.show();
        auto* ok = Child<QPushButton>(dialog, "okButton");
        QVERIFY(ok->isEnabled());

        AddAddress(dialog, "127.0.0.1");  // nothing answers there
        QCOMPARE(world.prompts.asked.size(), std::size_t{1});
        QCOMPARE(ListedAddresses(dialog), QStringList{"10.0.0.2"});
        QVERIFY2(ok->isEnabled(), "the printer still listed can be confirmed");

        Child<QPushButton>(dialog, "deleteButton")->click();
        QCOMPARE(ListedAddresses(dialog), QStringList{});
        QVERIFY2(!ok->isEnabled(), "an empty list offers nothing to confirm");
    }

    void refusedAddressesNeverReachThePrinter() {
        test::PrinterWorld rig;
        GuiWorld& world = rig.world;
        ui::MainWindow window(world.session());
        ui::PortSettingsDialog dialog(world.session(), window, false);
        dialog.show();

        AddAddress(dialog, "127.0.0.0");
        AddAddress(dialog, "127.0.0.255");
        AddAddress(dialog, "127.0.0.1");
        AddAddress(dialog, "127.0.0");
        QCOMPARE(world.prompts.Texts(), QStringList({kInvalidAddress, kInvalidAddress,
                                                     kDuplicateAddress, kInvalidAddress}));
        QCOMPARE(world.prompts.asked[0].style, std::uint32_t{lang::MB_WARNING_OK});
        QCOMPARE(ListedAddresses(dialog), QStringList{"127.0.0.1"});
        QCOMPARE(rig.printer.Received(), QByteArray());
    }

    void confirmWithoutAnsweringPrinterKeepsDialogOpen() {
        GuiWorld world;
        app::AppState& state = world.Start(kSilentPort);
        world.UseLanPrinter();
        state.connectionVerified = false;
        ui::MainWindow window(world.session());
        ui::PortSettingsDialog dialog(world.session(), window, false);
        dialog.show();

        Child<QPushButton>(dialog, "okButton")->click();
        QCOMPARE(world.prompts.Texts(),
                 QStringList{kNoConnection + "\n\n127.0.0.1: Connection refused"});
        QVERIFY(dialog.isVisible());
        QVERIFY(!state.connectionVerified);
        QVERIFY2(ConfigValue(state, "PORT", "PORTNAME") != "LAN", "nothing is saved unverified");
        QVERIFY(Child<QPushButton>(dialog, "okButton")->isEnabled());
    }

    void unwritableConfigurationIsReportedAndTheChoiceStillServes() {
        test::PrinterWorld rig;
        GuiWorld& world = rig.world;
        app::AppState& state = world.state();
        state.connectionVerified = false;
        state.configPath = world.home() / "gone" / "Vrtrutys.ini";
        ui::MainWindow window(world.session());
        ui::PortSettingsDialog dialog(world.session(), window, false);
        dialog.show();

        Child<QPushButton>(dialog, "okButton")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(state.connectionVerified);
        QCOMPARE(world.prompts.asked.size(), std::size_t{1});
        QCOMPARE(world.prompts.asked[0].style, std::uint32_t{lang::MB_STOP_OK});
        QVERIFY2(world.prompts.asked[0].text.startsWith("Access to the specified disk or folder"),
                 qPrintable(world.prompts.asked[0].text));
    }

    void changedBaudRateWritesThePortDefaultsOnce() {
        QTemporaryDir folder;
        VirtualPrinter printer(folder.path(), VirtualPrinter::Line::Serial);
        GuiWorld world;
        app::AppState& state = world.Start();
        app::FillPortNameList(state.comPorts, {printer.serialDevice()});
        state.config.portKind = app::PortKind::PORT_COM;
        state.config.comIndex = 0;
        const std::filesystem::path defaults = world.home() / "Ports.ini";
        ui::MainWindow window(world.session());
        {
            ui::PortSettingsDialog dialog(world.session(), window, false);
            dialog.show();
            Choose(Child<QComboBox>(dialog, "baudCombo"), 4);  // 38400BPS
            Child<QPushButton>(dialog, "okButton")->click();
            QCOMPARE(world.prompts.Texts(), QStringList{});
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        const std::string written = ConfigValueIn(defaults, "Ports", printer.serialDevice());
        QCOMPARE(written, std::string("38400,n,8,1,p"));

        // OK again without a change leaves the port defaults alone.
        std::filesystem::remove(defaults);
        ui::PortSettingsDialog again(world.session(), window, false);
        again.show();
        Child<QPushButton>(again, "okButton")->click();
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QVERIFY(!std::filesystem::exists(defaults));
    }

    void cancelAtStartAsksFirst() {
        GuiWorld world;
        app::AppState& state = world.Start();
        world.UseLanPrinter();
        ui::MainWindow window(world.session());
        ui::PortSettingsDialog dialog(world.session(), window, true);
        dialog.show();
        Child<QRadioButton>(dialog, "comRadio")->click();

        world.prompts.answers = {ui::ID_CANCEL};
        Child<QPushButton>(dialog, "cancelButton")->click();
        QVERIFY2(dialog.isVisible(), "Cancel in the question keeps the dialog");
        QCOMPARE(world.prompts.Texts(), QStringList{kContinueUnverified});
        QCOMPARE(world.prompts.asked[0].style, std::uint32_t{lang::MB_WARNING_CONFIRM});
        QCOMPARE(state.config.portKind, app::PortKind::PORT_COM);

        world.prompts.answers = {ui::ID_OK};
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(world.prompts.asked.size(), std::size_t{2});
        QCOMPARE(state.config.portKind, app::PortKind::PORT_LAN);
    }

    void cancelFromWindowRestoresWithoutAsking() {
        GuiWorld world;
        app::AppState& state = world.Start();
        world.UseLanPrinter();
        const auto japanese = state.texts.japaneseSlot();
        QVERIFY(japanese.has_value());
        ui::MainWindow window(world.session());
        ui::PortSettingsDialog dialog(world.session(), window, false);
        dialog.show();

        Choose(Child<QComboBox>(dialog, "modelCombo"), 1);
        Choose(Child<QComboBox>(dialog, "languageCombo"), static_cast<int>(*japanese));
        Child<QRadioButton>(dialog, "comRadio")->click();
        Choose(Child<QComboBox>(dialog, "baudCombo"), 6);
        Child<QTreeWidget>(dialog, "printerList")->selectAll();
        Child<QPushButton>(dialog, "deleteButton")->click();  // the question is answered OK
        QCOMPARE(state.config.lanPrinters.size(), std::size_t{0});
        world.prompts.asked.clear();

        Child<QPushButton>(dialog, "cancelButton")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(world.prompts.Texts(), QStringList{});
        QCOMPARE(state.config.portKind, app::PortKind::PORT_LAN);
        QCOMPARE(state.model.printerRow, std::size_t{0});
        QCOMPARE(state.texts.languageIndex(), std::size_t{0});
        QCOMPARE(state.config.serial.baudIndex, std::uint16_t{2});
        QCOMPARE(state.config.lanPrinters.size(), std::size_t{1});
        QCOMPARE(window.windowTitle(), QString("TR Thermal Printer Utility"));
        QCOMPARE(window.findChild<QLabel*>("printerName")->text(), QString(" TR-770II "));
    }

    void deleteAsksForEachSelectedPrinter() {
        GuiWorld world;
        app::AppState& state = world.Start();
        world.UseLanPrinter();
        state.config.lanPrinters = {{0, "10.0.0.1", "00:11:22:33:44:55", {}},
                                    {0, "10.0.0.2", "", {}},
                                    {0, "10.0.0.3", "", {}}};
        ui::MainWindow window(world.session());
        ui::PortSettingsDialog dialog(world.session(), window, false);
        dialog.show();
        auto* list = Child<QTreeWidget>(dialog, "printerList");
        list->topLevelItem(0)->setSelected(true);
        list->topLevelItem(1)->setSelected(true);

        world.prompts.answers = {ui::ID_OK, ui::ID_CANCEL};
        Child<QPushButton>(dialog, "deleteButton")->click();
        QCOMPARE(world.prompts.Texts(),
                 QStringList({"The following printer will be deleted from the [Printer List].\nOK "
                              "to proceed?\n\n･IP Address:\t10.0.0.1\n･MAC Address:\t"
                              "00:11:22:33:44:55",
                              "The following printer will be deleted from the [Printer List].\nOK "
                              "to proceed?\n\n･IP Address:\t10.0.0.2\n･MAC Address:\t"}));
        QCOMPARE(world.prompts.asked[0].style, std::uint32_t{lang::MB_CONFIRM});
        QCOMPARE(ListedAddresses(dialog), QStringList({"10.0.0.2", "10.0.0.3"}));
        // The row that moved into the deleted one's place is the chosen printer now.
        QCOMPARE(list->currentItem()->text(0), QString("10.0.0.2"));
        QCOMPARE(state.config.lanIndex, std::size_t{0});
    }

    void queueChoiceListsTheModelsQueuesAndIsKeptInTheConfiguration() {
        auto queues = std::make_shared<platform::FakePrintQueues>();
        const auto queue = [](std::string name, std::string uri, std::string driver) {
            platform::PrintQueueInfo info;
            info.name = std::move(name);
            info.deviceUri = std::move(uri);
            info.makeAndModel = std::move(driver);
            return info;
        };
        queues->queues = {queue("front", "socket://192.0.2.5", "VRM TR-770II Raster"),
                          queue("text", "socket://192.0.2.6", "Generic Text-Only"),
                          queue("back", "usb://VRM/TR-770II?serial=7", "VRM TR-770II Raster")};
        GuiWorld world;
        world.printQueues = queues;
        app::AppState& state = world.Start();
        {
            ui::MainWindow window(world.session());
            ui::PortSettingsDialog dialog(world.session(), window, false);
            auto* radio = Child<QRadioButton>(dialog, "winPrinterRadio");
            auto* combo = Child<QComboBox>(dialog, "winPrinterCombo");
            QVERIFY(radio->isEnabled());
            radio->click();
            QCOMPARE(combo->count(), 2);
            QCOMPARE(combo->itemText(0), QString("front"));
            QCOMPARE(combo->itemText(1), QString("back"));
            QVERIFY(combo->isEnabled());
            Choose(combo, 1);
            QCOMPARE(state.config.winPrinterIndex, std::size_t{2});
            QVERIFY(Child<QPushButton>(dialog, "okButton")->isEnabled());

            Choose(Child<QComboBox>(dialog, "modelCombo"), 3);  // TR-770K: no queue of its own
            QCOMPARE(combo->count(), 1);
            QCOMPARE(combo->currentText(), QString("None"));
            QVERIFY(!combo->isEnabled());
            QVERIFY(!Child<QPushButton>(dialog, "okButton")->isEnabled());
            QVERIFY(!Child<QLabel>(dialog, "winNote")->text().isEmpty());
            Choose(Child<QComboBox>(dialog, "modelCombo"), 0);
            QCOMPARE(combo->currentText(), QString("back"));
        }
        QVERIFY(!app::SavePortSettings(state));
        app::AppState& again = world.Start();
        QCOMPARE(again.config.portKind, app::PortKind::PORT_WINDRV);
        QCOMPARE(again.config.winPrinterIndex, std::size_t{2});
    }

    void languageChangeSetsEveryTextAgain() {
        GuiWorld world;
        app::AppState& state = world.Start();
        const auto japanese = state.texts.japaneseSlot();
        QVERIFY(japanese.has_value());
        ui::MainWindow window(world.session());
        ui::PortSettingsDialog dialog(world.session(), window, false);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("Printer Name and Port Settings"));

        Choose(Child<QComboBox>(dialog, "languageCombo"), static_cast<int>(*japanese));
        test::SaveScreenshot(dialog, "port-settings-japanese");
        QCOMPARE(dialog.windowTitle(), QString("プリンター名とポートの設定"));
        QCOMPARE(Child<QLabel>(dialog, "modelLabel")->text(), QString("プリンター名(&M)"));
        QCOMPARE(Child<QRadioButton>(dialog, "winPrinterRadio")->text(),
                 QString("インストール済みのプリンターキューと同じポート(&W)"));
        QCOMPARE(Child<QPushButton>(dialog, "cancelButton")->text(), QString("キャンセル"));
        QCOMPARE(Child<QTreeWidget>(dialog, "printerList")->headerItem()->text(1),
                 QString("MACアドレス"));
        QCOMPARE(Child<QComboBox>(dialog, "winPrinterCombo")->currentText(), QString("なし"));
        QCOMPARE(window.windowTitle(), QString("TRサーマルプリンターユーティリティ"));
    }
};

}  // namespace

std::unique_ptr<QObject> MakePortSettingsTest() {
    return std::make_unique<PortSettingsTest>();
}

#include "port_settings_test.moc"
