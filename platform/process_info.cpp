#include "platform/process_info.h"

#include <sys/resource.h>

namespace vrtruty::platform {

std::size_t PeakMemoryKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss);
}

}  // namespace vrtruty::platform
