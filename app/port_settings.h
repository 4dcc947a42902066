// What the port settings dialog decides without a window: whether a typed network address may be
// checked with the printer, how the printers of a network search join the list, the serial record
// of a format choice, the search itself over the run's LAN library slots, and the writing of the
// confirmed choice into the configuration file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/printer_connection.h"
#include "app/startup.h"
#include "comm/printer_finder.h"
#include "core/config.h"
#include "core/serial_settings.h"

namespace vrtruty::app {

// Characters a list entry keeps of a found printer's address, MAC address and model.
inline constexpr std::size_t kLanFieldLimit = 31;

// 0 when the address may be checked with the printer. LAN_ERR_IPADDRESS when it is not four
// numbers from 0 to 255 or its last number is 0 or 255 (a network or broadcast address),
// LAN_ERR_IPDUPLICATE when the list holds it already, LAN_ERR_IPMAX when the list is full.
int CheckNewLanAddress(std::string_view address, std::span<const LanPrinterEntry> list);

// Appends the found printers, in order, whose address the list does not hold yet, each field cut
// to kLanFieldLimit characters. LAN_ERR_IPMAX when the list filled up before every new printer was
// taken (what was appended stays), else 0.
int MergeFoundPrinters(std::vector<LanPrinterEntry>& list, std::span<const LanPrinterEntry> found);

// Takes a row of the format table: its index and the data bits and parity that follow from it.
void SelectSerialFormat(SerialSettings& serial, std::uint16_t formatIndex);

// The network search over the connection's LAN library slots, SNMP behind the first and DNS-SD
// behind the second: 0 with the printers of the chosen model in `found`, else the search's error
// code. Printers of other models go to otherModels when it is given. A slot whose way of
// searching is not there (no DNS-SD daemon) is left out like a library that is not loaded, and
// the log says why.
int SearchNetworkPrinters(PrinterConnection& connection, const comm::SearchOptions& options,
                          std::vector<LanPrinterEntry>& found,
                          std::vector<LanPrinterEntry>* otherModels = nullptr);

// "HOST[:PORT]" items separated by commas or blanks (the SNMP port when an item names none);
// nothing when an item is no address.
std::optional<std::vector<platform::HostAndPort>> ParseSearchTargets(std::string_view text);

// The search's options from the environment: VRTRUTY_SEARCH_TARGETS (unicast targets instead of
// the local networks) and VRTRUTY_SNMP_COMMUNITY. `error` names a target list that cannot be
// read; the search then goes to the local networks.
comm::SearchOptions SearchOptionsFromEnvironment(std::string& error);

// What the configuration stores for the chosen queue: its port name; empty when the selection is
// outside the list or a queue of no family driver (stored as "None").
std::string_view SelectedQueuePort(std::span<const comm::WinPrinterEntry> list, std::size_t index);

// The serial port whose stored defaults confirmed serial settings become: the chosen COM port,
// or the device of a chosen printer queue on a serial port. Nothing for any other port.
std::optional<std::string> SerialDefaultsPort(const AppState& state);

// The queues again from the printing system, with the model's choice kept when it is still
// there: PRT_ERR_SEARCH when there is none.
int RefreshPrintQueues(AppState& state);

// Writes the port choice, model, language and network printer list into the configuration file.
std::error_code SavePortSettings(const AppState& state);

}  // namespace vrtruty::app
