#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <utility>

#include "platform/device_channel.h"
#include "platform/device_file_channel.h"

namespace vrtruty::platform {
namespace {

std::optional<speed_t> SpeedOf(unsigned baudRate) {
    switch (baudRate) {
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return std::nullopt;
    }
}

bool IsValidFormat(const SerialLineSettings& settings) {
    const bool validBits = settings.dataBits == 7 || settings.dataBits == 8;
    const bool validParity =
        settings.parity == 'n' || settings.parity == 'e' || settings.parity == 'o';
    return validBits && validParity;
}

// Every setting is applied in one go first. Should the device refuse that, raw mode alone is
// applied, since a line left in canonical mode with echo would mangle the binary protocol. The
// outcome is not checked beyond that: a port that keeps some of its old settings still gets its
// chance to answer, and a wrong setting shows as a printer that does not reply.
void ApplyLineSettings(int fd, const SerialLineSettings& settings, speed_t speed) {
    termios current{};
    if (::tcgetattr(fd, &current) != 0) {
        return;
    }
    termios raw = current;
    ::cfmakeraw(&raw);
    raw.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    raw.c_cflag |= CLOCAL | CREAD;
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (settings.xonXoff) {
        // Output flow control only: the printer may stop us, we never stop the printer.
        raw.c_iflag |= IXON;
    }
    ::cfsetispeed(&raw, speed);
    ::cfsetospeed(&raw, speed);

    termios full = raw;
    full.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
    full.c_cflag |= settings.dataBits == 7 ? CS7 : CS8;
    if (settings.parity != 'n') {
        full.c_cflag |= PARENB;
        full.c_iflag |= INPCK;
        if (settings.parity == 'o') {
            full.c_cflag |= PARODD;
        }
    }
    if (settings.twoStopBits) {
        full.c_cflag |= CSTOPB;
    }
    if (::tcsetattr(fd, TCSANOW, &full) != 0) {
        ::tcsetattr(fd, TCSANOW, &raw);
    }
}

class SerialChannel final : public DeviceFileChannel {
  public:
    SerialChannel(FileDescriptor fd, const SerialLineSettings& settings, speed_t speed)
        : DeviceFileChannel(std::move(fd)), dsrFlowControl_(settings.dsrFlowControl) {
        ApplyLineSettings(this->fd(), settings, speed);
    }
    SerialChannel(const SerialChannel&) = delete;
    SerialChannel& operator=(const SerialChannel&) = delete;
    // The exclusive-use flag belongs to the terminal, not to this descriptor: it would outlive the
    // close whenever another program (the virtual printer, say) still has the line open, and shut
    // the next conversation out.
    ~SerialChannel() override { ::ioctl(fd(), TIOCNXCL); }

    std::optional<SerialLineStatus> QuerySerialStatus() override {
        int waiting = 0;
        if (::ioctl(fd(), FIONREAD, &waiting) != 0) {
            // A count of 0 would make a receive read nothing and call that a success.
            return std::nullopt;
        }
        SerialLineStatus status;
        status.bytesWaiting = static_cast<std::size_t>(waiting > 0 ? waiting : 0);
        // Lines that cannot be read (a pseudo-terminal has none) hold nothing back.
        int lines = 0;
        if (::ioctl(fd(), TIOCMGET, &lines) == 0) {
            status.heldByDsr = dsrFlowControl_ && (lines & TIOCM_DSR) == 0;
        }
        return status;
    }

  private:
    bool dsrFlowControl_;
};

}  // namespace

std::unique_ptr<DeviceChannel> OpenSerialDevice(const std::filesystem::path& device,
                                                const SerialLineSettings& settings,
                                                std::error_code& error) {
    error.clear();
    const std::optional<speed_t> speed = SpeedOf(settings.baudRate);
    if (!speed || !IsValidFormat(settings)) {
        error = std::make_error_code(std::errc::invalid_argument);
        return nullptr;
    }
    FileDescriptor fd = OpenDeviceFileExclusively(device, O_RDWR | O_NOCTTY | O_NONBLOCK, error);
    if (!fd.valid()) {
        return nullptr;
    }
    // Also keeps out programs that do not know our lock. A device that refuses it is no
    // terminal, so no serial port either.
    if (::ioctl(fd.get(), TIOCEXCL) != 0) {
        error = {errno, std::generic_category()};
        return nullptr;
    }
    return std::make_unique<SerialChannel>(std::move(fd), settings, *speed);
}

}  // namespace vrtruty::platform
