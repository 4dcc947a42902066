#include "app/runtime_libraries.h"

#include <system_error>
#include <utility>

namespace vrtruty::app {

LibraryProbe MarkerLibraryProbe(std::filesystem::path markerFolder) {
    return [folder = std::move(markerFolder)](std::string_view libraryName) {
        std::error_code ec;
        const auto marker = folder / std::filesystem::path(libraryName).stem();
        return std::filesystem::is_regular_file(marker, ec);
    };
}

}  // namespace vrtruty::app
