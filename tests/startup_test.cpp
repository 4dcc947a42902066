#include "app/startup.h"

#include <gtest/gtest.h>

#include <set>

#include "lang/message_style.h"
#include "platform/fake_clock.h"
#include "test_support.h"

namespace vrtruty::app {
namespace {

using test::Utf16Le;

class Startup : public ::testing::Test {
  protected:
    Startup() {
        clock.setLocalTime({10, 0, 0, 0});
        options.home = home.path();
        options.resourceFolder = resources.path();
        for (const char* name : {"Setting_EN.dat", "Setting_JA.dat"}) {
            std::filesystem::copy_file(
                std::filesystem::path(VRTRUTY_SOURCE_DIR) / "res/lang" / name, resources / name);
        }
        options.clock = &clock;
        options.libraryAvailable = [this](std::string_view name) {
            return !missingLibraries.contains(std::string(name));
        };
        options.queryOsVersion = [] {
            return platform::OsVersion{platform::OsPlatform::Linux, 6, 1, 0};
        };
    }

    void WriteConfig(std::u16string_view text) {
        test::WriteBytes(home / "Vrtrutys.ini", Utf16Le(text));
    }
    std::string LogText() {
        const auto bytes = test::ReadBytes(home / "_DEBUG.LOG");
        return {bytes.begin(), bytes.end()};
    }

    test::TempFolder home;
    test::TempFolder resources;  // the shipped files, as beside the executable
    test::TempFolder lockFolder;
    platform::FakeClock clock;
    StartupOptions options;
    std::set<std::string> missingLibraries;
};

TEST_F(Startup, FreshHomeCreatesTheConfigurationAndOffersNoPort) {
    const StartupResult result = RunStartup(options);
    ASSERT_EQ(result.status, StartupStatus::Running);
    const AppState& state = *result.state;
    EXPECT_TRUE(std::filesystem::exists(home / "Vrtrutys.ini"));
    EXPECT_FALSE(std::filesystem::exists(home / "_DEBUG.LOG")) << "the log is off by default";
    EXPECT_EQ(state.config.portKind, PortKind::PORT_NONE);
    EXPECT_TRUE(state.showPortDialogAtStart);
    EXPECT_EQ(state.model.printerRow, 0u);
    EXPECT_EQ(state.model.modelId, 17);
    EXPECT_EQ(state.osClass, platform::kOsClassLinux);
    EXPECT_TRUE(state.libraries.sxLoaded && state.libraries.qkLoaded &&
                state.libraries.conversionLoaded);
    EXPECT_EQ(state.comPorts.count, 0u);
    EXPECT_EQ(state.comPorts.entries[0].shortName, "COM1");
    EXPECT_EQ(state.settingFolder, home.path());
}

TEST_F(Startup, ReadsTheConfiguredPrinterRegionAndPorts) {
    WriteConfig(
        u"[SPEC]\r\nSPECKEY=JAPAN\r\n[PRNAME]\r\nPR_NO=tr-770k\r\n[PORT]\r\nPORTNAME=COM\r\n"
        u"[COMPORT]\r\nCOM_NO=/dev/ttyUSB1\r\n");
    options.serialDevices = {"/dev/ttyUSB1", "/dev/ttyS0"};
    test::WriteBytes(home / "Ports.ini", Utf16Le(u"[Ports]\r\n/dev/ttyUSB1=19200,n,8,1,x\r\n"));
    const StartupResult result = RunStartup(options);
    ASSERT_EQ(result.status, StartupStatus::Running);
    const AppState& state = *result.state;
    EXPECT_EQ(state.model.printerRow, 3u);
    EXPECT_EQ(state.model.regionIndex, 0);
    EXPECT_EQ(state.model.factoryRegionIndex, 1) << "the K family takes region 1 for its defaults";
    EXPECT_EQ(state.config.portKind, PortKind::PORT_COM);
    EXPECT_EQ(state.config.comIndex, 1u);
    EXPECT_EQ(state.config.serial.baudIndex, 3);
    EXPECT_EQ(state.config.serial.protocolIndex, 1);
    EXPECT_TRUE(state.model.flags.bMelody);
}

TEST_F(Startup, AnAbsentConfiguredSerialDeviceStaysTheChoice) {
    WriteConfig(u"[PORT]\r\nPORTNAME=COM\r\n[COMPORT]\r\nCOM_NO=/dev/ttyUSB7\r\n");
    options.serialDevices = {"/dev/ttyS0", "/dev/ttyUSB0"};
    const StartupResult result = RunStartup(options);
    ASSERT_EQ(result.status, StartupStatus::Running);
    const AppState& state = *result.state;
    EXPECT_EQ(state.comPorts.Selected(state.config.comIndex).shortName, "/dev/ttyUSB7")
        << "an unplugged adapter must not turn into " << state.comPorts.entries[0].shortName;
    EXPECT_EQ(state.comPorts.count, 3u) << "offered beside the devices found";

    WriteConfig(u"[PORT]\r\nPORTNAME=COM\r\n[COMPORT]\r\nCOM_NO=COM1\r\n");
    EXPECT_EQ(RunStartup(options).state->comPorts.count, 2u)
        << "a Windows port name is no device of this machine";
}

TEST_F(Startup, TheRememberedUsbPrinterIsSelectedAmongThoseAttached) {
    WriteConfig(u"[PORT]\r\nPORTNAME=USB\r\n[USBPORT]\r\nUSB_NO=USB(Serial No:B2)\r\n");
    options.enumerateUsbPrinters = [] {
        return std::vector<platform::UsbPrinterDevice>{
            {"/sys/devices/usb1/1-1", "/dev/usb/lp0", "7a41", "5c21", "A1", 1},
            {"/sys/devices/usb1/1-2", "/dev/usb/lp1", "7a41", "5c21", "B2", 2}};
    };
    const StartupResult result = RunStartup(options);
    ASSERT_EQ(result.status, StartupStatus::Running);
    const AppState& state = *result.state;
    ASSERT_EQ(state.usbDevices.size(), 2u);
    EXPECT_EQ(state.config.portKind, PortKind::PORT_USB);
    EXPECT_EQ(state.config.usbIndex, 1u);
    EXPECT_EQ(state.usbDevices[1].devicePath, "/dev/usb/lp1");
    EXPECT_EQ(SelectedUsbIdentifier(state.usbDevices, state.config.usbIndex), "USB(Serial No:B2)")
        << "what the configuration is saved with";
}

TEST_F(Startup, LogsSpecSetTheFlagsAndProgramEndWhenTheLogIsOn) {
    WriteConfig(u"[LOGOUT]\r\nMODE=On\r\n[PRNAME]\r\nPR_NO=TR-770 (PFBM)\r\n");
    StartupResult result = RunStartup(options);
    ASSERT_EQ(result.status, StartupStatus::Running);
    Shutdown(*result.state);
    const std::string stamp = "[10:00:00:000] ";
    std::string expected;
    for (const char* line : {">>>>>>>>>>>>>>>>>",
                             "SpecSet Start",
                             "GetWinPort Start",
                             "GetWinPort End",
                             "GetUsbPort Start",
                             "GetUSBHandle Start",
                             "GetUSBHandle [None]",
                             "GetUSBHandle End",
                             "GetUsbPort End",
                             ">>>>>>>>>>>>>>>>>",
                             "DefaultDataSet",
                             "Setup IniData Disable",
                             "Setup IniData Disable",
                             "Setup IniData Disable",
                             "Setup IniData Disable",
                             "Setup IniData Disable",
                             "DefaultDataSet",
                             "<<<<<<<<<<<<<<<<<",
                             ">>>>>>>>>>>>>>>>>",
                             "DefaultSet",
                             "bGuppy        = FALSE",
                             "bBlachmark    = TRUE",
                             "bFontTypeFace = FALSE",
                             "bCutBuzzer    = FALSE",
                             "bBusyCond     = TRUE",
                             "bOverseaMode  = FALSE",
                             "FULLCUT_Mode  = FULLCUT_CUSTOMIZE_ON",
                             "bFontb        = TRUE",
                             "bMelody       = FALSE",
                             "DefaultSet",
                             "<<<<<<<<<<<<<<<<<",
                             ">>>>>>>>>>>>>>>>>",
                             "ReadDataCheck",
                             "ReadDataCheck",
                             "<<<<<<<<<<<<<<<<<",
                             "SpecSet Start",
                             "<<<<<<<<<<<<<<<<<",
                             ">>>>>>>>>>>>>>>>>",
                             "Program END",
                             "<<<<<<<<<<<<<<<<<"}) {
        expected += stamp + line + "\r\n";
    }
    EXPECT_EQ(LogText(), expected);
}

TEST_F(Startup, SecondCopyIsToldTheUtilityIsAlreadyRunning) {
    options.lockDirectory = lockFolder.path();
    StartupResult first = RunStartup(options);
    ASSERT_EQ(first.status, StartupStatus::Running);

    const StartupResult second = RunStartup(options);
    EXPECT_EQ(second.status, StartupStatus::AlreadyRunning);
    ASSERT_TRUE(second.message);
    EXPECT_EQ(second.message->text, "The TR Thermal Printer Utility is already running.");
    EXPECT_EQ(second.message->style, lang::MB_WARNING_OK);
    EXPECT_EQ(second.message->caption, "TR Thermal Printer Utility")
        << "not the program's file name";
    EXPECT_EQ(second.state, nullptr);

    WriteConfig(u"[COUNTRY]\r\nLANGUAGE=日本語\r\n");
    const StartupResult japanese = RunStartup(options);
    ASSERT_TRUE(japanese.message);
    EXPECT_EQ(japanese.message->text, "TR Thermal Printer Utilityはすでに起動しています。")
        << "the box speaks the configured language";
    EXPECT_EQ(japanese.message->caption, "TRサーマルプリンターユーティリティ");

    Shutdown(*first.state);
    EXPECT_EQ(RunStartup(options).status, StartupStatus::Running) << "the lock goes at shutdown";
}

TEST_F(Startup, OneLanLibraryIsEnoughButNoneStopsTheStart) {
    WriteConfig(u"[LOGOUT]\r\nMODE=ON\r\n");
    missingLibraries = {std::string(kSxLanLibrary)};
    const StartupResult one = RunStartup(options);
    ASSERT_EQ(one.status, StartupStatus::Running);
    EXPECT_FALSE(one.state->libraries.sxLoaded);
    EXPECT_TRUE(one.state->libraries.qkLoaded);

    missingLibraries.insert(std::string(kQkLanLibrary));
    const StartupResult none = RunStartup(options);
    EXPECT_EQ(none.status, StartupStatus::Failed);
    ASSERT_TRUE(none.message);
    EXPECT_EQ(none.message->text,
              "A file necessary for launching the utility is missing.\n"
              "Please reinstall the utility.");
    EXPECT_EQ(none.message->style, lang::MB_WARNING_OK);
    EXPECT_NE(
        LogText().find("[10:00:00:000] >>>>>>>>>>>>>>>>>\r\n[10:00:00:000] LoadLibrary ERROR\r\n"
                       "[10:00:00:000] <<<<<<<<<<<<<<<<<\r\n"),
        std::string::npos);

    missingLibraries = {std::string(kConversionLibrary)};
    EXPECT_EQ(RunStartup(options).status, StartupStatus::Failed);
}

TEST_F(Startup, AnUnknownSystemStopsTheStartWithItsMessage) {
    options.queryOsVersion = [] {
        return platform::OsVersion{platform::OsPlatform::Windows9x, 4, 10, 1234};
    };
    const StartupResult unknown = RunStartup(options);
    EXPECT_EQ(unknown.status, StartupStatus::Failed);
    ASSERT_TRUE(unknown.message);
    EXPECT_EQ(unknown.message->text,
              "Could not identify the operating system.\nProcessing will be cancelled.");
    EXPECT_EQ(unknown.message->style, lang::MB_STOP_OK);
    EXPECT_EQ(unknown.message->caption, "TR Thermal Printer Utility");
    EXPECT_FALSE(std::filesystem::exists(home / "_DEBUG.LOG")) << "no log while the log is off";

    WriteConfig(u"[LOGOUT]\r\nMODE=ON\r\n");
    options.queryOsVersion = [] { return std::optional<platform::OsVersion>{}; };
    const StartupResult silent = RunStartup(options);
    EXPECT_EQ(silent.status, StartupStatus::Failed);
    EXPECT_FALSE(silent.message);
    EXPECT_NE(LogText().find("GetVersionEx ERROR"), std::string::npos);
}

// A damaged configuration must neither stop the start nor be rewritten: the defaults apply and
// the user's file stays exactly as it was.
TEST_F(Startup, DamagedConfigurationsStartWithDefaultsAndStayUntouched) {
    std::vector<std::vector<std::uint8_t>> files;
    files.push_back(Utf16Le(u"[PRNAME]\r\nPR_NO=TR-77"));  // truncated
    auto odd = Utf16Le(u"[PORT]\r\nPORTNAME=LAN\r\n");
    odd.push_back(0x00);
    files.push_back(odd);
    files.push_back(Utf16Le(u"[PORT]\r\nPORTNAME=\xDC00\xD800\r\n[\xD801]\r\n"));
    files.push_back(Utf16Le(u"[PORT]\r\nPORTNAME=" + std::u16string(100000, u'U') + u"\r\n[" +
                            std::u16string(100000, u'S') + u"\r\n"));
    std::vector<std::uint8_t> garbage(65536);
    std::mt19937 random(11);
    for (auto& b : garbage) {
        b = static_cast<std::uint8_t>(random());
    }
    files.push_back(garbage);
    files.push_back({});  // empty

    for (std::size_t i = 0; i < files.size(); ++i) {
        test::WriteBytes(home / "Vrtrutys.ini", files[i]);
        const StartupResult result = RunStartup(options);
        ASSERT_EQ(result.status, StartupStatus::Running) << "file " << i;
        EXPECT_EQ(result.state->model.printerRow, 0u) << "file " << i;
        EXPECT_EQ(test::ReadBytes(home / "Vrtrutys.ini"), files[i]) << "file " << i;
    }
}

}  // namespace
}  // namespace vrtruty::app
