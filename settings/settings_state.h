// The printer settings a running utility keeps: the record being edited, the record a read fills,
// the working defaults of every model, and what was last confirmed with the printer.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "settings/setting_record.h"

namespace vrtruty::settings {

// Number of factory bytes per model: record bytes 16 to 94.
inline constexpr std::size_t kFactoryBytes = kSettingRecordSize - kSixPageBytesBegin;

// The working defaults of one printer row: its factory values, possibly overridden by the
// configuration file.
struct ModelDefaults {
    bool overridden = false;  // the configuration names at least one item for the row
    std::array<std::uint8_t, kFactoryBytes> bytes{};  // record bytes 16-94

    std::uint8_t at(std::size_t recordByte) const { return bytes[recordByte - kSixPageBytesBegin]; }
    std::uint8_t& at(std::size_t recordByte) { return bytes[recordByte - kSixPageBytesBegin]; }
};

// The values last sent to the printer, for the port settings and the logo functions.
struct LastSentValues {
    int paperWidth = 0;  // byte 61
    int nvGraphics = 0;  // byte 60
    int baud = 0;        // byte 70
    int format = 0;      // byte 71
    int protocol = 0;    // byte 72
};

// A setting-file operation that failed: the file and the reason, in the system's words or in
// what the file was found to be, to follow the operation's message.
struct FileFailure {
    std::filesystem::path path;
    std::string reason;
};

struct SettingsState {
    SettingRecord current;    // what the pages show, what is sent, what files store
    SettingRecord reception;  // filled by a read; copied over `current` only when it succeeded
    std::array<ModelDefaults, 5> modelDefaults;  // one per printer row
    // The NV-graphics choice (byte 60) last confirmed with the printer; a change invalidates the
    // logo information read from the printer.
    int rememberedNvChoice = 0;
    bool printerInfoValid = false;
    std::string pneLengthText;   // "(%dcm)", or the "(Unset)" text
    bool serialChanged = false;  // the last send gave the printer other serial parameters
    LastSentValues lastSent;
    std::uint32_t nvCapacity = 0;  // NV graphics capacity in bytes for the logo functions
    std::optional<FileFailure> lastFileFailure;  // of the last setting-file operation
};

}  // namespace vrtruty::settings
