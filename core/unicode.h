// Conversions between the UTF-8 text used inside the program and the UTF-16 text of the file
// formats, plus the case-insensitive comparisons that every name lookup uses.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vrtruty::app {

// Invalid sequences (including lone surrogates) become U+FFFD; nothing is dropped silently.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
bool IsValidUtf8(std::string_view text);

// Length of a UTF-8 text counted in UTF-16 code units: the unit the file formats limit lengths in.
std::size_t Utf16Length(std::string_view text);
// The longest prefix that fits in maxUnits UTF-16 code units without splitting a character.
std::string TruncateToUtf16Units(std::string_view text, std::size_t maxUnits);

// Names, keys and configuration values are compared without regard to case. Only ASCII letters
// fold: the configuration's names are ASCII and a locale-dependent fold would make the same
// file mean different things on different machines.
char16_t AsciiLower(char16_t c);
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace vrtruty::app
