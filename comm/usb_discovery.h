// USB printer discovery with the port layer's result codes. The list itself is built by the
// shared model (core/usb_list.h), which needs it before the configuration is read.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "comm/printer_context.h"
#include "core/log.h"
#include "core/usb_list.h"

namespace vrtruty::comm {

// Fills entries with the devices of the model (see app::MatchUsbPrinters); PRT_ERR_NODEVICE when
// there is none.
int GetUSBHandle(std::string_view idPrefix, std::span<const platform::UsbPrinterDevice> devices,
                 std::vector<UsbDeviceEntry>& entries, app::Logger& log);

// Rebuilds the list for the model (see app::RebuildUsbList); PRT_ERR_NODEVICE when no printer of
// the model is attached, and then the list is the single "None" entry and usbIndex is 0.
int GetUsbPort(std::vector<UsbDeviceEntry>& list, std::size_t& usbIndex, std::string_view idPrefix,
               std::string_view noneWord, app::Logger& log,
               const app::UsbPrinterEnumerator& enumerate);

}  // namespace vrtruty::comm
