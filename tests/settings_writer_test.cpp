// The command block that writes the settings, byte for byte per model, and the send that carries
// it: what the host's serial settings and the remembered values become afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>
#include <tuple>

#include "comm/error_codes.h"
#include "comm/send_operation.h"
#include "lang/language_files.h"
#include "port_harness.h"
#include "settings/settings_writer.h"
#include "settings_test_support.h"

namespace vrtruty::settings {
namespace {

using namespace test;
using Bytes = std::vector<std::uint8_t>;

// A printer selected as start-up does: the record being edited holds its factory values.
struct Factory {
    explicit Factory(std::size_t row, std::string_view region = "JAPAN")
        : model(SelectPrinter(state, row, texts, log, region)) {}

    lang::TextTable texts = lang::LoadLanguageTexts({});
    app::Logger log;
    SettingsState state;
    app::CurrentModel model;
};

Bytes Text(std::string_view text) {
    return {text.begin(), text.end()};
}
bool Contains(const Bytes& block, const Bytes& run) {
    return std::ranges::search(block, run).begin() != block.end();
}

const Bytes kLength = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x0B, 0x04};
const Bytes kParity = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x0B, 0x02};
const Bytes kProtocol = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x0B, 0x03};
const Bytes k8None1 = Join({kLength, Text("8"), kParity, Text("0")});
// One memory-switch command for the numbers and their bits 8 to 1.
Bytes Switches(std::initializer_list<std::pair<std::uint8_t, std::string_view>> switches) {
    Bytes bytes = {0x1D, 0x28, 0x45, static_cast<std::uint8_t>(1 + 9 * switches.size()),
                   0x00, 0x03};
    for (const auto& [number, bits] : switches) {
        bytes.push_back(number);
        bytes.insert(bytes.end(), bits.begin(), bits.end());
    }
    return bytes;
}
// One customise-value command for the numbers and their 16-bit values.
Bytes Values(std::initializer_list<std::pair<std::uint8_t, std::uint16_t>> values) {
    Bytes bytes = {0x1D, 0x28, 0x45, static_cast<std::uint8_t>(1 + 3 * values.size()), 0x00, 0x05};
    for (const auto& [number, value] : values) {
        bytes.insert(bytes.end(), {number, static_cast<std::uint8_t>(value & 0xFF),
                                   static_cast<std::uint8_t>(value >> 8)});
    }
    return bytes;
}

// What the rows' blocks of their factory values differ in.
struct FactoryBlock {
    std::size_t row;
    std::string_view msw8;  // switches 1 and 2 are the same for every row
    std::uint8_t maxSpeed;
    Bytes optionalValues;
    std::string_view msw126, msw127, msw125;

    // `format` is the data-length and parity items, in the order they are sent.
    Bytes Expected(const Bytes& format = k8None1) const {
        // 1KByte steps 4, NV graphics 7, 48 columns, 100 %, the maximum speed, low power normal,
        // mono, 100 %.
        const Bytes eightValues =
            Values({{1, 4}, {2, 7}, {3, 48}, {5, 0}, {6, maxSpeed}, {97, 0}, {116, 1}, {118, 0}});
        const Bytes baud = Join({{0x1D, 0x28, 0x45, 0x08, 0x00, 0x0B, 0x01}, Text("115200")});
        return Join({kEscAt, kIn, Switches({{1, "00200101"}, {2, "22222221"}, {8, msw8}}),
                     eightValues, optionalValues, baud, format, kProtocol, Text("0"),
                     Switches({{126, msw126}}), Switches({{127, msw127}}),
                     Switches({{125, msw125}}), kOut});
    }
};
const FactoryBlock kTr770Block = {kTr770, "02222222", 0x09, {}, "00110111", "22022221", "22222220"};

Bytes SettingsBlock(std::size_t row, bool errorAutoRecover = false) {
    Factory factory(row);
    return BuildSendBlock(comm::kOperationSendSettings, factory.state, factory.model,
                          errorAutoRecover);
}

TEST(SettingsBlock, EachRowSendsItsOwnSwitchesAndOptionalValues) {
    // The TR-770II adds grayscale density, speed at grayscale and top of form at auto logo and
    // has its auto logo bit; the PFBM sends its cutter as a value and its black mark and roll
    // paper bits; the K variants send the buzzer pattern.
    const Bytes buzzer = Values({{125, 2}, {126, 3}});
    const FactoryBlock rows[] = {
        {kTr770II, "02222222", 0x0B, Values({{53, 5}, {54, 9}, {122, 115}}), "00110111", "22022221",
         "22221220"},
        kTr770Block,
        {kPfbm, "02022222", 0x09, Values({{127, 0}}), "00120111", "02012221", "22022200"},
        {kTr770K, "02222222", 0x09, buzzer, "10110111", "22022221", "22222220"},
        {kTr770KWl, "02222222", 0x09, buzzer, "10110111", "22022221", "22222220"},
    };
    for (const FactoryBlock& expected : rows) {
        EXPECT_EQ(Hex(SettingsBlock(expected.row)), Hex(expected.Expected()))
            << app::PrinterNameTable()[expected.row].displayName;
    }
}

TEST(SettingsBlock, SevenBitFormatsSendTheParityBeforeTheDataLength) {
    Factory tr770(kTr770);
    const std::pair<int, Bytes> formats[] = {
        {0, Join({kParity, Text("2"), kLength, Text("7")})},  // 7EVEN1
        {1, Join({kParity, Text("1"), kLength, Text("7")})},  // 7ODD1
        {2, k8None1},
        {3, Join({kLength, Text("8"), kParity, Text("2")})},  // 8EVEN1
        {4, Join({kLength, Text("8"), kParity, Text("1")})},  // 8ODD1
    };
    for (const auto& [format, items] : formats) {
        tr770.state.current[71] = static_cast<std::uint8_t>(format);
        EXPECT_EQ(
            Hex(BuildSendBlock(comm::kOperationSendSettings, tr770.state, tr770.model, false)),
            Hex(kTr770Block.Expected(items)))
            << "format " << format;
    }
}

TEST(SettingsBlock, ErrorRecoveryComesFirstAndTheSettingListIsOneTestPrint) {
    EXPECT_EQ(Hex(SettingsBlock(kTr770, true)), Hex(Join({kRecovery, kTr770Block.Expected()})));
    Factory tr770(kTr770);
    const Bytes settingList = {0x1D, 0x28, 0x41, 0x02, 0x00, 0x00, 0x02};
    EXPECT_EQ(Hex(BuildSendBlock(comm::kOperationSettingList, tr770.state, tr770.model, true)),
              Hex(Join({kRecovery, kEscAt, settingList})));
    EXPECT_EQ(Hex(BuildSendBlock(comm::kOperationSettingList, tr770.state, tr770.model, false)),
              Hex(Join({kEscAt, settingList})));
}

TEST(SettingsBlock, XrvLeavesFontBUnchangedAndWritesTheTypeFace) {
    Factory xrv(kTr770, "XRV");
    xrv.state.current[79] = 1;
    xrv.state.current[94] = 1;
    const Bytes block = BuildSendBlock(comm::kOperationSendSettings, xrv.state, xrv.model, false);
    EXPECT_TRUE(Contains(block, Switches({{126, "00112111"}}))) << Hex(block);
    EXPECT_TRUE(Contains(block, Switches({{127, "22021221"}}))) << Hex(block);
}

TEST(SettingsBlock, ValuesAreEncodedAsThePrinterCountsThem) {
    Factory tr770II(kTr770II);
    SettingRecord& record = tr770II.state.current;
    record[59] = 0;   // 1KByte
    record[61] = 5;   // 58mm/32column
    record[62] = 1;   // two colours
    record[63] = 0;   // 70 %: -6
    record[64] = 12;  // 130 %: +6
    record[66] = 2;   // low power mode 2
    record[92] = 0;   // 1.5mm
    record[70] = 0;   // 2400
    record[72] = 1;   // XON/XOFF
    Bytes block;
    const std::size_t end = BuildSettingCommands(block, tr770II.state, tr770II.model);
    EXPECT_EQ(end, block.size());
    const Bytes values = {0x1D, 0x28, 0x45, 0x19, 0x00, 0x05, 0x01, 0x01, 0x00, 0x02,
                          0x07, 0x00, 0x03, 0x20, 0x00, 0x05, 0xFA, 0xFF, 0x06, 0x0B,
                          0x00, 0x61, 0x02, 0x00, 0x74, 0x01, 0x01, 0x76, 0x06, 0x00};
    EXPECT_TRUE(Contains(block, values)) << Hex(block);
    EXPECT_TRUE(Contains(block, Bytes{0x7A, 0x0F, 0x00})) << Hex(block);
    EXPECT_TRUE(Contains(block, Join({Bytes{0x1D, 0x28, 0x45, 0x06, 0x00, 0x0B, 0x01}, Text("2400"),
                                      k8None1, kProtocol, Text("1")})))
        << Hex(block);
}

TEST(SettingsBlock, AnotherNvGraphicsSizeMakesThePrinterLogoInformationStale) {
    Factory tr770(kTr770);
    tr770.state.rememberedNvChoice = 6;
    tr770.state.printerInfoValid = true;
    Bytes block;
    BuildSettingCommands(block, tr770.state, tr770.model);
    EXPECT_TRUE(tr770.state.printerInfoValid) << "same size as the printer has";

    tr770.state.current[60] = 2;
    BuildSettingCommands(block, tr770.state, tr770.model);
    EXPECT_FALSE(tr770.state.printerInfoValid);
    EXPECT_EQ(tr770.state.rememberedNvChoice, 6)
        << "only a completed send changes what the printer has";
}

class SendSettingsTest : public ::testing::Test, public test::PortHarness {
  protected:
    void SetUp() override {
        switches.statusCheck = false;
        Use(app::PortKind::PORT_USB);
        state.current[70] = 3;   // 19200
        state.current[71] = 0;   // 7EVEN1
        state.current[72] = 1;   // XON/XOFF
        host = {2, 1, 0, 0, 2};  // 9600 8N1 DSR/DTR
    }
    int Send(int mode) { return SendSettings(Port(), state, model, host, mode); }
    // Baud, format, data bits, parity and protocol.
    std::tuple<int, int, int, int, int> Host() const {
        return {host.baudIndex, host.formatIndex, host.dataBits, host.parity, host.protocolIndex};
    }

    Factory tr770{kTr770};
    SettingsState& state = tr770.state;
    const app::CurrentModel& model = tr770.model;
    app::SerialSettings host;
};

TEST_F(SendSettingsTest, ASuccessfulSendMovesTheHostToTheNewSerialSettings) {
    SettingsState fresh;
    fresh.current = state.current;
    const Bytes block = BuildSendBlock(comm::kOperationSendSettings, fresh, model, false);
    ASSERT_EQ(Send(comm::kOperationSendSettings), comm::PRT_SUCCESS);
    EXPECT_EQ(Hex(device.written()), Hex(block));
    EXPECT_EQ(Host(), std::tuple(3, 0, 0, 1, 1)) << "19200, 7 bits, even, XON/XOFF";
    EXPECT_TRUE(state.serialChanged);
    EXPECT_EQ(std::tuple(state.lastSent.paperWidth, state.lastSent.nvGraphics, state.lastSent.baud,
                         state.lastSent.format, state.lastSent.protocol),
              std::tuple(1, 6, 3, 0, 1));
    EXPECT_EQ(state.rememberedNvChoice, 6);

    state.serialChanged = false;
    ASSERT_EQ(Send(comm::kOperationSendSettings), comm::PRT_SUCCESS);
    EXPECT_FALSE(state.serialChanged) << "the host has these settings already";

    ASSERT_EQ(Send(comm::kOperationSettingList), comm::PRT_SUCCESS);
    EXPECT_EQ(Hex(Written().back()), "1B 40 1D 28 41 02 00 00 02");
}

TEST_F(SendSettingsTest, EveryFormatGivesTheHostItsDataBitsAndParity) {
    // Host coding: data bits 0 = 7, 1 = 8; parity 0 none, 1 even, 2 odd.
    const std::array<std::pair<std::uint16_t, std::uint16_t>, 5> expected = {
        {{0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}}};
    for (std::uint8_t format = 0; format < expected.size(); ++format) {
        host.formatIndex = format == 0 ? 1 : 0;
        state.current[71] = format;
        ASSERT_EQ(Send(comm::kOperationSendSettings), comm::PRT_SUCCESS);
        EXPECT_EQ(std::pair(host.dataBits, host.parity), expected[format]) << "format " << +format;
    }
}

TEST_F(SendSettingsTest, AFailedSendKeepsTheHostSettingsAndTheRememberedValues) {
    device.FailNextWrite();
    EXPECT_EQ(Send(comm::kOperationSendSettings), comm::PRT_ERR_SEND);
    EXPECT_EQ(Host(), std::tuple(2, 2, 1, 0, 0));
    EXPECT_FALSE(state.serialChanged);
    EXPECT_EQ(state.lastSent.baud, 0);
}

TEST_F(SendSettingsTest, NetworkTargetsGetTheSettingsInTurnUntilOneFails) {
    Use(app::PortKind::PORT_LAN);
    config.lanPrinters.push_back({0, "192.168.0.21", "", {}});
    config.lanPrinters.push_back({0, "192.168.0.22", "", {}});
    lan.QueueOpenPort(7);
    lan.QueueOpenPort(-1);  // the second printer cannot be reached
    lan.QueueOpenPort(-1);
    lan.QueueOpenPort(-1);
    std::vector<bool> changedAtTarget;
    const int result =
        SendSettingsToTargets(Port(), state, model, host, comm::kOperationSendSettings,
                              [&] { changedAtTarget.push_back(state.serialChanged); });
    EXPECT_EQ(result, comm::PRT_ERR_OPEN);
    EXPECT_EQ(lan.openedAddresses(), (std::vector<std::string>{"192.168.0.20", "192.168.0.21",
                                                               "192.168.0.21", "192.168.0.21"}))
        << "the third printer is not tried";
    EXPECT_EQ(changedAtTarget, std::vector<bool>{true}) << "once, for the first printer";
    EXPECT_FALSE(state.serialChanged) << "cleared after the successful target";
    EXPECT_EQ(host.baudIndex, 3);
}

}  // namespace
}  // namespace vrtruty::settings
