#include "platform/usb_printers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <limits>
#include <string_view>
#include <system_error>

namespace vrtruty::platform {
namespace {

// The first line of a sysfs attribute without its line end; nothing when it cannot be read.
std::optional<std::string> ReadAttribute(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) {
        return std::nullopt;
    }
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
        line.pop_back();
    }
    return line;
}

std::optional<std::string> ReadUsbId(const std::filesystem::path& file) {
    auto id = ReadAttribute(file);
    if (!id || id->size() != 4 || !std::ranges::all_of(*id, [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c));
        })) {
        return std::nullopt;
    }
    return id;
}

// N of "lpN"; nothing for any other name.
std::optional<int> DeviceNumber(std::string_view name) {
    if (!name.starts_with("lp") || name.size() == 2) {
        return std::nullopt;
    }
    int number = 0;
    const char* end = name.data() + name.size();
    const auto [last, error] = std::from_chars(name.data() + 2, end, number);
    if (error != std::errc{} || last != end || number < 0 ||
        number == std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

std::vector<UsbPrinterDevice> EnumerateUsbPrinters(const std::filesystem::path& sysfsRoot,
                                                   const std::filesystem::path& devRoot) {
    std::vector<std::pair<int, UsbPrinterDevice>> found;
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(sysfsRoot / "class" / "usbmisc", ec)) {
        const std::string name = entry.path().filename().string();
        const std::optional<int> number = DeviceNumber(name);
        if (!number) {
            continue;
        }
        // The class device links to the printer interface; its parent is the USB device itself.
        std::error_code linkError;
        const auto usbInterface = std::filesystem::canonical(entry.path() / "device", linkError);
        if (linkError) {
            continue;
        }
        const std::filesystem::path usbDevice = usbInterface.parent_path();
        auto vendor = ReadUsbId(usbDevice / "idVendor");
        auto product = ReadUsbId(usbDevice / "idProduct");
        if (!vendor || !product) {
            continue;
        }
        found.emplace_back(*number,
                           UsbPrinterDevice{
                               .sysfsPath = usbDevice.string(),
                               .devicePath = (devRoot / "usb" / name).string(),
                               .vendorId = std::move(*vendor),
                               .productId = std::move(*product),
                               .serialNumber = ReadAttribute(usbDevice / "serial").value_or(""),
                               .portNumber = *number + 1,
                           });
    }
    std::ranges::sort(found, {}, &std::pair<int, UsbPrinterDevice>::first);

    std::vector<UsbPrinterDevice> devices;
    devices.reserve(found.size());
    for (auto& [number, device] : found) {
        devices.push_back(std::move(device));
    }
    return devices;
}

}  // namespace vrtruty::platform
