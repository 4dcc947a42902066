// The only road between the utility and the printer: naming, opening and closing the port, and
// sending and receiving bytes, for every kind of port. Every wait goes through the clock and lets
// the window pump its messages at least every 500 ms.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>

#include "comm/lan_library.h"
#include "comm/printer_context.h"
#include "core/log.h"
#include "platform/clock.h"
#include "platform/device_channel.h"
#include "platform/print_queues.h"

namespace vrtruty::comm {

// Opens the device file behind a serial, USB or parallel port; tests replace it.
class DeviceOpener {
  public:
    virtual ~DeviceOpener() = default;
    virtual std::unique_ptr<platform::DeviceChannel> Open(app::PortKind kind,
                                                          const std::string& name,
                                                          const platform::SerialLineSettings& line,
                                                          std::error_code& error) = 0;
};

// The real device files of this machine.
class SystemDeviceOpener final : public DeviceOpener {
  public:
    std::unique_ptr<platform::DeviceChannel> Open(app::PortKind kind, const std::string& name,
                                                  const platform::SerialLineSettings& line,
                                                  std::error_code& error) override;
};

// The serial line settings the port is opened with, from the table rows the settings select.
platform::SerialLineSettings LineSettings(const app::SerialSettings& serial);

// The switches of the configuration that the conversation honours.
struct PortSwitches {
    bool statusCheck = true;
    bool errorAutoRecover = false;
};

class PortAccess {
  public:
    static constexpr int kInvalidHandle = -1;

    PortAccess(PrinterContext& context, platform::Clock& clock, app::Logger& log,
               DeviceOpener& devices, std::array<LanLibrary*, 2> lanLibraries, std::string noneWord,
               PortSwitches switches);
    ~PortAccess();
    PortAccess(const PortAccess&) = delete;
    PortAccess& operator=(const PortAccess&) = delete;

    PrinterContext& context() { return context_; }
    app::Logger& log() { return log_; }
    const PortSwitches& switches() const { return switches_; }
    // Called by every wait at least every 500 ms; the window sets it to keep repainting.
    void setMessagePump(std::function<void()> pump) { pump_ = std::move(pump); }
    // Told the device and the system's reason when a device file does not open, so that the user
    // learns more than the printer error code says.
    using OpenFailureSink = std::function<void(const std::string& device, std::error_code error)>;
    void setOpenFailureSink(OpenFailureSink sink) { openFailed_ = std::move(sink); }
    // Told the number of bytes of every piece the printer took, as it took it, so that a long
    // send can show how far it has come.
    using WriteProgressSink = std::function<void(std::size_t bytes)>;
    void setWriteProgressSink(WriteProgressSink sink) { written_ = std::move(sink); }
    // The printing system's queues, and the file that records which of them this run has
    // paused, so that a run that dies cannot leave them paused. Without them no queue is used.
    void setPrintQueues(platform::PrintQueues* queues, std::filesystem::path heldRecord) {
        queues_ = queues;
        heldRecord_ = std::move(heldRecord);
    }
    platform::PrintQueues* printQueues() const { return queues_; }
    const std::filesystem::path& heldQueuesRecord() const { return heldRecord_; }
    const std::string& noneWord() const { return noneWord_; }

    // The current port's name: form 0 the short or shown name, form 1 what the port is opened
    // with, any other form the long or port name; the "None" word when there is none. For a
    // network printer it also picks the LAN library that serves it.
    std::string GetPortName(int form);
    // A handle of the open port, or kInvalidHandle.
    int PortOpen(const std::string& name);
    int PortClose(int handle);
    int PrinterSendData(int handle, std::span<const std::uint8_t> data);
    // Receives into the buffer as the current reply mode says; `length` gets the bytes received.
    int PrinterReceiveData(int handle, std::span<std::uint8_t> buffer, std::size_t& length);

    void WaitWithMessages(std::chrono::milliseconds duration);
    void PumpMessages();

  private:
    struct OpenPort;

    LanLibrary* CurrentLanLibrary() const;
    std::optional<std::string> QueueDeviceName(int form);
    OpenPort* Find(int handle);
    int SendToLan(OpenPort& port, std::span<const std::uint8_t> data);
    int SendToDevice(OpenPort& port, std::span<const std::uint8_t> data);
    bool ReplyComplete(std::span<const std::uint8_t> buffer, std::size_t received) const;

    PrinterContext& context_;
    platform::Clock& clock_;
    app::Logger& log_;
    DeviceOpener& devices_;
    std::array<LanLibrary*, 2> lanLibraries_;
    std::string noneWord_;
    PortSwitches switches_;
    std::function<void()> pump_;
    OpenFailureSink openFailed_;
    WriteProgressSink written_;
    platform::PrintQueues* queues_ = nullptr;
    std::filesystem::path heldRecord_;
    std::map<int, std::unique_ptr<OpenPort>> openPorts_;
    int nextHandle_ = 1;
};

}  // namespace vrtruty::comm
