#include "platform/device_file_channel.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/timed_io.h"

namespace vrtruty::platform {

IoResult DeviceFileChannel::Write(std::span<const std::uint8_t> data,
                                  std::chrono::milliseconds timeout) {
    return WriteWithin(fd_.get(), data, timeout, DescriptorKind::Device);
}

IoResult DeviceFileChannel::Read(std::span<std::uint8_t> buffer,
                                 std::chrono::milliseconds timeout) {
    return ReadWithin(fd_.get(), buffer, timeout, DescriptorKind::Device);
}

FileDescriptor OpenDeviceFileExclusively(const std::filesystem::path& device, int flags,
                                         std::error_code& error) {
    error.clear();
    int raw = -1;
    do {
        raw = ::open(device.c_str(), flags | O_CLOEXEC);
    } while (raw < 0 && errno == EINTR);
    FileDescriptor fd(raw);
    if (!fd.valid()) {
        error = {errno, std::generic_category()};
        return {};
    }
    // Printer commands go only to a device: a file, FIFO or socket under the given name would
    // take them into its content. Checked on the descriptor, so that nothing can be swapped in
    // between the check and the use.
    if (!IsCharacterDevice(fd.get())) {
        error = FileError::NotCharacterDevice;
        return {};
    }
    // The lock belongs to this open file description, so it ends with the descriptor and a second
    // open in the same process conflicts just as another copy's would.
    int locked = -1;
    do {
        locked = ::flock(fd.get(), LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        error = {errno, std::generic_category()};
        return {};
    }
    return fd;
}

}  // namespace vrtruty::platform
