// The serial parameters of the selected COM port, as the port layer and the setting pages use them.
#pragma once

#include <cstdint>
#include <string_view>

namespace vrtruty::app {

struct SerialSettings {
    std::uint16_t baudIndex = 0;      // row of the baud table: 0 = 2400 ... 2 = 9600 ... 6 = 115200
    std::uint16_t dataBits = 0;       // 0 = 7 bits, 1 = 8 bits
    std::uint16_t parity = 0;         // 0 none, 1 even, 2 odd
    std::uint16_t protocolIndex = 0;  // 0 = DSR/DTR, 1 = XON/XOFF
    std::uint16_t formatIndex = 0;    // 0 7E1, 1 7O1, 2 8N1, 3 8E1, 4 8O1
};

// The port's stored defaults when it has none of its own.
inline constexpr std::string_view kDefaultPortProfileText = "9600,n,8,1,p";

// Maps a port profile text "baud,parity,data,stop[,handshake]" to the record. Unknown baud rates
// give 9600; the stop-bit field is ignored; a missing or blank handshake field takes
// softwareHandshakeDefault.
SerialSettings ParsePortProfileText(std::string_view text, bool softwareHandshakeDefault = false);

}  // namespace vrtruty::app
