// The virtual printer's non-volatile memory on disk (--state FILE), so that what the utility
// wrote survives a restart of the program. A text file, one setting a line:
//
//     vrtruty-printer state 1
//     model TR-770II
//     msw 126 00110111
//     cv 5 65530
//     si 1 115200
//
// Settings the file does not name keep the model's factory values. A file that cannot be read
// as a whole is not used at all: the printer starts with its factory values, as a printer whose
// memory was found corrupt does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "emulator/user_settings.h"

namespace vrtruty::emulator {

// The first line of every state file.
inline constexpr std::string_view kStateFileHeader = "vrtruty-printer state 1";

enum class StateFileStatus : std::uint8_t {
    Loaded,      // the file's settings are used
    Missing,     // no file, or an empty one: factory values
    Damaged,     // unreadable, no header, a line that is not understood: factory values
    OtherModel,  // written by a printer of another model: factory values
};

// The lines of the virtual printer's text files: empty lines and comments ('#') are skipped, and
// LF or CR LF end a line. The first line must be the file's header.
class RecordLines {
  public:
    explicit RecordLines(std::string_view text) : rest_(text) {}

    // Nothing when the header is the first line; else what (without a header at all) or
    // "line N: " + what (another first line).
    std::optional<std::string> HeaderProblem(std::string_view header, std::string_view what);
    // The next record line; nothing at the end.
    std::optional<std::string_view> Next();
    // "line N: " for the line Next gave last, to put in front of what is wrong with it.
    std::string Where() const { return "line " + std::to_string(number_) + ": "; }

  private:
    std::string_view rest_;
    int number_ = 0;
};

struct LoadedState {
    UserSettings settings;
    StateFileStatus status = StateFileStatus::Missing;
    std::string problem;  // why a damaged file was not used ("line 4: ...")
};

// The file's text for the settings of a printer of the model (a catalogue display name).
std::string FormatStateText(const UserSettings& settings, std::string_view model);
// Settings from a file's text, for a printer of the model.
LoadedState ParseStateText(std::string_view text, std::string_view model);

LoadedState LoadStateFile(const std::filesystem::path& path, std::string_view model);
// Writes the file under a temporary name and renames it over the old one, so that a crash leaves
// either the old settings or the new ones.
std::error_code SaveStateFile(const std::filesystem::path& path, const UserSettings& settings,
                              std::string_view model);

}  // namespace vrtruty::emulator
