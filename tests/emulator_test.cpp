#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "printer_process.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/catalogue.h"
#include "emulator/paper.h"
#include "emulator/png_writer.h"
#include "emulator/printer_engine.h"
#include "test_support.h"

namespace vrtruty::emulator {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;
using test::PrinterProcess;

const Bytes kReset3 = {0x1B, 0x3D, 0x02, 'R', 'E', 'S', 'E', 'T', '3', 0x1B, 0x3D, 0x03};
const Bytes kBufferClear = {0x10, 0x14, 0x08, 0x01, 0x03, 0x14, 0x01, 0x06, 0x02, 0x08};
const Bytes kPrinterId = {0x1D, 0x49, 0x43};
const Bytes kPartialCut = {0x1B, 0x6D};

Bytes Status(std::uint8_t n) {
    return {0x10, 0x04, n};
}
Bytes Text(std::string_view text) {
    return {text.begin(), text.end()};
}
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}
Bytes Tagged(std::string_view tag) {
    return Cat({Text(tag), {0x00}});
}

// "3B 33 00", so that a failing comparison shows the bytes.
std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += text.empty() ? "" : " ";
        text += digits;
    }
    return text;
}

// The head test of the printer test pane: 263 bytes.
Bytes HeadPattern() {
    Bytes bytes = Text("Head Print Test\n\n");
    for (int line = 0; line < 5; ++line) {
        bytes.insert(bytes.end(), 48, '/');
        bytes.push_back('\n');
    }
    bytes.push_back('\n');
    return bytes;
}

// ASCII as itself, other single bytes as [XX], kanji as {XXXX}.
std::string LineText(const PrintedLine& line) {
    std::string text;
    for (const Glyph& g : line.glyphs) {
        char buffer[8];
        if (g.kind == GlyphKind::Double) {
            std::snprintf(buffer, sizeof buffer, "{%04X}", g.code);
        } else if (g.code >= 0x20 && g.code <= 0x7E) {
            std::snprintf(buffer, sizeof buffer, "%c", static_cast<char>(g.code));
        } else {
            std::snprintf(buffer, sizeof buffer, "[%02X]", g.code);
        }
        text += buffer;
    }
    return text;
}

// Lines and cuts in order; a cut is an empty entry.
class RecordingPaper final : public PaperSink {
  public:
    void PrintLine(const PrintedLine& line) override { sheet.emplace_back(line); }
    void Cut() override { sheet.emplace_back(std::nullopt); }
    void Flush() override {}

    std::vector<std::optional<PrintedLine>> sheet;
};

struct TestPrinter {
    explicit TestPrinter(PrinterEngineOptions options = {})
        : engine(std::move(options), paper, [this](EventKind kind) { events.push_back(kind); }) {}

    Bytes Feed(const Bytes& bytes) { return engine.Feed(bytes); }
    // The sheet as text, "--cut--" for each cut.
    std::vector<std::string> Sheet() const {
        std::vector<std::string> lines;
        for (const auto& entry : paper.sheet) {
            lines.push_back(entry ? LineText(*entry) : "--cut--");
        }
        return lines;
    }

    RecordingPaper paper;
    std::vector<EventKind> events;
    PrinterEngine engine;
};

PrinterEngineOptions WithFaults(Faults faults) {
    PrinterEngineOptions options;
    options.faults = faults;
    return options;
}

// What the utility concludes from the real-time status chain.
std::string StatusChainOutcome(PrinterEngine& engine) {
    const auto ask = [&engine](std::uint8_t n) -> int {
        const Bytes reply = engine.Feed(Status(n));
        return reply.size() == 1 ? reply[0] : -1;
    };
    const int s1 = ask(1);
    if (s1 < 0) {
        return "NOREPLY";
    }
    if ((s1 & 0x08) == 0) {
        return "ONLINE";
    }
    if ((ask(2) & 0x04) != 0) {
        return "COVEROPEN";
    }
    if ((ask(3) & 0x08) != 0) {
        return "CUTTERJAM";
    }
    return (ask(4) & 0x60) == 0x60 ? "PAPEREMPTY" : "OFFLINE2";
}

TEST(PrinterEngineQueryTest, AnswersEveryQueryOfTheUtilityExactly) {
    TestPrinter printer;
    EXPECT_EQ(Hex(printer.Feed(kReset3)), "3B 33 00");
    EXPECT_EQ(Hex(printer.Feed(kBufferClear)), "37 25 00");
    EXPECT_EQ(Hex(printer.Feed(Cat({Status(1), Status(2), Status(3), Status(4)}))), "12 12 12 12");
    EXPECT_EQ(Hex(printer.Feed(kPrinterId)), Hex(Tagged("_TR-770II")));
    EXPECT_EQ(Hex(printer.Feed({0x1D, 0x49, 0x42})), "") << "only the model name is asked for";
    EXPECT_EQ(Hex(printer.Feed({0x00, 0x1D, 0x65, 0x75, 0x45, 0x00, 0x00})), "")
        << "NUL and the error-recovery preamble are ignored";
    EXPECT_TRUE(printer.paper.sheet.empty());
}

TEST(PrinterEngineQueryTest, AnswerComesWithTheReadThatCompletesTheQuery) {
    TestPrinter printer;
    EXPECT_EQ(Hex(printer.Feed({0x1D, 0x49})), "");
    EXPECT_EQ(Hex(printer.Feed({0x43, 0x10})), Hex(Tagged("_TR-770II")));
    EXPECT_EQ(Hex(printer.Feed({0x04})), "");
    EXPECT_EQ(Hex(printer.Feed({0x02})), "12");
    const Bytes reset3(kReset3);
    EXPECT_EQ(Hex(printer.Feed(Bytes(reset3.begin(), reset3.begin() + 11))), "");
    EXPECT_EQ(Hex(printer.Feed({reset3.back()})), "3B 33 00");
}

TEST(PrinterEngineQueryTest, PrinterIdIsTheCatalogueTagOfTheModelOrTheOverride) {
    PrinterEngineOptions tr770;
    tr770.model = "TR-770";
    EXPECT_EQ(Hex(TestPrinter(tr770).Feed(kPrinterId)), Hex(Tagged("_TR-770")));

    for (const app::PrinterModelRow& row : app::PrinterNameTable()) {
        PrinterEngineOptions options;
        options.model = row.displayName;
        EXPECT_EQ(Hex(TestPrinter(options).Feed(kPrinterId)), Hex(Tagged(row.modelTag)))
            << row.displayName;
    }

    PrinterEngineOptions other;
    other.modelTag = "_TR-770II-X";
    EXPECT_EQ(Hex(TestPrinter(other).Feed(kPrinterId)), Hex(Tagged("_TR-770II-X")));

    PrinterEngineOptions unknown;
    unknown.model = "TR-9999";
    RecordingPaper paper;
    EXPECT_THROW(PrinterEngine(unknown, paper), std::invalid_argument);
    unknown.modelTag = "_TR-9999";
    EXPECT_NO_THROW(PrinterEngine(unknown, paper)) << "a given tag needs no catalogue entry";
}

struct FaultCase {
    const char* name;
    Faults faults;
    const char* statusBytes;  // answers to DLE EOT 1, 2, 3, 4
    const char* outcome;      // what the utility's status chain makes of them
};

TEST(PrinterEngineStatusTest, EachFaultHasItsStatusBitsAndItsOwnErrorInTheChain) {
    const FaultCase cases[] = {
        {"ready", {}, "12 12 12 12", "ONLINE"},
        {"offline", {.offline = true}, "1A 12 12 12", "OFFLINE2"},
        {"cover open", {.coverOpen = true}, "1A 16 12 12", "COVEROPEN"},
        {"cutter error", {.cutterError = true}, "1A 52 1A 12", "CUTTERJAM"},
        {"paper end", {.paperEnd = true}, "1A 32 12 7E", "PAPEREMPTY"},
        {"cover open and paper end",
         {.coverOpen = true, .paperEnd = true},
         "1A 36 12 7E",
         "COVEROPEN"},
        {"cutter error and paper end",
         {.paperEnd = true, .cutterError = true},
         "1A 72 1A 7E",
         "CUTTERJAM"},
    };
    for (const FaultCase& c : cases) {
        TestPrinter printer(WithFaults(c.faults));
        EXPECT_EQ(Hex(printer.Feed(Cat({Status(1), Status(2), Status(3), Status(4)}))),
                  c.statusBytes)
            << c.name;
        EXPECT_EQ(StatusChainOutcome(printer.engine), c.outcome) << c.name;
    }
}

TEST(PrinterEngineStatusTest, FaultsChangedWhileRunningAreReportedAtOnce) {
    TestPrinter printer;
    EXPECT_EQ(StatusChainOutcome(printer.engine), "ONLINE");
    printer.engine.SetFaults({.coverOpen = true});
    EXPECT_EQ(StatusChainOutcome(printer.engine), "COVEROPEN");
}

TEST(PrinterEngineNoReplyTest, EachSwitchSilencesOnlyItsOwnQuery) {
    const std::pair<Query, Bytes> queries[] = {
        {Query::Reset3, kReset3},       {Query::BufferClear, kBufferClear},
        {Query::Status1, Status(1)},    {Query::Status2, Status(2)},
        {Query::Status3, Status(3)},    {Query::Status4, Status(4)},
        {Query::PrinterId, kPrinterId},
    };
    for (const auto& [silenced, unused] : queries) {
        PrinterEngineOptions options;
        options.noReply = {silenced};
        TestPrinter printer(options);
        for (const auto& [query, bytes] : queries) {
            EXPECT_EQ(printer.Feed(bytes).empty(), query == silenced)
                << "--no-reply " << QueryName(silenced) << ", asking " << QueryName(query);
        }
    }
}

TEST(PrinterEngineNoReplyTest, CommandLineNamesOfTheQueries) {
    EXPECT_EQ(ParseQueryName("reset3"), Query::Reset3);
    EXPECT_EQ(ParseQueryName("buffer-clear"), Query::BufferClear);
    EXPECT_EQ(ParseQueryName("status4"), Query::Status4);
    EXPECT_EQ(ParseQueryName("id"), Query::PrinterId);
    EXPECT_EQ(ParseQueryName("status5"), std::nullopt);
    EXPECT_EQ(ParseQueryName("ID"), std::nullopt);
    EXPECT_EQ(QueryName(Query::Status2), "status2");
}

// Every kind of command the engine knows, with data bytes that look like commands where a
// command carries data.
Bytes EveryCommandScript() {
    return Cat({
        {0x00, 0x1D, 0x65, 0x75, 0x45, 0x00, 0x1B, 0x40},  // NUL, preamble, ESC @
        {0x1B, 0x74, 0x13, 0x1B, 0x52, 0x08},              // ESC t PC858, ESC R Japan
        {0x1B, 0x4D, 0x01},
        Text("font B\n"),
        {0x1C, 0x28, 0x41, 0x02, 0x00, 0x30, 0x00},  // FS ( A: font A
        Text("font A\tTab\n"),
        {0x1D, 0x28, 0x4D, 0x02, 0x00, 0x01, 0x01, 0x1D, 0x28, 0x4D, 0x02, 0x00, 0x03, 0x01},
        {0x1C, 0x26, 0x1C, 0x43, 0x00, 0x30, 0x21, 0x30, 0x22, 0x0D, 0x0A, 0x1C, 0x2E},  // kanji
        {0x80, 0xFF, 0x0A},
        {0x1B, 0x70, 0x30, 0x50, 0x50, 0x1B, 0x70, 0x31, 0x50, 0x50, 0x1B, 0x70, 0x32, 0x50, 0x50},
        {0x10, 0x14, 0x01, 0x01, 0x01},                    // real-time pulse, drawer 2
        {0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E},  // GS ( E "IN"
        {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x00},        // GS ( L capacity query
        {0x1D, 0x38, 0x4C, 0x0F, 0x00, 0x00, 0x00, 0x30, 0x43, 0x30, 0x20,
         0x41, 0x01, 0x10, 0x00, 0x02, 0x00, 0x31, 0x1B, 0x40, 0x0A, 0x1D},  // GS 8 L define
        {0x1B, 0x2A, 0x00, 0x03, 0x00, 0x0A, 0x1B, 0x1D},                    // ESC * bit image
        {0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x02, 0x00, 0x10, 0x0A},        // GS v 0 raster
        {0x1B, 0x44, 0x08, 0x10, 0x00},                                      // ESC D tab stops
        {0x1D, 0x6B, 0x04, '1', '2', '3', 0x00, 0x1D, 0x6B, 0x49, 0x03, '1', '2', '3'},
        {0x1B, 0x26, 0x03, 0x41, 0x41, 0x0C},
        Bytes(36, 0x1B),                       // ESC & one user-defined character of 12 x 24 dots
        {0x1B, 0xEE, 0x1D, 0xF0, 0x1C, 0xF1},  // unknown: two bytes each
        Text("after unknown\n"),
        {0x1B, 0x64, 0x02},        // ESC d 2
        {0x1D, 0x56, 0x42, 0x00},  // GS V 66 0: feed and cut
        Text("x"),
        {0x1D, 0x56, 0x01, 0x1B, 0x69},  // GS V 1, ESC i
        Status(1),
        Status(2),
        Status(3),
        Status(4),
        kReset3,
        kBufferClear,
        kPrinterId,
        {0x1B, 0x3D, 0x00},  // ESC = 0: printing disabled, real-time commands still work
        Text("hidden\n"),
        kPrinterId,
        Status(1),
        {0x1B, 0x3D, 0x01},
        Text("last"),
        kPartialCut,
    });
}

TEST(PrinterEngineParserTest, EveryCommandKindHasItsEffect) {
    TestPrinter printer;
    EXPECT_EQ(Hex(printer.Feed(EveryCommandScript())),
              "12 12 12 12 3B 33 00 37 25 00 " + Hex(Tagged("_TR-770II")) + " 12");
    EXPECT_EQ(printer.Sheet(),
              (std::vector<std::string>{"font B", "font A  Tab", "{3021}{3022}", "[80][FF]",
                                        "after unknown", "", "", "--cut--", "x", "--cut--",
                                        "--cut--", "last", "--cut--"}));
    EXPECT_EQ(printer.events,
              (std::vector<EventKind>{EventKind::Drawer1, EventKind::Drawer2, EventKind::Buzzer,
                                      EventKind::Drawer2, EventKind::Cut, EventKind::Cut,
                                      EventKind::Cut, EventKind::Cut}));
}

TEST(PrinterEngineParserTest, SplittingTheStreamAtAnyByteChangesNothing) {
    const Bytes script = EveryCommandScript();
    TestPrinter whole;
    const Bytes wholeReply = whole.Feed(script);

    for (std::size_t split = 1; split < script.size(); ++split) {
        TestPrinter printer;
        Bytes reply = printer.Feed(Bytes(script.begin(), script.begin() + split));
        const Bytes rest = printer.Feed(Bytes(script.begin() + split, script.end()));
        reply.insert(reply.end(), rest.begin(), rest.end());
        EXPECT_EQ(Hex(reply), Hex(wholeReply)) << "split after byte " << split;
        EXPECT_EQ(printer.paper.sheet, whole.paper.sheet) << "split after byte " << split;
        EXPECT_EQ(printer.events, whole.events) << "split after byte " << split;
    }

    TestPrinter byteByByte;
    Bytes reply;
    for (const std::uint8_t b : script) {
        const Bytes part = byteByByte.Feed({b});
        reply.insert(reply.end(), part.begin(), part.end());
    }
    EXPECT_EQ(Hex(reply), Hex(wholeReply));
    EXPECT_EQ(byteByByte.paper.sheet, whole.paper.sheet);
}

TEST(PrinterEngineParserTest, LengthPrefixedCommandsAreSkippedWholeAndUnknownOnesTakeTwoBytes) {
    TestPrinter printer;
    printer.Feed(Cat({{0x1D, 0x28, 0x3F, 0x03, 0x00, 'a', 'b', 'c'}, Text("A\n")}));
    printer.Feed(Cat({{0x1C, 0x28, 0x3F, 0x01, 0x00, 'd'}, Text("B\n")}));
    printer.Feed(Cat({{0x1B, 0xEE}, Text("CD\n"), {0x10, 'X'}, Text("E\n")}));
    EXPECT_EQ(printer.Sheet(), (std::vector<std::string>{"A", "B", "CD", "E"}));
}

TEST(PrinterEngineParserTest, LongPayloadIsCappedForItsHandlerAndTheRestSkipped) {
    TestPrinter printer;
    std::vector<std::pair<std::uint64_t, std::size_t>> seen;  // command size, bytes kept
    const Bytes defineKey = {0x1D, 0x38, 0x4C};
    ASSERT_TRUE(printer.engine.SetHandler(defineKey, [&seen](const Command& command, Bytes&) {
        seen.emplace_back(command.size, command.bytes.size());
    }));
    EXPECT_FALSE(printer.engine.SetHandler(Bytes{0x1D, 0x38, 0x4D}, {}));

    const std::size_t payload = 3 << 20;  // 30 00 00 00 in the four length bytes
    printer.Feed(Cat({defineKey, {0x00, 0x00, 0x30, 0x00}}));
    const Bytes chunk(1 << 16, 0x0A);
    for (std::size_t sent = 0; sent < payload; sent += chunk.size()) {
        printer.Feed(chunk);
    }
    printer.Feed(Text("after\n"));
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_EQ(seen[0].first, 7U + payload);
    EXPECT_EQ(seen[0].second, PrinterEngine::kMaxKeptCommandBytes);
    EXPECT_EQ(printer.Sheet(), std::vector<std::string>{"after"}) << "the payload is not text";
}

TEST(PrinterEngineParserTest, Reset3AndBufferClearWorkInsideAnUnfinishedCommand) {
    TestPrinter printer;
    // A define command announcing 4 GiB that never comes.
    printer.Feed(Cat({{0x1D, 0x38, 0x4C, 0xFF, 0xFF, 0xFF, 0xFF}, Bytes(1000, 0x41)}));
    EXPECT_EQ(Hex(printer.Feed(kReset3)), "3B 33 00");
    printer.Feed(Cat({{0x1D, 0x28, 0x45, 0xFF, 0xFF}, Text("lost")}));
    EXPECT_EQ(Hex(printer.Feed(kBufferClear)), "37 25 00");
    printer.Feed(Text("ok\n"));
    EXPECT_EQ(printer.Sheet(), std::vector<std::string>{"ok"});
}

TEST(PrinterEngineParserTest, MegabytesOfRandomBytesLeaveThePrinterAnswering) {
    DiscardPaper paper;
    PrinterEngine engine({}, paper);
    std::mt19937 random(20260107);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> length(1, 4096);
    constexpr std::size_t kTotal = 6 << 20;
    for (std::size_t fed = 0; fed < kTotal;) {
        Bytes chunk(length(random));
        for (std::uint8_t& b : chunk) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        engine.Feed(chunk);
        fed += chunk.size();
    }
    EXPECT_EQ(Hex(engine.Feed(kReset3)), "3B 33 00");
    EXPECT_EQ(Hex(engine.Feed(kPrinterId)), Hex(Tagged("_TR-770II")));
    EXPECT_EQ(Hex(engine.Feed(Status(1))), "12");
}

TEST(PrinterEnginePrintingTest, HeadPatternPrintsFullWidthLinesWithoutWrapping) {
    TestPrinter printer;
    const Bytes head = HeadPattern();
    ASSERT_EQ(head.size(), 263U);
    printer.Feed(Cat({head, kPartialCut}));
    const std::string slashes(48, '/');
    EXPECT_EQ(printer.Sheet(),
              (std::vector<std::string>{"Head Print Test", "", slashes, slashes, slashes, slashes,
                                        slashes, "", "--cut--"}));
    EXPECT_EQ(printer.paper.sheet[2]->WidthDots(), kPaperWidthDots);
}

TEST(PrinterEnginePrintingTest, TextWrapsAtTheLineWidthOfTheFont) {
    TestPrinter printer;
    printer.Feed(Cat({Text(std::string(50, 'a') + "\n"),
                      {0x1B, 0x4D, 0x01},
                      Text(std::string(65, 'b') + "\n")}));
    EXPECT_EQ(printer.Sheet(),
              (std::vector<std::string>{std::string(48, 'a'), "aa", std::string(64, 'b'), "b"}));
}

// The code-table check page of the extension pane, 649 bytes.
Bytes CodeTablePage() {
    Bytes page = Cat({{0x1B, 0x40}, Text("  0 1 2 3 4 5 6 7 8 9 A B C D E F\r\n")});
    for (int r = 0; r < 16; ++r) {
        page.push_back(static_cast<std::uint8_t>("0123456789ABCDEF"[r]));
        for (int h = 0; h < 16; ++h) {
            page.push_back(' ');
            page.push_back(h < 2 ? ' ' : static_cast<std::uint8_t>(h * 16 + r));
        }
        page.insert(page.end(), {0x0D, 0x0A});
    }
    page.insert(page.end(), {0x0A, 0x1C, 0x26, 0x1C, 0x43, 0x00});
    const Bytes kanji = {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29,
                         0x2A, 0x2B, 0x2C, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E};
    for (const std::uint8_t second : kanji) {
        page.insert(page.end(), {0x30, second});
    }
    return Cat({page, {0x0D, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x1B, 0x6D, 0x1B, 0x40}});
}

TEST(PrinterEnginePrintingTest, CodeTablePageShowsCharactersBoxesAndKanji) {
    TestPrinter printer;
    const Bytes page = CodeTablePage();
    ASSERT_EQ(page.size(), 649U);
    printer.Feed(page);
    const std::vector<std::string> sheet = printer.Sheet();
    ASSERT_EQ(sheet.size(), 26U);
    EXPECT_EQ(sheet[0], "  0 1 2 3 4 5 6 7 8 9 A B C D E F");
    EXPECT_EQ(sheet[2], "1     ! 1 A Q a q [81] [91] [A1] [B1] [C1] [D1] [E1] [F1]");
    EXPECT_EQ(sheet[16], "F     / ? O _ o [7F] [8F] [9F] [AF] [BF] [CF] [DF] [EF] [FF]");
    EXPECT_EQ(sheet[17], "");
    EXPECT_EQ(sheet[18],
              "{3021}{3022}{3023}{3024}{3025}{3026}{3027}{3028}{3029}{302A}{302B}{302C}{302A}"
              "{302B}{302C}{302D}{302E}");
    EXPECT_EQ(sheet[24], "");
    EXPECT_EQ(sheet[25], "--cut--");
    EXPECT_FALSE(printer.engine.KanjiMode()) << "ESC @ at the end leaves kanji mode";
}

TEST(PrinterEnginePrintingTest, StoredDefaultsBecomeThePowerOnSettings) {
    TestPrinter printer;
    // "PC858", "Japan" and "Font B" as the extension pane sends them.
    const Bytes change = {0x1D, 0x28, 0x4D, 0x02, 0x00, 0x02, 0x01, 0x1B, 0x74, 0x13,
                          0x1B, 0x52, 0x08, 0x1B, 0x4D, 0x01, 0x1C, 0x28, 0x41, 0x02,
                          0x00, 0x30, 0x01, 0x1D, 0x28, 0x4D, 0x02, 0x00, 0x01, 0x01,
                          0x1D, 0x28, 0x4D, 0x02, 0x00, 0x03, 0x01};
    const CharacterSettings changed{.codePage = 0x13, .characterSet = 8, .font = FontKind::B};
    printer.Feed(change);
    EXPECT_EQ(printer.engine.PowerOnSettings(), changed);

    printer.Feed(Cat({{0x1B, 0x74, 0x00, 0x1B, 0x4D, 0x02, 0x1B, 0x40}, Text("A\n")}));
    const Glyph glyph = printer.paper.sheet.back()->glyphs.at(0);
    EXPECT_EQ(glyph.codePage, 0x13) << "ESC @ brings back the stored code page";
    EXPECT_EQ(glyph.characterSet, 8);
    EXPECT_EQ(glyph.font, FontKind::B);

    printer.Feed(Cat({{0x1B, 0x74, 0x05}, kReset3}));
    EXPECT_EQ(printer.engine.Current(), changed) << "so does RESET3";
    printer.Feed({0x1D, 0x28, 0x4D, 0x02, 0x00, 0x02, 0x00});
    EXPECT_EQ(printer.engine.Current(), CharacterSettings{}) << "area 0: factory settings";
}

TEST(PrinterEnginePrintingTest, TestPaneSequencesRingTheBuzzerOpenDrawersAndCut) {
    TestPrinter printer;
    printer.Feed(Cat({{0x1B, 0x70, 0x32, 0x50, 0x50},
                      {0x1B, 0x70, 0x32, 0x50, 0x50},
                      {0x1B, 0x70, 0x32, 0x50, 0x50}}));
    printer.Feed({0x1B, 0x70, 0x30, 0x50, 0x50});
    printer.Feed({0x1B, 0x70, 0x31, 0x50, 0x50});
    printer.Feed({0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x1B, 0x6D});
    std::vector<std::string> events;
    for (const EventKind kind : printer.events) {
        events.emplace_back(EventName(kind));
    }
    EXPECT_EQ(events, (std::vector<std::string>{"buzzer", "buzzer", "buzzer", "drawer 1",
                                                "drawer 2", "cut"}));
    EXPECT_EQ(printer.Sheet(), (std::vector<std::string>{"", "", "", "", "", "", "--cut--"}));
}

TEST(PngWriterTest, ChecksumsMatchTheirPublishedCheckValues) {
    const Bytes digits = Text("123456789");
    EXPECT_EQ(Crc32(digits), 0xCBF43926U);
    EXPECT_EQ(Adler32(Text("Wikipedia")), 0x11E60398U);
    EXPECT_EQ(Adler32(Bytes(100000, 0xFF)), 0x149A302CU) << "sums reduced over long runs";
}

struct DecodedPng {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t colourType = 0;
    Bytes pixels;
};

std::uint32_t BigEndian32(std::span<const std::uint8_t> b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

// Reads back a file of 8-bit samples in stored deflate blocks and checks every structural field
// and checksum on the way; the failure says what was wrong.
DecodedPng DecodeStoredPng(std::span<const std::uint8_t> file) {
    const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || !std::equal(signature.begin(), signature.end(), file.begin())) {
        throw std::runtime_error("no PNG signature");
    }
    DecodedPng png;
    Bytes zlib;
    std::size_t at = 8;
    std::vector<std::string> order;
    while (at < file.size()) {
        if (file.size() - at < 12) {
            throw std::runtime_error("truncated chunk");
        }
        const std::uint32_t length = BigEndian32(file.subspan(at));
        const auto typeAndData = file.subspan(at + 4, 4 + length);
        const std::string type(typeAndData.begin(), typeAndData.begin() + 4);
        if (Crc32(typeAndData) != BigEndian32(file.subspan(at + 8 + length))) {
            throw std::runtime_error("bad CRC in " + type);
        }
        const auto data = typeAndData.subspan(4);
        if (type == "IHDR") {
            png.width = BigEndian32(data);
            png.height = BigEndian32(data.subspan(4));
            png.colourType = data[9];
            if (data[8] != 8 || data[10] != 0 || data[11] != 0 || data[12] != 0) {
                throw std::runtime_error("unexpected IHDR fields");
            }
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), data.begin(), data.end());
        }
        order.push_back(type);
        at += 12 + length;
    }
    if (order != std::vector<std::string>{"IHDR", "IDAT", "IEND"}) {
        throw std::runtime_error("unexpected chunk order");
    }
    if (zlib.size() < 6 || (zlib[0] * 256 + zlib[1]) % 31 != 0) {
        throw std::runtime_error("bad zlib header");
    }
    Bytes raw;
    std::size_t z = 2;
    for (bool last = false; !last;) {
        last = (zlib.at(z) & 1) != 0;
        const std::size_t len = zlib.at(z + 1) | zlib.at(z + 2) << 8;
        const std::size_t nlen = zlib.at(z + 3) | zlib.at(z + 4) << 8;
        if ((zlib[z] & 6) != 0 || (len ^ 0xFFFF) != nlen || z + 5 + len > zlib.size()) {
            throw std::runtime_error("bad stored block");
        }
        raw.insert(raw.end(), zlib.begin() + static_cast<std::ptrdiff_t>(z + 5),
                   zlib.begin() + static_cast<std::ptrdiff_t>(z + 5 + len));
        z += 5 + len;
    }
    if (z + 4 != zlib.size() || BigEndian32(std::span(zlib).subspan(z)) != Adler32(raw)) {
        throw std::runtime_error("bad Adler-32 or trailing bytes");
    }
    const std::size_t rowBytes = png.width * (png.colourType == 2 ? 3U : 1U);
    if (raw.size() != (rowBytes + 1) * png.height) {
        throw std::runtime_error("image data of the wrong size");
    }
    for (std::size_t row = 0; row < png.height; ++row) {
        if (raw[row * (rowBytes + 1)] != 0) {
            throw std::runtime_error("row filter other than None");
        }
        const auto begin = raw.begin() + static_cast<std::ptrdiff_t>(row * (rowBytes + 1) + 1);
        png.pixels.insert(png.pixels.end(), begin, begin + static_cast<std::ptrdiff_t>(rowBytes));
    }
    return png;
}

TEST(PngWriterTest, ImagesReadBackExactlyAcrossSeveralStoredBlocks) {
    const Bytes rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
    const DecodedPng small = DecodeStoredPng(
        EncodePng({.width = 2, .height = 2, .colour = PngColour::Rgb, .pixels = rgb}));
    EXPECT_EQ(small.width, 2U);
    EXPECT_EQ(small.colourType, 2);
    EXPECT_EQ(small.pixels, rgb);

    Bytes grey(400 * 300);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        grey[i] = static_cast<std::uint8_t>(i * 7);
    }
    const DecodedPng large = DecodeStoredPng(
        EncodePng({.width = 400, .height = 300, .colour = PngColour::Grey, .pixels = grey}));
    EXPECT_EQ(large.height, 300U);
    EXPECT_EQ(large.pixels, grey);

    EXPECT_TRUE(EncodePng({.width = 3, .height = 2, .pixels = grey}).empty())
        << "pixel count does not match the size";
}

TEST(PngPaperTest, HeadTestPageBecomesOnePngOfTheFullPrintWidth) {
    test::TempFolder folder;
    std::vector<std::filesystem::path> written;
    {
        PngPaper paper(folder.path(),
                       [&written](const std::filesystem::path& page, std::error_code error) {
                           EXPECT_FALSE(error) << error.message();
                           written.push_back(page);
                       });
        PrinterEngine engine({}, paper);
        engine.Feed(Cat({HeadPattern(), kPartialCut}));
    }
    const std::filesystem::path page = folder / "page-0001.png";
    ASSERT_EQ(written, std::vector<std::filesystem::path>{page});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
        << "no second page and no temporary file left";

    const Bytes file = test::ReadBytes(page);
    EXPECT_EQ(Hex(std::span(file).first(8)), "89 50 4E 47 0D 0A 1A 0A");
    const DecodedPng png = DecodeStoredPng(file);  // accounts for every byte of the file
    ASSERT_EQ(png.width, 576U);
    ASSERT_EQ(png.height, 8U * kLinePitchDots) << "eight lines: title, blank, 5 x slashes, blank";
    EXPECT_EQ(file.size(), 8 + 25 + (12 + 2 + 5 * 3 + 577 * 240 + 4) + 12U);

    const auto inkInRows = [&png](int top, int bottom, int left, int right) {
        int dots = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const std::uint8_t dot = png.pixels[static_cast<std::size_t>(y) * 576 + x];
                EXPECT_TRUE(dot == 0 || dot == 255) << "only black and white";
                dots += dot == 0 ? 1 : 0;
            }
        }
        return dots;
    };
    EXPECT_GT(inkInRows(0, 30, 0, 200), 100) << "the title";
    EXPECT_EQ(inkInRows(0, 30, 200, 576), 0) << "nothing right of the title";
    EXPECT_EQ(inkInRows(30, 60, 0, 576), 0) << "the blank line";
    EXPECT_GT(inkInRows(60, 90, 0, 12), 10) << "first slash of the first pattern line";
    EXPECT_GT(inkInRows(60, 90, 564, 576), 10) << "last slash reaches the right edge";
    EXPECT_EQ(inkInRows(210, 240, 0, 576), 0) << "the final blank line";
}

TEST(PngPaperTest, FlushWritesTheUnfinishedPageAndNumberingContinues) {
    test::TempFolder folder;
    test::WriteBytes(folder / "page-0007.png", {});
    PngPaper paper(folder.path());
    PrinterEngine engine({}, paper);
    engine.Feed(Text("no cut\n"));
    EXPECT_FALSE(std::filesystem::exists(folder / "page-0008.png"));
    paper.Flush();
    EXPECT_TRUE(std::filesystem::exists(folder / "page-0008.png"));
    paper.Flush();
    EXPECT_FALSE(std::filesystem::exists(folder / "page-0009.png")) << "nothing new to write";

    engine.Feed(Bytes(PngPaper::kMaxPageDots / kLinePitchDots + 1, 0x0A));
    EXPECT_TRUE(std::filesystem::exists(folder / "page-0009.png")) << "a long strip is split";
}

// Reads exactly `count` bytes, or what came before the time was up.
Bytes ReceiveBytes(int fd, std::size_t count) {
    Bytes bytes;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) {
            continue;
        }
        std::uint8_t chunk[64];
        const ssize_t got = ::read(fd, chunk, std::min(sizeof chunk, count - bytes.size()));
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

void SendBytes(int fd, const Bytes& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

TEST(PrinterProgramTest, AnswersOverTcpAndWritesTheLastPageWhenStopped) {
    test::TempFolder folder;
    PrinterProcess printer(
        {"--listen", "127.0.0.1:0", "--paper", (folder / "paper").string(), "--model", "TR-770"});
    const std::optional<std::string> first = printer.ReadLine();
    ASSERT_TRUE(first && first->starts_with("PORT ")) << first.value_or("(no output)");
    const int port = std::stoi(first->substr(5));
    ASSERT_GT(port, 0);

    const int connection = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    SendBytes(connection, kPrinterId);
    EXPECT_EQ(Hex(ReceiveBytes(connection, 8)), Hex(Tagged("_TR-770")));
    SendBytes(connection, Cat({Text("Hello\n"), {0x1B, 0x70, 0x32, 0x50, 0x50}}));
    EXPECT_EQ(printer.ReadLine(), "buzzer");
    ::close(connection);

    std::vector<std::string> lastLines;
    EXPECT_EQ(printer.Stop(SIGTERM, lastLines), 0);
    const std::filesystem::path page = folder / "paper" / "page-0001.png";
    EXPECT_EQ(lastLines, std::vector<std::string>{"page " + page.string()});
    EXPECT_TRUE(std::filesystem::exists(page));
}

TEST(PrinterProgramTest, PseudoTerminalKeepsServingWhenTheUtilityReopensIt) {
    test::TempFolder folder;
    const std::filesystem::path link = folder / "ttyPRINTER";
    PrinterProcess printer(
        {"--pty", link.string(), "--state", (folder / "state").string(), "--offline"});
    const std::optional<std::string> ready = printer.ReadLine();
    ASSERT_TRUE(ready && ready->starts_with("PTY /dev/")) << ready.value_or("(no output)");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / "state"));

    for (int open = 0; open < 2; ++open) {
        const int device = ::open(link.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(device, 0);
        SendBytes(device, Status(1));
        EXPECT_EQ(Hex(ReceiveBytes(device, 1)), "1A") << "open number " << open + 1;
        ::close(device);
    }

    std::vector<std::string> lastLines;
    EXPECT_EQ(printer.Stop(SIGINT, lastLines), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)))
        << "the link is removed at exit";
}

TEST(PrinterProgramTest, RefusesUnknownModelsAndQueryNames) {
    for (const auto& arguments :
         {std::vector<std::string>{"--listen", "127.0.0.1:0", "--model", "TR-9999"},
          std::vector<std::string>{"--listen", "127.0.0.1:0", "--no-reply", "status9"},
          std::vector<std::string>{"--model", "TR-770"}}) {
        PrinterProcess printer(arguments);
        std::vector<std::string> lines;
        EXPECT_EQ(printer.Stop(0, lines), 2) << arguments.back();
        EXPECT_TRUE(lines.empty());
    }
}

}  // namespace
}  // namespace vrtruty::emulator
