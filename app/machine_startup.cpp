#include "app/machine_startup.h"

#include <cstdlib>

#include "platform/home_folder.h"
#include "platform/port_enumeration.h"
#include "platform/usb_printers.h"

namespace vrtruty::app {

StartupOptions MachineStartupOptions(const std::filesystem::path& home, platform::Clock& clock) {
    StartupOptions options;
    options.home = home;
    // The shipped files lie beside the executable or in the installed share folder;
    // VRTRUTY_RESOURCES points elsewhere (used when the shipped language files are made from the
    // built-in texts).
    const std::filesystem::path shipped =
        platform::ShippedFilesFolder(platform::ExecutableDirectory());
    const char* resources = std::getenv("VRTRUTY_RESOURCES");
    options.resourceFolder =
        resources != nullptr && *resources != '\0' ? std::filesystem::path(resources) : shipped;
    options.clock = &clock;
    options.libraryAvailable = MarkerLibraryProbe(shipped / "lib");
    options.serialDevices = platform::FindSerialDevices();
    options.parallelDevices = platform::FindParallelDevices();
    options.enumerateUsbPrinters = [] { return platform::EnumerateUsbPrinters(); };
    options.printQueues = platform::OpenSystemPrintQueues();
    return options;
}

}  // namespace vrtruty::app
