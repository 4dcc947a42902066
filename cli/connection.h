// The command line's way to the printer: the port given with --port (or the configured one), the
// built-in LAN libraries, and the dry run that opens nothing and prints what would be sent.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/printer_connection.h"
#include "app/startup.h"
#include "comm/port_access.h"

namespace vrtruty::cli {

// A port named on the command line.
struct PortSpec {
    app::PortKind kind = app::PortKind::PORT_NONE;
    std::string device;                         // device path, or HOST[:PORT] for the network
    std::optional<app::SerialSettings> serial;  // com: with BAUD:FORMAT:PROTOCOL
};

// Parses lan:HOST[:PORT], com:DEVICE[:BAUD:FORMAT:PROTOCOL], usb:DEVICE, lpt:DEVICE or
// queue:NAME; the error text says what is wrong otherwise.
std::optional<PortSpec> ParsePortSpec(std::string_view text, std::string& error);

// Makes the port the utility's port for this run (nothing is written to the configuration).
void UsePort(app::AppState& state, const PortSpec& spec);

// Why a queue named with --port cannot serve the chosen model; empty when it can.
std::string QueueChoiceProblem(const app::AppState& state, const PortSpec& spec);

// "1B 40 0A": upper-case two-digit hex bytes separated by single blanks.
std::string HexLine(std::span<const std::uint8_t> bytes);
// The same line and its line end, written in blocks: a logo's command of megabytes never becomes
// one string.
void WriteHexLine(std::ostream& out, std::span<const std::uint8_t> bytes);

// The connection to the port given with --port, or to the configured one when commandLinePort is
// null.
class PrinterConnection : public app::PrinterConnection {
  public:
    PrinterConnection(app::AppState& state, const PortSpec* commandLinePort);
};

}  // namespace vrtruty::cli
