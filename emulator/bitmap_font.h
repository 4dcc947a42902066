// The virtual printer's built-in character font: 8 x 16 dots for the printable ASCII characters.
#pragma once

#include <cstdint>
#include <span>

namespace vrtruty::emulator {

inline constexpr int kGlyphWidthDots = 8;
inline constexpr int kGlyphHeightDots = 16;
// Row of the lowest dot of capitals and of lower-case letters without descenders.
inline constexpr int kGlyphBaselineRow = 12;

// The glyph of a character 0x20..0x7E, one byte per row from the top, the leftmost dot in the
// high bit; empty for every other byte.
std::span<const std::uint8_t> FontGlyph(std::uint8_t code);

}  // namespace vrtruty::emulator
