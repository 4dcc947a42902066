// The kinds of connection the utility can use to reach a printer.
#pragma once

#include <cstdint>
#include <string_view>

namespace vrtruty::app {

enum class PortKind : std::uint16_t {
    PORT_COM = 0,     // serial port
    PORT_USB = 1,     // USB printer-class device
    PORT_LPT = 2,     // parallel port
    PORT_WINDRV = 3,  // the port of an installed printer queue
    PORT_LAN = 4,     // network printer through a LAN library
    PORT_NONE = 5,    // no port chosen
};

// The word that names the kind in the configuration ("COM", "USB", "LPT", "WIN", "LAN"); empty for
// PORT_NONE, which is stored as the language's "None" word instead.
std::string_view PortKindWord(PortKind kind);
// Any word other than the five (the "None" word included) means no port.
PortKind PortKindFromWord(std::string_view word);

}  // namespace vrtruty::app
