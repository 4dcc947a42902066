#include "platform/port_enumeration.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string_view>
#include <system_error>

namespace vrtruty::platform {
namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.starts_with(prefix);
}

// A legacy serial device node exists for every possible port; only one whose UART type the
// driver knows has hardware behind it. A node that cannot be asked (not a real serial driver,
// as in a test folder) counts as present.
bool SerialPortAnswers(const std::filesystem::path& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    serial_struct info{};
    const bool asked = ::ioctl(fd, TIOCGSERIAL, &info) == 0;
    ::close(fd);
    return !asked || info.type != PORT_UNKNOWN;
}

std::vector<std::string> Scan(const std::filesystem::path& devRoot, bool serial) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(devRoot, ec)) {
        const std::string name = entry.path().filename().string();
        if (serial) {
            if (StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM")) {
                found.push_back(entry.path().string());
            } else if (StartsWith(name, "ttyS") && SerialPortAnswers(entry.path())) {
                found.push_back(entry.path().string());
            }
        } else if (StartsWith(name, "lp") && name.size() > 2) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

}  // namespace

std::vector<std::string> FindSerialDevices(const std::filesystem::path& devRoot) {
    return Scan(devRoot, true);
}

std::vector<std::string> FindParallelDevices(const std::filesystem::path& devRoot) {
    return Scan(devRoot, false);
}

}  // namespace vrtruty::platform
