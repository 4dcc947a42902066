#include "platform/process_info.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace vrtruty::platform {

std::optional<std::chrono::milliseconds> TimeSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return std::nullopt;
    }
    // The command name in parentheses may hold blanks; the fields after it are plain numbers,
    // and the start time is the 20th of them.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    for (int i = 0; i < 20 && fields >> field; ++i) {
    }
    unsigned long long startTicks = 0;
    if (!(fields >> startTicks)) {
        return std::nullopt;
    }
    timespec now{};
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0 || ticksPerSecond <= 0) {
        return std::nullopt;
    }
    const auto sinceBoot = std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    const auto started = std::chrono::milliseconds(startTicks * 1000 /
                                                   static_cast<unsigned long long>(ticksPerSecond));
    return std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot) - started;
}

std::size_t PeakMemoryKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss);
}

}  // namespace vrtruty::platform
