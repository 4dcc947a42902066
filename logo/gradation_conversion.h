// Sixteen-level logos. The conversion keeps the call, results and release of the separate
// conversion library the utility once bound at run time, so the logo functions use it unchanged;
// what it builds is our own GS 8 L define command with four tone planes:
//
//   offset  bytes  value
//   0       3      1D 38 4C          GS 8 L
//   3       4      p1 p2 p3 p4       10 + 4 × (k + 1), little-endian: the number of bytes after p4
//   7       1      30                m
//   8       1      43                fn 67: define NV graphics data, raster format
//   9       1      34                a: multiple tone
//   10      2      kc1 kc2           keycode: the kc1 argument's low byte, then kc2's low byte
//   12      1      04                b: four planes
//   13      2      xL xH             8 × rowBytes (the width rounded up to whole bytes), in dots
//   15      2      yL yH             height in dots
//   17      1 + k  31, plane data    bit 3 (weight 8) of every dot's tone level
//           1 + k  32, plane data    bit 2 (weight 4)
//           1 + k  33, plane data    bit 1 (weight 2)
//           1 + k  34, plane data    bit 0 (weight 1)
//
// rowBytes = ceiling(width / 8) and k = rowBytes × height. Plane rows run top row first; in a
// byte the most significant bit is the leftmost dot; bits beyond the width are 0. The tone level
// of a dot is 15 − L / 4 with the two-level conversion's luminance L = (red + green + blue) / 12
// (integer divisions), so white (L = 63) is level 0 and prints nothing, and black is level 15.
// The whole command is 21 + 4k bytes; the call returns n = 15 + 4k, because its callers add 6.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "logo/logo_entry.h"

namespace vrtruty::logo {

// The arguments the logo functions pass, and the only ones the conversion accepts.
inline constexpr std::int32_t kGradationForm = 0x74;   // GS 8 L define command, four planes
inline constexpr std::int32_t kGradationToneRule = 0;  // level from luminance, no dither
inline constexpr std::int32_t kGradationDotScale = 1;  // one dot per pixel, each direction

// Results of BmpMemoryToRegistCommand below 0.
inline constexpr int BMPCONV_ERR_FAILURE = -1;     // arguments it does not take
inline constexpr int BMPCONV_ERR_NOMEMORY = -106;  // out of memory (kept for the mapping)
inline constexpr int BMPCONV_ERR_OPEN = -109;      // the file cannot be opened (kept likewise)
inline constexpr int BMPCONV_ERR_ALLOC = -111;     // the command could not be allocated
inline constexpr int BMPCONV_ERR_TOOLARGE = -206;  // beyond 8192 × 2304 dots
inline constexpr int BMPCONV_ERR_FORMAT = -207;    // not a bitmap it can convert

// Converts the whole bitmap file in `file` (its first `length` bytes). Result n >= 0: `command`
// holds the n + 6 bytes above and width and height the image size in dots; else a BMPCONV_ERR_*
// code and `command` is empty. Width and height are set as soon as the header is understood.
int BmpMemoryToRegistCommand(std::span<const std::uint8_t> file, std::int32_t length,
                             std::int32_t form, std::int32_t toneRule, std::int32_t scaleX,
                             std::int32_t scaleY, std::int32_t kc1, std::int32_t kc2,
                             std::vector<std::uint8_t>& command, std::int32_t& width,
                             std::int32_t& height);

// Releases a command BmpMemoryToRegistCommand returned (also one stored in a LogoEntry).
void DeleteBmpCommand(std::vector<std::uint8_t>& command);

// A negative result of the conversion as a logo result code: -207 LOGO_ERR_FORMAT, -206
// LOGO_ERR_SIZE, -111 and -106 LOGO_ERR_MEMORY, -109 LOGO_ERR_OPEN, any other
// LOGO_ERR_CONVERSION (1). Results >= 0 are success (0).
int MapGradationResult(int result);

enum class GradationMode {
    Register = 8,  // keep the command in the entry for sending
    Measure = 9,   // only the registration size; the command is released at once
};

// Converts the entry's file to a sixteen-level logo. On success entry.size is the registration
// size (the command's length) and, with Register, entry.command the command; the command is
// empty otherwise. Result 0, LOGO_ERR_OPEN, LOGO_ERR_MEMORY, LOGO_ERR_FORMAT, LOGO_ERR_SIZE or
// LOGO_ERR_CONVERSION; after a conversion failure entry.size is 0.
int ConvertGradationLogo(GradationMode mode, LogoEntry& entry);

}  // namespace vrtruty::logo
