// Language files ("Setting_EN.dat" and its siblings): INI files whose keys fill the text table,
// read at start over the built-in texts, and written by the export so that translators start
// from a complete file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/profile_file.h"
#include "lang/builtin_texts.h"
#include "lang/text_table.h"

namespace vrtruty::lang {

// One language file: its name and its index in the file list (the manual table's column).
struct LanguageFileName {
    std::string_view fileName;
    int fileIndex;
};
// The language files in the order they are probed: each one found takes the next slot.
inline constexpr std::array<LanguageFileName, 13> kLanguageProbeOrder = {{
    {"Setting_EN.dat", 1},
    {"Setting_FR.dat", 2},
    {"Setting_IT.dat", 3},
    {"Setting_DE.dat", 4},
    {"Setting_ES.dat", 5},
    {"Setting_PT.dat", 6},
    {"Setting_AR.dat", 7},
    {"Setting_JA.dat", 0},
    {"Setting_ZH.dat", 10},
    {"Setting_ZH_s.dat", 11},
    {"Setting_ZH_t.dat", 12},
    {"Setting_KO.dat", 8},
    {"Setting_TH.dat", 9},
}};
inline constexpr int kJapaneseFileIndex = 0;
inline constexpr int kEnglishFileIndex = 1;
inline constexpr std::string_view kJapaneseName = "日本語";
inline constexpr std::string_view kJapaneseLabelColon = "：";

// One key of a language file and the text it fills.
struct LanguageKey {
    std::string_view section;
    std::string key;
    TextRef ref;
    std::size_t limit;    // longest value read, in UTF-16 code units
    bool escapes;         // [MSG Data]: \n, \t and \0 stand for line break, tab and zero
    bool filter;          // a file-dialog filter: description, zero, pattern
    BuiltInText builtIn;  // the text built into the program
};
// Every text key of a language file, section by section, in file order. [COUNTRY] and [MANUAL]
// are not texts and are not listed.
const std::vector<LanguageKey>& LanguageKeys();

struct LanguageLoadInputs {
    std::vector<std::filesystem::path> searchFolders;  // probed for each file in this order
    std::filesystem::path manualFolder;                // where the manuals are looked for
    bool builtInJapanese = false;  // the built-in language: Japanese for regions 0 and 1
    int modelId = 17;              // picks the manual names
    std::string versionString;     // shown as every model's version text in slot 0
};

// Fills the table: the built-in language in slot 0, then every language file found, each in the
// next slot, over what the slot holds (a key missing from a file leaves the built-in text in slot
// 0 and an empty text in the other slots).
TextTable LoadLanguageTexts(const LanguageLoadInputs& inputs);

// Stores what a language file holds in one slot: its name, its manual (in manualFolder) and every
// text whose key it has. Keys it lacks leave the slot's texts as they were.
void ApplyLanguageFile(TextTable& table, std::size_t slot, const app::ProfileFile& file,
                       const std::filesystem::path& manualFolder);

// The value a language file stores for a text: how it is written to the file.
std::string EncodeLanguageValue(std::string_view text, bool escapes);
// What a value read from a language file means: cleaned (a ';' starts a comment, trailing blanks
// and tabs go), escapes turned into characters where the section has them, and a filter cut to
// its description and its pattern of at most five characters.
std::string DecodeLanguageValue(std::string_view value, bool escapes, bool filter);

// A complete language file with every key of the slot's texts, UTF-16LE with byte-order mark.
std::vector<std::uint8_t> ExportLanguageFile(const TextTable& table, std::size_t slot);

// Whether a text reads the same in every language: digits, signs, units and code names only
// ("4KByte", "115200BPS", "8NONE1", "PC437"). A translation may leave such a key out.
bool IsLanguageNeutral(std::string_view english);

// A shipped language file built from translation sources (later sources win), complete with
// every key: a key no source has keeps the English text when that is language-neutral, and is a
// problem otherwise, so that a text added to the program cannot be forgotten in one language. A
// value longer than its key's limit is a problem too: the reader would cut it without a word.
struct BuiltLanguageFile {
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> problems;  // "Section/KEY has no text", "Section/KEY is too long"
};
BuiltLanguageFile BuildLanguageFile(const std::vector<app::ProfileFile>& sources,
                                    const std::string& versionString);

}  // namespace vrtruty::lang
