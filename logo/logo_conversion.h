// The two-level logo conversion: a bitmap file becomes one or two one-bit work bitmaps (ordered
// dither, or the two-colour split), packed raster planes, and the printer's command that defines
// NV graphics data in raster format (GS 8 L, function 67). Also the registration size a logo
// will take in the printer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "logo/bitmap_reader.h"
#include "logo/logo_entry.h"

namespace vrtruty::logo {

// The 8 × 8 ordered-dither thresholds, indexed by (x mod 8) × 8 + (y mod 8), where x is the dot's
// column and y its row counted from the bottom row, the order the bitmap stores its rows in.
// clang-format off
inline constexpr std::array<std::uint8_t, 64> BAYER8{
     0, 32,  8, 40,  2, 34, 10, 42,
    48, 16, 56, 24, 50, 18, 58, 26,
    12, 44,  4, 36, 14, 46,  6, 38,
    60, 28, 52, 20, 62, 30, 54, 22,
     3, 35, 11, 43,  1, 33,  9, 41,
    51, 19, 59, 27, 49, 17, 57, 25,
    15, 47,  7, 39, 13, 45,  5, 37,
    63, 31, 55, 23, 61, 29, 53, 21,
};
// clang-format on

// The largest logo in dots (both conversions): width + 7 < 8192 and height + 7 < 2312.
inline constexpr std::int32_t kMaxLogoWidth = 8184;
inline constexpr std::int32_t kMaxLogoHeight = 2304;

constexpr bool IsLogoSizeAllowed(std::int32_t width, std::int32_t height) {
    return width >= 1 && height >= 1 && width <= kMaxLogoWidth && height <= kMaxLogoHeight;
}

// 0 (black) .. 63 (white); integer arithmetic only, so every build dithers alike.
constexpr int Luminance(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return (red + green + blue) / 12;
}

// Bytes the printer needs beside the raster data of a two-level logo.
inline constexpr std::int32_t kLogoSizeOverhead = 24;

// What LoadLogoBitmap does with the bitmap.
enum class LogoLoadMode {
    Measure = 0,  // the registration size only
    Convert = 1,  // the one-bit work bitmap(s)
};

// A one-bit work bitmap: rows stored bottom row first, each padded to 4 bytes, most significant
// bit leftmost; a set bit is white (colour-table entry 1), a clear bit black. It starts all black.
struct WorkBitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::size_t rowBytes = 0;
    std::vector<std::uint8_t> bits;

    WorkBitmap() = default;
    WorkBitmap(std::int32_t w, std::int32_t h);
    // Row y counted from the bottom.
    bool IsWhite(std::int32_t x, std::int32_t y) const;
};

// The work bitmap(s) of a drawn bitmap: monochrome by the ordered dither, or with two colours
// the split (white: neither colour; black: the first colour; any other colour: the second).
struct DitherResult {
    int result = 0;  // 0, LOGO_ERR_FORMAT, LOGO_ERR_SIZE or LOGO_ERR_MEMORY
    WorkBitmap first;
    std::optional<WorkBitmap> second;  // two colours only
};
DitherResult DitherToMono(const PackedBitmap& bitmap, PixelReader& pixels, bool twoColours);

// What LoadLogoBitmap and NormalizeLogoBitmap give back.
struct LogoBitmap {
    int result = 0;                    // 0 or a LOGO_ERR_* code
    std::int32_t size = 0;             // Measure: the registration size in bytes
    std::int32_t width = 0;            // the image width in dots
    WorkBitmap first;                  // Convert
    std::optional<WorkBitmap> second;  // Convert, two-colour logos
};

// Measures or converts a parsed bitmap whose pixel data `pixels` delivers. With two colours a
// 1-bit source stays a one-plane monochrome logo, a 4- or 8-bit source gives two planes, and any
// other source is LOGO_ERR_FORMAT. Images beyond kMaxLogoWidth × kMaxLogoHeight are
// LOGO_ERR_SIZE. Measuring reads no plain rows: the file's length already vouches for them.
LogoBitmap NormalizeLogoBitmap(LogoLoadMode mode, const PackedBitmap& bitmap, PixelReader& pixels,
                               bool twoColours);

// NormalizeLogoBitmap on a bitmap file, whose rows are read as they are converted: the file is
// never held whole (LOGO_ERR_OPEN when it cannot be opened).
LogoBitmap LoadLogoBitmap(LogoLoadMode mode, const std::filesystem::path& path, bool twoColours);
// The same on a whole file already in memory.
LogoBitmap LoadLogoBitmapFromMemory(LogoLoadMode mode, std::span<const std::uint8_t> file,
                                    bool twoColours);

// Raster rows as the printer takes them: top row first, rowBytes = ceiling(width / 8), most
// significant bit leftmost, a set bit prints a dot, bits beyond the width 0.
struct RasterPlanes {
    std::int32_t rows = 0;
    std::vector<std::uint8_t> plane1;  // the first colour
    std::vector<std::uint8_t> plane2;  // the second colour; empty for a one-colour logo
    std::int32_t planeBytes = 0;       // rows × rowBytes
};

// Packs the work bitmap(s) (a black dot prints); nullopt when they do not match each other or the
// width, or memory runs out.
std::optional<RasterPlanes> PackRasterPlanes(const WorkBitmap& first, const WorkBitmap* second,
                                             std::int32_t width);

// The define command of the planes into entry.command, its length into entry.size. With
// errorAutoRecover the error-recovery prefix (1D 65 75 45 00) comes first. Result 0,
// LOGO_ERR_SIZE (no rows) or LOGO_ERR_MEMORY.
int BuildLogoDefineCommand(const RasterPlanes& planes, LogoEntry& entry, bool errorAutoRecover);

// The registration size of the entry's file as a two-level logo.
struct LogoSize {
    int result = 0;
    std::int32_t size = 0;
};
LogoSize ComputeLogoSize(const LogoEntry& entry, bool twoColours);

// Converts the entry's file with its twoColours flag: on success entry.command holds the define
// command and entry.size its length. On failure the entry's command is empty.
int ConvertLogoForRegistration(LogoEntry& entry, bool errorAutoRecover);

}  // namespace vrtruty::logo
