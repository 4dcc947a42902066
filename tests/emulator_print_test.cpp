// What the virtual printer prints: text styles and layout, code pages, pictures, bar codes and 2D
// codes. Every script is also fed split after each of its bytes, and must print the same.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "emulator/code_pages.h"
#include "emulator/paper.h"
#include "emulator/printer_engine.h"
#include "jobs/printer_jobs.h"
#include "picture_paper.h"
#include "png_reader.h"
#include "test_support.h"

namespace vrtruty::emulator {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::Join;

using test::PicturePaper;

// The paper after the script, checked to be the same however the script is split into reads.
PicturePaper Print(const Bytes& script) {
    PicturePaper whole;
    {
        PrinterEngine engine({}, whole);
        engine.Feed(script);
    }
    for (std::size_t split = 1; split < script.size(); ++split) {
        PicturePaper parts;
        PrinterEngine engine({}, parts);
        engine.Feed(std::span(script).first(split));
        engine.Feed(std::span(script).subspan(split));
        EXPECT_EQ(parts.lines, whole.lines) << "split after byte " << split;
        EXPECT_EQ(parts.pictures, whole.pictures) << "split after byte " << split;
    }
    return whole;
}

// A picture as rows of '#' and '.'.
std::vector<std::string> Rows(const PrintedPicture& picture) {
    std::vector<std::string> rows;
    for (int y = 0; y < picture.height; ++y) {
        std::string row;
        for (int x = 0; x < picture.width; ++x) {
            row +=
                picture.dots[static_cast<std::size_t>(y * picture.width + x)].ink != 0 ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(PrinterEngineTextTest, StyleCommandsChangeTheCharactersAfterThem) {
    struct Case {
        const char* what;
        Bytes command;
        FontKind font;
        TextStyle style;
    };
    const std::vector<Case> cases = {
        {"ESC ! with every bit",
         {0x1B, 0x21, 0xB9},
         FontKind::B,
         {.emphasised = true, .underline = 1, .widthScale = 2, .heightScale = 2}},
        {"ESC E 1", {0x1B, 0x45, 0x01}, FontKind::A, {.emphasised = true}},
        {"ESC G 1", {0x1B, 0x47, 0x01}, FontKind::A, {.emphasised = true}},
        {"ESC - 2", {0x1B, 0x2D, 0x02}, FontKind::A, {.underline = 2}},
        {"ESC - '1'", {0x1B, 0x2D, '1'}, FontKind::A, {.underline = 1}},
        {"ESC - 3 is no thickness", {0x1B, 0x2D, 0x03}, FontKind::A, {}},
        {"GS ! 8 wide, 4 high",
         {0x1D, 0x21, 0x73},
         FontKind::A,
         {.widthScale = 8, .heightScale = 4}},
        {"GS ! 9 wide is refused", {0x1D, 0x21, 0x80}, FontKind::A, {}},
        {"GS B 1", {0x1D, 0x42, 0x01}, FontKind::A, {.reverse = true}},
        {"ESC V 1", {0x1B, 0x56, 0x01}, FontKind::A, {.rotated = true}},
        {"ESC @ ends every style",
         {0x1B, 0x21, 0xB9, 0x1D, 0x42, 0x01, 0x1B, 0x40},
         FontKind::A,
         {}},
    };
    for (const auto& [what, command, font, expected] : cases) {
        const PicturePaper paper = Print(Join({command, test::Bytes("A\n")}));
        ASSERT_EQ(paper.lines.size(), 1U) << what;
        ASSERT_EQ(paper.lines[0].glyphs.size(), 1U) << what;
        const Glyph& glyph = paper.lines[0].glyphs[0];
        EXPECT_EQ(glyph.font, font) << what;
        EXPECT_EQ(glyph.style, expected) << what;
    }
}

// Each line as "a<alignment> m<margin> w<area width> s<spacing>", "turned" when upside down, and
// the left edges of its characters; lines are separated by " / ".
std::string Layout(const PicturePaper& paper) {
    std::string text;
    for (const PrintedLine& line : paper.lines) {
        text += (text.empty() ? "a" : " / a") + std::to_string(int(line.alignment)) + " m" +
                std::to_string(line.margin) + " w" + std::to_string(line.areaWidth) + " s" +
                std::to_string(line.spacing) + (line.upsideDown ? " turned" : "") + " at";
        for (const Glyph& g : line.glyphs) {
            text += " " + std::to_string(g.left);
        }
    }
    return text;
}

TEST(PrinterEngineTextTest, LayoutCommandsPlaceTheLine) {
    struct Case {
        const char* what;
        Bytes script;
        const char* layout;
    };
    const Case cases[] = {
        {"ESC a 1 centres", {0x1B, 0x61, 0x01, 'A', 0x0A}, "a1 m0 w576 s30 at 0"},
        {"ESC a '2' right", {0x1B, 0x61, '2', 'A', 0x0A}, "a2 m0 w576 s30 at 0"},
        {"GS L and GS W set the print area",
         {0x1D, 0x4C, 0x40, 0x00, 0x1D, 0x57, 0x00, 0x01, 'A', 0x0A},
         "a0 m64 w256 s30 at 0"},
        {"GS W wider than the paper is cut to it",
         {0x1D, 0x4C, 0x40, 0x00, 0x1D, 0x57, 0xFF, 0xFF, 'A', 0x0A},
         "a0 m64 w512 s30 at 0"},
        {"ESC { 1 turns the line", {0x1B, 0x7B, 0x01, 'A', 0x0A}, "a0 m0 w576 s30 turned at 0"},
        {"ESC 3 n and ESC 2",
         {0x1B, 0x33, 0x50, 'A', 0x0A, 0x1B, 0x32, 'B', 0x0A},
         "a0 m0 w576 s80 at 0 / a0 m0 w576 s30 at 0"},
        {"ESC J feeds by dots",
         {'A', 0x1B, 0x4A, 0x07, 0x1B, 0x4A, 0x05},
         "a0 m0 w576 s7 at 0 / a0 m0 w576 s5 at"},
        {"ESC $ and ESC \\ move the print position",
         {'A', 0x1B, 0x24, 0x64, 0x00, 'B', 0x1B, 0x5C, 0xF4, 0xFF, 'C', 0x0A},
         "a0 m0 w576 s30 at 0 100 100"},
        {"ESC SP adds space after each character",
         {0x1B, 0x20, 0x03, 'A', 'B', 0x0A},
         "a0 m0 w576 s30 at 0 15"},
        {"HT goes to every eighth column", {'A', 0x09, 'B', 0x0A}, "a0 m0 w576 s30 at 0 96"},
        {"ESC D sets the tab columns",
         {0x1B, 0x44, 0x03, 0x0A, 0x00, 0x09, 'A', 0x09, 'B', 0x09, 'C', 0x0A},
         "a0 m0 w576 s30 at 36 120 132"},
        {"text wraps at the print area",
         {0x1D, 0x57, 0x18, 0x00, 'A', 'B', 'C', 0x0A},
         "a0 m0 w24 s30 at 0 12 / a0 m0 w24 s30 at 0"},
    };
    for (const auto& [what, script, layout] : cases) {
        EXPECT_EQ(Layout(Print(script)), layout) << what;
    }
}

TEST(CodePageTest, BytesMapToTheCharactersOfTheirPageAndSet) {
    struct Case {
        std::uint8_t page;
        std::uint8_t set;
        std::uint8_t byte;
        std::optional<char32_t> expected;
    };
    const std::vector<Case> cases = {
        {0x00, 0, 0x80, U'Ç'},         {0x13, 0, 0xD5, U'€'},
        {0x01, 0, 0xB1, U'ｱ'},         {0x10, 0, 0x80, U'€'},
        {0x11, 0, 0x80, U'А'},         {0xFC, 0, 0xC1, U'Α'},
        {0xFE, 0, 0x80, U'А'},         {0xFB, 0, 0xA3, U'Ł'},
        {0xF8, 0, 0xA1, U'ก'},         {0x00, 8, 0x5C, U'¥'},
        {0x00, 2, 0x40, U'§'},         {0x00, 3, 0x23, U'£'},
        {0x00, 0, 0x41, U'A'},         {kBlankCodePage, 0, 0x80, std::nullopt},
        {0x42, 0, 0x80, std::nullopt},  // no such page
        {0x00, 0, 0x1F, std::nullopt},
    };
    for (const auto& [page, set, byte, expected] : cases) {
        EXPECT_EQ(SingleByteCharacter(page, set, byte), expected)
            << "page " << int(page) << ", set " << int(set) << ", byte " << int(byte);
    }
    EXPECT_EQ(KanjiCharacter(0x3021, false), U'亜') << "JIS";
    EXPECT_EQ(KanjiCharacter(0x889F, true), U'亜') << "Shift-JIS";
    EXPECT_EQ(KanjiCharacter(0x2F7E, false), std::nullopt) << "a gap in the JIS table";
}

// The code-table page after the stored code page was changed, as the utility does it: the
// characters of columns 8 to F must be drawn, and differ from each other.
TEST(CodePageTest, CodeTablePageShowsTheStoredCodePage) {
    const auto names = tools::CodePageNames();
    for (int index = 1; index <= static_cast<int>(names.size()); ++index) {
        test::TempFolder folder;
        {
            PngPaper paper(folder.path());
            PrinterEngine engine({}, paper);
            engine.Feed(tools::BuildChangeDefaultsBuffer({.codePage = index}));
            engine.Feed(tools::BuildCodeTablePage());
        }
        const auto page = test::ReadPng(folder / "page-0001.png");
        ASSERT_TRUE(page) << names[index - 1];
        std::set<std::string> distinct;
        int inked = 0;
        for (int row = 0; row < 16; ++row) {
            for (int column = 8; column < 16; ++column) {
                // Line 0 is the heading; each line is the row digit and (blank, character) pairs.
                const int left = (2 * column + 2) * 12;
                const int top = (row + 1) * kLinePitchDots;
                std::string cell;
                for (int y = top; y < top + kLinePitchDots; ++y) {
                    cell += page->Row(y, left, left + 12);
                }
                if (cell.find('#') != std::string::npos) {
                    ++inked;
                    distinct.insert(cell);
                }
            }
        }
        if (names[index - 1] == "Blank Page") {
            EXPECT_EQ(inked, 0) << names[index - 1];
        } else {
            EXPECT_GE(distinct.size(), 60U) << names[index - 1] << ": " << inked << " inked cells";
        }
    }
}

TEST(PrinterEnginePictureTest, RasterAndBitImagesKeepTheirDotsAndScales) {
    // GS v 0 m = 3 (double width and height): one byte by two rows.
    const PicturePaper raster = Print({0x1D, 0x76, 0x30, 0x03, 0x01, 0x00, 0x02, 0x00, 0x81, 0x40});
    ASSERT_EQ(raster.pictures.size(), 1U);
    EXPECT_EQ(Rows(raster.pictures[0]),
              (std::vector<std::string>{"##............##", "##............##", "..##............",
                                        "..##............"}));

    // ESC * m: two columns, the first with its top dot, the second with its bottom dot; the top
    // and bottom rows of the 24 show them, each dot twice as wide in the single-density modes 0
    // and 32.
    const std::pair<std::uint8_t, const char*> modes[] = {
        {0, "##.. ..##"}, {1, "#. .#"}, {32, "##.. ..##"}, {33, "#. .#"}};
    for (const auto& [m, corners] : modes) {
        const Bytes columns = m >= 32 ? Bytes{0x80, 0, 0, 0, 0, 0x01} : Bytes{0x80, 0x01};
        const PicturePaper paper = Print(Join({{0x1B, 0x2A, m, 0x02, 0x00}, columns, {0x0A}}));
        ASSERT_EQ(paper.lines.size(), 1U) << int(m);
        ASSERT_EQ(paper.lines[0].images.size(), 1U) << int(m);
        const auto rows = Rows(paper.lines[0].images[0].picture);
        ASSERT_EQ(rows.size(), 24U) << int(m);
        EXPECT_EQ(rows.front() + " " + rows.back(), corners) << int(m);
    }
}

TEST(PrinterEnginePictureTest, GraphicsBufferPrintsWhatWasStoredOnceAligned) {
    const Bytes store = {0x30, 0x70, 0x30, 0x02, 0x01, 0x31, 0x08, 0x00, 0x01, 0x00, 0xA5};
    const Bytes print = {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x32};
    const Bytes centre = {0x1B, 0x61, 0x01};
    for (const Bytes& storeCommand : {
             Join({{0x1D, 0x28, 0x4C, static_cast<std::uint8_t>(store.size()), 0x00}, store}),
             Join({{0x1D, 0x38, 0x4C, static_cast<std::uint8_t>(store.size()), 0, 0, 0}, store}),
         }) {
        const PicturePaper paper = Print(Join({print, centre, storeCommand, print, print}));
        ASSERT_EQ(paper.pictures.size(), 1U) << "printed once, and only after it was stored";
        EXPECT_EQ(Rows(paper.pictures[0]), std::vector<std::string>{"##..##....##..##"});
        EXPECT_EQ(paper.pictures[0].left, (576 - 16) / 2);
    }
}

TEST(PrinterEnginePictureTest, BarCodesAndQrCodesPrintAsPicturesOfTheirSettings) {
    const auto pictureSize = [](const Bytes& script) -> std::string {
        const PicturePaper paper = Print(script);
        if (paper.pictures.empty()) {
            return "nothing";
        }
        return std::to_string(paper.pictures[0].width) + " x " +
               std::to_string(paper.pictures[0].height);
    };
    const Bytes heightAndWidth = {0x1D, 0x68, 0x50, 0x1D, 0x77, 0x02};
    const std::string code128 = "{BABC-123";
    EXPECT_EQ(pictureSize(Join({heightAndWidth,
                                {0x1D, 0x6B, 0x49, static_cast<std::uint8_t>(code128.size())},
                                test::Bytes(code128)})),
              "224 x 80")
        << "CODE128: 112 modules, two dots each";
    EXPECT_EQ(
        pictureSize(Join({heightAndWidth, {0x1D, 0x6B, 0x00}, test::Bytes("01234567890"), {0x00}})),
        "190 x 80")
        << "UPC-A, the NUL-ended form";
    EXPECT_EQ(pictureSize(Join({{0x1D, 0x6B, 0x02}, test::Bytes("ABC"), {0x00}})), "nothing")
        << "EAN-13 takes only digits";

    const Bytes qr = Join({{0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, 0x04},  // module size 4
                           {0x1D, 0x28, 0x6B, 0x08, 0x00, 0x31, 0x50, 0x30},  // store "hello"
                           test::Bytes("hello"),
                           {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x51, 0x30}});  // print
    EXPECT_EQ(pictureSize(qr), "84 x 84") << "version 1: 21 modules";
    EXPECT_EQ(pictureSize({0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x51, 0x30}), "nothing")
        << "nothing stored";
}

TEST(PrinterEngineStatusTest, IdentityAndStatusCommandsAnswer) {
    struct Case {
        const char* what;
        Faults faults;
        Bytes command;
        std::string reply;
    };
    const std::vector<Case> cases = {
        {"GS I 1 model", {}, {0x1D, 0x49, 0x01}, "20"},
        {"GS I '2' type", {}, {0x1D, 0x49, '2'}, "03"},
        {"GS I 3 version", {}, {0x1D, 0x49, 0x03}, "01"},
        {"GS I 65 firmware", {}, {0x1D, 0x49, 0x41}, test::Hex(test::Bytes("_1.00")) + " 00"},
        {"GS I 69 fonts",
         {},
         {0x1D, 0x49, 0x45},
         test::Hex(test::Bytes("_KANJI JAPANESE")) + " 00"},
        {"GS I 99 unknown", {}, {0x1D, 0x49, 0x63}, ""},
        {"GS r 1 paper", {}, {0x1D, 0x72, 0x01}, "00"},
        {"GS r is held while the paper has ended", {.paperEnd = true}, {0x1D, 0x72, 0x01}, ""},
        {"GS r 2 drawer", {}, {0x1D, 0x72, 0x02}, "00"},
        {"ESC v", {.offline = true}, {0x1B, 0x76}, "00"},
        {"ESC u 0", {}, {0x1B, 0x75, 0x00}, "00"},
        {"GS a on", {.offline = true}, {0x1D, 0x61, 0xFF}, "18 00 00 00"},
        {"GS a off", {}, {0x1D, 0x61, 0x00}, ""},
    };
    for (const auto& [what, faults, command, reply] : cases) {
        PicturePaper paper;
        PrinterEngineOptions options;
        options.faults = faults;
        PrinterEngine engine(options, paper);
        EXPECT_EQ(test::Hex(engine.Feed(command)), reply) << what;
    }
}

TEST(PrinterEngineStatusTest, RealTimeStatusIsAnsweredInsideAnotherCommandsData) {
    PicturePaper paper;
    PrinterEngine engine({}, paper);
    // A raster image whose dots happen to read DLE EOT 1, then the real request.
    const Bytes raster = {0x1D, 0x76, 0x30, 0x00, 0x03, 0x00, 0x01, 0x00, 0x10, 0x04, 0x01};
    EXPECT_EQ(test::Hex(engine.Feed(raster)), "12") << "answered as a printer does";
    ASSERT_EQ(paper.pictures.size(), 1U) << "and still part of the picture";
    EXPECT_EQ(Rows(paper.pictures[0]), std::vector<std::string>{"...#.........#.........#"});
    EXPECT_EQ(test::Hex(engine.Feed(Bytes{0x10, 0x04, 0x01})), "12") << "answered once";
}

TEST(PrinterEngineStatusTest, AFaultHoldsThePrintUntilItClears) {
    PicturePaper paper;
    std::vector<std::string> events;
    PrinterEngine engine({}, paper,
                         [&events](EventKind kind) { events.emplace_back(EventName(kind)); });
    EXPECT_EQ(test::Hex(engine.Feed(Bytes{0x1D, 0x61, 0x01})), "10 00 00 00") << "GS a on";
    EXPECT_EQ(test::Hex(engine.SetFaults({.coverOpen = true})), "38 00 00 00");
    const Bytes job = Join({test::Bytes("held\n"),
                            {0x1D, 0x49, 0x41, 0x10, 0x04, 0x02},
                            {0x10, 0x14, 0x01, 0x00, 0x01},
                            {0x1B, 0x69}});
    for (const std::uint8_t byte : job) {
        const Bytes reply = engine.Feed(Bytes{byte});
        if (byte == 0x02) {
            EXPECT_EQ(test::Hex(reply), "16") << "real-time status while held: cover open";
        }
    }
    EXPECT_TRUE(paper.lines.empty()) << "nothing printed while the cover is open";
    EXPECT_EQ(events, std::vector<std::string>{"drawer 1"}) << "no cut, the pulse at once";
    EXPECT_EQ(test::Hex(engine.SetFaults({})),
              "10 00 00 00 " + test::Hex(test::Bytes("_1.00")) + " 00")
        << "the status, then the answer of the held query; the status request not again";
    ASSERT_EQ(paper.lines.size(), 1U);
    EXPECT_EQ(events, (std::vector<std::string>{"drawer 1", "cut"}));

    engine.SetFaults({.paperEnd = true});
    engine.Feed(test::Bytes("lost\n"));
    engine.Feed(Bytes{0x10, 0x05, 0x02});  // DLE ENQ 2: recover, clearing the buffers
    engine.SetFaults({});
    EXPECT_EQ(paper.lines.size(), 1U) << "what was held is gone";
}

}  // namespace
}  // namespace vrtruty::emulator
