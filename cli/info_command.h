// `vrtruty-cli info`: what the utility has made of its configuration.
#pragma once

#include <string>

#include "app/startup.h"

namespace vrtruty::cli {

// Plain words by default; verbose: the internal names as the log writes them ("PORT_LAN (4)",
// "bGuppy        = FALSE").
std::string FormatInfo(const app::AppState& state, bool verbose = false);

}  // namespace vrtruty::cli
