#include <fcntl.h>
#include <linux/lp.h>
#include <sys/ioctl.h>

#include <memory>
#include <optional>
#include <utility>

#include "platform/device_channel.h"
#include "platform/device_file_channel.h"

namespace vrtruty::platform {
namespace {

// The five status lines of the port as the driver reports them.
constexpr int kStatusLines = LP_PBUSY | LP_PACK | LP_POUTPA | LP_PSELECD | LP_PERRORP;

class ParallelChannel final : public DeviceFileChannel {
  public:
    using DeviceFileChannel::DeviceFileChannel;

    std::optional<std::uint8_t> QueryParallelStatus() override {
        int status = 0;
        if (::ioctl(fd(), LPGETSTATUS, &status) != 0) {
            return std::nullopt;
        }
        return ParallelStatusFromLinux(status);
    }
};

}  // namespace

// Power off when every status line is at the same level. All lines high would be a printer out
// of paper that reports no error, all lines low one that acknowledges a byte while deselected and
// in error; no working printer reports either. They are what the port's pull-ups show with nothing
// on the cable and what a switched-off printer's interface pulls the lines down to. Otherwise off
// line when the printer does not report itself selected (select is active high) or reports an
// error (error is active low). The busy bit reads inverted, so it is flipped to get line levels.
std::uint8_t ParallelStatusFromLinux(int lpStatus) {
    const int levels = (lpStatus ^ LP_PBUSY) & kStatusLines;
    if (levels == kStatusLines || levels == 0) {
        return kParallelPowerOff;
    }
    const bool selected = (lpStatus & LP_PSELECD) != 0;
    const bool noError = (lpStatus & LP_PERRORP) != 0;
    return selected && noError ? 0 : kParallelOffLine;
}

std::unique_ptr<DeviceChannel> OpenParallelDevice(const std::filesystem::path& device,
                                                  std::error_code& error) {
    FileDescriptor fd = OpenDeviceFileExclusively(device, O_RDWR | O_NOCTTY | O_NONBLOCK, error);
    if (!fd.valid()) {
        return nullptr;
    }
    return std::make_unique<ParallelChannel>(std::move(fd));
}

}  // namespace vrtruty::platform
