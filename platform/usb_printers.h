// The USB printers attached to this machine, as the kernel's USB printer driver offers them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vrtruty::platform {

struct UsbPrinterDevice {
    std::string sysfsPath;          // the USB device's folder, which carries its identity
    std::string devicePath;         // the device file the printer is opened with ("/dev/usb/lp0")
    std::string vendorId;           // as the device reports it: four hex digits ("7a41")
    std::string productId;          // likewise
    std::string serialNumber;       // empty when the device reports none
    std::optional<int> portNumber;  // 1 for lp0, so the port reads "USB001" as users know it
};

// Every printer-class device of the usblp driver, in the order of its device number. A device
// whose identity cannot be read is left out: a half-gone device must not stop the search.
std::vector<UsbPrinterDevice> EnumerateUsbPrinters(const std::filesystem::path& sysfsRoot = "/sys",
                                                   const std::filesystem::path& devRoot = "/dev");

}  // namespace vrtruty::platform
