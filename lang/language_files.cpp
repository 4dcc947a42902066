#include "lang/language_files.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <system_error>

#include "core/catalogue.h"
#include "core/config.h"
#include "core/profile_file.h"
#include "core/unicode.h"

namespace vrtruty::lang {
namespace {

constexpr std::string_view kMessageSection = "MSG Data";
constexpr std::string_view kPrinterSetupSection = "PrinterSetupDlg";
constexpr std::string_view kExtensionSection = "Extension1Dlg";
// A filter keeps this many characters of its pattern: the original stored the seven characters
// after the description's zero, two of which end the pattern.
constexpr std::size_t kFilterPatternLimit = 5;

std::string Numbered(const char* format, int a, int b = 0, int c = 0) {
    char key[40];
    std::snprintf(key, sizeof key, format, a, b, c);
    return key;
}

void AddSettingPageKeys(std::vector<LanguageKey>& keys) {
    const auto& pages = SettingPages();
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const int page = static_cast<int>(p);
        keys.push_back({kPrinterSetupSection,
                        Numbered("TAB%02d", page),
                        {TextRef::Kind::PageName, 0, page},
                        kShortTextLimit,
                        false,
                        false,
                        pages[p].name});
        for (std::size_t i = 0; i < pages[p].items.size(); ++i) {
            const SettingItemTexts& item = pages[p].items[i];
            const int n = static_cast<int>(i);
            keys.push_back({kPrinterSetupSection,
                            Numbered("TAB%02dCMB%02d", page, n + 1),
                            {TextRef::Kind::SettingName, 0, page, n},
                            kShortTextLimit,
                            false,
                            false,
                            item.name});
            for (std::size_t c = 0; c < item.choices.size(); ++c) {
                const int choice = static_cast<int>(c);
                keys.push_back({kPrinterSetupSection,
                                Numbered("TAB%02dCMB%02dITEM%02d", page, n + 1, choice + 1),
                                {TextRef::Kind::SettingChoice, 0, page, n, choice},
                                kShortTextLimit,
                                false,
                                false,
                                item.choices[c]});
            }
        }
    }
}

std::vector<LanguageKey> BuildLanguageKeys() {
    std::vector<LanguageKey> keys;
    const auto& sections = DialogSections();
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const DialogSectionTexts& section = sections[s];
        // LABELnn, LISTnn, BUTTUNnn: numbered keys filling consecutive texts of one kind.
        const auto addNumbered = [&](const char* format, const std::vector<BuiltInText>& texts,
                                     TextRef::Kind kind, int first, std::size_t limit) {
            for (std::size_t i = 0; i < texts.size(); ++i) {
                const int n = static_cast<int>(i);
                keys.push_back({section.name,
                                Numbered(format, n + 1),
                                {kind, first + n},
                                limit,
                                false,
                                false,
                                texts[i]});
            }
        };
        addNumbered("LABEL%02d", section.labels, TextRef::Kind::Long, section.firstLabel,
                    kLongTextLimit);
        addNumbered("LIST%02d", section.lists, TextRef::Kind::Short, FirstListText(s),
                    kShortTextLimit);
        addNumbered("BUTTUN%02d", section.buttons, TextRef::Kind::Short, FirstButton(s),
                    kShortTextLimit);
        if (section.name == kPrinterSetupSection) {
            AddSettingPageKeys(keys);
        }
        if (section.name == kExtensionSection) {
            keys.push_back({section.name,
                            "ITEM",
                            {TextRef::Kind::Long, TXT_NOT_CHANGE},
                            kLongTextLimit,
                            false,
                            false,
                            ExtensionNotChangeText()});
        }
    }
    const auto& messages = MessageTexts();
    for (std::size_t i = 0; i < kMessageKeys.size(); ++i) {
        const std::string_view key = kMessageKeys[i];
        const BuiltInText text =
            i < messages.size() && messages[i].key == key ? messages[i].text : BuiltInText{};
        keys.push_back({kMessageSection,
                        std::string(key),
                        {TextRef::Kind::Long, kFirstMessageText + static_cast<int>(i)},
                        kLongTextLimit,
                        true,
                        key.starts_with("FILEMASK"),
                        text});
    }
    return keys;
}

std::optional<std::filesystem::path> FindFile(const std::vector<std::filesystem::path>& folders,
                                              std::string_view name) {
    for (const auto& folder : folders) {
        std::error_code ec;
        const auto path = folder / name;
        if (std::filesystem::is_regular_file(path, ec)) {
            return path;
        }
    }
    return std::nullopt;
}

std::string ProcessEscapes(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[i + 1];
            if (next == 'n' || next == 't' || next == '0') {
                out += next == 'n' ? '\n' : next == 't' ? '\t' : '\0';
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

// Every text of a slot in the built-in Japanese or English wording.
void SetBuiltInTexts(TextTable& table, std::size_t slot, bool japanese,
                     const std::string& versionString) {
    for (const LanguageKey& key : LanguageKeys()) {
        table.Set(key.ref, slot,
                  std::string(japanese ? key.builtIn.japanese : key.builtIn.english));
    }
    for (int i = 0; i < kVersionTextCount; ++i) {
        table.Set({TextRef::Kind::Long, INF_VERSION_NO770 + i}, slot, versionString);
    }
}

void LoadBuiltInLanguage(TextTable& table, const LanguageLoadInputs& inputs) {
    const bool japanese = inputs.builtInJapanese;
    SetBuiltInTexts(table, 0, japanese, inputs.versionString);
    table.setLanguageName(0, std::string(japanese ? kJapaneseName : "English"));
    table.setLabelColon(0, std::string(japanese ? kJapaneseLabelColon : ""));
    table.setManualPath(
        0, inputs.manualFolder /
               app::ManualName(inputs.modelId, japanese ? kJapaneseFileIndex : kEnglishFileIndex));
}

}  // namespace

void ApplyLanguageFile(TextTable& table, std::size_t slot, const app::ProfileFile& file,
                       const std::filesystem::path& manualFolder) {
    if (const auto name = file.Read("COUNTRY", "LANGUAGE", kShortTextLimit)) {
        table.setLanguageName(slot, app::CleanProfileValue(*name));
    }
    if (const auto manual = file.Read("MANUAL", "FILENAME", kPathLimit)) {
        table.setManualPath(slot, manualFolder / app::CleanProfileValue(*manual));
    }
    for (const LanguageKey& key : LanguageKeys()) {
        if (const auto value = file.Read(key.section, key.key, key.limit)) {
            table.Set(key.ref, slot, DecodeLanguageValue(*value, key.escapes, key.filter));
        }
    }
}

const std::vector<LanguageKey>& LanguageKeys() {
    static const std::vector<LanguageKey> keys = BuildLanguageKeys();
    return keys;
}

std::string DecodeLanguageValue(std::string_view value, bool escapes, bool filter) {
    std::string text = app::CleanProfileValue(value);
    if (escapes) {
        text = ProcessEscapes(text);
    }
    if (filter) {
        const std::size_t zero = text.find('\0');
        if (zero != std::string::npos) {
            std::string_view pattern = std::string_view(text).substr(zero + 1);
            pattern = pattern.substr(0, pattern.find('\0'));
            text =
                text.substr(0, zero + 1) + app::TruncateToUtf16Units(pattern, kFilterPatternLimit);
        }
    }
    return text;
}

std::string EncodeLanguageValue(std::string_view text, bool escapes) {
    std::string value;
    for (const char c : text) {
        if (escapes && c == '\n') {
            value += "\\n";
        } else if (escapes && c == '\t') {
            value += "\\t";
        } else if (escapes && c == '\0') {
            value += "\\0";
        } else if (c == '\r' || c == '\n') {
            value += ' ';  // the file has no way to hold a line break here
        } else {
            value += c;
        }
    }
    // The reader trims blanks around a value and drops a pair of enclosing quotes: quotes keep
    // leading blanks and a value that is itself quoted.
    const bool needsQuotes = !value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                                                value.front() == '"' || value.front() == '\'');
    return needsQuotes ? "\"" + value + "\"" : value;
}

TextTable LoadLanguageTexts(const LanguageLoadInputs& inputs) {
    TextTable table;
    LoadBuiltInLanguage(table, inputs);

    std::size_t count = 0;
    std::array<bool, kLanguageSlots> japaneseFile{};
    for (const LanguageFileName& file : kLanguageProbeOrder) {
        const auto path = FindFile(inputs.searchFolders, file.fileName);
        if (!path || count >= kLanguageSlots) {
            continue;
        }
        table.setLanguageFile(count, *path);
        table.setManualPath(count,
                            inputs.manualFolder / app::ManualName(inputs.modelId, file.fileIndex));
        table.setLabelColon(
            count, std::string(file.fileIndex == kJapaneseFileIndex ? kJapaneseLabelColon : ""));
        japaneseFile[count] = file.fileIndex == kJapaneseFileIndex;
        ++count;
    }
    table.setLanguageCount(count == 0 ? 1 : count);

    for (std::size_t slot = 0; slot < count; ++slot) {
        // A key the file lacks keeps a built-in text (Japanese for the Japanese file, English for
        // any other) rather than an empty one, which would show every message as an empty box;
        // a key present with an empty value stays empty. Slot 0 already holds the built-in
        // language.
        if (slot > 0) {
            SetBuiltInTexts(table, slot, japaneseFile[slot], inputs.versionString);
        }
        ApplyLanguageFile(table, slot, app::ProfileFile::Load(table.languageFile(slot)),
                          inputs.manualFolder);
    }
    for (std::size_t slot = 0; slot < table.languageCount(); ++slot) {
        if (table.languageName(slot) == kJapaneseName) {
            table.setJapaneseSlot(slot);
            break;
        }
    }
    return table;
}

std::vector<std::uint8_t> ExportLanguageFile(const TextTable& table, std::size_t slot) {
    app::ProfileFile file = app::ProfileFile::Parse({});
    file.Write("COUNTRY", "LANGUAGE", EncodeLanguageValue(table.languageName(slot), false));
    file.Write("MANUAL", "FILENAME", table.manualPath(slot).filename().string());
    for (const LanguageKey& key : LanguageKeys()) {
        std::string text = table.Get(key.ref, slot);
        if (key.filter && text.find('\0') != std::string::npos) {
            text += '\0';  // "description\0pattern\0", the form filter lists are written in
        }
        file.Write(key.section, key.key, EncodeLanguageValue(text, key.escapes));
    }
    return file.Serialize();
}

bool IsLanguageNeutral(std::string_view english) {
    // Words that are units or code names in every language the printers are sold in.
    static constexpr std::array<std::string_view, 19> kNeutralWords = {
        "KByte", "Byte", "BPS", "EVEN", "ODD",  "NONE", "DSR", "DTR", "XON", "XOFF",
        "PC",    "WPC",  "MIK", "ISO",  "TCVN", "V",    "COM", "USB", "mm"};
    static constexpr std::array<std::string_view, 5> kNeutralTexts = {"PE", "PNE", "1μs", "8μs",
                                                                      "PC866 Type2"};
    const std::string_view text = english.starts_with("         Version ")
                                      ? english.substr(std::string_view("         Version ").size())
                                      : english;
    if (std::ranges::find(kNeutralTexts, text) != kNeutralTexts.end()) {
        return true;
    }
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    for (std::size_t i = 0; i < text.size();) {
        if (!isLetter(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && isLetter(text[end])) {
            ++end;
        }
        if (std::ranges::find(kNeutralWords, text.substr(i, end - i)) == kNeutralWords.end()) {
            return false;
        }
        i = end;
    }
    return true;
}

BuiltLanguageFile BuildLanguageFile(const std::vector<app::ProfileFile>& sources,
                                    const std::string& versionString) {
    // Slot 0 starts from the built-in English texts, as a further language does when it loads.
    LanguageLoadInputs inputs;
    inputs.versionString = versionString;
    TextTable table = LoadLanguageTexts(inputs);
    BuiltLanguageFile built;
    for (const app::ProfileFile& source : sources) {
        ApplyLanguageFile(table, 0, source, {});
    }
    const auto value = [&](std::string_view section, std::string_view key,
                           std::size_t limit) -> std::optional<std::string> {
        std::optional<std::string> found;
        for (const app::ProfileFile& source : sources) {
            if (auto text = source.Read(section, key, limit + 1)) {
                found = std::move(text);
            }
        }
        return found;
    };
    const auto check = [&](std::string_view section, std::string_view key, std::size_t limit,
                           bool neutral) {
        const std::string name = std::string(section) + "/" + std::string(key);
        const auto text = value(section, key, limit);
        if (!text && !neutral) {
            built.problems.push_back(name + " has no text");
        } else if (text && text->find(';') != std::string::npos) {
            built.problems.push_back(name + " holds a ';', which would end it");
        } else if (text && app::Utf16Length(*text) > limit) {
            built.problems.push_back(name + " is longer than " + std::to_string(limit));
        }
    };
    check("COUNTRY", "LANGUAGE", kShortTextLimit, false);
    for (const LanguageKey& key : LanguageKeys()) {
        check(key.section, key.key, key.limit, IsLanguageNeutral(key.builtIn.english));
    }
    built.bytes = ExportLanguageFile(table, 0);
    return built;
}

}  // namespace vrtruty::lang
