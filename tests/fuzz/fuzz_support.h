// What the fuzz targets share: stopping on a contradiction, so that libFuzzer keeps the input.
#pragma once

#include <cstdlib>

namespace vrtruty::fuzz {

inline void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace vrtruty::fuzz
