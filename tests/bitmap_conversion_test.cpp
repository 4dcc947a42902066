// Bitmap reading, the two-level conversion (dither, two-colour split, planes, define command,
// sizes) and the sixteen-level conversion.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "logo/gradation_conversion.h"
#include "logo/logo_conversion.h"
#include "tests/bitmap_builder.h"
#include "tests/logo_test_support.h"
#include "tests/test_support.h"

namespace vrtruty::logo {
namespace {

using test::BmpHeader;
using test::BmpLayout;
using test::Filled;
using test::Hex;
using test::MakeBmp;
using test::MakeRleBmp;
using test::Rgb;
using test::logo::Bytes;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr std::uint16_t kKeycode = 0x4120;  // kc1 0x20, kc2 0x41

// The first plane (and the second, when there is one) of a file, as hex text.
struct PlaneText {
    int result = 0;
    std::string plane1;
    std::string plane2;
};

PlaneText ConvertPlanes(const Bytes& file, bool twoColours = false) {
    auto loaded = LoadLogoBitmapFromMemory(LogoLoadMode::Convert, file, twoColours);
    if (loaded.result != 0) {
        return {loaded.result, {}, {}};
    }
    const auto planes =
        PackRasterPlanes(loaded.first, loaded.second ? &*loaded.second : nullptr, loaded.width);
    if (!planes) {
        return {LOGO_ERR_MEMORY, {}, {}};
    }
    return {0, Hex(planes->plane1), Hex(planes->plane2)};
}

// The plane of a one-colour file converted in memory.
RasterPlanes OnePlane(const Bytes& file) {
    auto loaded = LoadLogoBitmapFromMemory(LogoLoadMode::Convert, file, false);
    EXPECT_EQ(loaded.result, 0);
    return PackRasterPlanes(loaded.first, nullptr, loaded.width).value_or(RasterPlanes{});
}

// Dots of a one-plane logo (every dot of the image is within whole bytes here).
int CountDots(const Bytes& file) {
    int dots = 0;
    for (std::uint8_t byte : OnePlane(file).plane1) {
        dots += std::popcount(byte);
    }
    return dots;
}

std::uint32_t Rgb24(const Rgb& c) {
    return (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
}

Bytes Solid24(std::int32_t width, std::int32_t height, const Rgb& colour) {
    return MakeBmp(test::Layout(width, height, 24), Filled(width, height, Rgb24(colour)));
}

// The same 10 × 3 image in every encoding: B = black, W = white, top row first.
//   B W B W B W B W B W
//   W W W W W W W W W B
//   B B B B B B B B B B
// Black dots print; bits beyond the 10th dot of each 2-byte row stay 0.
constexpr std::int32_t kPatternWidth = 10;
constexpr std::int32_t kPatternHeight = 3;
const char* const kPatternPlane = "AA 80 00 40 FF C0";

std::vector<std::uint32_t> Pattern(std::uint32_t black, std::uint32_t white) {
    std::vector<std::uint32_t> pixels;
    for (int x = 0; x < kPatternWidth; ++x) {
        pixels.push_back(x % 2 == 0 ? black : white);
    }
    for (int x = 0; x < kPatternWidth; ++x) {
        pixels.push_back(x == kPatternWidth - 1 ? black : white);
    }
    for (int x = 0; x < kPatternWidth; ++x) {
        pixels.push_back(black);
    }
    return pixels;
}

BmpLayout PatternLayout(std::uint16_t bitCount, BmpHeader header = BmpHeader::Info40,
                        bool topDown = false) {
    auto layout = test::Layout(kPatternWidth, kPatternHeight, bitCount);
    layout.header = header;
    layout.topDown = topDown;
    return layout;
}

BmpLayout BitFields(BmpLayout layout, std::array<std::uint32_t, 3> masks) {
    layout.compression = test::kBmpBitFields;
    layout.masks = masks;
    return layout;
}

std::vector<Rgb> Palette(std::size_t entries, std::size_t blackAt, std::size_t whiteAt) {
    std::vector<Rgb> palette(entries, kRed);
    palette[blackAt] = kBlack;
    palette[whiteAt] = kWhite;
    return palette;
}

Bytes WithFileSizeField(Bytes file, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        file[2 + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return file;
}

// The pattern as common image tools write it, with the liberties they take.
void AddEverydayToolFiles(std::vector<std::pair<std::string, Bytes>>& files) {
    const std::uint32_t white24 = 0xFFFFFF;
    const auto plain = MakeBmp(PatternLayout(24), Pattern(0, white24));
    files.emplace_back("file size 0", WithFileSizeField(plain, 0));
    files.emplace_back("file size short of the file", WithFileSizeField(plain, 30));
    files.emplace_back("file size beyond the file", WithFileSizeField(plain, 4000));

    auto gap = PatternLayout(8);
    gap.palette = Palette(256, 3, 200);
    gap.gap = 6;
    files.emplace_back("8-bit, gap between table and rows", MakeBmp(gap, Pattern(3, 200)));
    auto longTable = PatternLayout(8);
    longTable.palette = Palette(300, 3, 200);
    longTable.coloursUsed = 300;
    files.emplace_back("8-bit, 300 colours used", MakeBmp(longTable, Pattern(3, 200)));
    auto threeOfTwo = PatternLayout(1);
    threeOfTwo.palette = {kBlack, kWhite, kRed};
    threeOfTwo.coloursUsed = 3;
    files.emplace_back("1-bit, 3 colours used", MakeBmp(threeOfTwo, Pattern(0, 1)));
    auto table24 = PatternLayout(24);
    table24.palette = std::vector<Rgb>(300, kRed);
    table24.coloursUsed = 300;
    table24.gap = 2;
    files.emplace_back("24-bit, 300-entry table and a gap", MakeBmp(table24, Pattern(0, white24)));

    auto alpha = BitFields(PatternLayout(32, BmpHeader::V5), {0xFF0000, 0x00FF00, 0x0000FF});
    alpha.alphaMask = 0xFF000000;
    files.emplace_back("32-bit, opaque black on a transparent background",
                       MakeBmp(alpha, Pattern(0xFF000000, 0x00000000)));
    files.emplace_back("32-bit, alpha mask but the alpha all zero",
                       MakeBmp(alpha, Pattern(0x00000000, 0x00FFFFFF)));

    // Run-length rows coded up to the padded row length of 12 dots: the two dots beyond the edge
    // are cut. Bottom row: 12 black; middle: 9 white, 3 black; top: an absolute run of 12.
    auto rle = PatternLayout(8);
    rle.compression = test::kBmpRle8;
    rle.palette = {kBlack, kWhite};
    files.emplace_back("RLE8 rows coded to the padded length",
                       MakeRleBmp(rle, {0x0C, 0x00, 0x00, 0x00, 0x09, 0x01, 0x03, 0x00, 0x00, 0x00,
                                        0x00, 0x0C, 0,    1,    0,    1,    0,    1,    0,    1,
                                        0,    1,    0,    1,    0x00, 0x00, 0x00, 0x01}));
    // Middle row: 9 white, a delta of 5 to the right (cut at the edge), a run drawn past it.
    files.emplace_back("RLE8 delta past the right edge",
                       MakeRleBmp(rle, {0x0A, 0x00, 0x00, 0x00, 0x09, 0x01, 0x00, 0x02, 0x05, 0x00,
                                        0x02, 0x01, 0x00, 0x00, 0x00, 0x0A, 0,    1,    0,    1,
                                        0,    1,    0,    1,    0,    1,    0x00, 0x01}));
    rle.bitCount = 4;
    rle.compression = test::kBmpRle4;
    files.emplace_back("RLE4 rows coded to the padded length",
                       MakeRleBmp(rle, {0x0C, 0x00, 0x00, 0x00, 0x09, 0x11, 0x03, 0x00, 0x00, 0x00,
                                        0x0C, 0x01, 0x00, 0x00, 0x00, 0x01}));
}

std::vector<std::pair<std::string, Bytes>> PatternFiles() {
    std::vector<std::pair<std::string, Bytes>> files;
    const auto add = [&](const char* name, const BmpLayout& layout, std::uint32_t black,
                         std::uint32_t white) {
        files.emplace_back(name, MakeBmp(layout, Pattern(black, white)));
    };
    // Black and white at the given entries of the palette, red in every other.
    const auto indexed = [&](const char* name, BmpLayout layout, std::size_t entries,
                             std::uint32_t black, std::uint32_t white) {
        layout.palette = Palette(entries, black, white);
        add(name, layout, black, white);
    };
    const auto core12 = BmpHeader::Core12;
    indexed("1-bit, 40-byte header", PatternLayout(1), 2, 0, 1);
    indexed("1-bit, palette white first", PatternLayout(1), 2, 1, 0);
    indexed("1-bit, 12-byte header", PatternLayout(1, core12), 2, 0, 1);
    indexed("4-bit, 40-byte header", PatternLayout(4), 16, 12, 7);
    indexed("4-bit, 12-byte header", PatternLayout(4, core12), 16, 12, 7);
    indexed("8-bit, 40-byte header", PatternLayout(8), 256, 3, 200);
    indexed("8-bit, 12-byte header", PatternLayout(8, core12), 256, 3, 200);
    // A short table (colours used 2): the rows start right after its 2 entries.
    indexed("8-bit, 2 colours used", PatternLayout(8), 2, 1, 0);
    indexed("8-bit, top-down", PatternLayout(8, BmpHeader::Info40, true), 256, 3, 200);
    const std::uint32_t white24 = 0xFFFFFF;
    add("24-bit, 40-byte header", PatternLayout(24), 0, white24);
    add("24-bit, 12-byte header", PatternLayout(24, core12), 0, white24);
    add("24-bit, 124-byte header", PatternLayout(24, BmpHeader::V5), 0, white24);
    add("24-bit, top-down", PatternLayout(24, BmpHeader::Info40, true), 0, white24);
    add("16-bit 5-5-5", PatternLayout(16), 0, 0x7FFF);
    add("16-bit 5-6-5 bit fields", BitFields(PatternLayout(16), {0xF800, 0x07E0, 0x001F}), 0,
        0xFFFF);
    add("32-bit", PatternLayout(32), 0xFF000000, white24);
    add("32-bit bit fields, 124-byte header",
        BitFields(PatternLayout(32, BmpHeader::V5), {0x000000FF, 0x0000FF00, 0x00FF0000}),
        0xFF000000, white24);
    auto rle = PatternLayout(8);
    rle.compression = test::kBmpRle8;
    rle.palette = {kBlack, kWhite};
    // Bottom row first: an encoded run; an absolute run of 3 (padded) and two encoded runs; an
    // absolute run of 10; end of bitmap.
    files.emplace_back(
        "RLE8", MakeRleBmp(rle, {0x0A, 0x00, 0x00, 0x00, 0x00, 0x03, 0x01, 0x01, 0x01, 0x00,
                                 0x06, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x01,
                                 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01}));
    rle.bitCount = 4;
    rle.compression = test::kBmpRle4;
    // Bottom row first: a run of 10 black; an absolute run of 5 white (3 bytes + pad), runs of 4
    // white and 1 black; a run alternating black and white; end of bitmap.
    files.emplace_back(
        "RLE4", MakeRleBmp(rle, {0x0A, 0x00, 0x00, 0x00, 0x00, 0x05, 0x11, 0x11, 0x10, 0x00,
                                 0x04, 0x11, 0x01, 0x00, 0x00, 0x00, 0x0A, 0x01, 0x00, 0x01}));
    AddEverydayToolFiles(files);
    return files;
}

TEST(BitmapReading, EveryEncodingOfTheSameImageGivesTheSamePlane) {
    for (const auto& [name, file] : PatternFiles()) {
        SCOPED_TRACE(name);
        const auto planes = ConvertPlanes(file);
        EXPECT_EQ(planes.result, 0);
        EXPECT_EQ(planes.plane1, kPatternPlane);
        EXPECT_EQ(planes.plane2, "");
    }
}

TEST(BitmapReading, RunLengthDeltaLeavesSkippedPixelsBlack) {
    const auto layout = test::Layout(8, 3, 8, {kBlack, kWhite}, test::kBmpRle8);
    // Row 0 (bottom) is all skipped by a delta of 2 right and 1 up, then 3 white dots from x = 2
    // and end of bitmap: the top row is never reached.
    const auto upward = MakeRleBmp(layout, {0x00, 0x02, 0x02, 0x01, 0x03, 0x01, 0x00, 0x01});
    EXPECT_EQ(ConvertPlanes(upward).plane1, "FF C7 FF");

    // Within a row: 2 white, skip 3, 3 white; the top rows come entirely white.
    const auto across = MakeRleBmp(layout, {0x02, 0x01, 0x00, 0x02, 0x03, 0x00, 0x03, 0x01, 0x00,
                                            0x00, 0x08, 0x01, 0x00, 0x00, 0x08, 0x01, 0x00, 0x01});
    EXPECT_EQ(ConvertPlanes(across).plane1, "00 00 38");
}

TEST(BitmapReading, TransparentPixelsAreLaidOverWhitePaper) {
    auto layout = BitFields(test::Layout(8, 8, 32, {}), {0xFF0000, 0x00FF00, 0x0000FF});
    layout.header = BmpHeader::V5;
    layout.alphaMask = 0xFF000000;
    struct Case {
        const char* name;
        std::uint32_t top;     // the top four rows
        std::uint32_t bottom;  // the bottom four, stored first
        int dots;
    };
    // Half-transparent black over white: 127 per component, luminance 31, so 32 of 64 dots
    // print; opaque mid-grey (luminance 32) prints 31.
    const Case cases[] = {
        {"fully transparent rows stored before the first opaque one", 0xFF000000, 0x00000000, 32},
        {"alpha all zero: colours as they are", 0x00000000, 0x00000000, 64},
        {"half-transparent black", 0x80000000, 0x80000000, 32},
        {"opaque mid-grey", 0xFF808080, 0xFF808080, 31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto pixels = Filled(8, 4, c.top);
        const auto bottom = Filled(8, 4, c.bottom);
        pixels.insert(pixels.end(), bottom.begin(), bottom.end());
        EXPECT_EQ(CountDots(MakeBmp(layout, pixels)), c.dots);
    }
    // Without an alpha mask the top byte of a 32-bit pixel is not looked at.
    layout.alphaMask = 0;
    EXPECT_EQ(CountDots(MakeBmp(layout, Filled(8, 8, 0x00000000))), 64);
}

TEST(BitmapDither, MidGreyPrintsTheDotsWhoseThresholdExceedsItsLuminance) {
    // 128 + 128 + 128 = 384: luminance 32. Columns 0..7 of BAYER8 have 3, 4, 4, 4, 4, 4, 4, 4
    // thresholds above 32: 31 black dots per 8 × 8 cell, 33 white.
    EXPECT_EQ(CountDots(Solid24(16, 16, {128, 128, 128})), 4 * 31);

    // Rows of the table are taken from the bottom: in an 11-row image the top row is row 10,
    // which uses the thresholds of row 2 (0x55), not those of row 0.
    EXPECT_EQ(ConvertPlanes(Solid24(8, 11, {128, 128, 128})).plane1,
              "55 2A 55 AA 55 AA 55 AA 55 2A 55");
}

TEST(BitmapDither, LuminanceIsTheComponentSumDividedByTwelve) {
    struct Case {
        Rgb colour;
        int dots;  // of 64
    };
    const Case cases[] = {
        {{0, 0, 0}, 64},       // L 0: black even where the threshold is 0
        {{3, 4, 4}, 64},       // sum 11: L 0
        {{4, 4, 4}, 62},       // sum 12: L 1, white on thresholds 0 and 1
        {{255, 0, 0}, 42},     // L 21: white on thresholds 0..21; hue does not matter
        {{0, 0, 255}, 42},     //
        {{255, 255, 254}, 0},  // L 63
        {{255, 255, 255}, 0},  //
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.colour.red} << "," << int{c.colour.green} << ","
                                        << int{c.colour.blue});
        EXPECT_EQ(CountDots(Solid24(8, 8, c.colour)), c.dots);
    }
}

TEST(BitmapDither, TwoColoursSplitWhiteBlackAndOtherColours) {
    // 4-bit palette: white, black, red, near-white. Top row W B R B, bottom row N R W B.
    auto layout = test::Layout(4, 2, 4);
    layout.palette = {kWhite, kBlack, kRed, {254, 255, 255}};
    const auto file = MakeBmp(layout, {0, 1, 2, 1, 3, 2, 0, 1});
    const auto planes = ConvertPlanes(file, true);
    ASSERT_EQ(planes.result, 0);
    EXPECT_EQ(planes.plane1, "50 10");  // black prints in the first colour
    EXPECT_EQ(planes.plane2, "20 C0");  // anything but black and pure white in the second

    // No dither in the split: a mid-grey palette colour prints solid in the second colour.
    layout.palette = {kWhite, {128, 128, 128}};
    const auto grey = ConvertPlanes(MakeBmp(layout, Filled(4, 2, 1)), true);
    EXPECT_EQ(grey.plane1, "00 00");
    EXPECT_EQ(grey.plane2, "F0 F0");
}

TEST(LogoDefineCommand, OneColourSixteenByTwoWithoutPrefix) {
    const auto layout = test::Layout(16, 2, 1, {kBlack, kWhite});
    std::vector<std::uint32_t> pixels(32, 1);
    for (int x = 0; x < 4; ++x) {
        pixels[x] = 0;            // top row: F0 00
        pixels[16 + 12 + x] = 0;  // bottom row: 00 0F
    }
    const RasterPlanes planes = OnePlane(MakeBmp(layout, pixels));
    LogoEntry entry;
    entry.keycode = kKeycode;
    ASSERT_EQ(BuildLogoDefineCommand(planes, entry, false), 0);
    EXPECT_EQ(Hex(entry.command),
              "1D 38 4C 0F 00 00 00 30 43 30 20 41 01 10 00 02 00 31 F0 00 00 0F");
    EXPECT_EQ(entry.size, 22);

    ASSERT_EQ(BuildLogoDefineCommand(planes, entry, true), 0);
    EXPECT_EQ(Hex(entry.command),
              "1D 65 75 45 00 1D 38 4C 0F 00 00 00 30 43 30 20 41 01 10 00 02 00 31 F0 00 00 0F");
    EXPECT_EQ(entry.size, 27);
}

// An entry for the file `name`, written into `folder` with `bytes`, under kKeycode.
LogoEntry FileEntry(const test::TempFolder& folder, std::string_view name, const Bytes& bytes) {
    test::WriteBytes(folder / name, bytes);
    LogoEntry entry;
    entry.path = (folder / name).string();
    entry.keycode = kKeycode;
    return entry;
}

TEST(LogoDefineCommand, TwoColourLogoCarriesBothPlanes) {
    test::TempFolder folder;
    auto layout = test::Layout(4, 2, 8);
    layout.palette = {kWhite, kBlack, kRed};
    LogoEntry entry = FileEntry(folder, "two.bmp", MakeBmp(layout, {0, 1, 2, 1, 2, 2, 0, 1}));
    entry.twoColours = true;
    ASSERT_EQ(ConvertLogoForRegistration(entry, false), 0);
    // p = 10 + 2 × (2 + 1) = 16; x = 8 dots; planes 0x31 and 0x32 of 2 bytes each.
    EXPECT_EQ(Hex(entry.command),
              "1D 38 4C 10 00 00 00 30 43 30 20 41 02 08 00 02 00 31 50 10 32 20 C0");
    EXPECT_EQ(entry.size, 23);
}

TEST(LogoDefineCommand, MissingPlanesAreRefusedWithoutTouchingTheEntry) {
    LogoEntry entry;
    entry.size = 154;
    EXPECT_EQ(BuildLogoDefineCommand(RasterPlanes{}, entry, false), LOGO_ERR_SIZE);
    EXPECT_EQ(entry.size, 154);
    EXPECT_TRUE(entry.command.empty());
}

Bytes OneBit(std::int32_t width, std::int32_t height) {
    return MakeBmp(test::Layout(width, height, 1, {kBlack, kWhite}), Filled(width, height, 0));
}

Bytes FourBit(std::int32_t width, std::int32_t height) {
    auto layout = test::Layout(width, height, 4);
    layout.palette = Palette(16, 0, 15);
    return MakeBmp(layout, Filled(width, height, 2));
}

LogoBitmap Measure(const Bytes& file, bool twoColours = false) {
    return LoadLogoBitmapFromMemory(LogoLoadMode::Measure, file, twoColours);
}

TEST(LogoSize, RegistrationSizeIsRowBytesTimesHeightPerPlanePlus24) {
    EXPECT_EQ(Measure(OneBit(100, 10)).size, 13 * 10 + 24);
    EXPECT_EQ(Measure(FourBit(100, 10)).size, 154);
    EXPECT_EQ(Measure(FourBit(100, 10), true).size, 2 * 130 + 24);
    // A 1-bit file with two colours stays a one-plane monochrome logo.
    EXPECT_EQ(Measure(OneBit(100, 10), true).size, 154);
    EXPECT_EQ(Measure(OneBit(100, 10), true).result, 0);

    const auto rle = test::Layout(100, 10, 8, {kBlack, kWhite}, test::kBmpRle8);
    EXPECT_EQ(Measure(MakeRleBmp(rle, {0x00, 0x01}), true).size, 284);

    // Two colours need a 16- or 256-colour file.
    EXPECT_EQ(Measure(Solid24(100, 10, kWhite), true).result, LOGO_ERR_FORMAT);
    EXPECT_EQ(Measure(MakeBmp(test::Layout(4, 1, 16), Filled(4, 1, 0)), true).result,
              LOGO_ERR_FORMAT);
    EXPECT_EQ(ConvertPlanes(Solid24(8, 1, kWhite), true).result, LOGO_ERR_FORMAT);
}

TEST(LogoSize, LimitsAre8184By2304Dots) {
    EXPECT_EQ(Measure(OneBit(8184, 1)).result, 0);
    EXPECT_EQ(Measure(OneBit(8184, 1)).size, 1023 + 24);
    EXPECT_EQ(Measure(OneBit(8185, 1)).result, LOGO_ERR_SIZE);
    EXPECT_EQ(Measure(OneBit(1, 2304)).result, 0);
    EXPECT_EQ(Measure(OneBit(1, 2305)).result, LOGO_ERR_SIZE);
    EXPECT_EQ(ConvertPlanes(OneBit(8185, 1)).result, LOGO_ERR_SIZE);
    EXPECT_EQ(ConvertPlanes(OneBit(1, 2305)).result, LOGO_ERR_SIZE);
}

TEST(LogoSize, MeasuresAndConvertsFilesOnDisk) {
    test::TempFolder folder;
    LogoEntry entry = FileEntry(folder, "logo.bmp", FourBit(100, 10));
    EXPECT_EQ(ComputeLogoSize(entry, false).size, 154);
    EXPECT_EQ(ComputeLogoSize(entry, true).size, 284);

    entry.twoColours = true;
    ASSERT_EQ(ConvertLogoForRegistration(entry, false), 0);
    EXPECT_EQ(entry.size, 17 + 2 * (130 + 1));

    entry.path = (folder / "missing.bmp").string();
    EXPECT_EQ(ComputeLogoSize(entry, false).result, LOGO_ERR_OPEN);
    EXPECT_EQ(ConvertLogoForRegistration(entry, false), LOGO_ERR_OPEN);
    EXPECT_TRUE(entry.command.empty());
    entry.path = folder.path().string();
    EXPECT_EQ(ComputeLogoSize(entry, false).result, LOGO_ERR_OPEN);
}

// The command ConvertLogoForRegistration builds from a file, built instead from the bytes in
// memory.
Bytes CommandFromMemory(const Bytes& file) {
    LogoEntry entry;
    entry.keycode = kKeycode;
    EXPECT_EQ(BuildLogoDefineCommand(OnePlane(file), entry, false), 0);
    return entry.command;
}

TEST(BitmapReading, FilesAreReadInPiecesWithTheSameResultAsWhole) {
    test::TempFolder folder;
    // 24-bit rows of 3000 bytes: the file is read in several pieces, rows straddling them.
    std::vector<std::uint32_t> ramp;
    for (std::uint32_t i = 0; i < 1000 * 300; ++i) {
        ramp.push_back((i * 2654435761u) & 0xFFFFFF);
    }
    // Absolute runs of 250 dots: 252-byte codes, some of which straddle the pieces too.
    Bytes stream;
    for (int y = 0; y < 40; ++y) {
        for (int run = 0; run < 32; ++run) {
            stream.insert(stream.end(), {0x00, 250});
            for (int i = 0; i < 250; ++i) {
                stream.push_back(static_cast<std::uint8_t>((i * 7 + y + run) % 3 == 0 ? 1 : 0));
            }
        }
        stream.insert(stream.end(), {0x00, 0x00});
    }
    stream.insert(stream.end(), {0x00, 0x01});
    const std::pair<const char*, Bytes> files[] = {
        {"plain.bmp", MakeBmp(test::Layout(1000, 300, 24), ramp)},
        {"rle.bmp",
         MakeRleBmp(test::Layout(8000, 40, 8, {kBlack, kWhite}, test::kBmpRle8), stream)},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        LogoEntry entry = FileEntry(folder, name, bytes);
        ASSERT_EQ(ConvertLogoForRegistration(entry, false), 0);
        EXPECT_TRUE(entry.command == CommandFromMemory(bytes));
    }
}

struct Patch {
    std::size_t at;
    std::uint32_t value;  // little-endian
    std::size_t width = 4;
};

// A damaged copy of a valid 4 × 2 24-bit file (40-byte header, rows of 12 bytes), cut to `size`.
// Offsets: file size 2, header size 14, width 18, height 22, bit count 28, compression 30, image
// size 34, colours used 46.
Bytes Patched(std::initializer_list<Patch> patches, std::size_t size = 14 + 40 + 24) {
    auto file = Solid24(4, 2, {128, 128, 128});
    for (const Patch& patch : patches) {
        for (std::size_t i = 0; i < patch.width; ++i) {
            file[patch.at + i] = static_cast<std::uint8_t>(patch.value >> (8 * i));
        }
    }
    file.resize(size);
    return file;
}

struct Malformed {
    const char* name;
    Bytes file;
    int result = LOGO_ERR_FORMAT;        // of both two-level modes
    int gradation = BMPCONV_ERR_FORMAT;  // of the sixteen-level conversion
};

std::vector<Malformed> MalformedFiles() {
    const BmpLayout rle8 = test::Layout(4, 2, 8, {kBlack, kWhite}, test::kBmpRle8);
    BmpLayout rle4 = rle8;
    rle4.bitCount = 4;
    rle4.compression = test::kBmpRle4;
    BmpLayout topDown = rle8;
    topDown.topDown = true;
    Bytes sized = MakeRleBmp(rle8, {0x00, 0x01});
    sized[34] = 200;  // image size: the stream would be longer than the file
    const auto fields = [](std::array<std::uint32_t, 3> masks) {
        return MakeBmp({.width = 4,
                        .height = 1,
                        .bitCount = 16,
                        .compression = test::kBmpBitFields,
                        .masks = masks},
                       Filled(4, 1, 0));
    };
    return {
        {"empty file", {}},
        {"13 bytes", Patched({}, 13)},
        {"not BM", Patched({{0, 'B' | ('A' << 8), 2}})},
        {"file too short for a header", Patched({}, 25)},
        {"bits offset 0", Patched({{10, 0}})},
        {"bits offset inside the header", Patched({{10, 40}})},
        {"bits offset past the end of the file", Patched({{10, 79}})},
        {"bits offset leaving the rows one byte short", Patched({{10, 55}})},
        {"header size 0", Patched({{14, 0}})},
        {"header size 20", Patched({{14, 20}})},
        {"124-byte header in a shorter file", Patched({{14, 124}})},
        {"huge header size", Patched({{14, 0xFFFFFFF0}})},
        {"width 0", Patched({{18, 0}})},
        {"negative width", Patched({{18, 0xFFFFFFFC}})},
        {"height 0", Patched({{22, 0}})},
        {"most negative height", Patched({{22, 0x80000000}})},
        {"bit count 0", Patched({{28, 0, 2}})},
        {"bit count 2", Patched({{28, 2, 2}})},
        {"bit count 48", Patched({{28, 48, 2}})},
        {"compression JPEG", Patched({{30, 4}})},
        {"RLE8 on 24 bits", Patched({{30, 1}})},
        {"24-bit table of 300 entries past the end", Patched({{46, 300}})},
        {"colour table past the end", Patched({{46, 200}})},
        {"pixel data one byte short", Patched({{2, 14 + 40 + 24 - 1}}, 14 + 40 + 24 - 1)},
        {"width x height x bits beyond 64 bits",
         Patched({{18, 0x7FFFFFFF}, {22, 0x7FFFFFFF}, {28, 32, 2}})},
        {"width x bits beyond 32 bits", Patched({{18, 0x40000000}, {28, 32, 2}})},
        {"16 bits in a 12-byte header",
         MakeBmp({.width = 4, .height = 1, .bitCount = 16, .header = BmpHeader::Core12},
                 Filled(4, 1, 0))},
        {"bit fields all zero", fields({0, 0, 0})},
        {"bit field mask in two pieces", fields({0xF00F, 0x07E0, 0x001F})},
        {"bit field mask beyond 16 bits", fields({0xF0000, 0x07E0, 0x001F})},
        {"RLE8 absolute run past the data", MakeRleBmp(rle8, {0x00, 0x04, 1, 1})},
        {"RLE8 delta past the last row", MakeRleBmp(rle8, {0x00, 0x02, 0x00, 0x02, 0x00, 0x01})},
        {"RLE8 pixels after the last row",
         MakeRleBmp(rle8, {0x04, 0x01, 0x00, 0x00, 0x04, 0x01, 0x00, 0x00, 0x01, 0x01})},
        {"RLE8 without end of bitmap", MakeRleBmp(rle8, {0x04, 0x01, 0x00, 0x00})},
        {"RLE4 run above the top row",
         MakeRleBmp(rle4, {0x04, 0x11, 0x00, 0x00, 0x04, 0x11, 0x00, 0x00, 0x02, 0x11})},
        {"top-down RLE8", MakeRleBmp(topDown, {0x00, 0x01})},
        {"RLE image size past the end", sized},
        {"RLE8 9000 dots wide",
         MakeRleBmp(test::Layout(9000, 1, 8, {kBlack, kWhite}, test::kBmpRle8), {0x00, 0x01}),
         LOGO_ERR_SIZE, BMPCONV_ERR_TOOLARGE},
    };
}

TEST(BitmapReading, MalformedFilesGiveAResultCode) {
    for (const auto& c : MalformedFiles()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Measure(c.file).result, c.result);
        EXPECT_EQ(ConvertPlanes(c.file).result, c.result);
        Bytes command;
        std::int32_t width = 0;
        std::int32_t height = 0;
        EXPECT_EQ(BmpMemoryToRegistCommand(c.file, static_cast<std::int32_t>(c.file.size()),
                                           kGradationForm, kGradationToneRule, kGradationDotScale,
                                           kGradationDotScale, 0x20, 0x41, command, width, height),
                  c.gradation);
        EXPECT_TRUE(command.empty());
    }
}

// 4 × 2, 24-bit. Tone levels (15 − L / 4), top row: 0 15 7 3, bottom row: 9 12 10 15.
Bytes ToneSample() {
    const std::vector<Rgb> top = {kWhite, kBlack, {128, 128, 128}, {200, 200, 200}};
    const std::vector<Rgb> bottom = {{96, 96, 96}, {48, 48, 48}, kRed, {0, 0, 12}};
    std::vector<std::uint32_t> pixels;
    for (const auto& row : {top, bottom}) {
        for (const Rgb& c : row) {
            pixels.push_back(Rgb24(c));
        }
    }
    return MakeBmp(test::Layout(4, 2, 24), pixels);
}

// p = 10 + 4 × (2 + 1) = 22; a = 0x34; b = 4; x = 8, y = 2; then planes 0x31 (weight 8) ...
// 0x34 (weight 1), each top row first.
const char* const kToneCommand =
    "1D 38 4C 16 00 00 00 30 43 34 20 41 04 08 00 02 00 "
    "31 40 F0 32 60 50 33 70 30 34 70 90";

TEST(LogoGradation, BuildsFourTonePlanes) {
    const auto file = ToneSample();
    Bytes command;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const int n = BmpMemoryToRegistCommand(file, static_cast<std::int32_t>(file.size()), 0x74, 0, 1,
                                           1, kKeycode, kKeycode >> 8, command, width, height);
    EXPECT_EQ(Hex(command), kToneCommand);
    EXPECT_EQ(n + 6, static_cast<int>(command.size()));
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 2);
    DeleteBmpCommand(command);
    EXPECT_TRUE(command.empty());

    EXPECT_EQ(BmpMemoryToRegistCommand(file, static_cast<std::int32_t>(file.size()), 0x75, 0, 1, 1,
                                       0x20, 0x41, command, width, height),
              BMPCONV_ERR_FAILURE);
    EXPECT_EQ(BmpMemoryToRegistCommand(file, static_cast<std::int32_t>(file.size()) + 1, 0x74, 0, 1,
                                       1, 0x20, 0x41, command, width, height),
              BMPCONV_ERR_FAILURE);
}

TEST(LogoGradation, RegisterKeepsTheCommandAndMeasureOnlySizes) {
    test::TempFolder folder;
    LogoEntry entry = FileEntry(folder, "tone.bmp", ToneSample());
    entry.gradation = kGradation16;

    ASSERT_EQ(ConvertGradationLogo(GradationMode::Measure, entry), 0);
    EXPECT_EQ(entry.size, 29);
    EXPECT_TRUE(entry.command.empty());

    ASSERT_EQ(ConvertGradationLogo(GradationMode::Register, entry), 0);
    EXPECT_EQ(entry.size, 29);
    EXPECT_EQ(Hex(entry.command), kToneCommand);
    DeleteBmpCommand(entry.command);
    EXPECT_TRUE(entry.command.empty());
}

TEST(LogoGradation, FailuresMapToLogoResultCodes) {
    test::TempFolder folder;
    LogoEntry entry;
    entry.size = 99;
    entry.path = (folder / "missing.bmp").string();
    EXPECT_EQ(ConvertGradationLogo(GradationMode::Register, entry), LOGO_ERR_OPEN);

    test::WriteBytes(folder / "text.bmp", test::Bytes("not a bitmap"));
    entry.path = (folder / "text.bmp").string();
    EXPECT_EQ(ConvertGradationLogo(GradationMode::Register, entry), LOGO_ERR_FORMAT);
    EXPECT_EQ(entry.size, 0);

    // 8190 dots fit the define command but not a registered logo.
    const auto wide = test::Layout(8190, 1, 8, {kBlack, kWhite}, test::kBmpRle8);
    test::WriteBytes(folder / "wide.bmp", MakeRleBmp(wide, {0x00, 0x01}));
    entry.path = (folder / "wide.bmp").string();
    entry.size = 99;
    EXPECT_EQ(ConvertGradationLogo(GradationMode::Register, entry), LOGO_ERR_SIZE);
    EXPECT_TRUE(entry.command.empty());

    EXPECT_EQ(MapGradationResult(-207), LOGO_ERR_FORMAT);
    EXPECT_EQ(MapGradationResult(-206), LOGO_ERR_SIZE);
    EXPECT_EQ(MapGradationResult(-111), LOGO_ERR_MEMORY);
    EXPECT_EQ(MapGradationResult(-106), LOGO_ERR_MEMORY);
    EXPECT_EQ(MapGradationResult(-109), LOGO_ERR_OPEN);
    EXPECT_EQ(MapGradationResult(-1), LOGO_ERR_CONVERSION);
    EXPECT_EQ(MapGradationResult(-300), LOGO_ERR_CONVERSION);
    EXPECT_EQ(MapGradationResult(23), 0);
}

}  // namespace
}  // namespace vrtruty::logo
