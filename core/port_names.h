// The serial, parallel and USB ports found on this machine, as the configuration and the port
// settings offer them.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace vrtruty::app {

struct PortName {
    std::string shortName;  // the name stored in the configuration ("COM1", "/dev/ttyUSB0")
    std::string longName;   // the device name the port is opened with and its defaults are kept by
};

// A list with a fixed number of entries, of which the first `count` were found on this machine.
// Before anything is found the first entries hold the classic names (COM1 to COM4) so that the
// entry a selection falls back to always has a name.
struct PortNameList {
    std::vector<PortName> entries;
    std::size_t count = 0;

    const PortName& Selected(std::size_t index) const {
        return entries[index < entries.size() ? index : 0];
    }
};

// A USB printer of the model found on this machine. The list of them is never empty: with no
// printer it holds one entry with the "None" word in every field.
struct UsbDeviceEntry {
    std::string displayName;  // "USB(Serial No:...)"; the configuration stores it
    std::string devicePath;   // what the port is opened with
    std::string portName;     // "USB001", or "USB" when none is known
};

inline constexpr std::size_t kComPortListCapacity = 30;
inline constexpr std::size_t kLptPortListCapacity = 10;

PortNameList InitialComPortList();
PortNameList InitialLptPortList();

// Stores the found device names in ascending order of code units (so "COM10" sorts before "COM2"),
// each as its own short and long name. Names beyond the list's capacity are not offered.
void FillPortNameList(PortNameList& list, std::vector<std::string> found);

}  // namespace vrtruty::app
