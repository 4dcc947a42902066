// Reading the settings from a scripted printer: the queries a model makes, how every reply is
// checked and converted, the error words of bad replies, and that only a complete read changes
// the settings being edited.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include "comm/error_codes.h"
#include "lang/language_files.h"
#include "port_harness.h"
#include "settings/settings_reader.h"
#include "settings_test_support.h"

namespace vrtruty::settings {
namespace {

using namespace test;
using Bytes = std::vector<std::uint8_t>;
using Replies = std::map<Bytes, Bytes>;
using Exchange = Replies::value_type;  // a query and the printer's reply

const Bytes kStatus1 = {0x10, 0x04, 0x01};
// A byte no setting has, so a setting copied from the record being edited is easy to tell.
constexpr std::uint8_t kMark = 0x5A;

class ReadSettingsTest : public ::testing::Test, public test::PortHarness {
  protected:
    static Bytes Query(std::uint8_t function, std::uint8_t number) {
        return {0x1D, 0x28, 0x45, 0x02, 0x00, function, number};
    }
    static Bytes SwitchQuery(std::uint8_t number) { return Query(4, number); }
    static Bytes ValueQuery(std::uint8_t number) { return Query(6, number); }
    static Bytes SerialQuery(std::uint8_t number) { return Query(12, number); }
    static Bytes Reply(std::initializer_list<std::uint8_t> header, std::string_view body) {
        Bytes reply(header);
        reply.insert(reply.end(), body.begin(), body.end());
        reply.push_back(0x00);
        return reply;
    }
    // Characters of bits 8 down to 1.
    static Bytes SwitchReply(std::string_view bits) { return Reply({0x37, 0x21}, bits); }
    static Bytes ValueReply(int number, std::string_view value) {
        return Reply({0x37, 0x27}, std::to_string(number) + "\x1F" + std::string(value));
    }
    static Bytes SerialReply(int number, std::string_view value) {
        return Reply({0x37, 0x33}, std::to_string(number) + "\x1F" + std::string(value));
    }
    static Exchange Switch(std::uint8_t n, std::string_view bits) {
        return {SwitchQuery(n), SwitchReply(bits)};
    }
    static Exchange Value(std::uint8_t n, std::string_view v) {
        return {ValueQuery(n), ValueReply(n, v)};
    }
    static Exchange Serial(std::uint8_t n, std::string_view v) {
        return {SerialQuery(n), SerialReply(n, v)};
    }

    ReadSettingsTest() {
        Use(app::PortKind::PORT_USB);
        switches.statusCheck = false;
        state.current.bytes.fill(kMark);
        state.current[41] = 0;  // the PNE length of the six-page layout: 30 cm
        state.current[42] = 3;
        state.current[43] = 0;
        // A printer that answers every query any model makes, mostly with other values than the
        // factory ones; bit 6 of switch 1 is not read, so not checked.
        printer = {Switch(1, "01x01001"),   Switch(2, "xxxxxxx0"),   Switch(8, "10000000"),
                   Switch(125, "00100011"), Switch(126, "10100110"), Switch(127, "10111001"),
                   Value(1, "2"),           Value(2, "3"),           Value(3, "42"),
                   Value(5, "65534"),       Value(53, "7"),          Value(6, "9"),
                   Value(54, "2"),          Value(97, "1"),          Value(116, "257"),
                   Value(118, "3"),         Value(122, "45"),        Value(125, "5"),
                   Value(126, "0"),         Value(127, "2"),         Serial(1, "19200"),
                   Serial(2, "1"),          Serial(3, "1"),          Serial(4, "7")};
        printer[kReset3] = {0x3B, 0x33, 0x00};
        printer[kBufferClear] = {0x37, 0x25, 0x00};
        printer[kStatus1] = {0x12};
    }

    // The printer with `changes` in place of its own answers (an empty answer is none at all);
    // the write after `failAfter` fails.
    void Script(const Replies& changes, const Bytes& failAfter = {}) {
        device = {};
        Replies replies = changes;
        replies.insert(printer.begin(), printer.end());
        device.SetResponder([this, replies, failAfter](std::span<const std::uint8_t> data) {
            const Bytes written(data.begin(), data.end());
            if (written == failAfter) {
                device.FailNextWrite();
            }
            const auto it = replies.find(written);
            return it == replies.end() ? Bytes{} : it->second;
        });
    }
    // ReadSettings alone on an open port, against a printer with nothing left to say.
    int Read(const Replies& changes = {}, const Bytes& failAfter = {}) {
        Script(changes, failAfter);
        const int handle = Port().PortOpen(Port().GetPortName(1));
        EXPECT_NE(handle, comm::PortAccess::kInvalidHandle);
        return ReadSettings(Port(), state, model, kReadAllSettings, handle);
    }
    int Get(const Replies& changes = {}) {
        Script(changes);
        return GetPrinterSettings(Port(), state, model, kReadAllSettings, Port().GetPortName(1),
                                  texts);
    }
    std::uint8_t Received(int recordByte) const {
        return state.reception[static_cast<std::size_t>(recordByte)];
    }

    SettingsState state;
    app::CurrentModel model = SettingsModel(kTr770II);
    Replies printer;
    lang::TextTable texts = lang::LoadLanguageTexts({});  // the built-in English texts
};

TEST_F(ReadSettingsTest, ACompleteReadOfTheTr770IIReplacesTheRecordBeingEdited) {
    state.reception[42] = 3;  // a PNE length of 30 cm, which this catalogue never reads
    ASSERT_EQ(Get(), 0);

    EXPECT_EQ(Written(), (std::vector<Bytes>{
                             kEscAt,           SwitchQuery(1),   SwitchQuery(2),   SwitchQuery(8),
                             SwitchQuery(125), SwitchQuery(126), SwitchQuery(127), ValueQuery(1),
                             ValueQuery(2),    ValueQuery(3),    ValueQuery(5),    ValueQuery(53),
                             ValueQuery(6),    ValueQuery(54),   ValueQuery(97),   ValueQuery(116),
                             ValueQuery(118),  ValueQuery(122),  SerialQuery(1),   SerialQuery(2),
                             SerialQuery(3),   SerialQuery(4),   kReset3}));
    EXPECT_EQ(opener.opened, 1);

    // The reception record started empty: what the read does not fill stays 0, what the model
    // does not have comes from the record being edited.
    SettingRecord expected;
    expected[42] = 3;
    const std::map<int, int> read = {
        {49, 1}, {50, 0}, {51, 0}, {52, 1}, {53, 0}, {54, 1}, {55, 0},   // switch 1
        {56, 0}, {58, 1}, {81, 1}, {93, 0},                              // switches 2, 8, 125
        {84, 1}, {77, 0}, {74, 1}, {67, 0}, {79, 0}, {75, 1}, {78, 1},   // switch 126
        {76, 0}, {73, 1}, {80, 1},                                       // switch 127
        {59, 1}, {60, 2}, {61, 2}, {63, 4}, {90, 6}, {65, 8}, {91, 1},   // values
        {66, 1}, {62, 1}, {64, 9}, {92, 1}, {70, 3}, {72, 1}, {71, 1}};  // 7ODD1
    for (const auto& [at, value] : read) {
        expected[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value);
    }
    for (const int missing : {57, 68, 69, 82, 83, 85, 86, 94}) {
        expected[static_cast<std::size_t>(missing)] = kMark;
    }
    EXPECT_EQ(state.reception, expected);
    // The current record takes over what was read; its model name and the six-page bytes stay.
    for (std::size_t at = 0; at < kPagesBegin; ++at) {
        expected[at] = state.current[at];
    }
    expected[87] = expected[88] = expected[89] = kMark;
    EXPECT_EQ(state.current, expected);
    EXPECT_EQ(state.pneLengthText, "(30cm)");
}

TEST_F(ReadSettingsTest, TheNvChoiceReadIsRememberedAndAChangeVoidsThePrinterLogoInformation) {
    // The printer reports NV graphics choice 2 (customise value 2 = 3).
    for (const auto& [remembered, stillValid] : {std::pair{2, true}, {6, false}}) {
        state.rememberedNvChoice = remembered;
        state.printerInfoValid = true;
        ASSERT_EQ(Get(), 0);
        EXPECT_EQ(state.rememberedNvChoice, 2);
        EXPECT_EQ(state.printerInfoValid, stillValid) << "remembered before: " << remembered;
    }
}

TEST_F(ReadSettingsTest, KVariantsReadTheBuzzerPatternAndTheOthersKeepTheirs) {
    model = SettingsModel(kTr770K);
    ASSERT_EQ(Get(), 0);
    EXPECT_EQ(std::ranges::count(Written(), ValueQuery(53)), 0);
    EXPECT_EQ(state.current[68], 4);
    EXPECT_EQ(state.current[69], 0);
    EXPECT_EQ(state.current[90], kMark);

    model = SettingsModel(kTr770);
    state.current[68] = 2;
    state.current[69] = 5;
    ASSERT_EQ(Get(), 0);
    EXPECT_EQ(std::ranges::count(Written(), ValueQuery(125)), 0);
    EXPECT_EQ(std::ranges::count(Written(), ValueQuery(126)), 0);
    EXPECT_EQ(state.current[68], 2);
    EXPECT_EQ(state.current[69], 5);
}

TEST_F(ReadSettingsTest, PfbmReadsItsCutterAsCustomiseValueAndItsBlackMarkBits) {
    model = SettingsModel(kPfbm);
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(clock.waits().front(), std::chrono::milliseconds(100)) << "after ESC @";
    EXPECT_EQ(Received(67), 2) << "customise value 127, not switch 126 bit 5";
    EXPECT_EQ(Received(57), 0) << "switch 8 bit 6";
    EXPECT_EQ(Received(82), 1) << "switch 127 bit 8";
    EXPECT_EQ(Received(83), 1) << "switch 127 bit 5";
    EXPECT_EQ(Received(85), 1) << "switch 125 bit 2";
    EXPECT_EQ(Received(86), 1) << "switch 125 bit 6";
    EXPECT_EQ(Received(93), kMark) << "the auto logo is the TR-770II's";
}

TEST_F(ReadSettingsTest, RepliesBecomeTheIndexOfTheirChoice) {
    // The reply, the record byte and the index it gets. Print density 65530 (-6) is 70 %, 0 is
    // 100 %, 6 is 130 %; Max Speed n is the n-th speed.
    const std::tuple<Exchange, int, int> cases[] = {
        {Value(5, "65530"), 63, 0}, {Value(5, "65535"), 63, 5},   {Value(5, "0"), 63, 6},
        {Value(5, "6"), 63, 12},    {Value(118, "65530"), 64, 0}, {Value(6, "10"), 65, 9},
        {Value(6, "11"), 65, 10}};
    for (const auto& [exchange, recordByte, index] : cases) {
        ASSERT_EQ(Read({exchange}), 0) << Hex(exchange.second);
        EXPECT_EQ(Received(recordByte), index) << Hex(exchange.second);
    }
    model = SettingsModel(kTr770);
    ASSERT_EQ(Read({Value(6, "9")}), 0);
    EXPECT_EQ(Received(65), 8) << "the last of the TR-770's nine speeds";

    // Parity, data length and the format they make.
    const std::tuple<std::string_view, std::string_view, int> formats[] = {
        {"2", "7", 0}, {"1", "7", 1}, {"0", "8", 2}, {"2", "8", 3}, {"1", "8", 4}};
    for (const auto& [parity, length, format] : formats) {
        ASSERT_EQ(Read({Serial(2, parity), Serial(4, length)}), 0);
        EXPECT_EQ(Received(71), format) << "parity " << parity << ", length " << length;
    }
}

TEST_F(ReadSettingsTest, ABadReplyGivesItsErrorWordAndLeavesTheRecordBeingEdited) {
    state.rememberedNvChoice = 6;
    state.printerInfoValid = true;
    const SettingRecord before = state.current;
    const auto check = [&](const Exchange& exchange, int word) {
        SCOPED_TRACE(Hex(exchange.first) + " answered " +
                     (exchange.second.empty() ? "nothing" : Hex(exchange.second)));
        EXPECT_EQ(Get({exchange}), word);
        EXPECT_EQ(state.current, before);
        EXPECT_EQ(state.rememberedNvChoice, 6);
        EXPECT_TRUE(state.printerInfoValid);
        EXPECT_EQ(Written().back(), kReset3) << "the printer is reset all the same";
    };
    // The reply (empty: none at all) and the error word.
    const std::pair<Exchange, int> cases[] = {
        {{SwitchQuery(1), Reply({0x37, 0x21}, "0100100")}, 0x110000},  // one byte short
        {{SwitchQuery(2), Reply({0x37, 0x22}, "00000000")}, 0x110000},
        {Switch(2, "0000000?"), 0x120008},
        {{SwitchQuery(126), Reply({0x37, 0x21}, "0000000")}, 0x50000},  // "Other" page
        {Switch(126, "0000x000"), 0x60006},                             // bit 4, Font-B
        {Switch(127, "0000000x"), 0x60007},
        {{SwitchQuery(1), {}}, comm::PRT_ERR_NOREPLY},
        {{SwitchQuery(2), {}}, 0x104000},
        {{SwitchQuery(125), {}}, 0x44000},
        {{ValueQuery(1), {}}, 0x84000},
        {{SerialQuery(3), {}}, 0x84000},  // serial items are on the customise-value page
        {{ValueQuery(3), ValueReply(4, "48")}, 0x90000},
        {{ValueQuery(3), Reply({0x37, 0x27}, "348")}, 0x90000},
        {Value(3, "8"), 0x90000},    // shorter than the fixed length
        {Value(3, "048"), 0x84000},  // longer: the terminator never arrives
        {Value(3, "47"), 0xA0003},
        {Value(5, "7"), 0xA0006},
        {Value(118, "65529"), 0xA0009},
        {{SerialQuery(1), ValueReply(1, "9600")}, 0x90000},  // a customise-value header
        {Serial(1, "14400"), 0xA0011},
        {Serial(2, "0"), 0xA0012},  // no parity for a data length of 7
        {Serial(2, "3"), 0xA0012},
        {Serial(3, "2"), 0xA0013},
    };
    for (const auto& [exchange, word] : cases) {
        check(exchange, word);
    }
    model = SettingsModel(kTr770);
    check(Value(6, "10"), 0xA000A);  // the TR-770 has nine speeds
}

TEST_F(ReadSettingsTest, FailedSendsNameTheirGroup) {
    // The write after the first one fails.
    const std::pair<Bytes, int> cases[] = {
        {kEscAt, comm::PRT_ERR_SEND},  // switch 1
        {SwitchQuery(1), 0x108000},    // switch 2
        {SwitchQuery(8), 0x48000},     // switch 125
        {SwitchQuery(127), 0x88000},   // customise value 1
    };
    for (const auto& [before, word] : cases) {
        EXPECT_EQ(Read({}, before), word) << "failing after " << Hex(before);
    }
    Script({});
    device.FailNextWrite();
    const int handle = Port().PortOpen(Port().GetPortName(1));
    EXPECT_EQ(ReadSettings(Port(), state, model, kReadAllSettings, handle), comm::PRT_ERR_SEND)
        << "ESC @";
}

TEST_F(ReadSettingsTest, TheStatusCheckAndTheRecoveryRequestComeBeforeTheQueries) {
    switches = {true, true};
    ASSERT_EQ(Get(), 0);
    const std::vector<Bytes> written = Written();
    ASSERT_GE(written.size(), 4u);
    EXPECT_EQ(std::vector<Bytes>(written.begin(), written.begin() + 4),
              (std::vector<Bytes>{kBufferClear, kStatus1, kRecovery, kEscAt}));
}

TEST_F(ReadSettingsTest, APrinterThatIsNotReadyIsNotAsked) {
    switches.statusCheck = true;
    printer[kStatus1] = {0x1A};                 // off line
    printer[Bytes{0x10, 0x04, 0x02}] = {0x16};  // cover open
    EXPECT_EQ(Get(), comm::PRT_ERR_COVEROPEN);
    EXPECT_EQ(std::ranges::count(Written(), SwitchQuery(1)), 0);
}

}  // namespace
}  // namespace vrtruty::settings
