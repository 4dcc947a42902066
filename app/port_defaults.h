// The stored defaults of the machine's serial ports ("9600,n,8,1,p" per port), kept by the utility
// itself in a [Ports] section of a profile file in its home folder, since this platform has no
// system-wide place for them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/profile_file.h"

namespace vrtruty::app {

inline constexpr std::string_view kPortDefaultsFileName = "Ports.ini";
inline constexpr std::string_view kPortDefaultsSection = "Ports";

// The port's profile text by its long name, or the default text when it has none.
std::string ReadPortProfileText(const ProfileFile& portDefaults, std::string_view longName);

}  // namespace vrtruty::app
