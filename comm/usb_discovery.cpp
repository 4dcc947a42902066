#include "comm/usb_discovery.h"

#include "comm/error_codes.h"

namespace vrtruty::comm {

int GetUSBHandle(std::string_view idPrefix, std::span<const platform::UsbPrinterDevice> devices,
                 std::vector<UsbDeviceEntry>& entries, app::Logger& log) {
    entries = app::MatchUsbPrinters(devices, idPrefix, log);
    return entries.empty() ? PRT_ERR_NODEVICE : PRT_SUCCESS;
}

int GetUsbPort(std::vector<UsbDeviceEntry>& list, std::size_t& usbIndex, std::string_view idPrefix,
               std::string_view noneWord, app::Logger& log,
               const app::UsbPrinterEnumerator& enumerate) {
    return app::RebuildUsbList(list, usbIndex, idPrefix, noneWord, log, enumerate)
               ? PRT_SUCCESS
               : PRT_ERR_NODEVICE;
}

}  // namespace vrtruty::comm
