// Figures of the running process, for the start-up benchmark.
#pragma once

#include <cstddef>

namespace vrtruty::platform {

// The largest resident set size the process has had, in KiB.
std::size_t PeakMemoryKiB();

}  // namespace vrtruty::platform
