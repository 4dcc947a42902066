// The byte channel over an open device file that the serial, USB printer and parallel ports
// share; each port kind adds only its own status query.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>
#include <utility>

#include "platform/device_channel.h"
#include "platform/file_descriptor.h"

namespace vrtruty::platform {

class DeviceFileChannel : public DeviceChannel {
  public:
    explicit DeviceFileChannel(FileDescriptor fd) : fd_(std::move(fd)) {}

    IoResult Write(std::span<const std::uint8_t> data, std::chrono::milliseconds timeout) override;
    IoResult Read(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override;

  protected:
    int fd() const { return fd_.get(); }

  private:
    FileDescriptor fd_;
};

// Opens a device file without blocking and takes it for this process alone: the advisory lock
// keeps two copies of the utility from interleaving their conversations on one printer.
// O_CLOEXEC is added to `flags`. An invalid descriptor on failure, with `error` saying why.
FileDescriptor OpenDeviceFileExclusively(const std::filesystem::path& device, int flags,
                                         std::error_code& error);

// The parallel printer driver's status byte (the raw status register) in the form the port layer
// tests: kParallelPowerOff, kParallelOffLine or 0 for a printer on line.
std::uint8_t ParallelStatusFromLinux(int lpStatus);

}  // namespace vrtruty::platform
