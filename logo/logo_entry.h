// One row of the logo file list, and the result codes of the logo functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vrtruty::logo {

// Result codes of the logo functions (beside the printer error codes of the port layer).
inline constexpr int LOGO_ERR_KEYCODEMAX = -24;  // more than 255 keycodes in the printer
inline constexpr int LOGO_ERR_VERIFY = -25;      // the registered keycode did not read back
inline constexpr int LOGO_ERR_OPEN = -50;        // the file cannot be opened for reading
inline constexpr int LOGO_ERR_FORMAT = -51;      // not a bitmap that can be registered
inline constexpr int LOGO_ERR_MEMORY = -52;      // out of memory, or the file could not be read
inline constexpr int LOGO_ERR_SIZE = -53;        // the image is too large
inline constexpr int LOGO_ERR_GRADATION = -54;   // 16-level data for a printer without it
// The 16-level conversion failed with a code it does not map.
inline constexpr int LOGO_ERR_CONVERSION = 1;

// The most keycodes a printer holds and reports.
inline constexpr std::size_t kMaxPrinterKeycodes = 255;

// Gradation of a logo.
inline constexpr int kGradation2 = 0;   // two levels: the utility's own dither
inline constexpr int kGradation16 = 1;  // sixteen levels: the gradation conversion

struct LogoEntry {
    std::string path;                   // full path of the bitmap file (UTF-8)
    std::int32_t size = 0;              // registration size in bytes; the command length while
                                        // the row is being registered
    std::uint16_t keycode = 0;          // low byte kc1, high byte kc2; each 0x20..0x7E; "%04X"
    bool twoColours = false;            // two-colour logo
    int gradation = kGradation2;        // kGradation2 or kGradation16
    bool checked = false;               // register this row
    std::vector<std::uint8_t> command;  // the registration command, only while registering
    std::uint16_t nameOffset = 0;       // where the file name starts in `path`
};

}  // namespace vrtruty::logo
