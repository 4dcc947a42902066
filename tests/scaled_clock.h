// A clock that waits a tenth of the protocol's time: real enough for loopback replies to arrive in
// order, fast enough for many end-to-end runs.
#pragma once

#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace vrtruty::test {

class ScaledClock final : public platform::Clock {
  public:
    std::chrono::milliseconds now() const override { return real_.now(); }
    void sleepFor(std::chrono::milliseconds duration) override {
        std::this_thread::sleep_for(duration / 10);
    }
    platform::LocalTime localTime() const override { return real_.localTime(); }

  private:
    platform::RealClock real_;
};

}  // namespace vrtruty::test
