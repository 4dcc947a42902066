// The serial parameters a user can choose and the time-outs of each kind of port.
#pragma once

#include <array>
#include <chrono>
#include <string_view>

#include "core/port_kind.h"

namespace vrtruty::comm {

struct BaudRow {
    std::string_view label;        // shown in the dialog
    std::string_view profileText;  // written to the port's stored defaults
    unsigned rate;
};
inline constexpr std::array<BaudRow, 7> BaudTable = {{
    {"2400BPS", "2400", 2400},
    {"4800BPS", "4800", 4800},
    {"9600BPS", "9600", 9600},
    {"19200BPS", "19200", 19200},
    {"38400BPS", "38400", 38400},
    {"57600BPS", "57600", 57600},
    {"115200BPS", "115200", 115200},
}};

struct FormatRow {
    std::string_view label;
    std::string_view profileText;
    bool parityCheck;
    unsigned dataBits;
    char parity;  // 'n', 'o' or 'e'
    bool twoStopBits;
};
inline constexpr std::array<FormatRow, 5> FormatTable = {{
    {"7EVEN1", "e,7,1", true, 7, 'e', false},
    {"7ODD1", "o,7,1", true, 7, 'o', false},
    {"8NONE1", "n,8,1", false, 8, 'n', false},
    {"8EVEN1", "e,8,1", true, 8, 'e', false},
    {"8ODD1", "o,8,1", true, 8, 'o', false},
}};

struct ProtocolRow {
    std::string_view label;
    std::string_view profileText;
    bool dsrFlow;  // output held while DSR is low
    bool xonXoff;  // output flow control by XON/XOFF
};
inline constexpr std::array<ProtocolRow, 2> ProtocolTable = {{
    {"DSR/DTR", "p", true, false},
    {"XON/XOFF", "x", false, true},
}};

struct PortTimeout {
    std::chrono::milliseconds read;
    std::chrono::milliseconds write;
};
// Read and write time-outs of one device call. The LAN libraries keep their own.
inline constexpr PortTimeout PortTimeouts(app::PortKind kind) {
    using std::chrono::milliseconds;
    switch (kind) {
        case app::PortKind::PORT_COM:
        case app::PortKind::PORT_USB:
            return {milliseconds(5000), milliseconds(5000)};
        case app::PortKind::PORT_LPT:
            return {milliseconds(1000), milliseconds(1000)};
        default:
            return {milliseconds(0), milliseconds(0)};
    }
}

}  // namespace vrtruty::comm
