#include "core/profile_file.h"

#include <algorithm>

#include "core/unicode.h"
#include "platform/files.h"

namespace vrtruty::app {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::u16string DecodeUnits(std::span<const std::uint8_t> bytes, ProfileFile::Encoding encoding,
                           std::optional<std::uint8_t>& oddTrailingByte) {
    std::u16string units;
    switch (encoding) {
        case ProfileFile::Encoding::Utf16Le:
        case ProfileFile::Encoding::Utf16Be: {
            const bool little = encoding == ProfileFile::Encoding::Utf16Le;
            const std::size_t pairs = bytes.size() / 2;
            units.reserve(pairs);
            for (std::size_t i = 0; i < pairs; ++i) {
                const unsigned lo = bytes[2 * i + (little ? 0 : 1)];
                const unsigned hi = bytes[2 * i + (little ? 1 : 0)];
                units += static_cast<char16_t>(lo | (hi << 8));
            }
            if (bytes.size() % 2 != 0) {
                oddTrailingByte = bytes.back();
            }
            break;
        }
        case ProfileFile::Encoding::Utf8:
            units = Utf8ToUtf16(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
            break;
        case ProfileFile::Encoding::EightBit:
            units.assign(bytes.begin(), bytes.end());
            break;
    }
    return units;
}

// FNV-1a over the name's code units folded to lower case, the way names are compared.
std::uint64_t NameHash(std::u16string_view name, std::uint64_t seed = 14695981039346656037ULL) {
    std::uint64_t hash = seed;
    for (const char16_t c : name) {
        hash = (hash ^ AsciiLower(c)) * 1099511628211ULL;
    }
    return hash;
}

std::uint64_t KeyHash(std::size_t section, std::u16string_view key) {
    return NameHash(key, 14695981039346656037ULL ^ (section * 0x9E3779B97F4A7C15ULL));
}

}  // namespace

ProfileFile ProfileFile::Parse(std::span<const std::uint8_t> bytes) {
    ProfileFile profile;
    profile.exists_ = true;
    const std::span<const std::uint8_t> whole = bytes;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        profile.encoding_ = Encoding::Utf16Le;
        bytes = bytes.subspan(2);
    } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        profile.encoding_ = Encoding::Utf16Be;
        bytes = bytes.subspan(2);
    } else if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        profile.encoding_ = Encoding::Utf8;
        profile.hasUtf8Bom_ = true;
        bytes = bytes.subspan(3);
    } else if (bytes.empty()) {
        profile.encoding_ = Encoding::Utf16Le;
    } else {
        const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        profile.encoding_ = IsValidUtf8(raw) ? Encoding::Utf8 : Encoding::EightBit;
    }
    if (profile.encoding_ == Encoding::Utf8 &&
        !IsValidUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
        // A byte-order mark over other 8-bit text: the mark's bytes are characters like the
        // rest, so that they are written back.
        profile.encoding_ = Encoding::EightBit;
        profile.hasUtf8Bom_ = false;
        bytes = whole;
    }

    const std::u16string units = DecodeUnits(bytes, profile.encoding_, profile.oddTrailingByte_);
    std::size_t start = 0;
    while (start < units.size()) {
        const std::size_t brk = units.find_first_of(u"\r\n", start);
        if (brk == std::u16string::npos) {
            profile.lines_.push_back({units.substr(start), LineEnd::None});
            break;
        }
        LineEnd end = units[brk] == u'\n' ? LineEnd::Lf : LineEnd::Cr;
        std::size_t endLength = 1;
        if (units[brk] == u'\r' && brk + 1 < units.size() && units[brk + 1] == u'\n') {
            end = LineEnd::CrLf;
            endLength = 2;
        }
        profile.lines_.push_back({units.substr(start, brk - start), end});
        start = brk + endLength;
    }
    profile.Reindex();
    return profile;
}

ProfileFile ProfileFile::Load(const std::filesystem::path& path) {
    const platform::FileContent content = platform::ReadRegularFile(path, kMaxFileSize);
    if (content.error) {
        ProfileFile missing;
        missing.loadError_ = content.error;
        return missing;
    }
    return Parse(content.bytes);
}

bool ProfileFile::missingOrLoaded() const {
    return !loadError_ || loadError_ == std::errc::no_such_file_or_directory;
}

std::optional<std::u16string_view> ProfileFile::SectionName(std::u16string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != u'[') {
        return std::nullopt;
    }
    const std::size_t close = line.rfind(u']');
    if (close == std::u16string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

std::optional<ProfileFile::KeyLine> ProfileFile::ParseKeyLine(std::u16string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() == u';') {
        return std::nullopt;
    }
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) {
        return KeyLine{line, std::nullopt};
    }
    return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

void ProfileFile::Reindex() {
    headers_.clear();
    sectionIndex_.clear();
    keyIndex_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = SectionName(lines_[i].text)) {
            sectionIndex_.push_back({NameHash(*name), headers_.size(), 0});
            headers_.push_back(i);
        } else if (!headers_.empty()) {
            if (const auto key = ParseKeyLine(lines_[i].text)) {
                const std::size_t section = headers_.size() - 1;
                keyIndex_.push_back({KeyHash(section, key->name), section, i});
            }
        }
    }
    std::ranges::sort(sectionIndex_);
    std::ranges::sort(keyIndex_);
}

void ProfileFile::InsertLine(std::size_t at, Line line) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    if (const auto name = SectionName(lines_[at].text)) {
        if (at + 1 == lines_.size()) {  // a new section at the end, the usual case
            const IndexEntry entry{NameHash(*name), headers_.size(), 0};
            sectionIndex_.insert(std::ranges::upper_bound(sectionIndex_, entry), entry);
            headers_.push_back(at);
        } else {
            Reindex();  // a header among other lines regroups their keys; never done by Write
        }
        return;
    }
    if (headers_.empty() || at < headers_.front()) {
        Reindex();  // lines before the first section: nothing to index, but headers move
        return;
    }
    for (std::size_t& header : headers_) {
        header += header >= at ? 1 : 0;
    }
    for (IndexEntry& entry : keyIndex_) {
        entry.line += entry.line >= at ? 1 : 0;
    }
    if (const auto key = ParseKeyLine(lines_[at].text)) {
        const auto after = std::ranges::upper_bound(headers_, at);
        const auto section = static_cast<std::size_t>(after - headers_.begin()) - 1;
        const IndexEntry entry{KeyHash(section, key->name), section, at};
        keyIndex_.insert(std::ranges::upper_bound(keyIndex_, entry), entry);
    }
}

void ProfileFile::EraseLine(std::size_t at) {
    std::erase_if(keyIndex_, [at](const IndexEntry& entry) { return entry.line == at; });
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
    for (std::size_t& header : headers_) {
        header -= header > at ? 1 : 0;
    }
    for (IndexEntry& entry : keyIndex_) {
        entry.line -= entry.line > at ? 1 : 0;
    }
}

std::optional<std::size_t> ProfileFile::FindSection(std::u16string_view section) const {
    const std::uint64_t hash = NameHash(section);
    for (auto it = std::ranges::lower_bound(sectionIndex_, IndexEntry{hash, 0, 0});
         it != sectionIndex_.end() && it->hash == hash; ++it) {
        if (EqualsIgnoreCase(*SectionName(lines_[headers_[it->section]].text), section)) {
            return it->section;
        }
    }
    return std::nullopt;
}

std::size_t ProfileFile::SectionEnd(std::size_t section) const {
    return section + 1 < headers_.size() ? headers_[section + 1] : lines_.size();
}

std::optional<std::size_t> ProfileFile::FindKey(std::size_t section,
                                                std::u16string_view key) const {
    const std::uint64_t hash = KeyHash(section, key);
    for (auto it = std::ranges::lower_bound(keyIndex_, IndexEntry{hash, section, 0});
         it != keyIndex_.end() && it->hash == hash && it->section == section; ++it) {
        if (EqualsIgnoreCase(ParseKeyLine(lines_[it->line].text)->name, key)) {
            return it->line;
        }
    }
    return std::nullopt;
}

bool ProfileFile::HasSection(std::string_view section) const {
    return FindSection(Utf8ToUtf16(section)).has_value();
}

std::optional<std::string> ProfileFile::Read(std::string_view section, std::string_view key,
                                             std::size_t maxUnits) const {
    const auto header = FindSection(Utf8ToUtf16(section));
    if (!header) {
        return std::nullopt;
    }
    const auto index = FindKey(*header, Utf8ToUtf16(key));
    if (!index) {
        return std::nullopt;
    }
    std::u16string_view value = ParseKeyLine(lines_[*index].text)->value.value_or(u"");
    if (value.size() > 1 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return Utf16ToUtf8(value.substr(0, std::min(value.size(), maxUnits)));
}

void ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    std::u16string text = Utf8ToUtf16(value);
    // A line break inside a value would split it into lines of its own and change the file's
    // structure; the profile format has no way to store one.
    std::ranges::replace_if(
        text, [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
    if (encoding_ == Encoding::EightBit &&
        std::ranges::any_of(text, [](char16_t c) { return c > 0xFF; })) {
        encoding_ = Encoding::Utf16Le;  // keeps the new text and every old byte's character
    }

    const std::u16string sectionName = Utf8ToUtf16(section);
    const std::u16string keyName = Utf8ToUtf16(key);
    const auto found = FindSection(sectionName);
    if (!found) {
        if (!lines_.empty() && lines_.back().end == LineEnd::None) {
            lines_.back().end = LineEnd::CrLf;
        }
        InsertLine(lines_.size(), {u"[" + sectionName + u"]", LineEnd::CrLf});
        InsertLine(lines_.size(), {keyName + u"=" + text, LineEnd::CrLf});
        return;
    }
    if (const auto index = FindKey(*found, keyName)) {
        // The key keeps the spelling it has in the file.
        const std::u16string existing(ParseKeyLine(lines_[*index].text)->name);
        lines_[*index].text = existing + u"=" + text;
        if (SectionName(lines_[*index].text)) {
            Reindex();  // a name like "[a" with a value ending in ']' turned the line into a header
        }
        return;
    }
    // A new key goes after the section's last non-blank line, before blank lines that separate
    // it from the next section.
    const std::size_t header = headers_[*found];
    std::size_t insertAt = SectionEnd(*found);
    while (insertAt > header + 1 && Trim(lines_[insertAt - 1].text).empty()) {
        --insertAt;
    }
    if (lines_[insertAt - 1].end == LineEnd::None) {
        lines_[insertAt - 1].end = LineEnd::CrLf;
    }
    InsertLine(insertAt, Line{keyName + u"=" + text, LineEnd::CrLf});
}

void ProfileFile::Delete(std::string_view section, std::string_view key) {
    const auto found = FindSection(Utf8ToUtf16(section));
    if (!found) {
        return;
    }
    if (const auto index = FindKey(*found, Utf8ToUtf16(key))) {
        EraseLine(*index);
    }
}

std::vector<std::uint8_t> ProfileFile::Serialize() const {
    std::u16string units;
    for (const Line& line : lines_) {
        units += line.text;
        switch (line.end) {
            case LineEnd::None:
                break;
            case LineEnd::CrLf:
                units += u"\r\n";
                break;
            case LineEnd::Lf:
                units += u'\n';
                break;
            case LineEnd::Cr:
                units += u'\r';
                break;
        }
    }
    std::vector<std::uint8_t> bytes;
    switch (encoding_) {
        case Encoding::Utf16Le:
        case Encoding::Utf16Be: {
            const bool little = encoding_ == Encoding::Utf16Le;
            bytes.reserve(2 + units.size() * 2 + 1);
            bytes.push_back(little ? 0xFF : 0xFE);
            bytes.push_back(little ? 0xFE : 0xFF);
            for (const char16_t u : units) {
                const auto lo = static_cast<std::uint8_t>(u & 0xFF);
                const auto hi = static_cast<std::uint8_t>(u >> 8);
                bytes.push_back(little ? lo : hi);
                bytes.push_back(little ? hi : lo);
            }
            if (oddTrailingByte_) {
                bytes.push_back(*oddTrailingByte_);
            }
            break;
        }
        case Encoding::Utf8: {
            if (hasUtf8Bom_) {
                bytes = {0xEF, 0xBB, 0xBF};
            }
            const std::string text = Utf16ToUtf8(units);
            bytes.insert(bytes.end(), text.begin(), text.end());
            break;
        }
        case Encoding::EightBit:
            bytes.reserve(units.size());
            for (const char16_t u : units) {
                bytes.push_back(static_cast<std::uint8_t>(u));
            }
            break;
    }
    return bytes;
}

std::error_code ProfileFile::Save(const std::filesystem::path& path) const {
    return platform::ReplaceFileAtomically(path, Serialize());
}

}  // namespace vrtruty::app
