#include "app/app_info.h"

#include <cstdio>
#include <utility>

#include "build_version.h"

namespace vrtruty::app {

std::string FormatVersionString(std::string_view fileVersion, int buildNumber) {
    char build[16];
    std::snprintf(build, sizeof build, "%02d", buildNumber);
    return "         Version " + std::string(fileVersion) + "." + build;
}

std::string FormatLegalNotice(std::string_view legalCopyright) {
    return std::string(legalCopyright) + "     ";
}

AppInfo InitAppInfo(std::filesystem::path programFolder) {
    return {std::move(programFolder), FormatVersionString(build::kFileVersion, build::kBuildNumber),
            FormatLegalNotice(build::kLegalCopyright)};
}

std::string VersionLine(std::string_view program) {
    std::string version = FormatVersionString(build::kFileVersion, build::kBuildNumber);
    version.erase(0, version.find_last_of(' ') + 1);
    return std::string(program) + " " + version;
}

}  // namespace vrtruty::app
