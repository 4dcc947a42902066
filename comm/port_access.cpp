#include "comm/port_access.h"

#include <algorithm>
#include <cstdio>

#include "comm/error_codes.h"
#include "comm/port_tables.h"
#include "core/usb_list.h"

namespace vrtruty::comm {
namespace {

using app::PortKind;
using std::chrono::milliseconds;

// Longest piece of one write: the window is serviced between pieces.
constexpr std::size_t kSendPiece = 1024;
// The network printer's buffer keeps up when the LAN path pauses after every third full piece.
constexpr int kLanPiecesBeforePause = 3;
constexpr milliseconds kLanPause{30};
// A serial port held by DSR is polled this often, 10 ms apart, before the send gives up.
constexpr int kDsrPolls = 200;
constexpr milliseconds kDsrPollInterval{10};
// The longest a wait goes without pumping the window's messages.
constexpr milliseconds kPumpInterval{500};
constexpr int kOpenAttempts = 3;
constexpr int kCloseAttempts = 3;
constexpr int kReceiveBudget = 3;
constexpr int kLanReceiveAttempts = 10;
// A device write that stays pending is waited for up to three of the kind's write time-outs.
constexpr int kWriteWaits = 3;

std::string Hex32(int value) {
    char text[32];
    std::snprintf(text, sizeof text, "Err ID = 0x%08x", static_cast<unsigned>(value));
    return text;
}

}  // namespace

struct PortAccess::OpenPort {
    PortKind kind;
    std::unique_ptr<platform::DeviceChannel> device;  // serial, USB, parallel
    LanLibrary* lan = nullptr;                        // network printer
    std::int32_t lanHandle = -1;
};

std::unique_ptr<platform::DeviceChannel> SystemDeviceOpener::Open(
    PortKind kind, const std::string& name, const platform::SerialLineSettings& line,
    std::error_code& error) {
    switch (kind) {
        case PortKind::PORT_COM:
            return platform::OpenSerialDevice(name, line, error);
        case PortKind::PORT_USB:
            return platform::OpenUsbPrinterDevice(name, error);
        case PortKind::PORT_LPT:
            return platform::OpenParallelDevice(name, error);
        default:
            // Printer queues are reached through the printing system, not a device file.
            error = std::make_error_code(std::errc::operation_not_supported);
            return nullptr;
    }
}

platform::SerialLineSettings LineSettings(const app::SerialSettings& serial) {
    const BaudRow& baud = BaudTable[std::min<std::size_t>(serial.baudIndex, BaudTable.size() - 1)];
    const FormatRow& format =
        FormatTable[std::min<std::size_t>(serial.formatIndex, FormatTable.size() - 1)];
    const ProtocolRow& protocol =
        ProtocolTable[std::min<std::size_t>(serial.protocolIndex, ProtocolTable.size() - 1)];
    platform::SerialLineSettings line;
    line.baudRate = baud.rate;
    line.dataBits = format.dataBits;
    line.parity = format.parityCheck ? format.parity : 'n';
    line.twoStopBits = format.twoStopBits;
    line.dsrFlowControl = protocol.dsrFlow;
    line.xonXoff = protocol.xonXoff;
    return line;
}

PortAccess::PortAccess(PrinterContext& context, platform::Clock& clock, app::Logger& log,
                       DeviceOpener& devices, std::array<LanLibrary*, 2> lanLibraries,
                       std::string noneWord, PortSwitches switches)
    : context_(context),
      clock_(clock),
      log_(log),
      devices_(devices),
      lanLibraries_(lanLibraries),
      noneWord_(std::move(noneWord)),
      switches_(switches) {}

PortAccess::~PortAccess() {
    // A port is never held between two user actions; one still open here was left by an
    // operation that ended early, and is closed without the protocol's waits.
    for (auto& [handle, port] : openPorts_) {
        if (port->lan != nullptr) {
            port->lan->ClosePort(port->lanHandle);
        }
    }
}

void PortAccess::PumpMessages() {
    if (pump_) {
        pump_();
    }
}

void PortAccess::WaitWithMessages(milliseconds duration) {
    while (duration > milliseconds::zero()) {
        PumpMessages();
        const milliseconds step = std::min(duration, kPumpInterval);
        clock_.sleepFor(step);
        duration -= step;
    }
}

LanLibrary* PortAccess::CurrentLanLibrary() const {
    const int index = context_.lanLibrary;
    return index == 0 || index == 1 ? lanLibraries_[static_cast<std::size_t>(index)] : nullptr;
}

PortAccess::OpenPort* PortAccess::Find(int handle) {
    const auto it = openPorts_.find(handle);
    return it == openPorts_.end() ? nullptr : it->second.get();
}

// While a chosen queue is taken off its device, the conversation runs over the queue's own
// device: the device file or network printer its URI names, or the USB printer of its serial
// number. nullopt: the configured port of that kind serves.
std::optional<std::string> PortAccess::QueueDeviceName(int form) {
    const WinPrinterEntry* queue = context_.chosenQueue();
    if (queue == nullptr) {
        return noneWord_;
    }
    switch (context_.portKind) {
        case PortKind::PORT_COM:
        case PortKind::PORT_LPT:
            return comm::QueueDeviceName(queue->portName);
        case PortKind::PORT_LAN:
            context_.lanLibrary = lanLibraries_[0] != nullptr ? 0 : 1;
            return comm::QueueDeviceName(queue->portName);
        case PortKind::PORT_USB: {
            const std::string serial = QueueUsbSerial(queue->portName);
            for (const UsbDeviceEntry& device : context_.usbDevices) {
                if (!serial.empty() && app::UsbSerialOfShownName(device.displayName) == serial) {
                    return form == 0   ? device.displayName
                           : form == 1 ? device.devicePath
                                       : device.portName;
                }
            }
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

std::string PortAccess::GetPortName(int form) {
    const app::UtilityConfig& config = context_.config;
    if (context_.configuredPortKind() == PortKind::PORT_WINDRV &&
        context_.portKind != PortKind::PORT_WINDRV) {
        if (auto name = QueueDeviceName(form)) {
            return *name;
        }
    }
    switch (context_.portKind) {
        case PortKind::PORT_COM: {
            const app::PortName& port = context_.comPorts.Selected(config.comIndex);
            return form == 0 ? port.shortName : port.longName;
        }
        case PortKind::PORT_LPT: {
            const app::PortName& port = context_.lptPorts.Selected(config.lptIndex);
            return form == 0 ? port.shortName : port.longName;
        }
        case PortKind::PORT_USB: {
            if (config.usbIndex >= context_.usbDevices.size()) {
                return noneWord_;
            }
            const UsbDeviceEntry& device = context_.usbDevices[config.usbIndex];
            return form == 0 ? device.displayName : form == 1 ? device.devicePath : device.portName;
        }
        case PortKind::PORT_LAN: {
            if (config.lanIndex >= config.lanPrinters.size()) {
                return noneWord_;
            }
            const app::LanPrinterEntry& printer = config.lanPrinters[config.lanIndex];
            const bool firstLoaded = lanLibraries_[0] != nullptr;
            const bool secondLoaded = lanLibraries_[1] != nullptr;
            if (printer.libraryMode == 1) {
                context_.lanLibrary = secondLoaded ? 1 : 0;
            } else {
                context_.lanLibrary = firstLoaded ? printer.libraryMode : 1;
            }
            return printer.ipAddress;
        }
        case PortKind::PORT_WINDRV: {
            const WinPrinterEntry* queue = context_.chosenQueue();
            if (queue == nullptr) {
                return noneWord_;
            }
            return form == 0 ? queue->portName : queue->printerName;
        }
        default:
            return noneWord_;
    }
}

int PortAccess::PortOpen(const std::string& name) {
    log_.WriteLog("PortOpen Start");
    auto port = std::make_unique<OpenPort>();
    port->kind = context_.portKind;
    int systemError = 0;

    if (port->kind == PortKind::PORT_LAN) {
        LanLibrary* library = CurrentLanLibrary();
        const std::string address = name.substr(0, 255);
        for (int attempt = 0; library != nullptr && attempt < kOpenAttempts; ++attempt) {
            const std::int32_t handle = library->OpenPort(address);
            if (handle != -1) {
                if (library->SetUseICMP(1) != 0) {
                    port->lan = library;
                    port->lanHandle = handle;
                    break;
                }
                log_.WriteLog("PortOpen Err(INVALID_HANDLE_VALUE)");
                library->ClosePort(handle);  // an unusable connection is not kept open
            }
            WaitWithMessages(milliseconds(3));
        }
        if (port->lan == nullptr && library != nullptr && openFailed_) {
            openFailed_(address, library->LastOpenError());
        }
    } else {
        log_.WriteLog("CreateFile Port = [" + name + "]");
        std::error_code error;
        port->device = devices_.Open(port->kind, name, LineSettings(context_.serial()), error);
        systemError = error.value();
        if (port->device == nullptr && openFailed_) {
            openFailed_(name, error);
        }
    }

    if (port->device == nullptr && port->lan == nullptr) {
        log_.WriteLog("PortOpen Err(INVALID_HANDLE_VALUE)");
        log_.WriteLog(Hex32(systemError));
        log_.WriteLog("PortOpen End");
        return kInvalidHandle;
    }
    log_.WriteLog("PortOpen Success");
    if (port->kind == PortKind::PORT_COM) {
        WaitWithMessages(milliseconds(100));  // the line settles with its new parameters
    }
    const int handle = nextHandle_++;
    openPorts_.emplace(handle, std::move(port));
    log_.WriteLog("PortOpen End");
    return handle;
}

int PortAccess::PortClose(int handle) {
    log_.WriteLog("PortClose Start");
    if (const auto it = openPorts_.find(handle); it != openPorts_.end()) {
        OpenPort& port = *it->second;
        if (port.lan != nullptr) {
            for (int attempt = 0; attempt < kCloseAttempts; ++attempt) {
                if (port.lan->ClosePort(port.lanHandle) == 1) {
                    break;
                }
                WaitWithMessages(milliseconds(300));
            }
        } else {
            port.device.reset();
            log_.WriteLog("PortClose Success");
        }
        openPorts_.erase(it);
    } else if (context_.portKind != PortKind::PORT_LAN) {
        log_.WriteLog("PortClose Err(CloseHandle)");
    }
    WaitWithMessages(milliseconds(100));
    log_.WriteLog("PortClose End");
    return 0;
}

int PortAccess::SendToLan(OpenPort& port, std::span<const std::uint8_t> data) {
    int fullPieces = 0;
    while (!data.empty()) {
        const std::size_t piece = std::min(data.size(), kSendPiece);
        log_.WriteLog("PrinterSendData lpfnWritePort");
        std::uint32_t written = 0;
        if (port.lan->WritePort(port.lanHandle, data.first(piece), written) == 0) {
            log_.WriteLog("PrinterSendData Err lpfnWritePort = FALSE(PRT_ERR_SEND)");
            return PRT_ERR_SEND;
        }
        if (written != piece) {
            log_.WriteLog("PrinterSendData Err(PRT_ERR_SEND)");
            return PRT_ERR_SEND;
        }
        if (written_) {
            written_(piece);
        }
        PumpMessages();
        data = data.subspan(piece);
        if (piece == kSendPiece && ++fullPieces % kLanPiecesBeforePause == 0 && !data.empty()) {
            WaitWithMessages(kLanPause);
        }
    }
    return PRT_SUCCESS;
}

int PortAccess::SendToDevice(OpenPort& port, std::span<const std::uint8_t> data) {
    platform::DeviceChannel& device = *port.device;
    if (port.kind == PortKind::PORT_COM) {
        // The printer holds DSR low while its buffer is full; wait for it to take data again.
        bool cleared = false;
        for (int poll = 1; poll <= kDsrPolls; ++poll) {
            const auto status = device.QuerySerialStatus();
            if (!status || !status->heldByDsr) {
                cleared = poll < kDsrPolls;
                break;
            }
            WaitWithMessages(kDsrPollInterval);
        }
        if (!cleared) {
            log_.WriteLog("PrinterSendData Err(PRT_ERR_SEND)");
            return PRT_ERR_SEND;
        }
    } else if (port.kind == PortKind::PORT_LPT) {
        const std::uint8_t status = device.QueryParallelStatus().value_or(0);
        if ((status & (platform::kParallelPowerOff | platform::kParallelOffLine)) != 0) {
            log_.WriteLog(
                "PrinterSendData Err DeviceIoControl(PARALLEL_POWER_OFF | PARALLEL_OFF_LINE)");
            return PRT_ERR_SEND;
        }
        log_.WriteLog("PrinterSendData PARALLEL_ON_LINE");
    }

    const milliseconds timeout = PortTimeouts(port.kind).write * kWriteWaits;
    while (!data.empty()) {
        const std::size_t piece = std::min(data.size(), kSendPiece);
        log_.WriteLog("PrinterSendData WriteFile");
        const platform::IoResult io = device.Write(data.first(piece), timeout);
        if (io.status != platform::IoStatus::Done || io.bytes != piece) {
            log_.WriteLog("PrinterSendData Err WriteFile(PRT_ERR_SEND)");
            return PRT_ERR_SEND;
        }
        if (written_) {
            written_(piece);
        }
        PumpMessages();
        log_.WriteLog("PrinterSendData WriteFile(Success)");
        data = data.subspan(piece);
    }
    return PRT_SUCCESS;
}

int PortAccess::PrinterSendData(int handle, std::span<const std::uint8_t> data) {
    log_.WriteLog("PrinterSendData Start");
    OpenPort* port = Find(handle);
    int result = PRT_ERR_SEND;
    if (port != nullptr) {
        result = port->lan != nullptr ? SendToLan(*port, data) : SendToDevice(*port, data);
    }
    if (result == PRT_SUCCESS) {
        log_.WriteLog("PrinterSendData End");
    }
    return result;
}

bool PortAccess::ReplyComplete(std::span<const std::uint8_t> buffer, std::size_t received) const {
    switch (context_.replyMode) {
        case ReplyMode::REPLY_RESET3:
        case ReplyMode::REPLY_BUFFERCLEAR:
            return !buffer.empty() && buffer.back() == 0x00;
        case ReplyMode::REPLY_STATUS:
            return received == 1;
        case ReplyMode::REPLY_TEXT:
            return received > 0 && buffer[received - 1] == 0x00;
        case ReplyMode::REPLY_DRAIN:
            return false;
    }
    return false;
}

int PortAccess::PrinterReceiveData(int handle, std::span<std::uint8_t> buffer,
                                   std::size_t& length) {
    const std::size_t capacity = buffer.size();
    std::size_t received = 0;
    int result = PRT_ERR_NOREPLY;
    log_.WriteLog("PrinterReceiveData Start");
    OpenPort* port = Find(handle);
    const bool drain = context_.replyMode == ReplyMode::REPLY_DRAIN;

    const auto clearFrom = [&](std::size_t from) {
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(from), buffer.end(), 0);
    };

    bool stop = port == nullptr || port->kind == PortKind::PORT_WINDRV;
    int budget = kReceiveBudget;
    while (budget > 0) {
        WaitWithMessages(milliseconds(200));
        --budget;
        if (stop) {
            break;  // nothing can be read through the printing system
        }
        if (port->lan != nullptr) {
            WaitWithMessages(milliseconds(100));
            const std::size_t room = capacity - received;
            const int attempts = drain ? 1 : kLanReceiveAttempts;
            for (int attempt = 0; attempt < attempts && !stop; ++attempt) {
                WaitWithMessages(milliseconds(30));
                clearFrom(received);
                log_.WriteLog("PrinterReceiveData lpfnSxRecvPort");
                std::uint32_t got = 0;
                const int status =
                    port->lan->RecvPort(port->lanHandle, buffer.subspan(received, room), got);
                if (status == 1 && got > 0) {
                    received += std::min<std::size_t>(got, room);
                    if (ReplyComplete(buffer, received)) {
                        result = PRT_SUCCESS;
                    }
                    stop = true;  // one answer ends the receive, complete or not
                } else if (status != 1) {
                    log_.WriteLog("PrinterReceiveData Err(PRT_ERR_RECEIVE)");
                }
            }
        } else {
            platform::DeviceChannel& device = *port->device;
            std::size_t request = capacity - received;
            if (port->kind == PortKind::PORT_COM) {
                WaitWithMessages(milliseconds(100));
                const auto status = device.QuerySerialStatus();
                if (!status) {
                    result = PRT_ERR_RECEIVE;
                    log_.WriteLog("PrinterReceiveData Err(PRT_ERR_RECEIVE)");
                    break;
                }
                request = std::min(request, status->bytesWaiting);
            }
            if (request == 0) {
                continue;
            }
            clearFrom(received);
            log_.WriteLog("PrinterReceiveData ReadFile");
            const platform::IoResult io =
                device.Read(buffer.subspan(received, request), PortTimeouts(port->kind).read);
            const std::size_t bytes = std::min(io.bytes, request);
            if (io.status == platform::IoStatus::Done && bytes > 0) {
                received += bytes;
                budget = kReceiveBudget;
            } else if (io.status == platform::IoStatus::Done) {
                // A USB printer may complete the reset reply with an empty transfer.
                static constexpr std::uint8_t kReset3Reply[] = {0x3B, 0x33, 0x00};
                if (port->kind == PortKind::PORT_USB &&
                    context_.replyMode == ReplyMode::REPLY_RESET3 && capacity >= 3 &&
                    std::equal(std::begin(kReset3Reply), std::end(kReset3Reply), buffer.begin())) {
                    received = 3;
                    budget = kReceiveBudget;
                }
            } else if (io.status == platform::IoStatus::TimedOut) {
                received += bytes;
                PumpMessages();
                budget = 0;
            } else {
                result = PRT_ERR_RECEIVE;
                log_.WriteLog("PrinterReceiveData Err(PRT_ERR_RECEIVE)");
                budget = 0;
            }
            if (received == 0) {
                continue;
            }
            if (ReplyComplete(buffer, received)) {
                result = PRT_SUCCESS;
                stop = true;
            }
        }
        if (result == PRT_SUCCESS) {
            log_.ReceivedData(buffer.first(received));
        }
        if (stop) {
            break;
        }
    }
    length = received;
    if (received == 0) {
        log_.WriteLog("PrinterReceiveData NoData");
    }
    log_.WriteLog("PrinterReceiveData End");
    return result;
}

}  // namespace vrtruty::comm
