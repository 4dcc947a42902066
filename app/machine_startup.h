// The start-up options of a real run on this machine: the shipped files beside the executable,
// the library slots' markers, and the ports the machine has.
#pragma once

#include <filesystem>

#include "app/startup.h"

namespace vrtruty::app {

StartupOptions MachineStartupOptions(const std::filesystem::path& home, platform::Clock& clock);

}  // namespace vrtruty::app
