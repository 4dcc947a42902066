#include "comm/command_exchange.h"

#include <algorithm>
#include <vector>

#include "comm/error_codes.h"
#include "comm/queue_handover.h"

namespace vrtruty::comm {
namespace {

using std::chrono::milliseconds;

constexpr std::uint8_t kReset3[] = {0x1B, 0x3D, 0x02, 0x52, 0x45, 0x53,
                                    0x45, 0x54, 0x33, 0x1B, 0x3D, 0x03};
constexpr std::uint8_t kReset3Reply[] = {0x3B, 0x33, 0x00};
constexpr std::uint8_t kBufferClear[] = {0x10, 0x14, 0x08, 0x01, 0x03,
                                         0x14, 0x01, 0x06, 0x02, 0x08};
constexpr std::uint8_t kBufferClearReply[] = {0x37, 0x25, 0x00};
constexpr std::uint8_t kStatus1[] = {0x10, 0x04, 0x01};
constexpr std::uint8_t kStatus2[] = {0x10, 0x04, 0x02};
constexpr std::uint8_t kStatus3[] = {0x10, 0x04, 0x03};
constexpr std::uint8_t kStatus4[] = {0x10, 0x04, 0x04};

constexpr int kCommandPasses = 10;
constexpr std::size_t kReplyBufferSize = 256;
constexpr std::size_t kDrainCapacity = 255;
constexpr std::size_t kPrinterIdCapacity = 30;

const CommandDefinition kCommands[] = {
    {kReset3, kReset3Reply, 3, ReplyMode::REPLY_RESET3},
    {kBufferClear, kBufferClearReply, 3, ReplyMode::REPLY_BUFFERCLEAR},
    {kStatus1, {}, 1, ReplyMode::REPLY_STATUS},
    {kStatus2, {}, 1, ReplyMode::REPLY_STATUS},
    {kStatus3, {}, 1, ReplyMode::REPLY_STATUS},
    {kStatus4, {}, 1, ReplyMode::REPLY_STATUS},
};

int StatusNumber(CommandId id) {
    return static_cast<int>(id) - static_cast<int>(CommandId::CMD_STATUS1) + 1;
}

bool IsStatus(CommandId id) {
    return id >= CommandId::CMD_STATUS1 && id <= CommandId::CMD_STATUS4;
}

void LogCommandStart(app::Logger& log, CommandId id) {
    log.WriteLog(app::kLogOpenLine);
    if (id == CommandId::CMD_RESET3) {
        log.WriteLog("Reset3 Wait Start");
        log.WriteLog("Reset3 Command Send");
    } else if (IsStatus(id)) {
        const std::string n = std::to_string(StatusNumber(id));
        log.WriteLog("Real Time Status " + n + " Command Wait Start");
        log.WriteLog("Real Time Status " + n + " Command Send");
    } else {
        log.WriteLog("Buffer Clear Command Wait Start");
        log.WriteLog("Buffer Clear Command Send");
    }
}

}  // namespace

const CommandDefinition& Command(CommandId id) {
    return kCommands[static_cast<int>(id)];
}

int PrinterCommand(PortAccess& port, CommandId command, int handle) {
    PrinterContext& context = port.context();
    app::Logger& log = port.log();
    std::array<std::uint8_t, kReplyBufferSize> reply{};
    bool sendPending = true;
    int passes = kCommandPasses;
    int result = PRT_SUCCESS;

    const auto finish = [&](int code) {
        context.replyMode = ReplyMode::REPLY_TEXT;
        log.WriteLog("Command Wait End");
        return code;
    };

    while (true) {
        const CommandDefinition& definition = Command(command);
        if (sendPending) {
            result = port.PrinterSendData(handle, definition.bytes);
            sendPending = false;
        }
        port.WaitWithMessages(milliseconds(50));
        --passes;
        context.replyMode = definition.replyMode;
        LogCommandStart(log, command);
        // A failed send, or a failure of the previous pass, ends the exchange after this pause.
        if (result != PRT_SUCCESS) {
            return finish(result);
        }

        log.WriteLog("Command Receive");
        std::size_t length = 0;
        result =
            port.PrinterReceiveData(handle, std::span(reply).first(definition.replyLength), length);
        if (result != PRT_SUCCESS) {
            context.replyMode = ReplyMode::REPLY_TEXT;
            if (passes > 0) {
                continue;
            }
            return finish(result);
        }

        if (!IsStatus(command)) {
            if (std::equal(definition.expectedReply.begin(), definition.expectedReply.end(),
                           reply.begin())) {
                return finish(PRT_SUCCESS);
            }
            result = PRT_ERR_DATA;
            log.WriteLog("Receive Err(PRT_ERR_DATA)");
            continue;
        }

        const std::uint8_t status = reply[0];
        switch (command) {
            case CommandId::CMD_STATUS1:
                if ((status & kStatusOffLine) == 0) {
                    log.WriteLog("Receive(ON_LINE)");
                    return finish(PRT_SUCCESS);
                }
                log.WriteLog("Receive Err(OFF_LINE)");
                command = CommandId::CMD_STATUS2;
                break;
            case CommandId::CMD_STATUS2:
                if ((status & kStatusCoverOpen) != 0) {
                    log.WriteLog("Receive Err(PRT_ERR_COVEROPEN)");
                    return finish(PRT_ERR_COVEROPEN);
                }
                command = CommandId::CMD_STATUS3;
                break;
            case CommandId::CMD_STATUS3:
                if ((status & kStatusCutterError) != 0) {
                    log.WriteLog("Receive Err(PRT_ERR_CUTTERJAM)");
                    return finish(PRT_ERR_CUTTERJAM);
                }
                command = CommandId::CMD_STATUS4;
                break;
            default:
                if ((status & kStatusPaperEnd) == kStatusPaperEnd) {
                    log.WriteLog("Receive Err(PRT_ERR_PAPEREMPTY)");
                    return finish(PRT_ERR_PAPEREMPTY);
                }
                log.WriteLog("Receive Err(PRT_ERR_OFFLINE2)");
                return finish(PRT_ERR_OFFLINE2);
        }
        sendPending = true;
        passes = kCommandPasses;
    }
}

int PrinterStatusClr(PortAccess& port, int handle) {
    PrinterContext& context = port.context();
    port.log().WriteLog("PrinterStatusClr Start");
    if (context.portKind == app::PortKind::PORT_LAN) {
        if (const int sent = port.PrinterSendData(handle, kLanDummyByte); sent != PRT_SUCCESS) {
            return sent;
        }
    }
    std::array<std::uint8_t, kDrainCapacity + 1> buffer{};
    context.replyMode = ReplyMode::REPLY_DRAIN;
    std::size_t length = 0;
    const int result =
        port.PrinterReceiveData(handle, std::span(buffer).first(kDrainCapacity), length);
    context.replyMode = ReplyMode::REPLY_TEXT;
    port.log().WriteLog("PrinterStatusClr End");
    return result;
}

namespace {

// Buffer clear and the real-time status on an open port; the reset after a failure leaves the
// state the status requests put the printer in.
int DirectPrinterStatus(PortAccess& port, int handle) {
    app::Logger& log = port.log();
    log.WriteLog("Buffer Clear Command Send");
    int result = PrinterCommand(port, CommandId::CMD_BUFFERCLEAR, handle);
    if (result == PRT_SUCCESS) {
        log.WriteLog("Real Time Status 1 Command Send");
        result = PrinterCommand(port, CommandId::CMD_STATUS1, handle);
    }
    if (result != PRT_SUCCESS && result != PRT_ERR_OPEN) {
        log.WriteLog("Reset3 Send");
        PrinterCommand(port, CommandId::CMD_RESET3, handle);
    }
    return result;
}

// A network queue's printer is asked directly over the LAN path, on a port of its own.
int NetworkQueueStatus(PortAccess& port) {
    PrinterContext& context = port.context();
    const app::PortKind kind = context.portKind;
    context.portKind = app::PortKind::PORT_LAN;
    int result = PRT_ERR_OPEN;
    const int handle = port.PortOpen(StripNetworkPortPrefix(port.GetPortName(0)));
    if (handle != PortAccess::kInvalidHandle) {
        if (port.switches().statusCheck) {
            PrinterStatusClr(port, handle);
        }
        result = DirectPrinterStatus(port, handle);
        port.PortClose(handle);
    }
    context.portKind = kind;
    return result;
}

}  // namespace

int CheckPrinterStatus(PortAccess& port, int handle) {
    PrinterContext& context = port.context();
    app::Logger& log = port.log();
    log.WriteLog("CheckPrinterStatus Start");
    int result = PRT_SUCCESS;
    if (context.portKind == app::PortKind::PORT_WINDRV) {
        const WinPrinterEntry* queue = context.chosenQueue();
        result = queue != nullptr && queue->portType == kQueuePortNetwork ? NetworkQueueStatus(port)
                                                                          : CheckQueueState(port);
    } else {
        result = DirectPrinterStatus(port, handle);
    }
    log.WriteLog("CheckPrinterStatus End");
    return result;
}

int CheckPrinter(PortAccess& port, const std::string& name, const std::string& modelTag) {
    app::Logger& log = port.log();
    log.WriteLog("CheckPrinter Start");
    const int handle = port.PortOpen(name);
    if (handle == PortAccess::kInvalidHandle) {
        log.WriteLog("CheckPrinter Err(PRT_ERR_OPEN)");
        return PRT_ERR_OPEN;
    }
    const auto closeWith = [&](int code) {
        port.PortClose(handle);
        return code;
    };

    if (port.switches().errorAutoRecover) {
        if (const int sent = port.PrinterSendData(handle, kErrorRecoveryPreamble)) {
            return closeWith(sent);
        }
    }
    log.WriteLog("Buffer Clear Dmmy");
    if (const int cleared = PrinterStatusClr(port, handle);
        cleared != PRT_SUCCESS && cleared != PRT_ERR_NOREPLY) {
        return closeWith(cleared);
    }
    if (port.switches().statusCheck) {
        if (const int status = CheckPrinterStatus(port, handle)) {
            return closeWith(status);
        }
    }
    log.WriteLog("Printer ID Command Send");
    if (const int sent = port.PrinterSendData(handle, kPrinterIdRequest)) {
        return closeWith(sent);
    }
    port.WaitWithMessages(milliseconds(100));
    log.WriteLog("Printer ID Command Receive");
    std::array<std::uint8_t, kPrinterIdCapacity> reply{};
    port.context().replyMode = ReplyMode::REPLY_TEXT;
    std::size_t length = 0;
    if (const int received = port.PrinterReceiveData(handle, reply, length)) {
        return closeWith(received);
    }

    // The reply is the model tag and its terminating zero, nothing more and nothing less.
    int result = PRT_SUCCESS;
    const bool matches =
        length == modelTag.size() + 1 &&
        std::equal(modelTag.begin(), modelTag.end(), reply.begin(),
                   [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; }) &&
        reply[modelTag.size()] == 0x00;
    if (!matches) {
        result = PRT_ERR_DATA;
        log.WriteLog("CheckPrinter Err(PRT_ERR_DATA)");
    }
    PrinterCommand(port, CommandId::CMD_RESET3, handle);
    port.PortClose(handle);
    log.WriteLog("CheckPrinter End");
    return result;
}

}  // namespace vrtruty::comm
