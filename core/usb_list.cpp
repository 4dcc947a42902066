#include "core/usb_list.h"

#include <cstdio>
#include <string>

namespace vrtruty::app {

std::vector<UsbDeviceEntry> MatchUsbPrinters(std::span<const platform::UsbPrinterDevice> devices,
                                             std::string_view idPrefix, Logger& log) {
    log.WriteLog("GetUSBHandle Start");
    std::vector<UsbDeviceEntry> entries;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const platform::UsbPrinterDevice& device = devices[i];
        log.WriteLog("Get USB Device = [" + std::to_string(i + 1) + "] [" + device.sysfsPath + "]");
        log.WriteLog("Get USB PID = [" + device.vendorId + "]");
        log.WriteLog("Get USB PID = [" + device.productId + "]");
        log.WriteLog("Get USB SerialNo = [" + device.serialNumber + "]");

        const std::string ids = device.vendorId + "/" + device.productId + "/";
        if (std::string_view(ids).substr(0, idPrefix.size()) != idPrefix) {
            continue;
        }
        UsbDeviceEntry& entry = entries.emplace_back(
            UsbDeviceEntry{UsbShownName(device.serialNumber), device.devicePath, "USB"});
        log.WriteLog("Set SerialNo = " + device.serialNumber);
        log.WriteLog("Set USB Device = " + entry.devicePath);
        if (device.portNumber) {
            char portName[16];
            std::snprintf(portName, sizeof portName, "USB%03d", *device.portNumber);
            entry.portName = portName;
            log.WriteLog("Set USB PortName = " + entry.portName);
        }
    }
    if (entries.empty()) {
        log.WriteLog("GetUSBHandle [None]");
    }
    log.WriteLog("GetUSBHandle End");
    return entries;
}

bool RebuildUsbList(std::vector<UsbDeviceEntry>& list, std::size_t& usbIndex,
                    std::string_view idPrefix, std::string_view noneWord, Logger& log,
                    const UsbPrinterEnumerator& enumerate) {
    log.WriteLog("GetUsbPort Start");
    const std::vector<platform::UsbPrinterDevice> devices =
        enumerate ? enumerate() : std::vector<platform::UsbPrinterDevice>{};
    list = MatchUsbPrinters(devices, idPrefix, log);
    const bool found = !list.empty();
    if (!found) {
        // The port settings always offer a choice, even when it can only be "None".
        const std::string none(noneWord);
        list = {{none, none, none}};
        usbIndex = 0;
    }
    log.WriteLog("GetUsbPort End");
    return found;
}

std::string_view SelectedUsbIdentifier(std::span<const UsbDeviceEntry> list, std::size_t usbIndex) {
    return usbIndex < list.size() ? std::string_view(list[usbIndex].displayName)
                                  : std::string_view{};
}

namespace {
constexpr std::string_view kSerialMarker = "USB(Serial No:";
}  // namespace

std::string UsbShownName(std::string_view serialNumber) {
    return std::string(kSerialMarker) + std::string(serialNumber) + ")";
}

std::string UsbSerialOfShownName(std::string_view shown) {
    const std::size_t at = shown.find(kSerialMarker);
    if (at == std::string_view::npos) {
        return {};
    }
    std::string_view serial = shown.substr(at + kSerialMarker.size());
    return std::string(serial.substr(0, serial.find(')')));
}

}  // namespace vrtruty::app
