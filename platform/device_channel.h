// Byte channels to printers behind device files: serial ports, USB printer-class devices and
// parallel ports. The port layer talks to all three through this one interface; tests replace it
// with fakes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <system_error>

namespace vrtruty::platform {

enum class IoStatus {
    Done,      // the call finished; `bytes` says how many were moved (a read may move 0)
    TimedOut,  // the time-out ran out; `bytes` were moved before it did
    Failed,    // the device reported an error; `error` says which
};

struct IoResult {
    IoStatus status = IoStatus::Done;
    std::size_t bytes = 0;
    std::error_code error;
};

// What a serial port's status query reports.
struct SerialLineStatus {
    bool heldByDsr = false;        // DSR flow control is on and the printer holds DSR low
    std::size_t bytesWaiting = 0;  // bytes in the input queue
};

// Parallel status bits in the form the port layer tests (the original driver's bit values).
inline constexpr std::uint8_t kParallelPowerOff = 0x10;
inline constexpr std::uint8_t kParallelOffLine = 0x08;

class DeviceChannel {
  public:
    virtual ~DeviceChannel() = default;

    // Writes the bytes, waiting at most `timeout` for all of them to be accepted.
    virtual IoResult Write(std::span<const std::uint8_t> data,
                           std::chrono::milliseconds timeout) = 0;
    // Reads what is there, up to the buffer's size. Waits at most `timeout` for the first byte;
    // returns as soon as some bytes have arrived (Done) or the time is up (TimedOut, 0 bytes).
    virtual IoResult Read(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) = 0;
    // Serial ports only: the line status; nothing when the query fails or for other devices.
    virtual std::optional<SerialLineStatus> QuerySerialStatus() { return std::nullopt; }
    // Parallel ports only: the status byte (kParallelPowerOff, kParallelOffLine); nothing when
    // the query fails or for other devices.
    virtual std::optional<std::uint8_t> QueryParallelStatus() { return std::nullopt; }
};

// Line settings of a serial port.
struct SerialLineSettings {
    unsigned baudRate = 9600;
    unsigned dataBits = 8;  // 7 or 8
    char parity = 'n';      // 'n', 'e' or 'o'
    bool twoStopBits = false;
    bool dsrFlowControl = true;  // output held while DSR is low
    bool xonXoff = false;        // output flow control by XON/XOFF
};

// Opens a serial port for exclusive use. The line settings are applied as far as the device
// allows (a pseudo-terminal accepts 8 data bits without parity only); a failure to apply them does
// not fail the open, as the original ignored the result of setting the line.
std::unique_ptr<DeviceChannel> OpenSerialDevice(const std::filesystem::path& device,
                                                const SerialLineSettings& settings,
                                                std::error_code& error);
// Opens a USB printer-class device file (/dev/usb/lp0) for exclusive use.
std::unique_ptr<DeviceChannel> OpenUsbPrinterDevice(const std::filesystem::path& device,
                                                    std::error_code& error);
// Opens a parallel port device file (/dev/lp0) for exclusive use.
std::unique_ptr<DeviceChannel> OpenParallelDevice(const std::filesystem::path& device,
                                                  std::error_code& error);

}  // namespace vrtruty::platform
