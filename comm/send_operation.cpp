#include "comm/send_operation.h"

#include "comm/print_queue_list.h"

#include <algorithm>

#include "comm/command_exchange.h"
#include "comm/error_codes.h"
#include "comm/queue_handover.h"

namespace vrtruty::comm {
namespace {

using std::chrono::milliseconds;

bool OneOf(int operation, std::initializer_list<int> operations) {
    for (const int o : operations) {
        if (o == operation) {
            return true;
        }
    }
    return false;
}

}  // namespace

milliseconds ActionTime(int operation, const BuzzerPattern& buzzer) {
    if (operation == kOperationSoundCheck) {
        // A and B are the on and off times of one beep; M beeps take (A + B) * M - B.
        int on = 30;
        int off = 50;
        switch (buzzer.interval) {
            case 0:
                on = 40;
                off = 120;
                break;
            case 1:
                on = 140;
                off = 140;
                break;
            case 2:
                on = 200;
                off = 200;
                break;
            case 3:
                on = 10;
                off = 50;
                break;
            default:
                break;
        }
        const int beeps = buzzer.repetitions;
        return milliseconds(std::max(0, (on + off) * beeps - off));
    }
    switch (operation) {
        case 10:
            return milliseconds(4000);
        case 11:
            return milliseconds(6000);
        case 12:
            return milliseconds(1500);
        case 13:
            return milliseconds(2500);
        case 15:
            return milliseconds(1500);
        case 16:
            return milliseconds(4000);
        default:
            return milliseconds(1000);
    }
}

milliseconds SettleTime(int operation) {
    switch (operation) {
        case 1:
        case 3:
        case 4:
        case 17:
            return milliseconds(1000);
        case 5:
        case 8:
            return milliseconds(3000);
        case 6:
        case 7:
            return milliseconds(5000);
        case 13:
            return milliseconds(1500);
        default:
            return milliseconds(500);
    }
}

int PrinterSendOperation(PortAccess& port, int operation, std::span<const std::uint8_t> data,
                         const BuzzerPattern& buzzer) {
    if (port.context().portKind == app::PortKind::PORT_WINDRV) {
        // Through the queue: no conversation, one raw job.
        if (port.switches().statusCheck) {
            if (const int status = CheckPrinterStatus(port, 0)) {
                return status;
            }
        }
        if (const int spooled = SpoolerSend(port, operation, data)) {
            return spooled;
        }
        if (OneOf(operation, {4, 10, 11, 17})) {
            port.WaitWithMessages(ActionTime(operation, buzzer));
        }
        port.WaitWithMessages(SettleTime(operation));
        return PRT_SUCCESS;
    }
    if (const int replaced = PortReplace(port, 1)) {
        PortReplace(port, 0);
        return replaced;
    }
    const int handle = port.PortOpen(port.GetPortName(1));
    if (handle == PortAccess::kInvalidHandle) {
        PortReplace(port, 0);
        return PRT_ERR_OPEN;
    }
    if (port.switches().statusCheck) {
        PrinterStatusClr(port, handle);
        if (const int status = CheckPrinterStatus(port, handle)) {
            port.PortClose(handle);
            PortReplace(port, 0);
            return status;
        }
    }
    const int sent = port.PrinterSendData(handle, data);
    if (OneOf(operation, {4, 10, 11, 12, 13, 14, 15, 16, 17})) {
        port.WaitWithMessages(ActionTime(operation, buzzer));
        if (!OneOf(operation, {12, 13, 15, 16})) {
            PrinterCommand(port, CommandId::CMD_RESET3, handle);
        }
    }
    port.PortClose(handle);
    if (sent != PRT_SUCCESS) {
        PortReplace(port, 0);
        return sent;
    }
    if (OneOf(operation, {1, 3, 4, 10, 11, 14, 15, 16, 17})) {
        PortReplace(port, 0);
    }
    port.WaitWithMessages(SettleTime(operation));
    return sent;
}

int WithQueuesHandedOver(PortAccess& port, const std::function<int()>& conversation) {
    int result = PortReplace(port, 1);
    if (result == PRT_SUCCESS) {
        result = conversation();
    }
    const int restored = PortReplace(port, 0);
    return result != PRT_SUCCESS ? result : restored;
}

int ConfirmLocalQueue(PortAccess& port) {
    const WinPrinterEntry* queue = port.context().chosenQueue();
    if (port.context().portKind != app::PortKind::PORT_WINDRV || queue == nullptr ||
        queue->portType == kQueuePortNetwork) {
        return PRT_SUCCESS;
    }
    return PrinterSendOperation(port, kOperationConnectionCheck, {});
}

int ForEachTargetPrinter(PortAccess& port, const std::function<int()>& job) {
    app::UtilityConfig& config = port.context().config;
    // With no network printer listed the job runs once and fails to open, rather than
    // reporting success for a job that reached no printer.
    if (port.context().portKind != app::PortKind::PORT_LAN || config.lanPrinters.empty()) {
        return job();
    }
    const std::size_t chosen = config.lanIndex;
    int result = PRT_SUCCESS;
    for (std::size_t i = 0; i < config.lanPrinters.size() && result == PRT_SUCCESS; ++i) {
        config.lanIndex = i;
        result = job();
    }
    config.lanIndex = chosen;
    return result;
}

}  // namespace vrtruty::comm
