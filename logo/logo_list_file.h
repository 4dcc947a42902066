// Logo list files: a logo file list saved by the user (".qlr") or kept between runs beside the
// program ("Vrtrutyl.dat"). Both are UTF-16 profile files with one section:
//
//   [BITMAPFILE]
//   CNT=2                  number of rows
//   CHECK001=TRUE          Register check mark, TRUE or FALSE
//   FILE_001=/logos/a.bmp  full path of the bitmap
//   DTLEN001=154           registration size (written, never trusted on reading)
//   KEYCD001=2020          keycode, "%04X"
//   COLOR001=FALSE         two colours, TRUE or FALSE
//   GRADATION01=2          "2" or "16"
//   ... and the same six keys for row 2.
//
// Reading never fails on a damaged file: whatever cannot be understood reads as missing, and a
// file without rows is reported as not being a list file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/profile_file.h"
#include "lang/text_numbers.h"
#include "logo/logo_entry.h"
#include "logo/logo_list.h"

namespace vrtruty::logo {

inline constexpr std::string_view kLogoListSection = "BITMAPFILE";

// What a list file starts with: the byte-order mark and "[BITMAPFILE]" CR LF in UTF-16LE.
// clang-format off
inline constexpr std::array<std::uint8_t, 30> kLogoListHeader = {
    0xFF, 0xFE,
    '[', 0, 'B', 0, 'I', 0, 'T', 0, 'M', 0, 'A', 0, 'P', 0, 'F', 0, 'I', 0, 'L', 0, 'E', 0, ']', 0,
    '\r', 0, '\n', 0};
// clang-format on

// Row numbers above this are read as this: keys have three digits, and a damaged count must not
// make loading ask about missing files for ever.
inline constexpr long kHighestLogoListRow = 999;

// A new list file's content: the header alone.
app::ProfileFile NewLogoListProfile();

// Writes CNT and the six keys of every row, then deletes the keys of the rows a longer list
// written earlier left behind (up to its CNT). Other content of the profile stays.
void WriteLogoListKeys(app::ProfileFile& profile, std::span<const LogoEntry> entries);

// The rows a list file describes, with every value cleaned (cut at ';', trailing blanks gone);
// nothing when its CNT is 0, negative, missing or not a number. Sizes are the stored ones; paths,
// check marks, keycodes, colours and gradations as the file says (two colours never with
// bGuppy). Keycodes are not validated: the user corrects them in the list.
std::optional<std::vector<LogoEntry>> ReadLogoListRows(const app::ProfileFile& profile,
                                                       bool bGuppy);

enum class LogoListLoadOutcome {
    NotAListFile,  // MSG_L_22 with the file's name; the list is unchanged
    Ignored,       // the program's own ".dat" file without rows: nothing to say, list unchanged
    Loaded,        // the list was replaced by the rows accepted (possibly none)
};

struct LogoListLoadResult {
    LogoListLoadOutcome outcome = LogoListLoadOutcome::NotAListFile;
    std::optional<LogoMessage> message;  // the not-a-list-file message
    LogoBatchResult rows;                // for Loaded: what happened to each row
};

// Loads a list file into the list; every row is measured again from its bitmap. A row that fails
// to measure is reported through continueAfterError (an empty callback goes on). With checkSize,
// loading ends where the checked rows would exceed the printer's free space; it always ends at
// sixty rows. The size check that follows reports an overflow only with checkSize.
LogoListLoadResult LoadLogoList(LogoList& list, bool checkSize, const std::filesystem::path& file,
                                bool bGuppy, const MeasureLogo& measure,
                                const ContinueAfterError& continueAfterError);

enum class LogoListSaveStatus {
    Saved,
    Exists,          // ERR_0004: ask, and save again with overwrite on Yes
    AccessDenied,    // ERR_0022
    WriteProtected,  // ERR_0020
    NotWritable,     // ERR_0002: a read-only file, or any other failure to write
};

struct LogoListSaveResult {
    LogoListSaveStatus status = LogoListSaveStatus::Saved;
    std::error_code error;  // the system's reason, for the log
    // The message of a status other than Saved.
    std::optional<lang::TextNumber> message() const;
};

// Writes the list as a new list file: the header, then the keys. Without overwrite an existing
// file is refused with Exists; with it the file is replaced atomically (a read-only file is
// refused), so a failure leaves the old file as it was.
LogoListSaveResult SaveLogoList(const std::filesystem::path& file,
                                std::span<const LogoEntry> entries, bool overwrite);

// The program's own list file in the program folder ("Vrtrutyl.dat").
std::filesystem::path ProgramLogoListPath(const std::filesystem::path& programFolder);

}  // namespace vrtruty::logo
