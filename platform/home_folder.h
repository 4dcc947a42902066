#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace vrtruty::platform {

// Everything that decides where the home folder is, gathered first so that the decision itself
// does not read the process environment and can be tested.
struct HomeFolderInputs {
    std::optional<std::filesystem::path> commandLine;  // --home DIR
    std::optional<std::string> environment;            // VRTRUTY_HOME (empty counts as unset)
    std::filesystem::path executableDirectory;
    std::optional<std::filesystem::path> configBase;  // $XDG_CONFIG_HOME, else $HOME/.config
};

HomeFolderInputs HomeFolderInputsFromEnvironment(std::optional<std::filesystem::path> commandLine);

struct HomeFolder {
    std::filesystem::path folder;  // absolute, lexically normal, no trailing separator
    std::error_code error;         // set when the folder could not be created
};

// Picks the folder where the utility keeps its files, in this order: the command line, the
// environment, the executable's own folder when it was unpacked together with the language
// files (portable layout), else the per-user configuration folder. The folder is created with
// its parents when missing.
HomeFolder ResolveHomeFolder(const HomeFolderInputs& inputs);

// Folder of the running executable; empty when the system does not tell.
std::filesystem::path ExecutableDirectory();

// True when one of the language files shipped with the program lies in the folder.
bool HoldsShippedLanguageFiles(const std::filesystem::path& folder);

// Where the files shipped with the program are (language files, manuals, library markers):
// beside the executable in the build tree and in the portable layout, else share/vrtruty beside
// the executable's bin folder, as a package installs them under any prefix. The executable's
// folder when neither holds them.
std::filesystem::path ShippedFilesFolder(const std::filesystem::path& executableDirectory);

}  // namespace vrtruty::platform
