// INI-format profile files as the original's platform reads and writes them: the utility's
// configuration, the language files and the logo lists all use this format.
//
// The file is kept as its lines, byte-exact, so that an update changes only the line of the key it
// writes: other sections, keys, comments, blank lines, line ends and even undecodable content
// survive untouched. Reads follow the platform's profile reader: section and key names match
// without regard to case, the first matching section and key win, blanks around names and values
// are trimmed, a value in matching quotes loses them, and a value is cut to the caller's limit.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vrtruty::app {

class ProfileFile {
  public:
    enum class Encoding {
        Utf16Le,   // byte-order mark FF FE: the form the utility creates and keeps
        Utf16Be,   // byte-order mark FE FF
        Utf8,      // 8-bit file that is valid UTF-8 (with or without its byte-order mark)
        EightBit,  // any other 8-bit file: each byte one character, so nothing is lost
    };

    // Length limit of a value read into the original's 261-character buffers.
    static constexpr std::size_t kDefaultValueLimit = 260;

    // Far above any real profile (a language file holds about 50 KB); a larger file is refused
    // rather than read into memory.
    static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

    ProfileFile() = default;
    static ProfileFile Parse(std::span<const std::uint8_t> bytes);
    // A file that cannot be read gives an empty profile with exists() false, and loadError()
    // says why. Only a regular file is read, without blocking, up to kMaxFileSize.
    static ProfileFile Load(const std::filesystem::path& path);

    bool exists() const { return exists_; }
    // Why Load found no content; empty when it read the file. A profile that failed for any
    // reason other than a missing file must not be saved over that file: the empty profile would
    // replace the user's content.
    std::error_code loadError() const { return loadError_; }
    bool missingOrLoaded() const;
    Encoding encoding() const { return encoding_; }

    // The value, or nothing when the section or key is absent (an empty value is present).
    std::optional<std::string> Read(std::string_view section, std::string_view key,
                                    std::size_t maxUnits = kDefaultValueLimit) const;
    bool HasSection(std::string_view section) const;

    // Sets a key, appending the key to its section or the section to the file when missing.
    void Write(std::string_view section, std::string_view key, std::string_view value);
    // Removes the key's line; nothing happens when it is absent.
    void Delete(std::string_view section, std::string_view key);

    std::vector<std::uint8_t> Serialize() const;
    // Replaces the file atomically: a failed save leaves the old file as it was.
    std::error_code Save(const std::filesystem::path& path) const;

  private:
    // One byte per line rather than a string: a file of blank lines must not cost many times
    // its size in memory.
    enum class LineEnd : std::uint8_t {
        None,  // the last line, without a line end
        CrLf,
        Lf,
        Cr,
    };
    struct Line {
        std::u16string text;  // without its line end
        LineEnd end;
    };
    struct KeyLine {
        std::u16string_view name;
        std::optional<std::u16string_view> value;  // nothing for a line without '='
    };

    // Where the sections and keys are, so that a lookup does not scan the file. Each entry holds
    // the hash of a name without regard to case; the names themselves are compared on a hit.
    struct IndexEntry {
        std::uint64_t hash;
        std::size_t section;  // ordinal of the section, in file order
        std::size_t line;     // for a key: its line; 0 for a section (headers_ has its line)
        auto operator<=>(const IndexEntry&) const = default;
    };

    static std::optional<std::u16string_view> SectionName(std::u16string_view line);
    static std::optional<KeyLine> ParseKeyLine(std::u16string_view line);
    // Ordinal of the first section of that name.
    std::optional<std::size_t> FindSection(std::u16string_view section) const;
    // Index one past the section's last line (the next header or the end of the file).
    std::size_t SectionEnd(std::size_t section) const;
    // Line of the section's first key of that name.
    std::optional<std::size_t> FindKey(std::size_t section, std::u16string_view key) const;

    void Reindex();
    void InsertLine(std::size_t at, Line line);
    void EraseLine(std::size_t at);

    std::vector<Line> lines_;
    std::vector<std::size_t> headers_;  // the header line of each section, in file order
    std::vector<IndexEntry> sectionIndex_;
    std::vector<IndexEntry> keyIndex_;
    Encoding encoding_ = Encoding::Utf16Le;
    bool hasUtf8Bom_ = false;
    // A UTF-16 file of odd length keeps its last byte; it is written back at the end.
    std::optional<std::uint8_t> oddTrailingByte_;
    bool exists_ = false;
    std::error_code loadError_;
};

}  // namespace vrtruty::app
