#include "platform/home_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

namespace vrtruty::platform {
namespace {

// Sub-folder of the per-user configuration folder that belongs to this utility.
constexpr std::string_view kConfigSubfolder = "vrtruty";
// Language files that ship with the program; either one marks a portable installation.
constexpr std::array<std::string_view, 2> kShippedLanguageFiles = {"Setting_EN.dat",
                                                                   "Setting_JA.dat"};
// Buffer size for the password entry when the system gives no hint.
constexpr long kFallbackPasswordBufferSize = 16 * 1024;

std::optional<std::string> NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

// The home directory from the user database, for processes started without $HOME.
std::optional<std::filesystem::path> UserDatabaseHome() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0) {
        size = kFallbackPasswordBufferSize;
    }
    std::vector<char> buffer(static_cast<std::size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || *found->pw_dir == '\0') {
        return std::nullopt;
    }
    return std::filesystem::path(found->pw_dir);
}

std::optional<std::filesystem::path> ConfigBase() {
    // Relative values are invalid by the base-directory convention and are ignored.
    if (const auto config = NonEmptyVariable("XDG_CONFIG_HOME");
        config && std::filesystem::path(*config).is_absolute()) {
        return std::filesystem::path(*config);
    }
    if (const auto home = NonEmptyVariable("HOME")) {
        return std::filesystem::path(*home) / ".config";
    }
    if (const auto home = UserDatabaseHome()) {
        return *home / ".config";
    }
    return std::nullopt;
}

std::filesystem::path ChooseFolder(const HomeFolderInputs& inputs) {
    if (inputs.commandLine && !inputs.commandLine->empty()) {
        return *inputs.commandLine;
    }
    if (inputs.environment && !inputs.environment->empty()) {
        return std::filesystem::path(*inputs.environment);
    }
    if (HoldsShippedLanguageFiles(inputs.executableDirectory)) {
        return inputs.executableDirectory;
    }
    if (inputs.configBase) {
        return *inputs.configBase / kConfigSubfolder;
    }
    // Without any per-user folder, behave like the original program, which keeps everything
    // beside the executable.
    return inputs.executableDirectory;
}

std::filesystem::path Tidy(const std::filesystem::path& folder, std::error_code& error) {
    std::filesystem::path tidy = std::filesystem::absolute(folder, error).lexically_normal();
    if (!tidy.has_filename() && tidy != tidy.root_path()) {
        tidy = tidy.parent_path();
    }
    return tidy;
}

}  // namespace

HomeFolderInputs HomeFolderInputsFromEnvironment(std::optional<std::filesystem::path> commandLine) {
    return HomeFolderInputs{std::move(commandLine), NonEmptyVariable("VRTRUTY_HOME"),
                            ExecutableDirectory(), ConfigBase()};
}

HomeFolder ResolveHomeFolder(const HomeFolderInputs& inputs) {
    HomeFolder home;
    const std::filesystem::path chosen = ChooseFolder(inputs);
    if (chosen.empty()) {
        home.error = std::make_error_code(std::errc::no_such_file_or_directory);
        return home;
    }
    home.folder = Tidy(chosen, home.error);
    if (home.error) {
        return home;
    }
    std::filesystem::create_directories(home.folder, home.error);
    if (!home.error && !std::filesystem::is_directory(home.folder, home.error) && !home.error) {
        home.error = std::make_error_code(std::errc::not_a_directory);
    }
    return home;
}

std::filesystem::path ExecutableDirectory() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return executable.parent_path();
}

bool HoldsShippedLanguageFiles(const std::filesystem::path& folder) {
    // An empty folder would quietly mean the current directory.
    if (folder.empty()) {
        return false;
    }
    for (const std::string_view name : kShippedLanguageFiles) {
        std::error_code error;
        if (std::filesystem::is_regular_file(folder / name, error)) {
            return true;
        }
    }
    return false;
}

std::filesystem::path ShippedFilesFolder(const std::filesystem::path& executableDirectory) {
    if (HoldsShippedLanguageFiles(executableDirectory)) {
        return executableDirectory;
    }
    const std::filesystem::path installed = executableDirectory.parent_path() / "share" / "vrtruty";
    return HoldsShippedLanguageFiles(installed) ? installed : executableDirectory;
}

}  // namespace vrtruty::platform
