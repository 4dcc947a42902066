#include <signal.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "core/catalogue.h"
#include "emulator/paper.h"
#include "emulator/png_writer.h"
#include "emulator/printer_engine.h"
#include "jobs/printer_jobs.h"
#include "platform/device_channel.h"
#include "platform/tcp_socket.h"
#include "png_reader.h"
#include "printer_process.h"
#include "test_support.h"

namespace vrtruty::emulator {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;
using test::Hex;
using test::Join;
using test::kBufferClear;
using test::kPrinterId;
using test::kReset3;
using test::PrinterProcess;
using test::Tagged;

const Bytes kPartialCut = {0x1B, 0x6D};

Bytes Status(std::uint8_t n) {
    return {0x10, 0x04, n};
}
const Bytes kAllStatus = Join({Status(1), Status(2), Status(3), Status(4)});

// ASCII as itself, other single bytes as [XX], kanji as {XXXX}, a gap as blanks of the width of
// the character after it, a bit image as <image W x H>.
std::string LineText(const PrintedLine& line) {
    std::string text;
    int end = 0;
    for (const Glyph& g : line.glyphs) {
        for (; end < g.left; end += g.WidthDots()) {
            text += ' ';
        }
        end = g.left + g.WidthDots();
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
    for (const LineImage& image : line.images) {
        text += "<image " + std::to_string(image.picture.width) + " x " +
                std::to_string(image.picture.height) + ">";
    }
    return text;
}

// Lines, pictures and cuts in order; a cut is an empty entry, a picture a line of its own.
class RecordingPaper final : public PaperSink {
  public:
    void PrintLine(const PrintedLine& line) override { sheet.emplace_back(line); }
    void PrintPicture(const PrintedPicture& picture) override {
        PrintedLine line;
        line.images.push_back({.left = picture.left, .picture = picture});
        sheet.emplace_back(line);
    }
    void Cut() override { sheet.emplace_back(std::nullopt); }
    void Flush() override {}

    std::vector<std::optional<PrintedLine>> sheet;
};

struct TestPrinter {
    explicit TestPrinter(PrinterEngineOptions options = {})
        : engine(std::move(options), paper,
                 [this](EventKind kind) { events.emplace_back(EventName(kind)); }) {}

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
    std::vector<std::string> events;
    PrinterEngine engine;
};

TEST(PrinterEngineQueryTest, AnswersEachQueryExactlyWithTheReadThatCompletesIt) {
    TestPrinter printer;
    EXPECT_EQ(Hex(printer.Feed({0x1D, 0x49, 0x63})), "") << "no such identity";
    EXPECT_EQ(Hex(printer.Feed({0x1D, 0x49})), "");
    EXPECT_EQ(Hex(printer.Feed({0x43, 0x10})), Hex(Tagged("_TR-770II")));
    EXPECT_EQ(Hex(printer.Feed({0x04})), "");
    EXPECT_EQ(Hex(printer.Feed({0x01})), "12");
    EXPECT_TRUE(printer.paper.sheet.empty());
}

TEST(PrinterEngineQueryTest, PrinterIdIsTheCatalogueTagOfTheModelOrTheOverride) {
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
    EXPECT_THROW(TestPrinter{unknown}, std::invalid_argument);
    unknown.modelTag = "_TR-9999";
    EXPECT_NO_THROW(TestPrinter{unknown}) << "a given tag needs no catalogue entry";
}

TEST(PrinterEngineStatusTest, EachFaultSetsItsBitsInTheFourStatusBytes) {
    const std::tuple<const char*, Faults, const char*> cases[] = {
        // name, faults, answers to DLE EOT 1, 2, 3, 4
        {"ready", {}, "12 12 12 12"},
        {"offline", {.offline = true}, "1A 12 12 12"},
        {"cover open", {.coverOpen = true}, "1A 16 12 12"},
        {"cutter error", {.cutterError = true}, "1A 52 1A 12"},
        {"paper end", {.paperEnd = true}, "1A 32 12 7E"},
        {"cover open, paper end", {.coverOpen = true, .paperEnd = true}, "1A 36 12 7E"},
        {"cutter error, paper end", {.paperEnd = true, .cutterError = true}, "1A 72 1A 7E"},
    };
    for (const auto& [name, faults, statusBytes] : cases) {
        PrinterEngineOptions options;
        options.faults = faults;
        EXPECT_EQ(Hex(TestPrinter(options).Feed(kAllStatus)), statusBytes) << name;
    }
    TestPrinter printer;
    printer.engine.SetFaults({.coverOpen = true});
    EXPECT_EQ(Hex(printer.Feed(kAllStatus)), "1A 16 12 12")
        << "a fault set while running shows at once";
}

TEST(PrinterEngineNoReplyTest, EachSwitchSilencesOnlyItsOwnQuery) {
    const std::pair<std::string_view, Bytes> queries[] = {
        {"reset3", kReset3},    {"buffer-clear", kBufferClear}, {"status1", Status(1)},
        {"status2", Status(2)}, {"status3", Status(3)},         {"status4", Status(4)},
        {"id", kPrinterId},
    };
    for (const auto& [silenced, unused] : queries) {
        const std::optional<Query> query = ParseQueryName(silenced);
        ASSERT_TRUE(query.has_value()) << silenced;
        EXPECT_EQ(QueryName(*query), silenced);
        PrinterEngineOptions options;
        options.noReply = {*query};
        TestPrinter printer(options);
        for (const auto& [asked, bytes] : queries) {
            EXPECT_EQ(printer.Feed(bytes).empty(), asked == silenced)
                << "--no-reply " << silenced << ", asking " << asked;
        }
    }
    EXPECT_EQ(ParseQueryName("status5"), std::nullopt);
    EXPECT_EQ(ParseQueryName("ID"), std::nullopt);
}

// Every kind of command the engine knows, with data bytes that look like commands where a
// command carries data.
Bytes EveryCommandScript() {
    return Join(
        {{0x00, 0x1D, 0x65, 0x75, 0x45, 0x00, 0x1B, 0x40},  // NUL, preamble, ESC @
         {0x1B, 0x74, 0x13, 0x1B, 0x52, 0x08},              // ESC t PC858, ESC R Japan
         {0x1B, 0x4D, 0x01},
         test::Bytes("font B\n"),
         {0x1C, 0x28, 0x41, 0x02, 0x00, 0x30, 0x00},  // FS ( A: font A
         test::Bytes("font A\tTab\n"),
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
         Bytes(36, 0x1B),  // ESC & one user-defined character of 12 x 24 dots
         {0x1B, 0xEE, 0x1D, 0xF0, 0x1C, 0xF1, 0x10, 'X'},  // unknown: two bytes each
         {0x1D, 0x28, 0x3F, 0x03, 0x00, 'a', 'b', 'c'},    // unknown GS ( and FS ( functions: their
         {0x1C, 0x28, 0x3F, 0x01, 0x00, 'd'},              // length is skipped
         test::Bytes("after unknown\n"),
         {0x1B, 0x64, 0x02},        // ESC d 2
         {0x1D, 0x56, 0x42, 0x00},  // GS V 66 0: feed and cut
         test::Bytes("x"),
         {0x1D, 0x56, 0x01, 0x1B, 0x69},  // GS V 1, ESC i
         Join({kAllStatus, kReset3, kBufferClear, kPrinterId}),
         // ESC = 0: printing disabled, real-time commands still work
         Join({{0x1B, 0x3D, 0x00},
               test::Bytes("hidden\n"),
               kPrinterId,
               Status(1),
               {0x1B, 0x3D, 0x01}}),
         Join({test::Bytes("last"), kPartialCut})});
}

TEST(PrinterEngineParserTest, EveryCommandHasItsEffectWhereverTheStreamIsSplit) {
    const Bytes script = EveryCommandScript();
    TestPrinter whole;
    const std::string wholeReply = Hex(whole.Feed(script));
    EXPECT_EQ(wholeReply, "12 12 12 12 3B 33 00 37 25 00 " + Hex(Tagged("_TR-770II")) + " 12");
    EXPECT_EQ(whole.Sheet(),
              (std::vector<std::string>{"font B", "font A  Tab", "{3021}{3022}", "[80][FF]",
                                        "<image 6 x 24>", "<image 8 x 2>", "<image 192 x 162>",
                                        "<image 204 x 162>", "after unknown", "", "", "--cut--",
                                        "x", "--cut--", "--cut--", "last", "--cut--"}));
    EXPECT_EQ(whole.events, (std::vector<std::string>{"drawer 1", "drawer 2", "buzzer", "drawer 2",
                                                      "cut", "cut", "cut", "cut"}));

    // The same, fed in reads that end after the given bytes.
    const auto fedInParts = [&script, &whole](const std::vector<std::size_t>& ends) {
        TestPrinter printer;
        Bytes reply;
        std::size_t from = 0;
        for (const std::size_t to : ends) {
            const Bytes part = printer.Feed(Bytes(script.begin() + from, script.begin() + to));
            reply.insert(reply.end(), part.begin(), part.end());
            from = to;
        }
        EXPECT_EQ(printer.paper.sheet, whole.paper.sheet);
        EXPECT_EQ(printer.events, whole.events);
        return Hex(reply);
    };
    std::vector<std::size_t> everyByte;
    for (std::size_t split = 1; split < script.size(); ++split) {
        EXPECT_EQ(fedInParts({split, script.size()}), wholeReply) << "split after byte " << split;
        everyByte.push_back(split);
    }
    everyByte.push_back(script.size());
    EXPECT_EQ(fedInParts(everyByte), wholeReply) << "one byte per read";
}

TEST(PrinterEngineParserTest, LongPayloadIsCappedForItsHandlerAndTheRestSkipped) {
    TestPrinter printer;
    std::vector<std::pair<std::uint64_t, std::size_t>> seen;  // command size, bytes kept
    const Bytes defineKey = {0x1D, 0x38, 0x4C};
    ASSERT_TRUE(printer.engine.SetHandler(defineKey, [&seen](const Command& command, Bytes&) {
        seen.emplace_back(command.size, command.bytes.size());
    }));
    const std::size_t payload = 3 << 20;  // 30 00 00 00 in the four length bytes
    printer.Feed(Join({defineKey, {0x00, 0x00, 0x30, 0x00}}));
    const Bytes chunk(1 << 16, 0x0A);
    for (std::size_t sent = 0; sent < payload; sent += chunk.size()) {
        printer.Feed(chunk);
    }
    printer.Feed(test::Bytes("after\n"));
    EXPECT_EQ(seen, (std::vector<std::pair<std::uint64_t, std::size_t>>{
                        {7 + payload, PrinterEngine::kMaxKeptCommandBytes}}));
    EXPECT_EQ(printer.Sheet(), std::vector<std::string>{"after"}) << "the payload is not text";
}

TEST(PrinterEngineParserTest, Reset3AndBufferClearWorkInsideAnUnfinishedCommand) {
    TestPrinter printer;
    // A define command announcing 4 GiB that never comes.
    printer.Feed(Join({{0x1D, 0x38, 0x4C, 0xFF, 0xFF, 0xFF, 0xFF}, Bytes(1000, 0x41)}));
    EXPECT_EQ(Hex(printer.Feed(kReset3)), "3B 33 00");
    printer.Feed(Join({{0x1D, 0x28, 0x45, 0xFF, 0xFF}, test::Bytes("lost")}));
    EXPECT_EQ(Hex(printer.Feed(kBufferClear)), "37 25 00");
    printer.Feed(test::Bytes("ok\n"));
    EXPECT_EQ(printer.Sheet(), std::vector<std::string>{"ok"});
}

TEST(PrinterEnginePrintingTest, TextWrapsAtTheLineWidthOfTheFont) {
    TestPrinter printer;
    printer.Feed(Join({test::Bytes(std::string(50, 'a') + "\n"),
                       {0x1B, 0x4D, 0x01},
                       test::Bytes(std::string(65, 'b') + "\n")}));
    EXPECT_EQ(printer.Sheet(),
              (std::vector<std::string>{std::string(48, 'a'), "aa", std::string(64, 'b'), "b"}));
}

TEST(PrinterEnginePrintingTest, StoredDefaultsBecomeThePowerOnSettings) {
    TestPrinter printer;
    printer.Feed(tools::BuildChangeDefaultsBuffer(
        {.codePage = 10, .internationalCharacter = 9, .font = 2}));  // PC858, Japan, Font B
    const CharacterSettings changed{.codePage = 0x13, .characterSet = 8, .font = FontKind::B};
    EXPECT_EQ(printer.engine.PowerOnSettings(), changed);
    printer.Feed({0x1B, 0x74, 0x00, 0x1B, 0x4D, 0x02, 0x1B, 0x40});
    EXPECT_EQ(printer.engine.Current(), changed) << "ESC @ brings back the stored settings";
    printer.Feed(Join({{0x1B, 0x74, 0x05}, kReset3}));
    EXPECT_EQ(printer.engine.Current(), changed) << "so does RESET3";
    printer.Feed({0x1D, 0x28, 0x4D, 0x02, 0x00, 0x02, 0x00});
    EXPECT_EQ(printer.engine.Current(), CharacterSettings{}) << "area 0: factory settings";
}

TEST(PngWriterTest, BlackAndWhiteTakeOneBitPerDotOtherColoursAPalette) {
    test::TempFolder folder;
    const PngRgb red{255, 0, 0};
    const PngRgb grey{128, 128, 128};
    struct Case {
        std::vector<PngRgb> colours;
        int bitDepth;
        int colourType;
    };
    const std::vector<Case> cases = {
        {{kPngWhite, kPngBlack}, 1, PNG_COLOR_TYPE_GRAY},
        {{kPngBlack, kPngWhite}, 1, PNG_COLOR_TYPE_GRAY},
        {{kPngWhite, red}, 1, PNG_COLOR_TYPE_PALETTE},
        {{kPngWhite, kPngBlack, red}, 2, PNG_COLOR_TYPE_PALETTE},
        {{kPngWhite, kPngBlack, red, grey, grey}, 4, PNG_COLOR_TYPE_PALETTE},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [colours, bitDepth, colourType] = cases[i];
        const std::filesystem::path path = folder / ("picture" + std::to_string(i) + ".png");
        Bytes first(10);
        for (std::size_t x = 0; x < first.size(); ++x) {
            first[x] = static_cast<std::uint8_t>(x % colours.size());
        }
        PngFileWriter writer(path, 10, 2, colours);
        writer.WriteRow(first);
        writer.WriteRow(Bytes{1, 1});  // the rest of the row takes colour 0
        EXPECT_FALSE(std::filesystem::exists(path)) << "not in place before it is finished";
        ASSERT_FALSE(writer.Finish());
        const auto picture = test::ReadPng(path);
        ASSERT_TRUE(picture) << i;
        EXPECT_EQ(picture->bitDepth, bitDepth) << i;
        EXPECT_EQ(picture->colourType, colourType) << i;
        const auto dot = [&](std::size_t x, std::size_t y) {
            const std::size_t at = (y * 10 + x) * 3;
            return PngRgb{picture->rgb[at], picture->rgb[at + 1], picture->rgb[at + 2]};
        };
        for (std::size_t x = 0; x < 10; ++x) {
            EXPECT_EQ(dot(x, 0), colours[first[x]]) << "case " << i << ", dot " << x;
            EXPECT_EQ(dot(x, 1), colours[x < 2 ? 1 : 0]) << "case " << i << ", dot " << x;
        }
    }
}

TEST(PngWriterTest, AnUnfinishedOrUnwritableFileLeavesNothingBehind) {
    test::TempFolder folder;
    {
        PngFileWriter writer(folder / "short.png", 8, 3, {kPngWhite, kPngBlack});
        writer.WriteRow(Bytes(8, 1));
        EXPECT_EQ(writer.Finish(), std::errc::invalid_argument) << "two rows missing";
    }
    PngFileWriter writer(folder / "missing" / "page.png", 8, 1, {kPngWhite, kPngBlack});
    writer.WriteRow(Bytes(8, 1));
    EXPECT_TRUE(writer.Finish());
    EXPECT_EQ(test::Entries(folder.path()), std::vector<std::string>{});
}

TEST(PngPaperTest, HeadTestPageBecomesOneOneBitPngOfTheFullPrintWidth) {
    test::TempFolder folder;
    std::vector<std::filesystem::path> written;
    {
        PngPaper paper(folder.path(),
                       [&written](const std::filesystem::path& page, std::error_code error) {
                           EXPECT_FALSE(error) << error.message();
                           written.push_back(page);
                       });
        PrinterEngine engine({}, paper);
        engine.Feed(
            Join({tools::BuildPrinterTestBuffer(tools::PrinterTest::Head, false), kPartialCut}));
    }
    const std::filesystem::path page = folder / "page-0001.png";
    ASSERT_EQ(written, std::vector<std::filesystem::path>{page});
    EXPECT_EQ(test::Entries(folder.path()), std::vector<std::string>{"page-0001.png"})
        << "no second page and no temporary file left";

    const auto picture = test::ReadPng(page);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->bitDepth, 1);
    EXPECT_EQ(picture->colourType, PNG_COLOR_TYPE_GRAY);
    ASSERT_EQ(picture->width, 576);
    ASSERT_EQ(picture->height, 8 * kLinePitchDots)
        << "eight lines: title, blank, 5 x slashes, blank";
    EXPECT_GT(picture->InkIn(0, 0, 200, 30), 100) << "the title";
    EXPECT_EQ(picture->InkIn(200, 0, 576, 30) + picture->InkIn(0, 30, 576, 60), 0)
        << "blank after the title";
    EXPECT_GT(picture->InkIn(564, 60, 576, 90), 10) << "the last slash reaches the right edge";
    EXPECT_EQ(picture->InkIn(0, 210, 576, 240), 0) << "the final blank line";
}

TEST(PngPaperTest, TwoMegabytesOfReceiptTextStayUnderFiveMegabytesOfPng) {
    test::TempFolder folder;
    const std::string line = "ITEM 0042  COFFEE, LARGE          2 x 3.50     7.00\n";
    std::string job;
    for (int lines = 1; job.size() < 2'000'000; ++lines) {
        job += line;
        if (lines % 60 == 0) {
            job += "\x1b\x6d";  // a cut every sixty lines, as receipts go
        }
    }
    {
        PngPaper paper(folder.path());
        PrinterEngine engine({}, paper);
        engine.Feed(test::Bytes(job));
    }
    std::uintmax_t total = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        total += entry.file_size();
    }
    EXPECT_LT(total, 5'000'000U) << "bytes of PNG for " << job.size() << " bytes of text";
}

TEST(PngPaperTest, FlushWritesTheUnfinishedPageAndNumberingContinues) {
    test::TempFolder folder;
    test::WriteBytes(folder / "page-0007.png", {});
    PngPaper paper(folder.path());
    PrinterEngine engine({}, paper);
    engine.Feed(test::Bytes("no cut\n"));
    EXPECT_FALSE(std::filesystem::exists(folder / "page-0008.png")) << "written at a cut or flush";
    paper.Flush();
    paper.Flush();
    EXPECT_TRUE(std::filesystem::exists(folder / "page-0008.png"));
    EXPECT_FALSE(std::filesystem::exists(folder / "page-0009.png")) << "nothing new to write";
    engine.Feed(Bytes(PngPaper::kMaxPageDots / kLinePitchDots + 1, 0x0A));
    EXPECT_TRUE(std::filesystem::exists(folder / "page-0009.png")) << "a long strip is split";
}

TEST(PrinterProgramTest, AnswersOverTcpCapturesWhatItGetsAndWritesTheLastPageWhenStopped) {
    test::TempFolder folder;
    const std::filesystem::path capture = folder / "capture.bin";
    test::WriteBytes(capture, test::Bytes("left from an earlier run"));
    PrinterProcess printer({"--listen", "127.0.0.1:0", "--paper", (folder / "paper").string(),
                            "--model", "TR-770", "--capture", capture.string()});
    const std::optional<std::string> first = printer.ReadLine();
    ASSERT_TRUE(first && first->starts_with("PORT ")) << first.value_or("(no output)");
    const int port = std::stoi(first->substr(5));
    ASSERT_GT(port, 0);

    std::error_code error;
    auto connection = platform::TcpConnection::Connect(
        {"127.0.0.1", static_cast<std::uint16_t>(port)}, 5s, error);
    ASSERT_TRUE(connection.has_value()) << error.message();
    std::array<std::uint8_t, 16> reply{};
    connection->Send(kPrinterId, 5s);
    EXPECT_EQ(Hex(std::span(reply).first(connection->Receive(reply, 5s).bytes)),
              Hex(Tagged("_TR-770")));
    const Bytes job = Join({test::Bytes("Hello\n"), {0x1B, 0x70, 0x32, 0x50, 0x50}});
    connection->Send(job, 5s);
    EXPECT_EQ(printer.ReadLine(), "buzzer");
    EXPECT_EQ(Hex(test::ReadBytes(capture)), Hex(Join({kPrinterId, job})))
        << "the capture is complete once the printer has acted on the bytes";
    connection.reset();

    std::vector<std::string> lastLines;
    EXPECT_EQ(printer.Stop(SIGTERM, lastLines), 0);
    const std::filesystem::path page = folder / "paper" / "page-0001.png";
    EXPECT_EQ(lastLines, std::vector<std::string>{"page " + page.string()});
    EXPECT_TRUE(std::filesystem::exists(page));
}

TEST(PrinterProgramTest, ASilentConnectionIsClosedAndItsUnfinishedCommandDropped) {
    PrinterProcess printer({"--listen", "127.0.0.1:0", "--idle-timeout", "0.2"});
    const std::optional<std::string> first = printer.ReadLine();
    ASSERT_TRUE(first && first->starts_with("PORT ")) << first.value_or("(no output)");
    const platform::HostAndPort endpoint{"127.0.0.1",
                                         static_cast<std::uint16_t>(std::stoi(first->substr(5)))};
    std::error_code error;
    auto silent = platform::TcpConnection::Connect(endpoint, 5s, error);
    ASSERT_TRUE(silent.has_value()) << error.message();
    // GS 8 L announcing a megabyte that never comes.
    silent->Send(Bytes{0x1D, 0x38, 0x4C, 0x00, 0x00, 0x10, 0x00, 0x30, 0x43}, 5s);
    std::array<std::uint8_t, 4> reply{};
    EXPECT_EQ(silent->Receive(reply, 5s).status, platform::IoStatus::Failed)
        << "closed by the printer well before five seconds";

    auto next = platform::TcpConnection::Connect(endpoint, 5s, error);
    ASSERT_TRUE(next.has_value()) << error.message();
    next->Send(Join({test::Bytes("next client\n"), kPartialCut}), 5s);
    EXPECT_EQ(printer.ReadLine(), "cut") << "not swallowed by the first client's command";
}

TEST(PrinterProgramTest, PseudoTerminalKeepsServingWhenTheUtilityReopensIt) {
    test::TempFolder folder;
    const std::filesystem::path link = folder / "ttyPRINTER";
    const std::filesystem::path capture = folder / "capture.bin";
    PrinterProcess printer({"--pty", link.string(), "--state", (folder / "state").string(),
                            "--offline", "--capture", capture.string()});
    const std::optional<std::string> ready = printer.ReadLine();
    ASSERT_TRUE(ready && ready->starts_with("PTY /dev/")) << ready.value_or("(no output)");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / "state"));

    for (int open = 1; open <= 2; ++open) {
        std::error_code error;
        const auto port = platform::OpenSerialDevice(link, {}, error);
        ASSERT_NE(port, nullptr) << error.message();
        std::array<std::uint8_t, 4> reply{};
        port->Write(Status(1), 5s);
        EXPECT_EQ(Hex(std::span(reply).first(port->Read(reply, 5s).bytes)), "1A")
            << "open number " << open;
    }
    EXPECT_EQ(Hex(test::ReadBytes(capture)), Hex(Join({Status(1), Status(1)})));

    std::vector<std::string> lastLines;
    EXPECT_EQ(printer.Stop(SIGINT, lastLines), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)))
        << "the link is removed at exit";
}

}  // namespace
}  // namespace vrtruty::emulator
