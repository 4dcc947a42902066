#include <fcntl.h>

#include <memory>
#include <utility>

#include "platform/device_channel.h"
#include "platform/device_file_channel.h"

namespace vrtruty::platform {

std::unique_ptr<DeviceChannel> OpenUsbPrinterDevice(const std::filesystem::path& device,
                                                    std::error_code& error) {
    FileDescriptor fd = OpenDeviceFileExclusively(device, O_RDWR | O_NOCTTY | O_NONBLOCK, error);
    if (!fd.valid()) {
        return nullptr;
    }
    return std::make_unique<DeviceFileChannel>(std::move(fd));
}

}  // namespace vrtruty::platform
