// The virtual printer's NV graphics memory: its size from the NV memory setting, defining,
// listing in acknowledged blocks, printing and deleting logos, the logo file, and random input.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "emulator/nv_graphics.h"
#include "emulator/paper.h"
#include "emulator/printer_engine.h"
#include "logo_test_support.h"
#include "picture_paper.h"
#include "png_reader.h"
#include "test_support.h"

namespace vrtruty::emulator {
namespace {

using test::Hex;
using test::Join;
using test::logo::Bytes;
using test::logo::DefineLogo;
using test::logo::Hi;
using test::logo::Lo;

const Bytes kCapacityQuery = {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x00};
const Bytes kFreeQuery = {0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x03};
const Bytes kListQuery = {0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x40, 0x4B, 0x43};
const Bytes kAck = {0x06};
const Bytes kDeleteAll = {0x1D, 0x28, 0x4C, 0x05, 0x00, 0x30, 0x41, 0x43, 0x4C, 0x52, 0x1D,
                          0x28, 0x4C, 0x04, 0x00, 0x30, 0x41, 0x43, 0x4C, 0x52, 0x1B, 0x40};

Bytes DeleteOne(std::uint16_t keycode) {
    return {0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x42, Lo(keycode), Hi(keycode)};
}
Bytes Print(std::uint16_t keycode, std::uint8_t x = 1, std::uint8_t y = 1) {
    return {0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, Lo(keycode), Hi(keycode), x, y};
}
Bytes DefineMono(std::uint16_t keycode, std::uint16_t widthBytes = 1, std::uint16_t rows = 1) {
    return DefineLogo(keycode, 0x30, widthBytes, rows, {{0xFF}});
}

Bytes NumberReply(std::uint8_t form, std::uint64_t value) {
    const std::string digits = std::to_string(value);
    return Join({{0x37, form}, Bytes(digits.begin(), digits.end()), {0x00}});
}

using test::PicturePaper;

// A dot of a picture as a character: '.' blank, '#' full first colour, 'r' second colour, or the
// level 0..F of a partly inked dot.
std::string Rows(const PrintedPicture& picture) {
    std::string text;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const PictureDot& dot = picture.dots[static_cast<std::size_t>(y * picture.width + x)];
            if (dot.secondColour) {
                text += 'r';
            } else if (dot.ink == 0) {
                text += '.';
            } else if (dot.ink == 255) {
                text += '#';
            } else {
                text += "0123456789ABCDEF"[dot.ink / 17];
            }
        }
        text += '\n';
    }
    return text;
}

PrinterEngineOptions Options(std::string model, std::optional<UserSettings> settings) {
    PrinterEngineOptions options;
    options.model = std::move(model);
    options.settings = std::move(settings);
    return options;
}

struct NvPrinter {
    explicit NvPrinter(std::string model = "TR-770", NvGraphicsMemory memory = {},
                       std::optional<UserSettings> settings = std::nullopt)
        : engine(Options(model, std::move(settings)), paper),
          nv(engine, paper, model, std::move(memory), [this](const NvGraphicsMemory& stored) {
              ++stores;
              lastStored = FormatLogoText(stored);
          }) {}

    Bytes Feed(const Bytes& bytes) { return engine.Feed(bytes); }

    PicturePaper paper;
    PrinterEngine engine;
    int stores = 0;
    std::string lastStored;
    NvGraphicsCommands nv;
};

TEST(NvGraphicsCapacityTest, StepsOfTheNvMemorySettingPerModel) {
    EXPECT_EQ(NvGraphicsCapacity("TR-770II", 7), 6u * 512 * 1024);
    EXPECT_EQ(NvGraphicsCapacity("TR-770II", 2), 512u * 1024);
    EXPECT_EQ(NvGraphicsCapacity("TR-770", 7), 393216u);
    EXPECT_EQ(NvGraphicsCapacity("TR-770K (WL)", 9), 524288u);
    EXPECT_EQ(NvGraphicsCapacity("TR-770", 1), 0u);
    EXPECT_EQ(NvGraphicsCapacity("TR-770II", 0), 0u) << "no memory";
}

TEST(NvGraphicsTest, DefineListPrintDelete) {
    NvPrinter printer;
    EXPECT_EQ(Hex(printer.Feed(kCapacityQuery)), Hex(NumberReply(0x30, 393216)));
    EXPECT_EQ(Hex(printer.Feed(kFreeQuery)), Hex(NumberReply(0x31, 393216)));
    EXPECT_EQ(Hex(printer.Feed(kListQuery)), "37 72 40 00");

    // The define command of a 16 x 2 logo the registration builds for keycode 4120.
    const Bytes define = {0x1D, 0x38, 0x4C, 0x0F, 0x00, 0x00, 0x00, 0x30, 0x43, 0x30, 0x20,
                          0x41, 0x01, 0x10, 0x00, 0x02, 0x00, 0x31, 0xF0, 0x0F, 0x81, 0x00};
    EXPECT_EQ(Hex(printer.Feed(define)), "");
    EXPECT_EQ(Hex(printer.Feed(kFreeQuery)), Hex(NumberReply(0x31, 393216 - 4 - 24)));
    EXPECT_EQ(Hex(printer.Feed(kListQuery)), "37 72 40 20 41 00");

    EXPECT_EQ(Hex(printer.Feed(Print(0x4120))), "");
    ASSERT_EQ(printer.paper.pictures.size(), 1u);
    EXPECT_EQ(Rows(printer.paper.pictures[0]),
              "####........####\n"
              "#......#........\n");

    EXPECT_EQ(Hex(printer.Feed(DeleteOne(0x4120))), "");
    EXPECT_EQ(Hex(printer.Feed(kListQuery)), "37 72 40 00");
    EXPECT_EQ(Hex(printer.Feed(kFreeQuery)), Hex(NumberReply(0x31, 393216)));
    EXPECT_EQ(Hex(printer.Feed(Print(0x4120))), "");
    EXPECT_EQ(printer.paper.pictures.size(), 1u) << "a deleted logo prints nothing";
}

TEST(NvGraphicsTest, PrintsTheSecondColourRedAndLevelsAsInk) {
    NvPrinter printer;
    printer.Feed(DefineLogo(0x4141, 0x30, 1, 1, {{0xC0}, {0x90}}));
    printer.Feed(DefineLogo(0x4242, 0x30, 1, 1, {{0x0F}}, 0x32));  // the second colour alone
    // Levels 15, 8, 1 and 0 in the first four dots: bit planes of weight 8, 4, 2, 1.
    printer.Feed(DefineLogo(0x4343, 0x34, 1, 1, {{0xC0}, {0x80}, {0x80}, {0xA0}}));
    printer.Feed(Join({Print(0x4141), Print(0x4242), Print(0x4343, 2, 2)}));
    ASSERT_EQ(printer.paper.pictures.size(), 3u);
    EXPECT_EQ(Rows(printer.paper.pictures[0]), "##.r....\n") << "the first colour covers red";
    EXPECT_EQ(Rows(printer.paper.pictures[1]), "....rrrr\n");
    EXPECT_EQ(Rows(printer.paper.pictures[2]),
              "##8811..........\n"
              "##8811..........\n");
}

TEST(NvGraphicsTest, ListsInBlocksOfFortyEachAfterAnAck) {
    NvPrinter printer;
    for (int i = 0; i < 85; ++i) {
        printer.Feed(
            DefineMono(static_cast<std::uint16_t>((0x21 + i / 40) << 8 | (0x21 + i % 40))));
    }
    const Bytes first = printer.Feed(kListQuery);
    ASSERT_EQ(first.size(), 84u);
    EXPECT_EQ(Hex({first.begin(), first.begin() + 5}), "37 72 41 21 21");
    EXPECT_EQ(first.back(), 0x00);
    EXPECT_EQ(Hex(printer.Feed({0x0A})), "") << "nothing more without an ACK";

    const Bytes second = printer.Feed(kAck);
    ASSERT_EQ(second.size(), 84u);
    EXPECT_EQ(Hex({second.begin(), second.begin() + 5}), "37 72 41 21 22");
    EXPECT_EQ(Hex(printer.Feed(kAck)), "37 72 40 21 23 22 23 23 23 24 23 25 23 00");
    EXPECT_EQ(Hex(printer.Feed(kAck)), "") << "the list is over";

    printer.Feed(kListQuery);
    printer.Feed(kCapacityQuery);
    EXPECT_EQ(Hex(printer.Feed(kAck)), "") << "another function ends the list";
}

TEST(NvGraphicsTest, RedefiningReplacesAndAFullMemoryRefuses) {
    UserSettings settings = FactoryUserSettings("TR-770");
    settings.customizeValues[kNvAreaSetting] = 2;  // 64 KiB
    NvPrinter printer("TR-770", {}, settings);
    printer.Feed(DefineMono(0x4141));
    printer.Feed(DefineMono(0x4242));
    printer.Feed(DefineMono(0x4141, 2, 2));
    EXPECT_EQ(printer.nv.Memory().Keycodes(), (std::vector<std::uint16_t>{0x4242, 0x4141}))
        << "the new definition is listed last";
    EXPECT_EQ(printer.nv.Memory().Free(), 65536u - 25 - 28);

    // 256 x 256 bytes do not fit beside them.
    printer.Feed(DefineMono(0x4343, 256, 256));
    EXPECT_EQ(printer.nv.Memory().Find(0x4343), nullptr);
    printer.Feed(DefineMono(0x4141, 256, 256));
    EXPECT_EQ(printer.nv.Memory().Find(0x4141)->width, 16)
        << "a refused redefinition keeps the old";
    printer.Feed(DefineMono(0x4444, 255, 256));
    EXPECT_NE(printer.nv.Memory().Find(0x4444), nullptr) << "what fits is stored";
    EXPECT_EQ(Hex(printer.Feed(kFreeQuery)), Hex(NumberReply(0x31, 65536 - 25 - 28 - 65304)));
}

TEST(NvGraphicsTest, DeleteAllTakesEitherFormAndPrintsNothing) {
    NvPrinter printer;
    printer.Feed(Join({DefineMono(0x4141), DefineMono(0x4242)}));
    EXPECT_EQ(Hex(printer.Feed(kDeleteAll)), "");
    EXPECT_TRUE(printer.nv.Memory().Logos().empty());
    EXPECT_TRUE(printer.paper.lines.empty()) << "the 'R' after the short form is never printed";

    printer.Feed(DefineMono(0x4141));
    printer.Feed({0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x41, 0x43, 0x4C});
    EXPECT_TRUE(printer.nv.Memory().Logos().empty()) << "the short form alone";
    printer.Feed(DefineMono(0x4141));
    printer.Feed({0x1D, 0x28, 0x4C, 0x05, 0x00, 0x30, 0x41, 0x41, 0x4C, 0x4C});
    EXPECT_EQ(printer.nv.Memory().Logos().size(), 1u) << "only CLR deletes";
}

TEST(NvGraphicsTest, MalformedDefinitionsAreIgnored) {
    NvPrinter printer;
    const std::vector<std::pair<std::string_view, Bytes>> cases = {
        {"keycode byte 7F", DefineMono(0x417F)},
        {"three colours", DefineLogo(0x4141, 0x30, 1, 1, {{1}, {2}, {3}})},
        {"two planes for 16 levels", DefineLogo(0x4141, 0x34, 1, 1, {{1}, {2}})},
        {"plane number 33 in colours", DefineLogo(0x4141, 0x30, 1, 1, {{1}}, 0x33)},
        {"plane number 30", DefineLogo(0x4141, 0x30, 1, 1, {{1}}, 0x30)},
        {"no rows", DefineLogo(0x4141, 0x30, 1, 0, {{}})},
        {"2305 rows", DefineMono(0x4141, 1, 2305)},
    };
    for (const auto& [what, command] : cases) {
        printer.Feed(command);
        EXPECT_TRUE(printer.nv.Memory().Logos().empty()) << what;
    }
    Bytes twice = DefineLogo(0x4141, 0x30, 1, 1, {{1}, {2}});
    twice[twice.size() - 2] = 0x31;  // the same plane number twice
    printer.Feed(twice);
    EXPECT_TRUE(printer.nv.Memory().Logos().empty());
    EXPECT_EQ(printer.stores, 1) << "only laying out the memory for its setting was stored";
}

TEST(NvGraphicsTest, AnotherNvMemorySettingEmptiesTheMemory) {
    NvPrinter first;
    first.Feed(Join({DefineMono(0x4141), DefineMono(0x4242, 2, 1)}));
    LoadedLogos loaded = ParseLogoText(first.lastStored, "TR-770");
    ASSERT_EQ(loaded.status, StateFileStatus::Loaded) << loaded.problem;

    NvPrinter same("TR-770", loaded.memory);
    EXPECT_EQ(Hex(same.Feed(kListQuery)), "37 72 40 41 41 42 42 00");
    EXPECT_EQ(same.stores, 0);

    UserSettings settings = FactoryUserSettings("TR-770");
    settings.customizeValues[kNvAreaSetting] = 4;
    NvPrinter resized("TR-770", loaded.memory, settings);
    EXPECT_EQ(Hex(resized.Feed(kListQuery)), "37 72 40 00");
    EXPECT_EQ(Hex(resized.Feed(kCapacityQuery)), Hex(NumberReply(0x30, 3 * 65536)));
    EXPECT_EQ(resized.lastStored, "vrtruty-printer logos 1\narea 4\n");
}

TEST(NvLogoFileTest, KeepsEveryLogoAndItsArea) {
    NvGraphicsMemory memory(7, NvGraphicsCapacity("TR-770II", 7));
    const Bytes parameters = {0x30, 0x43, 0x30, 0x20, 0x41, 0x01, 0x10,
                              0x00, 0x01, 0x00, 0x31, 0xAB, 0xCD};
    ASSERT_TRUE(memory.Define(*ParseNvDefinition(parameters)));
    const std::string text = FormatLogoText(memory);
    EXPECT_EQ(text,
              "vrtruty-printer logos 1\narea 7\nlogo 4120 30433020410110000100"
              "31ABCD\n");

    test::TempFolder folder;
    const auto path = LogoFilePath(folder / "printer.state");
    EXPECT_EQ(path.filename(), "printer.state.logos");
    ASSERT_FALSE(SaveLogoFile(path, memory));
    const LoadedLogos loaded = LoadLogoFile(path, "TR-770II");
    ASSERT_EQ(loaded.status, StateFileStatus::Loaded) << loaded.problem;
    EXPECT_EQ(loaded.memory.Logos(), memory.Logos());
    EXPECT_EQ(loaded.memory.Capacity(), memory.Capacity());
    EXPECT_EQ(LoadLogoFile(folder / "none.logos", "TR-770II").status, StateFileStatus::Missing);
}

TEST(NvLogoFileTest, TheProgramKeepsItsLogosAcrossARestart) {
    test::TempFolder folder;
    const auto file = LogoFilePath(folder / "printer.state");
    std::vector<std::string> reports;
    const auto report = [&reports](const std::string& problem) { reports.push_back(problem); };
    {
        PicturePaper paper;
        PrinterEngine engine(Options("TR-770", std::nullopt), paper);
        const auto nv = AttachNvGraphics(engine, paper, "TR-770", file, report);
        engine.Feed(Join({DefineMono(0x4141), DefineMono(0x4242), DeleteOne(0x4141)}));
    }
    PicturePaper paper;
    PrinterEngine engine(Options("TR-770", std::nullopt), paper);
    const auto nv = AttachNvGraphics(engine, paper, "TR-770", file, report);
    EXPECT_EQ(Hex(engine.Feed(kListQuery)), "37 72 40 42 42 00");

    test::WriteBytes(file, test::Bytes("vrtruty-printer logos 9\n"));
    const auto fresh = AttachNvGraphics(engine, paper, "TR-770", file, report);
    EXPECT_TRUE(fresh->Memory().Logos().empty());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("is not used (line 1: not a logo file"), std::string::npos)
        << reports[0];
}

TEST(NvLogoFileTest, ADamagedFileIsNotUsed) {
    const std::string header = "vrtruty-printer logos 1\n";
    const std::vector<std::pair<std::string_view, std::string>> cases = {
        {"other header", "vrtruty-printer state 1\narea 7\n"},
        {"no area", header},
        {"bad area", header + "area seven\n"},
        {"keycode differs", header + "area 7\nlogo 4121 3043302041011000010031ABCD\n"},
        {"malformed logo", header + "area 7\nlogo 4120 3043302041011000010031AB\n"},
        {"no room", header + "area 0\nlogo 4120 3043302041011000010031ABCD\n"},
    };
    for (const auto& [what, text] : cases) {
        const LoadedLogos loaded = ParseLogoText(text, "TR-770");
        EXPECT_EQ(loaded.status, StateFileStatus::Damaged) << what;
        EXPECT_TRUE(loaded.memory.Logos().empty()) << what;
        EXPECT_FALSE(loaded.problem.empty()) << what;
    }
    EXPECT_EQ(ParseLogoText("  \n", "TR-770").status, StateFileStatus::Missing);
}

TEST(NvGraphicsPaperTest, PagesOfBlackDotsTakeOneBitAndGreyOrRedASmallPalette) {
    test::TempFolder folder;
    std::vector<std::filesystem::path> pages;
    {
        PngPaper paper(folder.path(), [&pages](const std::filesystem::path& page, std::error_code) {
            pages.push_back(page);
        });
        for (const PrintedPicture& picture : {
                 PrintedPicture{2, 1, {{255, false}, {0, false}}},
                 PrintedPicture{2, 1, {{255, false}, {136, false}}},
                 PrintedPicture{2, 1, {{255, false}, {255, true}}},
             }) {
            paper.PrintPicture(picture);
            paper.Cut();
        }
    }
    ASSERT_EQ(pages.size(), 3u);
    const auto black = test::ReadPng(pages[0]);
    const auto grey = test::ReadPng(pages[1]);
    const auto red = test::ReadPng(pages[2]);
    ASSERT_TRUE(black && grey && red);
    EXPECT_EQ(std::tie(black->colourType, black->bitDepth),
              std::make_tuple(PNG_COLOR_TYPE_GRAY, 1));
    EXPECT_EQ(std::tie(grey->colourType, grey->bitDepth),
              std::make_tuple(PNG_COLOR_TYPE_PALETTE, 2));
    EXPECT_EQ(std::tie(red->colourType, red->bitDepth), std::make_tuple(PNG_COLOR_TYPE_PALETTE, 2));
    EXPECT_EQ(test::Hex(std::span(grey->rgb).first(6)), "00 00 00 77 77 77");
    EXPECT_EQ(test::Hex(std::span(red->rgb).first(6)), "00 00 00 FF 00 00");
}

TEST(NvGraphicsFuzzTest, RandomNvGraphicsCommandsNeverCrash) {
    NvPrinter printer("TR-770II");
    std::mt19937 rng(7);
    const auto byte = [&rng] { return static_cast<std::uint8_t>(rng()); };
    // Values the handlers look at, so that random commands reach deep into them.
    const std::uint8_t functions[] = {0x00, 0x03, 0x30, 0x33, 0x40, 0x41, 0x42, 0x43, 0x45, 0x99};
    for (int round = 0; round < 3000; ++round) {
        Bytes parameters = {0x30, functions[rng() % std::size(functions)]};
        const std::size_t extra = rng() % 24;
        for (std::size_t i = 0; i < extra; ++i) {
            parameters.push_back(rng() % 3 == 0 ? byte() : static_cast<std::uint8_t>(rng() % 5));
        }
        if (rng() % 4 == 0) {
            parameters[0] = byte();
        }
        Bytes command;
        if (rng() % 2 == 0) {
            command = {0x1D, 0x28, 0x4C, static_cast<std::uint8_t>(parameters.size()), 0x00};
        } else {
            command = {0x1D, 0x38, 0x4C, static_cast<std::uint8_t>(parameters.size()), 0, 0, 0};
        }
        command.insert(command.end(), parameters.begin(), parameters.end());
        if (rng() % 8 == 0) {
            command.push_back(0x06);
        }
        printer.Feed(command);
    }
    // Whole random streams too (about a megabyte), in reads of random size, half of them rich in
    // GS.
    for (int round = 0; round < 4000; ++round) {
        Bytes stream(rng() % 512);
        for (std::uint8_t& b : stream) {
            b = round % 2 == 0 && rng() % 4 == 0 ? std::uint8_t{0x1D} : byte();
        }
        printer.Feed(stream);
    }
    // The printer still answers: a reset stops whatever command is pending.
    EXPECT_EQ(Hex(printer.Feed(test::kReset3)), "3B 33 00");
    EXPECT_EQ(Hex(printer.Feed(test::kPrinterId)), Hex(test::Tagged("_TR-770II")));
    EXPECT_EQ(Hex(printer.Feed(kCapacityQuery)), Hex(NumberReply(0x30, 6u * 512 * 1024)));
    EXPECT_LE(printer.nv.Memory().Used(), printer.nv.Memory().Capacity());
}

TEST(NvGraphicsFuzzTest, ALogoLongerThanTheKeptCommandIsNotStored) {
    NvPrinter printer("TR-770II");
    const std::uint16_t widthBytes = 1024;
    const std::uint16_t rows = 1100;  // 1 126 400 bytes, more than the printer keeps of a command
    printer.Feed(DefineMono(0x4141, widthBytes, rows));
    EXPECT_TRUE(printer.nv.Memory().Logos().empty());
    EXPECT_EQ(Hex(printer.Feed(kListQuery)), "37 72 40 00") << "the command was read to its end";
}

}  // namespace
}  // namespace vrtruty::emulator
