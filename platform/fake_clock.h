#pragma once

#include <chrono>
#include <numeric>
#include <vector>

#include "platform/clock.h"

namespace vrtruty::platform {

// A clock for tests: waits return at once, move time forward and are recorded, so a test can
// check which waits an operation made without spending them.
class FakeClock final : public Clock {
  public:
    std::chrono::milliseconds now() const override { return now_; }

    void sleepFor(std::chrono::milliseconds duration) override {
        waits_.push_back(duration);
        now_ += duration;
    }

    // The local time set last, moved on by the fake time that has passed since it was set.
    LocalTime localTime() const override {
        using std::chrono::milliseconds;
        constexpr milliseconds::rep kDay = 24LL * 60 * 60 * 1000;
        const milliseconds::rep setAt =
            ((static_cast<milliseconds::rep>(localTimeSet_.hour) * 60 + localTimeSet_.minute) * 60 +
             localTimeSet_.second) *
                1000 +
            localTimeSet_.millisecond;
        // Time may have been moved backwards; keep the result within one day either way.
        const milliseconds::rep ofDay =
            ((setAt + (now_ - localTimeSetAt_).count()) % kDay + kDay) % kDay;
        return LocalTime{static_cast<int>(ofDay / 3'600'000), static_cast<int>(ofDay / 60'000 % 60),
                         static_cast<int>(ofDay / 1000 % 60), static_cast<int>(ofDay % 1000)};
    }

    // Every sleepFor in the order it was made.
    const std::vector<std::chrono::milliseconds>& waits() const { return waits_; }

    std::chrono::milliseconds totalWaited() const {
        return std::accumulate(waits_.begin(), waits_.end(), std::chrono::milliseconds::zero());
    }

    // Lets time pass the way the work between waits would, without counting it as a wait.
    void advance(std::chrono::milliseconds duration) { now_ += duration; }

    void setLocalTime(LocalTime time) {
        localTimeSet_ = time;
        localTimeSetAt_ = now_;
    }

  private:
    std::chrono::milliseconds now_{0};
    std::vector<std::chrono::milliseconds> waits_;
    LocalTime localTimeSet_{0, 0, 0, 0};
    std::chrono::milliseconds localTimeSetAt_{0};
};

}  // namespace vrtruty::platform
