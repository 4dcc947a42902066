// The way from the application state to the printer: the printer context of the configured port,
// the device files, the built-in LAN library slots and the port layer over them. One is made for
// every user action and dropped after it, so no port outlives the action.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/startup.h"
#include "comm/lan_library.h"
#include "comm/port_access.h"
#include "comm/tcp_lan_library.h"
#include "platform/tcp_socket.h"

namespace vrtruty::app {

class PrinterConnection {
  public:
    // lanPrintingPort: the TCP port of network printers whose address names none. usbDevice: a
    // USB printer to use instead of the ones found on the machine (the command line names one).
    explicit PrinterConnection(AppState& state,
                               std::uint16_t lanPrintingPort = platform::kRawPrinterPort,
                               std::optional<UsbDeviceEntry> usbDevice = std::nullopt);
    ~PrinterConnection();
    PrinterConnection(const PrinterConnection&) = delete;
    PrinterConnection& operator=(const PrinterConnection&) = delete;

    comm::PortAccess& port() { return *port_; }
    comm::PrinterContext& context() { return context_; }
    // The LAN library slots of the run; a slot whose library is not loaded is null.
    std::array<comm::LanLibrary*, 2> lanLibraries() { return {first_.get(), second_.get()}; }
    // One slot's library (0 first, 1 second), to give it a finder; null when not loaded.
    comm::TcpLanLibrary* lanSlot(std::size_t slot) {
        return slot == 0 ? first_.get() : slot == 1 ? second_.get() : nullptr;
    }
    // The tag the chosen model answers the printer ID request with ("_TR-770").
    std::string modelTag() const;

  private:
    AppState& state_;
    comm::PrinterContext context_;
    comm::SystemDeviceOpener devices_;
    std::unique_ptr<comm::TcpLanLibrary> first_;
    std::unique_ptr<comm::TcpLanLibrary> second_;
    std::unique_ptr<comm::PortAccess> port_;
};

// Verifies that the chosen model answers on the configured port: the port is set aside from a
// printer queue, the printer is checked under the port's name (the device path for USB), and the
// port is given back. 0 or the printer error code.
int VerifyPrinterConnection(PrinterConnection& connection);

// How many printers a job for every listed printer goes to: each listed network printer, else
// the one printer of the port.
std::size_t ListedPrinterCount(const AppState& state);

// "DEVICE: reason" of a port that did not open; for a device file the user may not open, how to
// be allowed to.
std::string PortOpenFailureText(const lang::TextTable& texts, const PortOpenFailure& failure);

// The printing port of network printers: VRTRUTY_LAN_PORT when it holds a port number (tests and
// the demonstration run the virtual printer on a free port), else 9100.
std::uint16_t LanPrintingPortFromEnvironment();

}  // namespace vrtruty::app
