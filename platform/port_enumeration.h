// The serial and parallel port devices present on this machine.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vrtruty::platform {

// Serial ports: the /dev/ttyS* devices a UART answers behind (the kernel creates many that have
// none), and every /dev/ttyUSB* and /dev/ttyACM* (USB serial adapters and printers in virtual COM
// mode). Device paths, unsorted.
std::vector<std::string> FindSerialDevices(const std::filesystem::path& devRoot = "/dev");
// Parallel ports: /dev/lp*.
std::vector<std::string> FindParallelDevices(const std::filesystem::path& devRoot = "/dev");

}  // namespace vrtruty::platform
