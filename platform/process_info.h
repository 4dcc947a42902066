// Figures of the running process, for the start-up benchmark.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

namespace vrtruty::platform {

// Time since the kernel started this process (10 ms resolution); nothing when unknown.
std::optional<std::chrono::milliseconds> TimeSinceProcessStart();
// The largest resident set size the process has had, in KiB.
std::size_t PeakMemoryKiB();

}  // namespace vrtruty::platform
