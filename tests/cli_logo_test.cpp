// Logos on the virtual printer from the command line: register, list, print and delete.
#include <gtest/gtest.h>

#include "bitmap_builder.h"
#include "cli_harness.h"

namespace vrtruty {
namespace {

using test::CliAgainstPrinter;
using test::CliRun;

// A 64 × 32 bitmap: the left half black, the right half in the palette's second colour.
std::vector<std::uint8_t> Halves(std::uint16_t bitCount, std::vector<test::Rgb> palette,
                                 std::uint32_t right) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            pixels.push_back(x < 32 ? 0 : right);
        }
    }
    return test::MakeBmp(test::Layout(64, 32, bitCount, std::move(palette)), pixels);
}

TEST_F(CliAgainstPrinter, LogosAreRegisteredListedPrintedAndDeleted) {
    const std::string paper = (home / "paper").string();
    std::filesystem::create_directories(paper);
    const std::string port = StartPrinter(
        {"--model", "TR-770II", "--paper", paper, "--state", (home / "printer.state").string()});
    test::WriteBytes(home / "mono.bmp", Halves(24, {}, 0x808080));
    test::WriteBytes(home / "two.bmp", Halves(8, {{0, 0, 0}, {255, 0, 0}, {255, 255, 255}}, 1));

    CliRun run = Run(
        {"--port", port, "logo", "register", (home / "mono.bmp").string(), "--keycode", "4141"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = Run({"--port", port, "logo", "register", (home / "two.bmp").string(), "--keycode", "4142",
               "--two-colours"});
    ASSERT_EQ(run.status, 0) << run.err;

    run = Run({"--port", port, "logo", "info"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Logos:    4141 4142\n"), std::string::npos) << run.out;

    run = Run({"--port", port, "logo", "print", "4142", "--two-colours", "--cut"});
    EXPECT_EQ(run.status, 0) << run.err;

    ASSERT_EQ(Run({"--port", port, "logo", "delete", "4141"}).status, 0);
    EXPECT_NE(Run({"--port", port, "logo", "info"}).out.find("Logos:    4142\n"),
              std::string::npos);
    ASSERT_EQ(Run({"--port", port, "logo", "delete-all"}).status, 0);
    EXPECT_NE(Run({"--port", port, "logo", "info"}).out.find("Logos:    none\n"),
              std::string::npos);

    printer.reset();
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(paper) / "page-0001.png"))
        << "the printed logo";
}

// Free keycodes, refusals of keycodes the printer does or does not hold, and the window's list
// file kept, shown and registered from a script.
TEST_F(CliAgainstPrinter, LogoKeycodesAreCheckedAgainstThePrinter) {
    const std::string port =
        StartPrinter({"--model", "TR-770II", "--state", (home / "printer.state").string()});
    const std::string mono = (home / "mono.bmp").string();
    test::WriteBytes(mono, Halves(24, {}, 0xFFFFFF));

    CliRun run = Run({"--port", port, "logo", "register", mono, "--keycode", "2021"});
    ASSERT_EQ(run.status, 0) << run.err;
    // 2020 is free, 2021 is held, so a batch of two takes 2020 and 2022; a terminal sees each.
    run = Run({"--port", port, "logo", "register", mono, mono}, true);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Registered " + mono + " as 2020 (\"  \")\nRegistered " + mono +
                           " as 2022 (\"\" \")\n");
    EXPECT_EQ(run.err,
              "Asking the printer for its logos...\n"
              "Registering logo 1 of 2: mono.bmp as 2020 (\"  \")\n"
              "Registering logo 2 of 2: mono.bmp as 2022 (\"\" \")\n");

    run = Run({"--port", port, "logo", "register", mono, "--keycode", "2022"});
    EXPECT_NE(run.status, 0) << "a held keycode is never replaced silently";
    EXPECT_NE(run.err.find("already holds a logo 2022"), std::string::npos) << run.err;
    run = Run({"--port", port, "logo", "register", mono, "--keycode", "2022", "--replace"});
    EXPECT_EQ(run.status, 0) << run.err;

    for (const char* command : {"print", "delete"}) {
        SCOPED_TRACE(command);
        run = Run({"--port", port, "logo", command, "4141"});
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find("holds no logo 4141 (\"AA\")"), std::string::npos) << run.err;
    }
    EXPECT_NE(Run({"--port", port, "logo", "info"}).out.find("Logos:    2021 2020 2022\n"),
              std::string::npos);
}

TEST_F(CliAgainstPrinter, LogoListsRoundTripAndRegisterTheirCheckedRows) {
    const std::string port =
        StartPrinter({"--model", "TR-770II", "--state", (home / "printer.state").string()});
    const std::string mono = (home / "mono.bmp").string();
    const std::string two = (home / "two.bmp").string();
    test::WriteBytes(mono, Halves(24, {}, 0xFFFFFF));
    test::WriteBytes(two, Halves(8, {{0, 0, 0}, {255, 0, 0}, {255, 255, 255}}, 1));
    const std::string qlr = (home / "shop.qlr").string();
    const auto wide = [](const std::string& text) {
        return std::u16string(text.begin(), text.end());
    };
    test::WriteBytes(qlr, test::Utf16Le(u"[BITMAPFILE]\r\nCNT=2\r\n"
                                        u"CHECK001=TRUE\r\nFILE_001=" +
                                        wide(mono) +
                                        u"\r\nDTLEN001=1\r\nKEYCD001=4142\r\n"
                                        u"COLOR001=FALSE\r\nGRADATION01=2\r\n"
                                        u"CHECK002=FALSE\r\nFILE_002=" +
                                        wide(two) +
                                        u"\r\nDTLEN002=1\r\nKEYCD002=4143\r\n"
                                        u"COLOR002=TRUE\r\nGRADATION02=16\r\n"));

    ASSERT_EQ(Run({"logo", "list", "load", qlr}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(home / "Vrtrutyl.dat"));
    const std::string shown = "[x] 4142 (\"BA\")  monochrome  gradation 2  280 bytes  " + mono +
                              "\n[ ] 4143 (\"CA\")  two colours  gradation 16  1045 bytes  " + two +
                              "\n";
    EXPECT_EQ(Run({"logo", "list", "show"}).out, shown);

    const std::string copy = (home / "copy.qlr").string();
    ASSERT_EQ(Run({"logo", "list", "save", copy}).status, 0);
    EXPECT_NE(Run({"logo", "list", "save", copy}).status, 0) << "an existing file needs --force";
    EXPECT_EQ(Run({"logo", "list", "save", copy, "--force"}).status, 0);
    EXPECT_EQ(Run({"logo", "list", "show", copy}).out, shown);

    const CliRun run = Run({"--port", port, "logo", "register", "--list", copy});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Registered " + mono + " as 4142 (\"BA\")\n");
    EXPECT_NE(Run({"--port", port, "logo", "info"}).out.find("Logos:    4142\n"),
              std::string::npos);
}

TEST_F(CliAgainstPrinter, LogoSizeConvertAndPreviewNeedNoPrinter) {
    test::WriteBytes(home / "mono.bmp", Halves(24, {}, 0xFFFFFF));
    EXPECT_EQ(Run({"logo", "size", (home / "mono.bmp").string()}).status, 0);
    const CliRun converted =
        Run({"logo", "convert", (home / "mono.bmp").string(), "--keycode", "4120"});
    EXPECT_EQ(converted.status, 0) << converted.err;
    EXPECT_TRUE(converted.out.starts_with("1D 38 4C")) << converted.out;
    EXPECT_EQ(Run({"logo", "preview", (home / "mono.bmp").string(), "--out",
                   (home / "preview.png").string()})
                  .status,
              0);
    EXPECT_TRUE(std::filesystem::exists(home / "preview.png"));

    test::WriteBytes(home / "broken.bmp", test::Bytes("BM not really a bitmap"));
    const CliRun broken = Run({"logo", "size", (home / "broken.bmp").string()});
    EXPECT_NE(broken.status, 0);
    EXPECT_NE(broken.err.find("broken.bmp"), std::string::npos) << broken.err;
}

}  // namespace
}  // namespace vrtruty
