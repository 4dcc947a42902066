#pragma once

#include <chrono>

namespace vrtruty::platform {

// Wall-clock time of day in the local time zone; what the diagnostic log stamps its lines with.
struct LocalTime {
    int hour;         // 0 to 23
    int minute;       // 0 to 59
    int second;       // 0 to 59 (60 only for a leap second reported by the system)
    int millisecond;  // 0 to 999

    bool operator==(const LocalTime&) const = default;
};

// Every wait of the protocol goes through one injected clock, so tests can replace the real
// passage of time with a fake one that advances instantly and records what was waited.
class Clock {
  public:
    virtual ~Clock() = default;

    // Monotonic time since an arbitrary epoch; only differences between two readings mean anything.
    virtual std::chrono::milliseconds now() const = 0;
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
    virtual LocalTime localTime() const = 0;
};

class RealClock final : public Clock {
  public:
    std::chrono::milliseconds now() const override;
    void sleepFor(std::chrono::milliseconds duration) override;
    LocalTime localTime() const override;
};

}  // namespace vrtruty::platform
