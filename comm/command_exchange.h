// The printer's fixed commands and the exchanges every function relies on: one command with its
// reply, throwing away what the printer still has to say, the printer's readiness, and whether
// the configured model answers on the port.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "comm/port_access.h"

namespace vrtruty::comm {

enum class CommandId {
    CMD_RESET3 = 0,       // ESC = 2 "RESET3" ESC = 3: leave every special state
    CMD_BUFFERCLEAR = 1,  // DLE DC4 fn 8: clear the buffers
    CMD_STATUS1 = 2,      // DLE EOT 1: printer status
    CMD_STATUS2 = 3,      // DLE EOT 2: off-line cause
    CMD_STATUS3 = 4,      // DLE EOT 3: error cause
    CMD_STATUS4 = 5,      // DLE EOT 4: roll paper sensor
};

// The bytes of a command and what it must answer.
struct CommandDefinition {
    std::span<const std::uint8_t> bytes;
    std::span<const std::uint8_t> expectedReply;  // empty: any one byte
    std::size_t replyLength;
    ReplyMode replyMode;
};
const CommandDefinition& Command(CommandId id);

inline constexpr std::array<std::uint8_t, 3> kPrinterIdRequest = {0x1D, 0x49, 0x43};  // GS I 67
inline constexpr std::array<std::uint8_t, 5> kErrorRecoveryPreamble = {0x1D, 0x65, 0x75, 0x45,
                                                                       0x00};
inline constexpr std::array<std::uint8_t, 1> kLanDummyByte = {0x00};

// Status bits of the real-time status replies.
inline constexpr std::uint8_t kStatusOffLine = 0x08;      // DLE EOT 1
inline constexpr std::uint8_t kStatusCoverOpen = 0x04;    // DLE EOT 2
inline constexpr std::uint8_t kStatusCutterError = 0x08;  // DLE EOT 3
inline constexpr std::uint8_t kStatusPaperEnd = 0x60;     // DLE EOT 4, both bits

// Sends the command and judges its reply: 0, or the error the reply means.
int PrinterCommand(PortAccess& port, CommandId command, int handle);
// Reads and throws away what the printer still sends. PRT_ERR_NOREPLY is the normal result.
int PrinterStatusClr(PortAccess& port, int handle);
// 0 when the printer is ready: on line, cover closed, cutter free, paper present.
int CheckPrinterStatus(PortAccess& port, int handle);
// 0 when the configured model answers on the port of that name; opens and closes it itself.
int CheckPrinter(PortAccess& port, const std::string& name, const std::string& modelTag);

}  // namespace vrtruty::comm
