#include "app/printer_connection.h"

#include <algorithm>

#include "lang/interface_texts.h"
#include "lang/messages.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

#include "comm/command_exchange.h"
#include "comm/error_codes.h"
#include "comm/send_operation.h"
#include "comm/tcp_lan_library.h"
#include "lang/text_numbers.h"

namespace vrtruty::app {

PrinterConnection::PrinterConnection(AppState& state, std::uint16_t lanPrintingPort,
                                     std::optional<UsbDeviceEntry> usbDevice)
    : state_(state), context_(state.config, state.comPorts, state.lptPorts) {
    context_.model = state.model.printerRow;
    if (usbDevice) {
        context_.usbDevices = {std::move(*usbDevice)};
    } else {
        context_.usbDevices = state.usbDevices;
    }
    if (state.libraries.sxLoaded) {
        first_ =
            std::make_unique<comm::TcpLanLibrary>(comm::kFirstSlotDeviceIdPrefix, lanPrintingPort);
    }
    if (state.libraries.qkLoaded) {
        second_ =
            std::make_unique<comm::TcpLanLibrary>(comm::kSecondSlotDeviceIdPrefix, lanPrintingPort);
    }
    // The first library serves unless only the second could be started.
    context_.lanLibrary = first_ != nullptr ? 0 : 1;
    port_ = std::make_unique<comm::PortAccess>(
        context_, state.clock, state.log, devices_, lanLibraries(),
        state.texts.Text(lang::MSG_NONE),
        comm::PortSwitches{state.config.switches.statusCheck,
                           state.config.switches.errorAutoRecover});
    context_.winPrinters = state.winPrinters;
    port_->setPrintQueues(state.printQueues.get(), state.heldQueuesPath);
    state.lastPortOpenFailure.reset();
    port_->setOpenFailureSink([&state](const std::string& device, std::error_code error) {
        state.lastPortOpenFailure =
            PortOpenFailure{device, error ? error.message() : std::string("no connection"), error};
    });
}

PrinterConnection::~PrinterConnection() {
    // An action that ended early still gives the queues back.
    if (context_.portReplaced) {
        comm::PortReplace(*port_, 0);
    }
}

std::string PrinterConnection::modelTag() const {
    return PrinterNameTable()[state_.model.printerRow].modelTag;
}

int VerifyPrinterConnection(PrinterConnection& connection) {
    comm::PortAccess& port = connection.port();
    int result = comm::PortReplace(port, 1);
    if (result == comm::PRT_SUCCESS) {
        const bool usb = port.context().portKind == PortKind::PORT_USB;
        result = comm::CheckPrinter(port, port.GetPortName(usb ? 1 : 0), connection.modelTag());
    }
    const int restored = comm::PortReplace(port, 0);
    if (result == comm::PRT_SUCCESS) {
        result = restored;
    }
    return result == comm::PRT_SUCCESS ? comm::ConfirmLocalQueue(port) : result;
}

std::size_t ListedPrinterCount(const AppState& state) {
    return state.config.portKind == PortKind::PORT_LAN
               ? std::max<std::size_t>(state.config.lanPrinters.size(), 1)
               : 1;
}

std::string PortOpenFailureText(const lang::TextTable& texts, const PortOpenFailure& failure) {
    std::string text = failure.device + ": " + failure.reason;
    if (failure.error != std::errc::permission_denied || !failure.device.starts_with("/dev/")) {
        return text;
    }
    // Serial devices belong to the group dialout, printer devices (USB, parallel) to lp.
    const bool serial = failure.device.starts_with("/dev/tty");
    const std::string_view group = serial ? "dialout" : "lp";
    return text + "\n" +
           lang::FormatText(lang::InterfaceTextOf(texts, lang::InterfaceText::JoinGroupHint),
                            {failure.device, std::string(group)});
}

std::uint16_t LanPrintingPortFromEnvironment() {
    const char* value = std::getenv("VRTRUTY_LAN_PORT");
    if (value == nullptr) {
        return platform::kRawPrinterPort;
    }
    const std::string_view text(value);
    std::uint16_t port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc{} || end != text.data() + text.size() || port == 0) {
        return platform::kRawPrinterPort;
    }
    return port;
}

}  // namespace vrtruty::app
