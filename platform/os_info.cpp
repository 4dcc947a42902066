#include "platform/os_info.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <charconv>
#include <string_view>

namespace vrtruty::platform {
namespace {

// The first NT 10 build of Windows 11, which has a class of its own.
constexpr unsigned kFirstWindows11Build = 22000;
// Windows 98 and Windows 98 Second Edition, told apart by their build numbers.
constexpr unsigned kWindows98Build = 1998;
constexpr unsigned kWindows98SecondEditionBuild = 2222;

constexpr OsClassification Identified(int osClass) {
    return {OsCheck::Identified, osClass};
}
constexpr OsClassification kUnknown{OsCheck::Unknown, -1};

OsClassification ClassifyWindows9x(const OsVersion& version) {
    switch (version.minor) {
        case 0:  // Windows 95
            return Identified(0);
        case 10:
            if (version.build == kWindows98Build) {
                return Identified(2);
            }
            if (version.build == kWindows98SecondEditionBuild) {
                return Identified(3);
            }
            return kUnknown;
        case 90:  // Windows Me
            return Identified(3);
        default:
            return kUnknown;
    }
}

OsClassification ClassifyWindowsNt(const OsVersion& version) {
    if (version.major <= 4) {
        return Identified(4);
    }
    switch (version.major) {
        case 5:
            return Identified(5);
        case 6:
            return Identified(6);
        case 10:
            return Identified(version.build < kFirstWindows11Build ? 7 : 8);
        default:
            return kUnknown;
    }
}

// Reads the next dot-separated number of a kernel release such as "6.1.0-13-amd64"; what
// cannot be read counts as 0, and reading stops at the first part that is not a number.
unsigned NextReleaseNumber(std::string_view& release) {
    unsigned value = 0;
    const auto [end, error] =
        std::from_chars(release.data(), release.data() + release.size(), value);
    if (error != std::errc{}) {
        release = {};
        return 0;
    }
    release.remove_prefix(static_cast<std::size_t>(end - release.data()));
    if (release.empty() || release.front() != '.') {
        release = {};
    } else {
        release.remove_prefix(1);
    }
    return value;
}

}  // namespace

OsClassification ClassifyOs(const OsVersion& version) {
    switch (version.platform) {
        case OsPlatform::Win32s:
            return {OsCheck::Win32s, -1};
        case OsPlatform::Windows9x:
            return ClassifyWindows9x(version);
        case OsPlatform::WindowsNt:
            return ClassifyWindowsNt(version);
        case OsPlatform::Linux:
            return Identified(kOsClassLinux);
        case OsPlatform::Other:
            return kUnknown;
    }
    return kUnknown;
}

std::optional<OsVersion> QueryOsVersion() {
    utsname names{};
    if (::uname(&names) != 0) {
        return std::nullopt;
    }
    const std::string_view system(names.sysname);
    std::string_view release(names.release);
    OsVersion version{system == "Linux" ? OsPlatform::Linux : OsPlatform::Other, 0, 0, 0};
    version.major = NextReleaseNumber(release);
    version.minor = NextReleaseNumber(release);
    version.build = NextReleaseNumber(release);
    return version;
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

}  // namespace vrtruty::platform
