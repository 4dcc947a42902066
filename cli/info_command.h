// `vrtruty-cli info`: what the utility has made of its configuration.
#pragma once

#include <string>

#include "app/startup.h"

namespace vrtruty::cli {

std::string FormatInfo(const app::AppState& state);

}  // namespace vrtruty::cli
