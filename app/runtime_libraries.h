// The run-time libraries the utility starts with: two LAN libraries (one is enough) and the
// 16-level bitmap conversion library. They are built into the program here; each slot can still be
// switched off (a marker file beside the executable, or a test's probe) so that the start-up's
// "file missing" paths stay reachable.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace vrtruty::app {

inline constexpr std::string_view kSxLanLibrary = "SxJcp32.dll";
inline constexpr std::string_view kQkLanLibrary = "Qktrcp.dll";
inline constexpr std::string_view kConversionLibrary = "qkgsiconv.dll";

struct RuntimeLibraries {
    bool sxLoaded = false;          // first LAN library slot (functions beginning with Sx)
    bool qkLoaded = false;          // second LAN library slot (functions beginning with Qk)
    bool conversionLoaded = false;  // 16-level bitmap conversion
};

// Tells whether the library of that name can be loaded.
using LibraryProbe = std::function<bool(std::string_view libraryName)>;

// A slot is switched on while the folder holds a marker file named after the library without
// its extension ("SxJcp32", "Qktrcp", "qkgsiconv").
LibraryProbe MarkerLibraryProbe(std::filesystem::path markerFolder);

}  // namespace vrtruty::app
