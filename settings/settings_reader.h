// "Get Printer Settings": asks the printer for every setting the selected model's pages show,
// checks each reply strictly and takes the result over only when every reply was good. The read
// uses the printer's transmit functions only; it never enters the user-setting mode.
#pragma once

#include <string>
#include <vector>

#include "comm/port_access.h"
#include "core/catalogue.h"
#include "lang/text_table.h"
#include "settings/settings_state.h"

namespace vrtruty::settings {

// A failed read is a positive word: one location bit, one type bit and the number of the failing
// item. Negative results are the printer error codes of the port layer.
inline constexpr int kReadErrorMemorySwitch = 0x00100000;    // location: "Memory Switch" page
inline constexpr int kReadErrorCustomizeValue = 0x00080000;  // location: "Customize Value" page
inline constexpr int kReadErrorOther = 0x00040000;           // location: "Other" page
inline constexpr int kReadErrorData = 0x00020000;            // a value outside its set
// Wrong length, missing terminator, wrong header or wrong echoed number.
inline constexpr int kReadErrorFormat = 0x00010000;
inline constexpr int kReadErrorSend = 0x00008000;     // the query could not be sent
inline constexpr int kReadErrorNoReply = 0x00004000;  // no reply arrived
// The failing item, for service staff only; the user sees location and type.
inline constexpr int kReadErrorDetailMask = 0x000000FF;

// The GetPrinterSettings mode that reads everything and takes the whole reception record.
inline constexpr int kReadAllSettings = 0;

// The query sequence on an open port: fills the reception record, and copies into it from the
// current record the bytes of items the model does not have. 0, PRT_ERR_SEND or PRT_ERR_NOREPLY
// for the very first exchanges, or a read error word.
int ReadSettings(comm::PortAccess& port, SettingsState& state, const app::CurrentModel& model,
                 int mode, int handle);

// The queries ReadSettings sends to the model, in order (ESC @ first): what a dry run shows.
std::vector<std::vector<std::uint8_t>> ReadSettingsQueries(const app::CurrentModel& model);

// Opens the port of that name, readies the printer, runs ReadSettings and, only when it
// succeeded, replaces the current record by the reception record and sets the PNE-length text in
// the current language. 0, a PRT_ERR code or a read error word.
int GetPrinterSettings(comm::PortAccess& port, SettingsState& state, const app::CurrentModel& model,
                       int mode, const std::string& portName, const lang::TextTable& texts);

}  // namespace vrtruty::settings
