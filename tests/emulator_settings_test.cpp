// The virtual printer's user settings: the GS ( E replies and writes, the bad replies it can be
// told to give, the setting list, the state file, and the restart of the running program.
#include <gtest/gtest.h>

#include "printer_process.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "emulator/paper.h"
#include "emulator/printer_engine.h"
#include "emulator/state_file.h"
#include "emulator/user_settings.h"
#include "platform/tcp_socket.h"
#include "settings_test_support.h"
#include "test_support.h"

namespace vrtruty::emulator {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;
using test::Hex;
using test::Join;
using test::kIn;
using test::kOut;

const Bytes kSettingList = {0x1D, 0x28, 0x41, 0x02, 0x00, 0x00, 0x02};

// GS ( E: the function, the setting's number and what follows it.
Bytes Command(std::uint8_t function, std::uint8_t n, const Bytes& data = {}) {
    const auto pL = static_cast<std::uint8_t>(2 + data.size());
    return Join({{0x1D, 0x28, 0x45, pL, 0x00, function, n}, data});
}
Bytes AskSwitch(std::uint8_t n) {
    return Command(0x04, n);
}
Bytes AskValue(std::uint8_t n) {
    return Command(0x06, n);
}
Bytes AskItem(std::uint8_t n) {
    return Command(0x0C, n);
}
// The characters are for bits 8 to 1.
Bytes WriteSwitch(std::uint8_t n, std::string_view bits) {
    return Command(0x03, n, test::Bytes(bits));
}
Bytes WriteValue(std::uint8_t n, std::int16_t value) {
    const auto v = static_cast<std::uint16_t>(value);
    return Command(0x05, n,
                   {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)});
}
Bytes WriteItem(std::uint8_t n, std::string_view text) {
    return Command(0x0B, n, test::Bytes(text));
}

class RecordingPaper final : public PaperSink {
  public:
    void PrintLine(const PrintedLine& line) override {
        std::string text;
        for (const Glyph& g : line.glyphs) {
            text += static_cast<char>(g.code);
        }
        lines.push_back(text);
    }
    void Cut() override { lines.push_back("--cut--"); }
    void Flush() override {}

    std::vector<std::string> lines;
};

PrinterEngineOptions Options(std::string model, BadReplies badReplies) {
    PrinterEngineOptions options;
    options.model = std::move(model);
    options.badReplies = std::move(badReplies);
    return options;
}

// The settings one a line, so that a failing comparison shows which one differs.
std::string Listing(const UserSettings& settings) {
    return FormatStateText(settings, "TR-770II");
}

struct TestPrinter {
    explicit TestPrinter(std::string model = "TR-770II", BadReplies badReplies = {})
        : engine(Options(std::move(model), std::move(badReplies)), paper,
                 [this](EventKind kind) { events.push_back(kind); }) {}

    Bytes Feed(const Bytes& bytes) { return engine.Feed(bytes); }
    std::string Ask(const Bytes& query) { return Hex(engine.Feed(query)); }

    RecordingPaper paper;
    std::vector<EventKind> events;
    PrinterEngine engine;
};

TEST(PrinterSettingsQueryTest, RepliesAreHeaderNumberValueAndNul) {
    TestPrinter printer;
    EXPECT_EQ(printer.Ask(AskSwitch(126)), "37 21 30 30 31 31 30 31 31 31 00") << "00110111";
    EXPECT_EQ(printer.Ask(AskValue(3)), "37 27 33 1F 34 38 00") << "3, 48";
    EXPECT_EQ(printer.Ask(AskValue(122)), "37 27 31 32 32 1F 31 31 35 00") << "122, 115";
    EXPECT_EQ(printer.Ask(AskItem(1)), "37 33 31 1F 31 31 35 32 30 30 00") << "1, 115200";
    EXPECT_EQ(printer.Ask(Join({AskSwitch(3), AskValue(4), AskItem(5)})), "")
        << "settings the printer does not have get no answer";
    EXPECT_EQ(Listing(FactoryUserSettings("tr-770k")), Listing(FactoryUserSettings("TR-770K")))
        << "the model is found in any case";
}

TEST(PrinterSettingsWriteTest, WritesOutsideUserSettingModeOrAfterAResetAreIgnored) {
    TestPrinter printer;
    printer.Feed(Join({WriteSwitch(1, "11111111"), WriteValue(3, 42), WriteItem(1, "9600"), kOut}));
    EXPECT_TRUE(printer.events.empty()) << "OUT without IN does not restart";
    printer.Feed(Join({kIn, WriteValue(3, 42), test::kReset3, kOut}));
    EXPECT_FALSE(printer.engine.InUserSettingMode()) << "the reset ends user-setting mode";
    EXPECT_TRUE(printer.events.empty());
    EXPECT_EQ(Listing(printer.engine.Settings()), Listing(FactoryUserSettings("TR-770II")));
    EXPECT_EQ(printer.Ask(AskValue(3)), "37 27 33 1F 34 38 00");
}

TEST(PrinterSettingsWriteTest, OutAppliesTheWritesStoresThemAndRestarts) {
    TestPrinter printer;
    std::optional<UserSettings> stored;
    std::vector<EventKind> eventsWhenStored;
    printer.engine.SetSettingsStore([&](const UserSettings& settings) {
        stored = settings;
        eventsWhenStored = printer.events;
    });
    printer.Feed(Join({kIn, WriteSwitch(1, "00000111"), WriteValue(5, -6), WriteItem(1, "9600")}));
    EXPECT_TRUE(printer.engine.InUserSettingMode());
    EXPECT_EQ(printer.Ask(AskValue(5)), "37 27 35 1F 30 00") << "not in force before OUT";

    EXPECT_EQ(printer.Ask(Join({kOut, AskValue(5)})), "") << "the query after OUT is lost";
    EXPECT_EQ(printer.events,
              (std::vector<EventKind>{EventKind::SettingsApplied, EventKind::Restart}));
    ASSERT_TRUE(stored.has_value());
    EXPECT_TRUE(eventsWhenStored.empty()) << "stored before anyone hears of it";
    EXPECT_EQ(Listing(*stored), Listing(printer.engine.Settings()));
    EXPECT_TRUE(printer.engine.Restarting());
    EXPECT_EQ(printer.Ask(AskValue(5)), "") << "a restarting printer takes nothing";

    printer.engine.FinishRestart();
    EXPECT_FALSE(printer.engine.InUserSettingMode());
    EXPECT_EQ(printer.Ask(AskValue(5)), "37 27 35 1F 36 35 35 33 30 00") << "-6 as 65530";
    EXPECT_EQ(printer.Ask(AskSwitch(1)), "37 21 30 30 30 30 30 31 31 31 00");
    EXPECT_EQ(printer.Ask(AskItem(1)), "37 33 31 1F 39 36 30 30 00");
}

TEST(PrinterSettingsWriteTest, TwoLeavesABitAndMalformedWritesChangeNothing) {
    TestPrinter printer;
    printer.Feed(Join({
        kIn,
        WriteSwitch(126, "02221202"),  // factory 00110111
        WriteSwitch(3, "11111111"),    // no such switch
        WriteSwitch(1, "1111111"),     // seven characters: not carried out
        WriteItem(2, "3"),             // no such parity
        WriteItem(4, "7"),             //
        {0x1D, 0x28, 0x45, 0x05, 0x00, 0x05, 0x03, 0x2A, 0x00, 0x06},  // 1 1/3 values
        kOut,
    }));
    printer.engine.FinishRestart();
    UserSettings expected = FactoryUserSettings("TR-770II");
    expected.Set({SettingKind::MemorySwitch, 126}, "00111101");
    expected.Set({SettingKind::SerialItem, 4}, "7");
    EXPECT_EQ(Listing(printer.engine.Settings()), Listing(expected));
}

TEST(PrinterSettingsBadReplyTest, EachKindSpoilsOnlyItsQuery) {
    const std::tuple<const char*, Bytes, const char*> cases[] = {
        {"msw1:short", AskSwitch(1), "37 21 30 30 30 30 30 31 30 00"},
        {"msw1:none", AskSwitch(1), ""},
        {"msw1:header", AskSwitch(1), "37 27 30 30 30 30 30 31 30 31 00"},
        {"msw1:value=0000010x", AskSwitch(1), "37 21 30 30 30 30 30 31 30 78 00"},
        {"cv5:value=7", AskValue(5), "37 27 35 1F 37 00"},
        {"cv5:echo", AskValue(5), "37 27 36 1F 30 00"},
        {"cv5:header", AskValue(5), "37 33 35 1F 30 00"},
        {"si4:value=7", AskItem(4), "37 33 34 1F 37 00"},
        {"si4:short", AskItem(4), "37 33 34 1F 00"},
        {"si4:header", AskItem(4), "37 21 34 1F 38 00"},
    };
    for (const auto& [option, query, reply] : cases) {
        const auto bad = ParseBadReply(option);
        ASSERT_TRUE(bad.has_value()) << option;
        TestPrinter printer("TR-770II", {{bad->setting, bad->reply}});
        EXPECT_EQ(printer.Ask(query), reply) << option;
        EXPECT_EQ(printer.Ask(AskSwitch(2)), "37 21 30 30 30 30 30 30 30 31 00") << option;
    }
    for (const char* wrong : {"msw3:short", "msw1:echo", "cv5:bogus", "cv5", "cv05:none",
                              "cv-5:none", "xy1:none", "si9:none"}) {
        EXPECT_FALSE(ParseBadReply(wrong).has_value()) << wrong;
    }
}

TEST(PrinterSettingsListTest, SettingListIsOnePageWithEverySettingAndTheModel) {
    TestPrinter printer("TR-770K");
    printer.Feed(Join({test::Bytes("half"), kSettingList}));
    const std::vector<std::string>& lines = printer.paper.lines;
    ASSERT_GE(lines.size(), 2U + 6U + 14U + 4U);
    EXPECT_EQ(lines.front(), "half") << "the line in progress is printed first";
    EXPECT_EQ(lines.back(), "--cut--");
    for (const char* line : {"Model           TR-770K", "  MSW 126       10110111",
                             "  CV 125        2", "  SI 1          115200"}) {
        EXPECT_NE(std::ranges::find(lines, line), lines.end()) << line;
    }
    EXPECT_EQ(printer.events,
              (std::vector<EventKind>{EventKind::Cut, EventKind::SettingListPrinted}));

    TestPrinter other;
    other.Feed(
        {0x1D, 0x28, 0x41, 0x02, 0x00, 0x00, 0x01, 0x1D, 0x28, 0x41, 0x03, 0x00, 0x00, 0x02, 0x00});
    EXPECT_TRUE(other.paper.lines.empty()) << "other test prints are not the setting list";
}

TEST(PrinterStateFileTest, SettingsRoundTripThroughTextAndFile) {
    UserSettings settings = FactoryUserSettings("TR-770K");
    settings.Set({SettingKind::CustomizeValue, 5}, "-6");
    settings.Set({SettingKind::MemorySwitch, 126}, "01000010");
    settings.Set({SettingKind::SerialItem, 1}, "9600");
    const std::string text = FormatStateText(settings, "tr-770k");
    EXPECT_TRUE(text.starts_with("vrtruty-printer state 1\nmodel TR-770K\nmsw 1 00000101\n"))
        << text;
    EXPECT_NE(text.find("\ncv 5 65530\n"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("\nsi 1 9600\nsi 2 0\nsi 3 0\nsi 4 8\n")) << text;

    test::TempFolder folder;
    const auto path = folder / "printer.state";
    EXPECT_EQ(LoadStateFile(path, "TR-770K").status, StateFileStatus::Missing);
    ASSERT_FALSE(SaveStateFile(path, FactoryUserSettings("TR-770K"), "TR-770K"));
    ASSERT_FALSE(SaveStateFile(path, settings, "TR-770K")) << "replaces the file";
    const LoadedState loaded = LoadStateFile(path, "TR-770K");
    EXPECT_EQ(loaded.status, StateFileStatus::Loaded) << loaded.problem;
    EXPECT_EQ(Listing(loaded.settings), Listing(settings));
    EXPECT_EQ(test::Entries(folder.path()), std::vector<std::string>{"printer.state"})
        << "no temporary file is left behind";

    const LoadedState partial =
        ParseStateText("vrtruty-printer state 1\r\n# one change\r\ncv 3 42\r\n", "TR-770");
    UserSettings expected = FactoryUserSettings("TR-770");
    expected.Set({SettingKind::CustomizeValue, 3}, "42");
    EXPECT_EQ(partial.status, StateFileStatus::Loaded) << partial.problem;
    EXPECT_EQ(Listing(partial.settings), Listing(expected))
        << "what the file does not name keeps its factory value";
}

TEST(PrinterStateFileTest, DamagedOrForeignFilesGiveTheFactoryValues) {
    const std::string header = "vrtruty-printer state 1\n";
    const std::pair<std::string, StateFileStatus> cases[] = {
        {"", StateFileStatus::Missing},
        {" \n\n", StateFileStatus::Missing},
        {"cv 3 42\n", StateFileStatus::Damaged},
        {header + "cv 3 42\nmsw 126 0011011\n", StateFileStatus::Damaged},
        {header + "msw 126 0011011x\n", StateFileStatus::Damaged},
        {header + "msw 3 00000000\n", StateFileStatus::Damaged},
        {header + "cv 5 70000\n", StateFileStatus::Damaged},
        {header + "cv five 1\n", StateFileStatus::Damaged},
        {header + "si 2 3\n", StateFileStatus::Damaged},
        {header + "logo 1\n", StateFileStatus::Damaged},
        {header + "cv 3 4" + '\0' + "2\n", StateFileStatus::Damaged},
        {header + "model TR-770K\ncv 3 42\n", StateFileStatus::OtherModel},
    };
    for (const auto& [text, status] : cases) {
        const LoadedState loaded = ParseStateText(text, "TR-770");
        EXPECT_EQ(loaded.status, status) << text;
        EXPECT_EQ(Listing(loaded.settings), Listing(FactoryUserSettings("TR-770"))) << text;
        EXPECT_EQ(loaded.problem.empty(), status == StateFileStatus::Missing) << text;
    }
}

// The port the started printer listens on.
std::uint16_t StartedPort(test::PrinterProcess& printer) {
    const std::optional<std::string> first = printer.ReadLine();
    return first && first->starts_with("PORT ")
               ? static_cast<std::uint16_t>(std::stoi(first->substr(5)))
               : 0;
}

platform::TcpConnection Connect(std::uint16_t port) {
    std::error_code error;
    auto connection = platform::TcpConnection::Connect({"127.0.0.1", port}, 5s, error);
    if (!connection) {
        ADD_FAILURE() << "cannot connect: " << error.message();
        throw std::runtime_error("no connection");
    }
    return std::move(*connection);
}

// What the printer sends next, as hex; "closed" when it ends the connection instead.
std::string Receive(platform::TcpConnection& connection) {
    std::array<std::uint8_t, 64> chunk{};
    const platform::IoResult got = connection.Receive(chunk, 3s);
    return got.status == platform::IoStatus::Failed ? "closed"
                                                    : Hex(std::span(chunk).first(got.bytes));
}

TEST(PrinterProgramSettingsTest, OutRestartsThePrinterAndTheSettingsOutliveTheProgram) {
    test::TempFolder folder;
    const std::string state = (folder / "state").string();
    const std::string value3is42 = "37 27 33 1F 34 32 00";
    {
        test::PrinterProcess printer({"--listen", "127.0.0.1:0", "--state", state});
        const std::uint16_t port = StartedPort(printer);
        ASSERT_GT(port, 0);
        EXPECT_EQ(LoadStateFile(state, "TR-770II").status, StateFileStatus::Loaded)
            << "the file is created with the factory values";

        platform::TcpConnection utility = Connect(port);
        utility.Send(Join({kIn, WriteValue(3, 42), kOut}), 5s);
        EXPECT_EQ(printer.ReadLine(), "settings applied");
        EXPECT_EQ(LoadStateFile(state, "TR-770II").settings.Text({SettingKind::CustomizeValue, 3}),
                  "42");
        EXPECT_EQ(printer.ReadLine(), "restart");
        EXPECT_EQ(Receive(utility), "closed") << "the restart drops the connection";

        platform::TcpConnection early = Connect(port);
        early.Send(AskValue(3), 5s);
        EXPECT_EQ(Receive(early), "closed") << "nobody answers during the restart";
        EXPECT_EQ(printer.ReadLine(), "ready");

        platform::TcpConnection later = Connect(port);
        later.Send(AskValue(3), 5s);
        EXPECT_EQ(Receive(later), value3is42);
    }
    test::PrinterProcess again({"--listen", "127.0.0.1:0", "--state", state});
    platform::TcpConnection utility = Connect(StartedPort(again));
    utility.Send(AskValue(3), 5s);
    EXPECT_EQ(Receive(utility), value3is42);
}

}  // namespace
}  // namespace vrtruty::emulator
