// The program folder and the version texts the version box shows.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vrtruty::app {

struct AppInfo {
    std::filesystem::path programFolder;  // where the utility keeps its files ("home")
    std::string versionString;            // "         Version 2.13.01"
    std::string legalNotice;              // the copyright followed by five blanks
};

// "         Version %s." with the file version, then the build number as two digits.
std::string FormatVersionString(std::string_view fileVersion, int buildNumber);
std::string FormatLegalNotice(std::string_view legalCopyright);

AppInfo InitAppInfo(std::filesystem::path programFolder);

// One line for --version: the program's name and the version number, without the padding of the
// version box ("vrtruty-cli 2.13.01").
std::string VersionLine(std::string_view program);

}  // namespace vrtruty::app
