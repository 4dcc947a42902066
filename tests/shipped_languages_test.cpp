// The thirteen shipped language files, as the build writes them beside the programs: each one
// loads through the product's loader, holds every key, and keeps what the program relies on in
// every text (placeholders, line structure, mnemonics, limits).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/profile_file.h"
#include "core/unicode.h"
#include "lang/language_files.h"
#include "lang/text_numbers.h"
#include "test_support.h"

namespace vrtruty::lang {
namespace {

const std::filesystem::path& ShippedFolder() {
    static const std::filesystem::path folder =
        std::filesystem::path(VRTRUTY_CLI_PATH).parent_path();
    return folder;
}

TextTable LoadShipped() {
    return LoadLanguageTexts({.searchFolders = {ShippedFolder()},
                              .manualFolder = ShippedFolder(),
                              .builtInJapanese = false,
                              .modelId = 17,
                              .versionString = "         Version 2.13.01"});
}

// The printf conversions of a text, in order ("%s", "%04X"); a percentage such as "70%" is none.
std::vector<std::string> Placeholders(const std::string& text) {
    static const std::regex conversion("%[-+ #0]*[0-9]*(\\.[0-9]+)?[a-zA-Z]");
    std::vector<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), conversion), end; it != end; ++it) {
        found.push_back(it->str());
    }
    return found;
}

std::size_t Count(const std::string& text, std::string_view what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

// The mnemonic letters of a text ("(&P)" gives "P"), upper case.
std::string Mnemonics(const std::string& text) {
    std::string letters;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&') {
            letters += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
        }
    }
    return letters;
}

// How a message is cut into paragraphs: the blank lines, and the line breaks at its start and its
// end, which composed messages rely on when they join two texts.
std::string Paragraphs(const std::string& text) {
    const auto lead = text.find_first_not_of('\n');
    const auto trail = text.find_last_not_of('\n');
    return std::to_string(Count(text, "\n\n")) + " blank, " +
           std::to_string(lead == std::string::npos ? text.size() : lead) + " leading, " +
           std::to_string(trail == std::string::npos ? 0 : text.size() - 1 - trail) + " trailing";
}

TEST(ShippedLanguages, AllThirteenLoadInProbeOrderUnderNamesOfTheirOwn) {
    const TextTable table = LoadShipped();
    const std::vector<std::string> expected = {
        "English", "Français", "Italiano", "Deutsch",  "Español", "Português", "العربية",
        "日本語",  "中文",     "简体中文", "繁體中文", "한국어",  "ภาษาไทย"};
    EXPECT_EQ(table.languageNames(), expected);
    EXPECT_EQ(table.japaneseSlot(), std::optional<std::size_t>(7));
}

TEST(ShippedLanguages, EveryFileHoldsEveryKey) {
    const TextTable table = LoadShipped();
    for (std::size_t slot = 0; slot < table.languageCount(); ++slot) {
        const auto file = app::ProfileFile::Load(table.languageFile(slot));
        ASSERT_TRUE(file.exists()) << table.languageFile(slot);
        EXPECT_EQ(file.encoding(), app::ProfileFile::Encoding::Utf16Le) << table.languageFile(slot);
        for (const LanguageKey& key : LanguageKeys()) {
            const auto value = file.Read(key.section, key.key, key.limit);
            EXPECT_TRUE(value.has_value()) << table.languageFile(slot).filename() << " lacks "
                                           << key.section << "/" << key.key;
            if (value && !key.builtIn.english.empty()) {
                EXPECT_FALSE(table.Get(key.ref, slot).empty())
                    << table.languageName(slot) << " " << key.section << "/" << key.key;
            }
        }
    }
}

TEST(ShippedLanguages, EveryTextKeepsWhatTheProgramReliesOnInEnglish) {
    const TextTable table = LoadShipped();
    for (std::size_t slot = 1; slot < table.languageCount(); ++slot) {
        for (const LanguageKey& key : LanguageKeys()) {
            const std::string english = table.Get(key.ref, 0);
            const std::string text = table.Get(key.ref, slot);
            const std::string where = table.languageName(slot) + " " + std::string(key.section) +
                                      "/" + key.key + ": \"" + text + "\"";
            EXPECT_EQ(Placeholders(text), Placeholders(english)) << where;
            EXPECT_EQ(Count(text, "\t"), Count(english, "\t")) << where;
            EXPECT_EQ(Mnemonics(text), Mnemonics(english)) << where;
            if (key.escapes) {
                EXPECT_EQ(Paragraphs(text), Paragraphs(english)) << where;
            } else if (key.ref.kind == TextRef::Kind::Long) {
                // A dialog label is sized for its lines.
                EXPECT_EQ(Count(text, "\\n"), Count(english, "\\n")) << where;
            }
        }
    }
}

// The printer prints a logo's caption in code page 1252, with the keycode over its last four
// characters.
TEST(ShippedLanguages, LogoCaptionsArePrintableByThePrinter) {
    const TextTable table = LoadShipped();
    for (std::size_t slot = 0; slot < table.languageCount(); ++slot) {
        if (table.japaneseSlot() == slot) {
            continue;  // a Japanese interface prints fixed Shift JIS captions
        }
        for (const int number : {LOGO_P_NO, LOGO_P_MONO, LOGO_P_COLOR}) {
            const std::u16string text = app::Utf8ToUtf16(table.TextIn(number, slot));
            EXPECT_TRUE(std::ranges::all_of(text, [](char16_t c) { return c < 0x100; }))
                << table.languageName(slot) << " text " << number << ": "
                << table.TextIn(number, slot);
        }
        EXPECT_TRUE(table.TextIn(LOGO_P_NO, slot).ends_with("xxxx")) << table.languageName(slot);
    }
}

// Japanese opens the Japanese guide; every other language has no guide of its own yet and names
// the English one.
TEST(ShippedLanguages, HelpFindsAGuideForEveryLanguage) {
    const TextTable table = LoadShipped();
    for (std::size_t slot = 0; slot < table.languageCount(); ++slot) {
        const std::string expected =
            table.japaneseSlot() == slot ? "Utility_Guide_J.pdf" : "Utility_Guide_E.pdf";
        EXPECT_EQ(table.manualPath(slot), ShippedFolder() / expected) << table.languageName(slot);
        EXPECT_TRUE(std::filesystem::is_regular_file(table.manualPath(slot)))
            << table.manualPath(slot);
    }
}

TEST(ShippedLanguages, LanguageNeutralTextsAreOnlyNumbersUnitsAndCodes) {
    for (const std::string_view neutral :
         {"4KByte", "115200BPS", "8NONE1", "DSR/DTR", "PC437", "ISO8859-2", "125%", "11.5mm", "1μs",
          "PC866 Type2", "         Version 2.13.01"}) {
        EXPECT_TRUE(IsLanguageNeutral(neutral)) << neutral;
    }
    for (const std::string_view words :
         {"Katakana", "Mode 1 (15%⇔70%)", "83mm/53column", "Thai code 18", "Font A", "None"}) {
        EXPECT_FALSE(IsLanguageNeutral(words)) << words;
    }
}

TEST(ShippedLanguages, ABuildNamesEveryTextThatIsMissingOrTooLong) {
    const std::string longName(kShortTextLimit + 1, 'x');
    const auto source = app::ProfileFile::Parse(test::Utf16Le(
        u"[COUNTRY]\r\nLANGUAGE=Test\r\n[MainDlg]\r\nLABEL02=Drucker\r\nLABEL01=Titel ; Text\r\n"
        u"BUTTUN01=" +
        app::Utf8ToUtf16(longName) + u"\r\n"));
    const BuiltLanguageFile built = BuildLanguageFile({source}, "         Version 2.13.01");
    const std::set<std::string> problems(built.problems.begin(), built.problems.end());
    EXPECT_TRUE(problems.contains("MainDlg/LABEL03 has no text"));
    EXPECT_TRUE(problems.contains("MainDlg/BUTTUN01 is longer than 60"));
    EXPECT_TRUE(problems.contains("MSG Data/MSG_U_01 has no text"));
    EXPECT_TRUE(problems.contains("MainDlg/LABEL01 holds a ';', which would end it"));
    EXPECT_FALSE(problems.contains("MainDlg/LABEL02 has no text"));
    // Units and codes need no translation.
    EXPECT_FALSE(problems.contains("PrinterSetupDlg/TAB07CMB15ITEM01 has no text"));
    EXPECT_FALSE(problems.contains("MSG Data/INF_VERSION_NO770 has no text"));

    // The file is complete all the same: what the source lacks is the English text.
    const auto file = app::ProfileFile::Parse(built.bytes);
    EXPECT_EQ(file.Read("MainDlg", "LABEL02"), "Drucker");
    EXPECT_EQ(file.Read("MainDlg", "LABEL03"), "Port");
}

}  // namespace
}  // namespace vrtruty::lang
