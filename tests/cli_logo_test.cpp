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
