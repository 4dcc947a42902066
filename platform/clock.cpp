#include "platform/clock.h"

#include <ctime>
#include <thread>

namespace vrtruty::platform {

std::chrono::milliseconds RealClock::now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void RealClock::sleepFor(std::chrono::milliseconds duration) {
    if (duration > std::chrono::milliseconds::zero()) {
        std::this_thread::sleep_for(duration);
    }
}

LocalTime RealClock::localTime() const {
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    const auto wholeSeconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
    const std::time_t seconds = static_cast<std::time_t>(wholeSeconds.count());
    const auto millisecond = static_cast<int>((sinceEpoch - wholeSeconds).count());

    // The reentrant form: the plain one returns a pointer into storage shared by all threads.
    std::tm parts{};
    if (localtime_r(&seconds, &parts) == nullptr) {
        return LocalTime{0, 0, 0, millisecond};
    }
    return LocalTime{parts.tm_hour, parts.tm_min, parts.tm_sec, millisecond};
}

}  // namespace vrtruty::platform
