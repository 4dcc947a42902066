// A row of the logo file list converted by its own gradation: the two-level conversion for "2",
// the sixteen-level one for "16". The window and the command line both go through here, so a
// logo measures, registers and previews alike wherever it comes from.
#pragma once

#include <cstdint>
#include <vector>

#include "logo/logo_entry.h"

namespace vrtruty::logo {

// The registration command of the row into entry.command, its length into entry.size. The
// two-level command carries the error-recovery prefix when errorAutoRecover is on; the
// sixteen-level command is sent as the conversion builds it. 0 or a LOGO_ERR_ code.
int BuildRegistrationCommand(LogoEntry& entry, bool errorAutoRecover);

// The registration size of the row's file with its gradation and two-colour flag into
// entry.size (the list's MeasureLogo). 0 or a LOGO_ERR_ code.
int MeasureLogoEntry(LogoEntry& entry);

// What the printer will print for the row, dot for dot: white paper, black dots of the first
// colour, red dots of the second, and for sixteen levels a grey for each tone level.
struct LogoColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};
struct LogoPicture {
    int result = 0;  // 0 or a LOGO_ERR_ code
    std::int32_t width = 0;
    std::int32_t height = 0;
    // The colours the picture uses: white and black first; then red when the second colour has
    // dots, or for sixteen levels the greys of tone levels 0 (white) to 15 (black).
    std::vector<LogoColour> palette;
    std::vector<std::uint8_t> dots;  // width × height numbers into palette, top row first
};
LogoPicture RenderLogoPicture(const LogoEntry& entry);

}  // namespace vrtruty::logo
