#include "core/config.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/port_defaults.h"
#include "test_support.h"

namespace vrtruty::app {
namespace {

using test::FromUtf16Le;
using test::ProfileFromUtf16;
using test::Utf16Le;

class ConfigRead : public ::testing::Test {
  protected:
    UtilityConfig Read(std::u16string_view text) {
        return ReadUtilityConfig(ProfileFromUtf16(text), Context());
    }
    ConfigContext Context() {
        return {.comPorts = com,
                .lptPorts = lpt,
                .usbIdentifiers = usb,
                .winPortNames = {},
                .overseaMode = false,
                .portProfileText = [this](std::string_view longName) {
                    return ReadPortProfileText(portDefaults, longName);
                }};
    }

    PortNameList com = InitialComPortList();
    PortNameList lpt = InitialLptPortList();
    std::vector<std::string> usb = {"USB(Serial No:A1)", "USB(Serial No:B2)"};
    ProfileFile portDefaults;
};

TEST(ConfigCreate, WritesTheUtf16HeaderThenTheCreationKeysInTableOrder) {
    test::TempFolder home;
    const ProfileFile created = CreateConfigFile(home / "Vrtrutys.ini", PrinterNameTable()[0]);
    const auto bytes = test::ReadBytes(home / "Vrtrutys.ini");
    const std::vector<std::uint8_t> header(bytes.begin(), bytes.begin() + 18);
    EXPECT_EQ(header, Utf16Le(u"[SPEC]\r\n"));
    EXPECT_EQ(FromUtf16Le(bytes),
              u"[SPEC]\r\nSPECKEY=JAPAN\r\n[PORT]\r\nPORTNAME=なし\r\n[COMPORT]\r\nCOM_NO=COM1\r\n"
              u"[USBPORT]\r\nUSB_NO=なし\r\n[LPTPORT]\r\nLPT_NO=LPT1\r\n[PRNAME]\r\n"
              u"PR_NO=TR-770II\r\n[WINDRV]\r\nDRV_NO=VRM TR-770II Raster\r\n[WINPORT]\r\n"
              u"WIN_NO=なし\r\n[LANPORT]\r\nLAN_NO=なし\r\n[IPADDRESSLIST]\r\nCNT=0\r\n");
    EXPECT_EQ(created.Read("PRNAME", "PR_NO"), "TR-770II");
}

TEST(ConfigCreate, RegionFollowsTheFamilyAndAnExistingFileIsNeverReplaced) {
    test::TempFolder home;
    CreateConfigFile(home / "k.ini", PrinterNameTable()[3]);
    EXPECT_EQ(ProfileFile::Load(home / "k.ini").Read("SPEC", "SPECKEY"), "JAPANK");

    const auto existing = Utf16Le(u"[PORT]\r\nPORTNAME=USB\r\n");
    test::WriteBytes(home / "e.ini", existing);
    const ProfileFile profile = CreateConfigFile(home / "e.ini", PrinterNameTable()[0]);
    EXPECT_EQ(test::ReadBytes(home / "e.ini"), existing);
    EXPECT_EQ(profile.Read("PORT", "PORTNAME"), "USB");
}

TEST(ConfigEarly, LogSwitchAndPrinterNameIgnoreCaseAndFallBackToRowZero) {
    EXPECT_TRUE(ReadEarlyConfig(ProfileFromUtf16(u"[LOGOUT]\r\nMODE=on ; trace\r\n")).logEnabled);
    EXPECT_FALSE(ReadEarlyConfig(ProfileFromUtf16(u"[LOGOUT]\r\nMODE=yes\r\n")).logEnabled);
    EXPECT_FALSE(ReadEarlyConfig(ProfileFromUtf16(u"")).logEnabled);
    EXPECT_EQ(ReadEarlyConfig(ProfileFromUtf16(u"[PRNAME]\r\nPR_NO=tr-770k (wl)\r\n")).printerRow,
              4u);
    EXPECT_EQ(ReadEarlyConfig(ProfileFromUtf16(u"[PRNAME]\r\nPR_NO=TR-1400\r\n")).printerRow, 0u);
    EXPECT_EQ(ReadEarlyConfig(ProfileFromUtf16(u"[WINDRV]\r\nX=1\r\n")).printerRow, 0u);
}

TEST_F(ConfigRead, PortNameIgnoresCaseAndComments) {
    EXPECT_EQ(Read(u"[PORT]\r\nPORTNAME=usb\r\n").portKind, PortKind::PORT_USB);
    EXPECT_EQ(Read(u"[PORT]\r\nPORTNAME=USB ; the printer on the desk\r\n").portKind,
              PortKind::PORT_USB);
    EXPECT_EQ(Read(u"[PORT]\r\nPORTNAME=Lan\r\n").portKind, PortKind::PORT_LAN);
    EXPECT_EQ(Read(u"[PORT]\r\nPORTNAME=なし\r\n").portKind, PortKind::PORT_NONE);
    EXPECT_EQ(Read(u"").portKind, PortKind::PORT_NONE);
}

TEST_F(ConfigRead, SelectionsMatchFoundEntriesOnlyElseEntryZero) {
    FillPortNameList(com, {"/dev/ttyUSB0", "/dev/ttyS0"});
    const UtilityConfig found =
        Read(u"[COMPORT]\r\nCOM_NO=/DEV/TTYUSB0\r\n[USBPORT]\r\nUSB_NO=usb(serial no:b2)\r\n");
    EXPECT_EQ(found.comIndex, 1u) << "sorted by code units: ttyS0 before ttyUSB0";
    EXPECT_EQ(found.usbIndex, 1u);

    com = InitialComPortList();  // nothing found: COM1 to COM4 are names, not choices
    EXPECT_EQ(Read(u"[COMPORT]\r\nCOM_NO=COM3\r\n").comIndex, 0u);
}

TEST_F(ConfigRead, SerialParametersComeFromThePortDefaultsOfTheSelectedPort) {
    FillPortNameList(com, {"/dev/ttyUSB0"});
    portDefaults = ProfileFromUtf16(u"[Ports]\r\n/dev/ttyUSB0=38400,e,7,1,x\r\n");
    const SerialSettings s = Read(u"[COMPORT]\r\nCOM_NO=/dev/ttyUSB0\r\n").serial;
    EXPECT_EQ(s.baudIndex, 4);
    EXPECT_EQ(s.dataBits, 0);
    EXPECT_EQ(s.parity, 1);
    EXPECT_EQ(s.protocolIndex, 1);
    EXPECT_EQ(s.formatIndex, 0);

    portDefaults = ProfileFromUtf16(u"");
    const SerialSettings d = Read(u"").serial;  // "9600,n,8,1,p"
    EXPECT_EQ((std::array{d.baudIndex, d.dataBits, d.parity, d.protocolIndex, d.formatIndex}),
              (std::array<std::uint16_t, 5>{2, 1, 0, 0, 2}));
}

TEST(SerialProfileText, MapsEachField) {
    struct Case {
        std::string_view text;
        std::array<std::uint16_t, 5> expected;  // baud, data bits, parity, protocol, format
    };
    const Case cases[] = {
        {"2400,n,8,1,p", {0, 1, 0, 0, 2}},
        {"4800,o,8,1,x", {1, 1, 2, 1, 4}},
        {"19200,e,8,1", {3, 1, 1, 0, 3}},
        {"57600,o,7,1,p", {5, 0, 2, 0, 1}},
        {"115200,n,7,1, ", {6, 0, 0, 0, 1}},
        {"1200,n,8,1,x", {2, 1, 0, 1, 2}},
        {"", {2, 1, 0, 0, 2}},
    };
    for (const Case& c : cases) {
        const SerialSettings s = ParsePortProfileText(c.text);
        EXPECT_EQ((std::array{s.baudIndex, s.dataBits, s.parity, s.protocolIndex, s.formatIndex}),
                  c.expected)
            << "profile text \"" << c.text << "\"";
    }
    EXPECT_EQ(ParsePortProfileText("9600,n,8,1", true).protocolIndex, 1)
        << "a missing handshake field takes the software-handshake default";
}

TEST_F(ConfigRead, NetworkListIsCappedAt255AndEndsAtTheFirstIncompleteEntry) {
    std::u16string text = u"[LANPORT]\r\nLAN_NO=10.0.0.3\r\n[IPADDRESSLIST]\r\nCNT=300\r\n";
    for (int i = 1; i <= 300; ++i) {
        char key[128];
        std::snprintf(key, sizeof key,
                      "USED_DLLMD%03d=1\r\nIP_ADDRESS%03d=10.0.0.%d\r\nMACADDRESS%03d=m%d\r\n", i,
                      i, i, i, i);
        text.append(key, key + std::strlen(key));
    }
    const UtilityConfig full = Read(text);
    EXPECT_EQ(full.lanPrinters.size(), 255u);
    EXPECT_EQ(full.lanIndex, 2u);
    EXPECT_TRUE(full.lanKeysInUse);
    EXPECT_EQ(full.lanPrinters[254].ipAddress, "10.0.0.255");

    const UtilityConfig gap = Read(
        u"[IPADDRESSLIST]\r\nCNT=3\r\nUSED_DLLMD001=0\r\nIP_ADDRESS001=10.0.0.1\r\n"
        u"MACADDRESS001=m1\r\nUSED_DLLMD002=1\r\nIP_ADDRESS002=10.0.0.2\r\n"
        u"USED_DLLMD003=1\r\nIP_ADDRESS003=10.0.0.3\r\nMACADDRESS003=m3\r\n");
    ASSERT_EQ(gap.lanPrinters.size(), 1u);
    EXPECT_EQ(gap.lanPrinters[0].macAddress, "m1");
    EXPECT_FALSE(gap.lanKeysInUse) << "no LANPORT section";
}

TEST_F(ConfigRead, DriverListFallsBackWholeWhenOneNameIsMissing) {
    const UtilityConfig own = Read(u"[WINDRV]\r\nCNT=2\r\nNAME01=Driver A\r\nNAME02=Driver B\r\n");
    EXPECT_EQ(own.driverNames, (std::vector<std::string>{"Driver A", "Driver B"}));

    const UtilityConfig gap = Read(u"[WINDRV]\r\nCNT=2\r\nNAME01=Driver A\r\nNAME02=\r\n");
    EXPECT_EQ(gap.driverNames, DefaultDriverNames(false));
    EXPECT_EQ(gap.driverNames.size(), 5u);
    EXPECT_EQ(DefaultDriverNames(true), (std::vector<std::string>{"VRM TR-770II Raster"}));
}

TEST_F(ConfigRead, SwitchesHaveTheirDefaultsAndIgnoreCase) {
    // Status check, printer test, error auto-recovery, buzzer.
    const auto switches = [](const UtilityConfig& c) {
        const auto& s = c.switches;
        return std::array{s.statusCheck, s.printerTest, s.errorAutoRecover, s.buzzer};
    };
    EXPECT_EQ(switches(Read(u"")), (std::array{true, false, false, true}));
    EXPECT_EQ(
        switches(Read(
            u"[STATUSCHECK]\r\nMODE=off\r\n[PRINTERTEST]\r\nMODE=On\r\n[ERRAUTO]\r\nMODE=ON\r\n"
            u"[BUZZER]\r\nMODE=OFF\t; quiet\r\n")),
        (std::array{false, true, true, false}));
}

TEST(ConfigRegionAndLanguage, ReadTheirKeysIgnoringCase) {
    const RegionResult xrv = ReadRegion(ProfileFromUtf16(u"[SPEC]\r\nSPECKEY=xrv\r\n"));
    EXPECT_EQ(xrv.regionIndex, 4);
    EXPECT_TRUE(xrv.overseaMode);

    const std::vector<std::string> names = {"日本語", "English"};
    const LanguageChoice english =
        ReadLanguageChoice(ProfileFromUtf16(u"[COUNTRY]\r\nLANGUAGE=english\r\n"), names);
    EXPECT_EQ(english.index, 1u);
    EXPECT_TRUE(english.recognised);
    EXPECT_FALSE(ReadLanguageChoice(ProfileFromUtf16(u"[COUNTRY]\r\nLANGUAGE=Klingon\r\n"), names)
                     .recognised);

    EXPECT_EQ(ReadChineseVariant(ProfileFromUtf16(u"[LANGUAGESPEC]\r\nSPEC=TraditionalChinese\r\n"))
                  .variant,
              1);
}

class ConfigSave : public ::testing::Test {
  protected:
    std::error_code Save(const UtilityConfig& config) {
        return SaveUtilityConfig(home / "Vrtrutys.ini", config,
                                 {.printerRow = PrinterNameTable()[1],
                                  .languageName = "English",
                                  .noneWord = "None",
                                  .comPorts = com,
                                  .lptPorts = lpt,
                                  .usbIdentifier = "",
                                  .winPortName = ""});
    }
    std::u16string FileText() { return FromUtf16Le(test::ReadBytes(home / "Vrtrutys.ini")); }

    test::TempFolder home;
    PortNameList com = InitialComPortList();
    PortNameList lpt = InitialLptPortList();
};

TEST_F(ConfigSave, WritesTheDialogKeysInPlaceAndDeletesSurplusNetworkPrinters) {
    test::WriteBytes(
        home / "Vrtrutys.ini",
        Utf16Le(u"[SPEC]\r\nSPECKEY=JAPAN\r\n; kept comment\r\n[LANPORT]\r\nLAN_NO=a\r\n"
                u"[IPADDRESSLIST]\r\nCNT=2\r\nUSED_DLLMD001=0\r\nIP_ADDRESS001=a\r\n"
                u"MACADDRESS001=ma\r\nUSED_DLLMD002=1\r\nIP_ADDRESS002=b\r\n"
                u"MACADDRESS002=mb\r\n[USER]\r\nX=1\r\n"));
    UtilityConfig config;
    config.portKind = PortKind::PORT_LAN;
    config.lanKeysInUse = true;
    config.lanPrinters = {{1, "192.168.0.5", "00:11", {}}};
    config.lanIndex = 0;
    ASSERT_FALSE(Save(config));
    EXPECT_EQ(FileText(),
              u"[SPEC]\r\nSPECKEY=JAPAN\r\n; kept comment\r\n[LANPORT]\r\nLAN_NO=192.168.0.5\r\n"
              u"[IPADDRESSLIST]\r\nCNT=1\r\nUSED_DLLMD001=1\r\nIP_ADDRESS001=192.168.0.5\r\n"
              u"MACADDRESS001=00:11\r\n[USER]\r\nX=1\r\n[COUNTRY]\r\nLANGUAGE=English\r\n"
              u"[PORT]\r\nPORTNAME=LAN\r\n[COMPORT]\r\nCOM_NO=COM1\r\n[USBPORT]\r\nUSB_NO=None\r\n"
              u"[LPTPORT]\r\nLPT_NO=LPT1\r\n[PRNAME]\r\nPR_NO=TR-770\r\n[WINDRV]\r\n"
              u"DRV_NO=VRM TR-770 Raster\r\n[WINPORT]\r\nWIN_NO=None\r\n");
}

TEST_F(ConfigSave, WithoutLanportTheNetworkKeysAreLeftAlone) {
    const std::u16string original =
        u"[SPEC]\r\nSPECKEY=JAPAN\r\n[LPTPORT]\r\nLPT_NO=LPT2\r\n[IPADDRESSLIST]\r\nCNT=1\r\n"
        u"USED_DLLMD001=0\r\nIP_ADDRESS001=10.1.1.1\r\nMACADDRESS001=m\r\n";
    test::WriteBytes(home / "Vrtrutys.ini", Utf16Le(original));
    UtilityConfig config;  // read from a file without LANPORT: keys not in use
    config.portKind = PortKind::PORT_USB;
    config.lanPrinters = {};
    ASSERT_FALSE(Save(config));
    const std::u16string text = FileText();
    EXPECT_EQ(text.find(u"LAN_NO"), std::u16string::npos);
    EXPECT_NE(text.find(u"LPT_NO=LPT2\r\n"), std::u16string::npos);
    EXPECT_NE(text.find(u"[IPADDRESSLIST]\r\nCNT=1\r\nUSED_DLLMD001=0\r\nIP_ADDRESS001=10.1.1.1\r\n"
                        u"MACADDRESS001=m\r\n"),
              std::u16string::npos);
    EXPECT_NE(text.find(u"[COUNTRY]\r\nLANGUAGE=English\r\n"), std::u16string::npos)
        << "the chosen language is written even when the file named none";
    EXPECT_NE(text.find(u"PORTNAME=USB"), std::u16string::npos);
}

TEST_F(ConfigSave, AddsTheRegionOnlyWhenItIsMissing) {
    test::WriteBytes(home / "Vrtrutys.ini", Utf16Le(u"[PORT]\r\nPORTNAME=COM\r\n"));
    ASSERT_FALSE(Save(UtilityConfig{}));
    const std::u16string text = FileText();
    EXPECT_EQ(text.substr(0, 23), u"[PORT]\r\nPORTNAME=None\r\n");
    EXPECT_NE(text.find(u"[SPEC]\r\nSPECKEY=OVERSEA\r\n"), std::u16string::npos);
}

TEST(ComPortDefaults, TheSerialSettingsBecomeThePortsStoredDefaults) {
    test::TempFolder home;
    SerialSettings serial = ParsePortProfileText("9600,n,8,1,x");
    EXPECT_EQ(ApplyComPortSettings(home.path(), PortKind::PORT_COM, "/dev/ttyUSB0", serial),
              "9600,n,8,1,x");
    serial.dataBits = 0;  // 7 bits without parity has no text of its own
    serial.baudIndex = 6;
    EXPECT_EQ(PortProfileText(serial), "115200,n,8,1,x");
    serial.parity = 1;
    EXPECT_EQ(PortProfileText(serial), "115200,e,7,1,x");

    const ProfileFile store = ProfileFile::Load(home / "Ports.ini");
    EXPECT_EQ(ReadPortProfileText(store, "/dev/ttyUSB0"), "9600,n,8,1,x");
    EXPECT_EQ(ApplyComPortSettings(home.path(), PortKind::PORT_LAN, "10.0.0.1", serial),
              std::nullopt)
        << "only serial ports have stored defaults";
}

}  // namespace
}  // namespace vrtruty::app
