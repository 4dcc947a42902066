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

std::optional<std::size_t> ProfileFile::FindSection(std::u16string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i].text);
        if (name && EqualsIgnoreCase(*name, section)) {
            return i;
        }
    }
    return std::nullopt;
}

std::size_t ProfileFile::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && !SectionName(lines_[i].text)) {
        ++i;
    }
    return i;
}

std::optional<std::size_t> ProfileFile::FindKey(std::size_t header, std::u16string_view key) const {
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const auto parsed = ParseKeyLine(lines_[i].text);
        if (parsed && EqualsIgnoreCase(parsed->name, key)) {
            return i;
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
    const auto header = FindSection(sectionName);
    if (!header) {
        if (!lines_.empty() && lines_.back().end == LineEnd::None) {
            lines_.back().end = LineEnd::CrLf;
        }
        lines_.push_back({u"[" + sectionName + u"]", LineEnd::CrLf});
        lines_.push_back({keyName + u"=" + text, LineEnd::CrLf});
        return;
    }
    if (const auto index = FindKey(*header, keyName)) {
        // The key keeps the spelling it has in the file.
        const std::u16string existing(ParseKeyLine(lines_[*index].text)->name);
        lines_[*index].text = existing + u"=" + text;
        return;
    }
    // A new key goes after the section's last non-blank line, before blank lines that separate
    // it from the next section.
    std::size_t insertAt = SectionEnd(*header);
    while (insertAt > *header + 1 && Trim(lines_[insertAt - 1].text).empty()) {
        --insertAt;
    }
    if (lines_[insertAt - 1].end == LineEnd::None) {
        lines_[insertAt - 1].end = LineEnd::CrLf;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  Line{keyName + u"=" + text, LineEnd::CrLf});
}

void ProfileFile::Delete(std::string_view section, std::string_view key) {
    const auto header = FindSection(Utf8ToUtf16(section));
    if (!header) {
        return;
    }
    if (const auto index = FindKey(*header, Utf8ToUtf16(key))) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*index));
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
