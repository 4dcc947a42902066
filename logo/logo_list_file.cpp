#include "logo/logo_list_file.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

#include "core/catalogue.h"
#include "core/config.h"
#include "core/unicode.h"
#include "platform/files.h"

namespace vrtruty::logo {
namespace {

namespace fs = std::filesystem;

std::string RowKey(const char* format, long row) {
    char key[32];
    std::snprintf(key, sizeof key, format, static_cast<int>(row));
    return key;
}

struct RowKeys {
    std::string check, file, size, keycode, colour, gradation;
};

RowKeys KeysOfRow(long row) {
    return {RowKey("CHECK%03d", row), RowKey("FILE_%03d", row), RowKey("DTLEN%03d", row),
            RowKey("KEYCD%03d", row), RowKey("COLOR%03d", row), RowKey("GRADATION%02d", row)};
}

// A missing key reads as an empty value, as the profile reader's empty default gives it.
std::string ValueOf(const app::ProfileFile& profile, const std::string& key) {
    return app::ReadConfigValue(profile, kLogoListSection, key).value_or(std::string{});
}

// Skips the blanks in front of a number and its sign; true for a minus.
bool TakeSign(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    return negative;
}

// A decimal number read as list files have always been read: an optional sign and the digits
// that follow, anything after them ignored, 0 when there are none; saturated to a long.
long ParseDecimal(std::string_view text) {
    const bool negative = TakeSign(text);
    constexpr long kMax = std::numeric_limits<long>::max();
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        const int digit = c - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

// A keycode as stored: hexadecimal digits (an optional sign and "0x" before them), of which the
// low sixteen bits count.
std::uint16_t ParseStoredKeycode(std::string_view text) {
    const bool negative = TakeSign(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    for (const char c : text) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else {
            break;
        }
        value = ((value << 4) | digit) & 0xFFFFu;
    }
    return static_cast<std::uint16_t>(negative ? (0x10000u - value) & 0xFFFFu : value);
}

bool IsFalse(std::string_view value) {
    return app::EqualsIgnoreCase(value, std::string_view("FALSE"));
}

long StoredRowCount(const app::ProfileFile& profile) {
    return std::clamp(ParseDecimal(ValueOf(profile, "CNT")), 0L, kHighestLogoListRow);
}

LogoListSaveStatus CreateFailure(const std::error_code& error) {
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted) {
        return LogoListSaveStatus::AccessDenied;
    }
    if (error == std::errc::read_only_file_system) {
        return LogoListSaveStatus::WriteProtected;
    }
    return LogoListSaveStatus::NotWritable;
}

}  // namespace

app::ProfileFile NewLogoListProfile() {
    return app::ProfileFile::Parse(kLogoListHeader);
}

void WriteLogoListKeys(app::ProfileFile& profile, std::span<const LogoEntry> entries) {
    const long oldCount = StoredRowCount(profile);
    const long count = static_cast<long>(entries.size());
    profile.Write(kLogoListSection, "CNT", std::to_string(count));
    for (long n = 1; n <= count; ++n) {
        const LogoEntry& entry = entries[static_cast<std::size_t>(n - 1)];
        const RowKeys keys = KeysOfRow(n);
        profile.Write(kLogoListSection, keys.check, entry.checked ? "TRUE" : "FALSE");
        profile.Write(kLogoListSection, keys.file, entry.path);
        profile.Write(kLogoListSection, keys.size, std::to_string(entry.size));
        profile.Write(kLogoListSection, keys.keycode, FormatKeycode(entry.keycode));
        profile.Write(kLogoListSection, keys.colour, entry.twoColours ? "TRUE" : "FALSE");
        profile.Write(kLogoListSection, keys.gradation,
                      entry.gradation == kGradation16 ? "16" : "2");
    }
    // Rows of an earlier, longer list would otherwise come back when someone raises CNT.
    for (long n = count + 1; n <= oldCount; ++n) {
        const RowKeys keys = KeysOfRow(n);
        for (const std::string* key :
             {&keys.check, &keys.file, &keys.size, &keys.keycode, &keys.colour, &keys.gradation}) {
            profile.Delete(kLogoListSection, *key);
        }
    }
}

std::optional<std::vector<LogoEntry>> ReadLogoListRows(const app::ProfileFile& profile,
                                                       bool bGuppy) {
    const long count = StoredRowCount(profile);
    if (count <= 0) {
        return std::nullopt;
    }
    std::vector<LogoEntry> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (long n = 1; n <= count; ++n) {
        const RowKeys keys = KeysOfRow(n);
        LogoEntry entry;
        entry.path = ValueOf(profile, keys.file);
        entry.nameOffset = FileNameOffset(entry.path);
        entry.checked = !IsFalse(ValueOf(profile, keys.check));
        entry.size =
            static_cast<std::int32_t>(std::clamp(ParseDecimal(ValueOf(profile, keys.size)),
                                                 long{std::numeric_limits<std::int32_t>::min()},
                                                 long{std::numeric_limits<std::int32_t>::max()}));
        entry.keycode = ParseStoredKeycode(ValueOf(profile, keys.keycode));
        entry.twoColours = !bGuppy && !IsFalse(ValueOf(profile, keys.colour));
        entry.gradation =
            ParseDecimal(ValueOf(profile, keys.gradation)) == 16 ? kGradation16 : kGradation2;
        rows.push_back(std::move(entry));
    }
    return rows;
}

LogoListLoadResult LoadLogoList(LogoList& list, bool checkSize, const fs::path& file, bool bGuppy,
                                const MeasureLogo& measure,
                                const ContinueAfterError& continueAfterError) {
    LogoListLoadResult result;
    // An unreadable file reads as an empty profile: no rows, like a file that is no list.
    const auto rows = ReadLogoListRows(app::ProfileFile::Load(file), bGuppy);
    if (!rows) {
        // The program's own file is simply empty on a first run; only a file the user picked
        // deserves a word.
        if (app::EqualsIgnoreCase(file.extension().string(), std::string_view(".dat"))) {
            result.outcome = LogoListLoadOutcome::Ignored;
            return result;
        }
        result.outcome = LogoListLoadOutcome::NotAListFile;
        result.message = LogoMessage{lang::MSG_L_22, {file.filename().string()}};
        return result;
    }
    result.outcome = LogoListLoadOutcome::Loaded;
    result.rows = list.LoadRows(*rows, checkSize, measure, continueAfterError);
    return result;
}

std::optional<lang::TextNumber> LogoListSaveResult::message() const {
    switch (status) {
        case LogoListSaveStatus::Saved:
            return std::nullopt;
        case LogoListSaveStatus::Exists:
            return lang::ERR_0004;
        case LogoListSaveStatus::AccessDenied:
            return lang::ERR_0022;
        case LogoListSaveStatus::WriteProtected:
            return lang::ERR_0020;
        case LogoListSaveStatus::NotWritable:
            return lang::ERR_0002;
    }
    return lang::ERR_0002;
}

LogoListSaveResult SaveLogoList(const fs::path& file, std::span<const LogoEntry> entries,
                                bool overwrite) {
    app::ProfileFile profile = NewLogoListProfile();
    WriteLogoListKeys(profile, entries);
    const std::vector<std::uint8_t> bytes = profile.Serialize();

    LogoListSaveResult result;
    if (!overwrite) {
        // Created only where no file is, so nothing can be lost; an incomplete file is removed.
        result.error = platform::CreateFileExclusively(file, bytes);
        if (result.error == std::errc::file_exists) {
            result.status = LogoListSaveStatus::Exists;
        } else if (result.error) {
            result.status = CreateFailure(result.error);
        }
        return result;
    }
    if (platform::IsReadOnlyFile(file)) {
        result.error = std::make_error_code(std::errc::permission_denied);
    } else {
        result.error = platform::ReplaceFileAtomically(file, bytes);
    }
    if (result.error) {
        result.status = LogoListSaveStatus::NotWritable;
    }
    return result;
}

fs::path ProgramLogoListPath(const fs::path& programFolder) {
    return programFolder / app::GetProgramIdentity(app::kBuildModelId).logoListFileName;
}

}  // namespace vrtruty::logo
