// The USB printer list: which of the attached USB printers belong to the chosen model, and what
// the configuration and the port settings show for them. It sits below the configuration reader
// because the remembered printer is looked up in it while the configuration is read.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/log.h"
#include "core/port_names.h"
#include "platform/usb_printers.h"

namespace vrtruty::app {

// Lists the USB printers attached now; an empty function stands for a machine without any.
using UsbPrinterEnumerator = std::function<std::vector<platform::UsbPrinterDevice>()>;

// The devices whose "vendor/product/" starts with idPrefix (case matters, as the prefix is stored
// in the form the system reports), in the order given, each logged as it is looked at.
std::vector<UsbDeviceEntry> MatchUsbPrinters(std::span<const platform::UsbPrinterDevice> devices,
                                             std::string_view idPrefix, Logger& log);

// Replaces the list with the model's printers attached now. The selection is kept when one was
// found, so the caller can look the remembered printer up again; otherwise the list becomes the
// single "None" entry and the selection goes to it. Returns whether a printer was found.
bool RebuildUsbList(std::vector<UsbDeviceEntry>& list, std::size_t& usbIndex,
                    std::string_view idPrefix, std::string_view noneWord, Logger& log,
                    const UsbPrinterEnumerator& enumerate);

// A USB printer's shown name, "USB(Serial No:XXXX)", and the serial number in such a name (empty
// when the name holds none).
std::string UsbShownName(std::string_view serialNumber);
std::string UsbSerialOfShownName(std::string_view shown);

// What the configuration stores for the selection: the entry's display name; empty when the
// selection is outside the list.
std::string_view SelectedUsbIdentifier(std::span<const UsbDeviceEntry> list, std::size_t usbIndex);

}  // namespace vrtruty::app
