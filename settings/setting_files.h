// Setting files and the temporary settings file: the current record stored as a 59-byte image
// (model name and the values of the three pages), exported and imported by the user and kept
// between runs beside the program. Whatever is loaded is validated. An imported file that fails is
// refused and left as it was; the program's own temporary settings that fail give way to the
// factory values, and that file is rewritten with them.
//
// Every operation returns 0 or one of the SET_ERR_ codes below and shows nothing: the caller
// turns a code into its message with SettingFileMessage, followed by the file and the reason that
// a failure leaves in the state's lastFileFailure. A failed file operation leaves the
// settings state as it was, except where the record had to be replaced by the factory values
// before the file could be rewritten.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <system_error>

#include "core/catalogue.h"
#include "core/log.h"
#include "core/serial_settings.h"
#include "lang/text_numbers.h"
#include "lang/text_table.h"
#include "settings/setting_record.h"
#include "settings/settings_state.h"

namespace vrtruty::settings {

// Result codes (message keys in brackets).
inline constexpr int SET_SUCCESS = 0;
// The file to import cannot be opened [ERR_0005 "...The settings file does not exist."].
inline constexpr int SET_ERR_NOFILE = -4;
// Access denied (EACCES, EPERM) [ERR_0022].
inline constexpr int SET_ERR_ACCESS = -60;
// Read-only file system (EROFS) [ERR_0020].
inline constexpr int SET_ERR_WRITEPROTECT = -61;
// A network share refused access [ERR_0021]. Local file systems and mounted shares report such
// a refusal as EACCES, so this platform never produces the code; it stays for the message table.
inline constexpr int SET_ERR_NETWORK = -63;
// The temporary settings file, or a file rewritten with the factory values, could not be written
// for another reason [ERR_0003 "Error opening temporary settings file..."].
inline constexpr int SET_ERR_TEMPFILE = -64;
// The file to import is empty; the record is kept [ERR_0006 "...Unable to read settings file."].
inline constexpr int SET_ERR_UNREADABLE = -65;
// Export: the file exists; ask (Yes/No) and export again with overwrite on Yes [ERR_0004].
inline constexpr int SET_ERR_EXISTS = -66;
// Export: the file could not be created, or an existing one not replaced (it is read-only, or
// the folder refused it) [ERR_0002 "The existing settings file is read-only..."].
inline constexpr int SET_ERR_READONLY = -67;
// Import: the file is no setting file (not a regular file, not 59 bytes, no model name of this
// catalogue at its start); the record and the file are left alone [ERR_0006].
inline constexpr int SET_ERR_NOT_SETTING_FILE = -68;
// Import: a setting file of another model with a value beyond the selected model's limits
// [ERR_0006].
inline constexpr int SET_ERR_OTHER_MODEL = -69;
// Import: a setting file of the selected model with a value out of range [ERR_0006].
inline constexpr int SET_ERR_OUT_OF_RANGE = -70;

// The text number of a code's message; nothing for success and for codes of other subsystems.
std::optional<lang::TextNumber> SettingFileMessage(int code);

// The file format: model name (record bytes 0-15), record bytes 49-86, record bytes 90-94. The
// six-page bytes 16-48 and 87-89 are not stored.
inline constexpr std::size_t kSettingImageSize = 59;
using SettingImage = std::array<std::uint8_t, kSettingImageSize>;

SettingImage BuildSettingImage(const SettingRecord& record);
// Copies an image into the record; bytes missing from a short image count as 0, bytes beyond the
// 59 are ignored, and the bytes the file does not store are left alone.
void ApplySettingImage(SettingRecord& record, std::span<const std::uint8_t> image);

// What replacing a record by the factory values needs (see DefaultDataSet).
struct FactoryInputs {
    bool xonXoff = false;  // the configuration's COM protocol is XON/XOFF
    const lang::TextTable& texts;
    app::Logger& log;
};

// Validates the current record against the selected model's limits. When a stored value is out
// of range the record becomes the factory values and, when rewritePath is not empty, that file is
// rewritten with them. Sets the PNE-length text unless the rewrite failed.
int ReadDataCheck(SettingsState& state, app::CurrentModel& model, const FactoryInputs& inputs,
                  const std::filesystem::path& rewritePath);

// What the bytes of a setting file give for the selected model: the current record with the
// file's values, or the code and the reason of a refusal (see ImportSettingFile).
struct SettingFileCheck {
    int code = SET_SUCCESS;
    std::string reason;    // when refused
    SettingRecord record;  // when accepted
};
SettingFileCheck CheckSettingFile(std::span<const std::uint8_t> bytes, const SettingRecord& current,
                                  const app::CurrentModel& model, const lang::TextTable& texts);

// Loads a setting file into the current record, whatever model wrote it, when every value is
// within the selected model's limits. A file the user names is input only: anything else is
// refused with SET_ERR_NOFILE, SET_ERR_UNREADABLE, SET_ERR_NOT_SETTING_FILE, SET_ERR_OTHER_MODEL
// or SET_ERR_OUT_OF_RANGE (lastFileFailure says what is wrong), and the record and the file stay
// as they were.
int ImportSettingFile(SettingsState& state, app::CurrentModel& model, const FactoryInputs& inputs,
                      const std::filesystem::path& path);

// Writes the current record with the selected model's name. An existing file is refused with
// SET_ERR_EXISTS unless overwrite is set; it is then replaced atomically, so a failure leaves the
// old file. The record takes the model name only when the file was written.
int ExportSettingFile(SettingsState& state, const app::CurrentModel& model,
                      const std::filesystem::path& path, bool overwrite);

// "Vrtrutys.dat" in the program folder.
std::filesystem::path TemporarySettingsPath(const std::filesystem::path& programFolder);

// Start-up: loads the temporary settings over the factory values DefaultSet put in place. A
// missing file keeps the factory values, another model's file is replaced by them (and left on
// disk until the next save). The host's serial settings then replace the stored ones, and the
// NV-graphic choice and paper width become the values last confirmed with the printer.
// A file with values out of range is rewritten with the factory values, unless `repairFile` is
// false: a caller that does not hold the home folder's lock leaves it for one that does.
int LoadTemporarySettings(SettingsState& state, app::CurrentModel& model,
                          const app::SerialSettings& serial, const std::filesystem::path& path,
                          const FactoryInputs& inputs, bool repairFile = true);

// Puts the host's serial parameters into the record's serial items. The port's settings win over
// whatever a file or the factory values held: a record that disagreed with them would send the
// printer serial parameters the PC cannot talk with.
void PutHostSerialSettings(SettingRecord& record, const app::SerialSettings& serial);

// Exit: stores the current record with the selected model's name, replacing the file atomically.
int SaveTemporarySettings(SettingsState& state, const app::CurrentModel& model,
                          const std::filesystem::path& path);

// The code of a failed write that the user can act on (access denied, write-protected);
// otherwise for every other failure.
int FileErrorCode(const std::error_code& error, int otherwise);

}  // namespace vrtruty::settings
