// Which character a byte stands for: the code pages of ESC t, the international character sets of
// ESC R, and the two kanji codes (JIS and Shift-JIS). The pages are mapped through the C
// library's iconv, so no character table is kept here besides the twelve positions the
// international sets change.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vrtruty::emulator {

// ESC t n of the blank page: every character position prints as a space.
inline constexpr std::uint8_t kBlankCodePage = 0xFF;

// iconv's name of the code page ESC t n selects; empty for a page this printer does not have.
std::string_view CodePageEncoding(std::uint8_t codePage);

// The Unicode character of a byte 0x20..0xFF: bytes below 0x80 in the international character
// set `characterSet` (ESC R n), the others in the code page. Nothing when the position holds no
// character (a gap in the page, an unknown page, the blank page).
std::optional<char32_t> SingleByteCharacter(std::uint8_t codePage, std::uint8_t characterSet,
                                            std::uint8_t byte);

// The Unicode character of a two-byte kanji code, first byte high; nothing for a code without
// a character.
std::optional<char32_t> KanjiCharacter(std::uint16_t code, bool shiftJis);

}  // namespace vrtruty::emulator
