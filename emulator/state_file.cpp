#include "emulator/state_file.h"

#include <optional>
#include <span>

#include "core/catalogue.h"
#include "platform/files.h"

namespace vrtruty::emulator {
namespace {

constexpr std::string_view kModelKeyword = "model";

// The catalogue's spelling of a display name, so that "tr-770" and "TR-770" are one model.
std::string CanonicalModel(std::string_view model) {
    if (const auto row = app::FindPrinterRow(model)) {
        return app::PrinterNameTable()[*row].displayName;
    }
    return std::string(model);
}

// The next word of a line, which is consumed up to the following space.
std::string_view TakeWord(std::string_view& line) {
    const auto space = line.find(' ');
    const std::string_view word = line.substr(0, space);
    line = space == line.npos ? std::string_view{} : line.substr(space + 1);
    return word;
}

LoadedState Damaged(std::string_view model, std::string problem) {
    return {FactoryUserSettings(model), StateFileStatus::Damaged, std::move(problem)};
}

}  // namespace

std::string FormatStateText(const UserSettings& settings, std::string_view model) {
    std::string text(kStateFileHeader);
    text += '\n';
    text += std::string(kModelKeyword) + ' ' + CanonicalModel(model) + '\n';
    for (const SettingId id : settings.Ids()) {
        text += std::string(KindPrefix(id.kind)) + ' ' + std::to_string(id.number) + ' ' +
                settings.Text(id) + '\n';
    }
    return text;
}

std::optional<std::string_view> RecordLines::Next() {
    while (!rest_.empty()) {
        const auto newline = rest_.find('\n');
        std::string_view line = rest_.substr(0, newline);
        rest_ = newline == rest_.npos ? std::string_view{} : rest_.substr(newline + 1);
        ++number_;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (!line.empty() && !line.starts_with('#')) {
            return line;
        }
    }
    return std::nullopt;
}

std::optional<std::string> RecordLines::HeaderProblem(std::string_view header,
                                                      std::string_view what) {
    const auto first = Next();
    if (!first) {
        return std::string(what);
    }
    if (*first != header) {
        return Where() + std::string(what);
    }
    return std::nullopt;
}

LoadedState ParseStateText(std::string_view text, std::string_view model) {
    if (text.find_first_not_of(" \t\r\n") == text.npos) {
        return {FactoryUserSettings(model), StateFileStatus::Missing, {}};
    }
    UserSettings settings = FactoryUserSettings(model);
    RecordLines lines(text);
    if (auto problem = lines.HeaderProblem(kStateFileHeader, "not a state file of this printer")) {
        return Damaged(model, std::move(*problem));
    }
    while (const auto next = lines.Next()) {
        const std::string_view line = *next;
        const std::string where = lines.Where();
        std::string_view rest = line;
        const std::string_view keyword = TakeWord(rest);
        if (keyword == kModelKeyword) {
            if (CanonicalModel(rest) != CanonicalModel(model)) {
                return {FactoryUserSettings(model), StateFileStatus::OtherModel,
                        "written by a " + std::string(rest)};
            }
            continue;
        }
        const std::string_view number = TakeWord(rest);
        const auto id = ParseSettingName(std::string(keyword) + std::string(number));
        if (!id || KindPrefix(id->kind) != keyword) {
            return Damaged(model, where + "not a setting: \"" + std::string(line) + "\"");
        }
        if (!settings.Set(*id, rest)) {
            return Damaged(model, where + "not a value of " + SettingName(*id) + ": \"" +
                                      std::string(rest) + "\"");
        }
    }
    return {std::move(settings), StateFileStatus::Loaded, {}};
}

LoadedState LoadStateFile(const std::filesystem::path& path, std::string_view model) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return {FactoryUserSettings(model), StateFileStatus::Missing, {}};
    }
    const auto bytes = platform::ReadFileBytes(path);
    if (!bytes) {
        return Damaged(model, "cannot be read");
    }
    return ParseStateText(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), model);
}

std::error_code SaveStateFile(const std::filesystem::path& path, const UserSettings& settings,
                              std::string_view model) {
    const std::string text = FormatStateText(settings, model);
    return platform::ReplaceFileAtomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace vrtruty::emulator
