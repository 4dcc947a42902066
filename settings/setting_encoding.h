// How the record's choice indexes become the printer's values and back. Reading and writing use
// the same tables, so a value the utility sends is always one it accepts when reading it back.
#pragma once

#include <array>
#include <cstdint>

#include "core/catalogue.h"

namespace vrtruty::settings {

// Record bytes whose printer location or encoding the reader and the writer both name.
inline constexpr int kCutterModeByte = 67;  // "Cutter Mode"
inline constexpr int kFontBByte = 79;       // "Font-B"

// "Paper Width" (byte 61): the column count of each choice.
inline constexpr std::array<int, 6> kPaperColumns = {53, 48, 42, 36, 35, 32};
// "Tof at Auto Logo" (byte 92): the top of form in tenths of a millimetre.
inline constexpr std::array<int, 3> kTofTenthsMm = {15, 45, 115};
// "Print Color" (byte 62): mono, two colours.
inline constexpr std::array<int, 2> kPrintColorValues = {1, 257};
// "Baudrate" (byte 70): the rate the printer is given as text.
inline constexpr std::array<int, 7> kBaudRates = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
// "Print Density" and "BK Density(2Color)": index 6 is 100 %, each step 5 % either way.
inline constexpr int kDensityCentre = 6;

// The serial items that one "Format" choice (byte 71) stands for.
struct SerialFormat {
    char dataLength;  // SI 4: '7' or '8'
    char parity;      // SI 2: '0' none, '1' odd, '2' even
};
inline constexpr std::array<SerialFormat, 5> kSerialFormats = {{
    {'7', '2'},  // 7EVEN1
    {'7', '1'},  // 7ODD1
    {'8', '0'},  // 8NONE1
    {'8', '2'},  // 8EVEN1
    {'8', '1'},  // 8ODD1
}};

// Whether the model's printer holds the setting of a record byte, by the item table. "Cutter
// Mode" is held by every model; only its place differs (CutterIsCustomizeValue).
bool ModelHasSetting(int recordByte, const app::CurrentModel& model);

// "Cutter Mode" is customise value 127 on the TR-770 (PFBM) and memory switch 126 bit 5 on the
// other rows, whatever page edits it.
bool CutterIsCustomizeValue(const app::CurrentModel& model);

// The highest "Max Speed" value (customise value 6) the printer family accepts.
int MaxSpeedLimit(std::uint32_t family);

}  // namespace vrtruty::settings
