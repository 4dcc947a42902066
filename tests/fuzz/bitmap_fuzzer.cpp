// Feeds arbitrary bytes, as a whole bitmap file, through the reader and both logo conversions.
// Besides crashes and sanitizer reports it stops on results that contradict each other: a file
// must measure and convert with the same verdict, and the command must be as long as the
// measured size says.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <span>
#include <vector>

#include "logo/gradation_conversion.h"
#include "logo/logo_conversion.h"

namespace {

using namespace vrtruty::logo;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void TwoLevel(std::span<const std::uint8_t> file, bool twoColours) {
    const auto measured = LoadLogoBitmapFromMemory(LogoLoadMode::Measure, file, twoColours);
    const auto converted = LoadLogoBitmapFromMemory(LogoLoadMode::Convert, file, twoColours);
    Require(measured.result == converted.result);
    if (converted.result != 0) {
        return;
    }
    const auto planes = PackRasterPlanes(
        converted.first, converted.second ? &*converted.second : nullptr, converted.width);
    Require(planes.has_value());
    LogoEntry entry;
    entry.keycode = 0x4120;
    Require(BuildLogoDefineCommand(*planes, entry, twoColours) == 0);
    const std::int32_t colours = planes->plane2.empty() ? 1 : 2;
    const std::int32_t prefix = twoColours ? 5 : 0;
    // Registration size: raster bytes + 24; command: raster bytes + 17 + one byte per plane.
    Require(entry.size == measured.size - 24 + 17 + colours + prefix);
    Require(entry.size == static_cast<std::int32_t>(entry.command.size()));
}

void SixteenLevels(std::span<const std::uint8_t> file) {
    std::vector<std::uint8_t> command;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const auto length = static_cast<std::int32_t>(
        std::min<std::size_t>(file.size(), std::numeric_limits<std::int32_t>::max()));
    const int n = BmpMemoryToRegistCommand(file, length, kGradationForm, kGradationToneRule,
                                           kGradationDotScale, kGradationDotScale, 0x20, 0x41,
                                           command, width, height);
    if (n >= 0) {
        const auto k = static_cast<std::size_t>((width + 7) / 8) * static_cast<std::size_t>(height);
        Require(command.size() == static_cast<std::size_t>(n) + 6);
        Require(command.size() == 21 + 4 * k);
    } else {
        Require(command.empty());
    }
    DeleteBmpCommand(command);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    TwoLevel(file, false);
    TwoLevel(file, true);
    SixteenLevels(file);
    return 0;
}
