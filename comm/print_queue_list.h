// The machine's printer queues as ports: each queue's port type from its device, its printer code
// from its driver, and which queues the chosen model may use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogue.h"
#include "core/log.h"
#include "core/port_kind.h"
#include "platform/print_queues.h"

namespace vrtruty::comm {

// Port types of a queue; 0, 1, 2 and 4 are the PortKind of the same port.
inline constexpr int kQueuePortSerial = 0;
inline constexpr int kQueuePortUsb = 1;
inline constexpr int kQueuePortParallel = 2;
inline constexpr int kQueuePortNetwork = 4;  // reached through the LAN path
inline constexpr int kQueuePortFile = 6;
inline constexpr int kQueuePortOther = 7;  // not usable, and every queue of another computer
// Printer code of a driver that is not one of the family's.
inline constexpr int kForeignDriverCode = 240;
inline constexpr std::size_t kMaxQueueChoices = 255;

struct WinPrinterEntry {
    std::string portName;  // the queue's device URI
    int portType = kQueuePortOther;
    std::string printerName;  // the queue's name
    std::string driverName;   // its make and model
    int printerCode = kForeignDriverCode;
    bool replaced = false;                                   // taken off its device by PortReplace
    app::PortKind portKind = app::PortKind::PORT_NONE;       // kind of the port type
    app::PortKind savedPortKind = app::PortKind::PORT_NONE;  // portKind before the hand-over
};

int ClassifyQueuePort(const platform::PrintQueueInfo& queue);
int PrinterCodeOfDriver(std::string_view driverName);
// The maker's network port names lose their "TRr_", "TRl_" or "NPr_" prefix; a name with a
// colon stays as it is.
std::string StripNetworkPortPrefix(std::string_view portName);

// What the utility opens for a queue's device: the device file of a serial or parallel URI,
// "HOST" or "HOST:PORT" (raw socket port) of a network URI; empty for other URIs.
std::string QueueDeviceName(std::string_view deviceUri);
// The serial number a USB device URI names ("usb://Make/Model?serial=ABC"), or empty.
std::string QueueUsbSerial(std::string_view deviceUri);

// The queues in the order the printing system lists them.
std::vector<WinPrinterEntry> SelectPrinter(std::span<const platform::PrintQueueInfo> queues,
                                           app::Logger& log);
// Rebuilds the list from the printing system. PRT_ERR_SEARCH with the single "None" entry when
// there is no queue (or no printing system).
int GetWinPort(platform::PrintQueues* queues, std::string_view noneWord, app::Logger& log,
               std::vector<WinPrinterEntry>& list);

// Whether the queue's driver is the model's (the TR-770K also takes the TR-770K (WL)'s driver).
bool IsModelDriver(std::string_view driverName, std::size_t printerRow);
// The queues the model may use, as indexes into the list, in order, at most 255.
std::vector<std::size_t> ModelQueueChoices(std::span<const WinPrinterEntry> list,
                                           std::size_t printerRow);
// The list index to use: the chosen one when it is a choice, else the first choice; nullopt
// when the model has no queue.
std::optional<std::size_t> ChosenQueue(std::span<const WinPrinterEntry> list,
                                       std::size_t printerRow, std::size_t winPrinterIndex);

}  // namespace vrtruty::comm
