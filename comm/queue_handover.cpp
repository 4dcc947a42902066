#include "comm/queue_handover.h"

#include <algorithm>

#include "comm/error_codes.h"
#include "comm/port_tables.h"
#include "comm/send_operation.h"
#include "core/usb_list.h"
#include "platform/files.h"

namespace vrtruty::comm {
namespace {

using app::PortKind;
using std::chrono::milliseconds;

// How often a raw job is looked at while it waits in the queue.
constexpr milliseconds kJobPoll{100};
// Bytes per second assumed for a queue that is not on a serial port.
constexpr std::uint32_t kNetworkRate = 150000;
constexpr milliseconds kMinimumBudget{60000};
// The port type a conversation's port kind has.
int PortTypeOfKind(PortKind kind) {
    switch (kind) {
        case PortKind::PORT_COM:
            return kQueuePortSerial;
        case PortKind::PORT_USB:
            return kQueuePortUsb;
        case PortKind::PORT_LPT:
            return kQueuePortParallel;
        case PortKind::PORT_LAN:
            return kQueuePortNetwork;
        default:
            return kQueuePortOther;
    }
}

bool HasReason(const platform::PrintQueueInfo& queue, std::string_view reason) {
    return std::ranges::any_of(queue.stateReasons, [&](const std::string& r) {
        // Reasons carry a severity suffix: "media-empty-error", "door-open-report".
        return r == reason ||
               (r.starts_with(reason) && r.size() > reason.size() && r[reason.size()] == '-');
    });
}

// A network printer's name with the raw printing port written out, so that "HOST" and
// "HOST:9100" compare equal.
std::string WithPort(std::string_view device) {
    const std::size_t bracket = device.rfind(']');
    const std::size_t colon = device.rfind(':');
    const bool hasPort =
        colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket);
    return hasPort ? std::string(device) : std::string(device) + ":9100";
}

void WriteHeldQueues(const std::filesystem::path& record, const std::vector<std::string>& names) {
    if (names.empty()) {
        std::error_code ignored;
        std::filesystem::remove(record, ignored);
        return;
    }
    std::string text;
    for (const std::string& name : names) {
        text += name + "\n";
    }
    platform::ReplaceFileAtomically(
        record, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void RecordHeld(const std::filesystem::path& record, const std::string& queue, bool held) {
    if (record.empty()) {
        return;
    }
    std::vector<std::string> names = ReadHeldQueues(record);
    std::erase(names, queue);
    if (held) {
        names.push_back(queue);
    }
    WriteHeldQueues(record, names);
}

// The type and device of the port a hand-over frees: the chosen queue's own device for a queue,
// else the port the conversation opens.
std::pair<int, std::string> CurrentDevice(PortAccess& port, PortKind kind) {
    if (kind == PortKind::PORT_WINDRV) {
        const WinPrinterEntry* queue = port.context().chosenQueue();
        if (queue == nullptr) {
            return {kQueuePortOther, port.noneWord()};
        }
        if (queue->portType == kQueuePortUsb) {
            return {queue->portType, QueueUsbSerial(queue->portName)};
        }
        if (queue->portType == kQueuePortFile) {
            return {queue->portType, queue->portName};
        }
        return {queue->portType, QueueDeviceName(queue->portName)};
    }
    if (kind == PortKind::PORT_USB) {
        // The USB printer is known by the serial number in its shown name.
        const std::string serial = app::UsbSerialOfShownName(port.GetPortName(0));
        return {kQueuePortUsb, serial.empty() ? port.noneWord() : serial};
    }
    return {PortTypeOfKind(kind), port.GetPortName(1)};
}

int ReplaceOn(PortAccess& port) {
    PrinterContext& context = port.context();
    app::Logger& log = port.log();
    log.WriteLog("PortReplace (ON)");
    context.portReplaced = true;
    const PortKind remembered = context.portKind;
    const auto [portType, device] = CurrentDevice(port, remembered);
    if (device == port.noneWord() || device.empty()) {
        log.WriteLog("PortReplace ON End(None)");
        return PRT_SUCCESS;
    }
    platform::PrintQueues* queues = port.printQueues();
    int result = PRT_SUCCESS;
    for (WinPrinterEntry& entry : context.winPrinters) {
        if (queues == nullptr || entry.portType == kQueuePortOther ||
            !QueueOnDevice(entry, portType, device)) {
            continue;
        }
        log.WriteLog("PortReplace ON OpenPrinter = [" + entry.printerName + "] [" + entry.portName +
                     "]");
        const auto info = queues->Query(entry.printerName);
        if (!info) {
            log.WriteLog("PortReplace ON Err(OpenPrinter = FALSE(PRT_ERR_OPEN))");
            log.WriteLog(entry.printerName);
            continue;
        }
        const bool modelDriver = IsModelDriver(info->makeAndModel, context.model);
        if (modelDriver) {
            if (remembered == PortKind::PORT_WINDRV && QueueOffLine(*info)) {
                log.WriteLog("PortReplace ON Err(PRT_ERR_OFFLINE)");
                result = PRT_ERR_OFFLINE;
            } else if (port.switches().statusCheck) {
                result = QueueStatusError(*info);
                if (result == PRT_ERR_COVEROPEN) {
                    log.WriteLog("PortReplace ON Err(PRT_ERR_COVEROPEN)");
                } else if (result == PRT_ERR_PAPEREMPTY) {
                    log.WriteLog("PortReplace ON Err(PRT_ERR_PAPEREMPTY)");
                } else if (result == PRT_ERR_CUTTERJAM) {
                    log.WriteLog("PortReplace ON Err(PRT_ERR_CUTTERJAM)");
                }
            }
        }
        if (result == PRT_SUCCESS && entry.portType != kQueuePortFile) {
            if (info->pendingJobs > 0) {
                log.WriteLog("PortReplace ON Err(PRT_ERR_JOB)");
                result = PRT_ERR_JOB;
            } else if (info->state != platform::QueueState::Stopped) {
                // Recorded first: a run that dies between the two still has the queue resumed
                // at the next start.
                RecordHeld(port.heldQueuesRecord(), entry.printerName, true);
                if (!queues->Pause(entry.printerName, std::string(kHeldQueueMessage))) {
                    RecordHeld(port.heldQueuesRecord(), entry.printerName, false);
                    log.WriteLog("PortReplace ON Err(PRT_ERR_SETPRINTER)");
                    result = PRT_ERR_SETPRINTER;
                } else {
                    entry.replaced = true;
                    entry.savedPortKind = remembered;
                    context.portKind = entry.portKind;
                    log.WriteLog("PortReplace ON Success");
                    port.PumpMessages();
                }
            }
            // A queue stopped already holds no device and is left as it is.
        }
        if (result == PRT_SUCCESS && entry.portType == kQueuePortFile &&
            remembered == PortKind::PORT_WINDRV && modelDriver) {
            log.WriteLog("PortReplace ON Err(PRT_ERR_SETUP_FILE)");
            result = PRT_ERR_SETUP_FILE;
        }
        if (result != PRT_SUCCESS) {
            break;
        }
    }
    return result;
}

int ReplaceOff(PortAccess& port) {
    PrinterContext& context = port.context();
    app::Logger& log = port.log();
    log.WriteLog("PortReplace (OFF)");
    context.portReplaced = false;
    platform::PrintQueues* queues = port.printQueues();
    int result = PRT_SUCCESS;
    for (WinPrinterEntry& entry : context.winPrinters) {
        if (!entry.replaced || queues == nullptr) {
            continue;
        }
        log.WriteLog("PortReplace OFF OpenPrinter = [" + entry.printerName + "] [" +
                     entry.portName + "]");
        // Jobs that arrived meanwhile simply print once the queue runs again, so unlike a port
        // switch a waiting job is no reason to keep the queue paused.
        if (!queues->Resume(entry.printerName)) {
            log.WriteLog("PortReplace OFF Err(PRT_ERR_SETPRINTER)");
            result = PRT_ERR_SETPRINTER;
            continue;
        }
        RecordHeld(port.heldQueuesRecord(), entry.printerName, false);
        entry.replaced = false;
        context.portKind = entry.savedPortKind;
        entry.savedPortKind = PortKind::PORT_NONE;
        log.WriteLog("PortReplace OFF Success");
        port.PumpMessages();
    }
    return result;
}

}  // namespace

int QueueStatusError(const platform::PrintQueueInfo& queue) {
    if (HasReason(queue, "door-open") || HasReason(queue, "cover-open")) {
        return PRT_ERR_COVEROPEN;
    }
    if (HasReason(queue, "media-empty") || HasReason(queue, "media-needed")) {
        return PRT_ERR_PAPEREMPTY;
    }
    if (HasReason(queue, "media-jam") && queue.state == platform::QueueState::Processing) {
        return PRT_ERR_CUTTERJAM;
    }
    return PRT_SUCCESS;
}

bool QueueOffLine(const platform::PrintQueueInfo& queue) {
    return queue.state == platform::QueueState::Stopped || HasReason(queue, "offline");
}

bool QueueOnDevice(const WinPrinterEntry& queue, int portType, std::string_view device) {
    if (queue.portType != portType || device.empty()) {
        return false;
    }
    switch (portType) {
        case kQueuePortUsb:
            return QueueUsbSerial(queue.portName) == device;
        case kQueuePortNetwork:
            return WithPort(QueueDeviceName(queue.portName)) == WithPort(device);
        case kQueuePortFile:
            return queue.portName == device;
        default:
            return QueueDeviceName(queue.portName) == device;
    }
}

milliseconds SpoolerBudget(int operation, std::size_t length, int portType,
                           std::uint32_t serialRate) {
    switch (operation) {
        case 1:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 10:
        case 11:
        case 17:
            return kMinimumBudget;
        default:
            break;
    }
    const std::uint64_t rate =
        portType == kQueuePortSerial && serialRate > 0 ? serialRate : kNetworkRate;
    const std::uint64_t seconds = 12 + static_cast<std::uint64_t>(length) * 10 / rate;
    return std::max(kMinimumBudget, milliseconds(static_cast<milliseconds::rep>(seconds * 1000)));
}

std::vector<std::string> ReadHeldQueues(const std::filesystem::path& record) {
    // A record is a few names long; anything much bigger is not one.
    constexpr std::size_t kRecordLimit = 64 * 1024;
    const platform::FileContent content = platform::ReadRegularFile(record, kRecordLimit);
    std::vector<std::string> names;
    std::string line;
    for (const std::uint8_t byte : content.bytes) {
        if (byte == '\n') {
            if (!line.empty()) {
                names.push_back(line);
            }
            line.clear();
        } else if (byte != '\r') {
            line += static_cast<char>(byte);
        }
    }
    if (!line.empty()) {
        names.push_back(line);
    }
    return names;
}

int RecoverHeldQueues(platform::PrintQueues* queues, const std::filesystem::path& record,
                      app::Logger& log) {
    const std::vector<std::string> held = ReadHeldQueues(record);
    if (held.empty() || queues == nullptr) {
        return 0;
    }
    const auto list = queues->List();
    if (!list) {
        return 0;  // the printing system is away: the record waits for the next start
    }
    std::vector<std::string> keep;
    int resumed = 0;
    for (const std::string& name : held) {
        const auto queue = std::ranges::find(*list, name, &platform::PrintQueueInfo::name);
        if (queue == list->end() || queue->state != platform::QueueState::Stopped ||
            queue->stateMessage != kHeldQueueMessage) {
            continue;  // gone, or someone has changed it since
        }
        if (queues->Resume(name)) {
            log.WriteLog("PortReplace Recover [" + name + "]");
            ++resumed;
        } else {
            keep.push_back(name);
        }
    }
    WriteHeldQueues(record, keep);
    return resumed;
}

int PortReplace(PortAccess& port, int on) {
    app::Logger& log = port.log();
    if (port.context().portReplaced == (on != 0)) {
        log.WriteLog("PortReplace Return");
        return PRT_SUCCESS;
    }
    log.WriteLog("PortReplace Start");
    const int result = on != 0 ? ReplaceOn(port) : ReplaceOff(port);
    log.WriteLog("PortReplace End");
    return result;
}

int CheckQueueState(PortAccess& port) {
    const WinPrinterEntry* queue = port.context().chosenQueue();
    platform::PrintQueues* queues = port.printQueues();
    if (queue == nullptr || queues == nullptr) {
        return PRT_ERR_OPEN;
    }
    const auto info = queues->Query(queue->printerName);
    if (!info) {
        return PRT_ERR_OPEN;
    }
    port.WaitWithMessages(milliseconds(500));
    const int result = QueueStatusError(*info);
    if (result == PRT_ERR_COVEROPEN) {
        port.log().WriteLog("CheckPrinterStatus Err(PRT_ERR_COVEROPEN)");
    } else if (result == PRT_ERR_PAPEREMPTY) {
        port.log().WriteLog("CheckPrinterStatus Err(PRT_ERR_PAPEREMPTY)");
    } else if (result == PRT_ERR_CUTTERJAM) {
        port.log().WriteLog("CheckPrinterStatus Err(PRT_ERR_CUTTERJAM)");
    }
    return result;
}

int SpoolerSend(PortAccess& port, int operation, std::span<const std::uint8_t> data) {
    const WinPrinterEntry* queue = port.context().chosenQueue();
    platform::PrintQueues* queues = port.printQueues();
    if (queue == nullptr || queues == nullptr) {
        return PRT_ERR_OPEN;
    }
    const platform::RawJobResult job =
        queues->SubmitRawJob(queue->printerName, std::string(kRawJobTitle), data);
    if (job.step != platform::RawJobStep::Done && job.jobId > 0) {
        queues->Cancel(job.jobId);  // a half-sent job must not print
    }
    switch (job.step) {
        case platform::RawJobStep::Starting:
            return PRT_ERR_STARTDOC;
        case platform::RawJobStep::Sending:
            return PRT_ERR_SEND;
        case platform::RawJobStep::Ending:
            return PRT_ERR_ENDDOC;
        case platform::RawJobStep::Done:
            break;
    }

    // Even the empty job of a connection check is waited for: a conversation right after it
    // would otherwise find it still queued and refuse to take the queue off its device.
    const std::uint32_t serialRate =
        BaudTable[std::min<std::size_t>(port.context().serial().baudIndex, BaudTable.size() - 1)]
            .rate;
    milliseconds budget = SpoolerBudget(operation, data.size(), queue->portType, serialRate);
    platform::JobProgress progress = queues->Progress(job.jobId);
    while (progress == platform::JobProgress::Waiting) {
        if (budget < kJobPoll) {
            port.log().WriteLog("SpoolerSend Err(PRT_ERR_SEND)");
            queues->Cancel(job.jobId);
            return PRT_ERR_SEND;
        }
        port.WaitWithMessages(kJobPoll);
        budget -= kJobPoll;
        progress = queues->Progress(job.jobId);
    }
    if (progress == platform::JobProgress::Unknown) {
        return PRT_ERR_GETPRINTER;
    }
    if (progress == platform::JobProgress::Stopped && !data.empty()) {
        return PRT_ERR_SEND;  // cancelled or aborted: the data did not reach the printer
    }
    port.WaitWithMessages(operation == 6   ? milliseconds(3000)
                          : operation == 7 ? milliseconds(5000)
                                           : milliseconds(100));
    return PRT_SUCCESS;
}

}  // namespace vrtruty::comm
