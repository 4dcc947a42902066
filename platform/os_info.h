#pragma once

#include <optional>

namespace vrtruty::platform {

enum class OsPlatform {
    Win32s,     // 16-bit Windows with the 32-bit extension; not supported
    Windows9x,  // Windows 95, 98 and Me
    WindowsNt,  // the NT family, up to the current Windows
    Linux,
    Other,
};

struct OsVersion {
    OsPlatform platform;
    unsigned major;
    unsigned minor;
    unsigned build;  // build number on Windows, patch level of the Linux kernel release
};

enum class OsCheck {
    Identified,  // osClass holds the class
    Win32s,      // a system the utility refuses to run on
    Unknown,     // a version the class table has no row for
};

struct OsClassification {
    OsCheck check;
    int osClass;  // valid when check is Identified, -1 otherwise
};

// Distinct from every Windows class and above 4, so rules for "class 4 or higher" (modern
// systems) hold, and no Windows-specific rule (class 3, class 8) fires.
inline constexpr int kOsClassLinux = 9;

// The small integer class that version-dependent behaviour elsewhere is keyed on.
OsClassification ClassifyOs(const OsVersion& version);

// The running system; nullopt when the system does not say what it is.
std::optional<OsVersion> QueryOsVersion();

// Whether the process's standard error goes to a terminal (and not to a file or a pipe).
bool StandardErrorIsTerminal();

}  // namespace vrtruty::platform
