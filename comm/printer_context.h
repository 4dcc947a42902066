// What the port layer works on: the chosen printer and port, and the state of one conversation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "comm/print_queue_list.h"
#include "core/config.h"
#include "core/port_kind.h"
#include "core/port_names.h"

namespace vrtruty::comm {

// What completes a receive.
enum class ReplyMode {
    REPLY_RESET3 = 0,       // the last byte of the reply buffer is 0x00
    REPLY_BUFFERCLEAR = 1,  // as REPLY_RESET3
    REPLY_STATUS = 2,       // exactly one byte
    REPLY_DRAIN = 10,       // never: read while data keeps coming
    REPLY_TEXT = 11,        // the last byte received is 0x00
};

using UsbDeviceEntry = app::UsbDeviceEntry;

struct PrinterContext {
    PrinterContext(app::UtilityConfig& userConfig, const app::PortNameList& comList,
                   const app::PortNameList& lptList)
        : config(userConfig), comPorts(comList), lptPorts(lptList), portKind(userConfig.portKind) {}

    // The user's choices: the configured port kind, the chosen entries of every list, the
    // network printers and the serial parameters.
    app::UtilityConfig& config;
    const app::PortNameList& comPorts;
    const app::PortNameList& lptPorts;
    std::vector<UsbDeviceEntry> usbDevices;  // a copy of the application's list for this operation
    std::vector<WinPrinterEntry> winPrinters;  // the printer queues, a copy for this operation

    std::size_t model = 0;      // the chosen printer row
    app::PortKind portKind;     // the kind in use; differs from the configured one
                                // only inside one operation
    int lanLibrary = 0;         // which LAN library serves the network printer
    bool portReplaced = false;  // printer-queue ports are set aside
    ReplyMode replyMode = ReplyMode::REPLY_TEXT;  // what the next receive waits for

    app::PortKind configuredPortKind() const { return config.portKind; }
    const app::SerialSettings& serial() const { return config.serial; }
    // The queue the user chose, when the model has one among its choices.
    const WinPrinterEntry* chosenQueue() const {
        const auto index = ChosenQueue(winPrinters, model, config.winPrinterIndex);
        return index ? &winPrinters[*index] : nullptr;
    }
};

}  // namespace vrtruty::comm
