#include "lang/language_files.h"

#include <gtest/gtest.h>

#include "core/unicode.h"
#include "test_support.h"

namespace vrtruty::lang {
namespace {

using test::Utf16Le;

class LanguageFiles : public ::testing::Test {
  protected:
    void WriteFile(std::string_view name, std::u16string_view text) {
        test::WriteBytes(folder / name, Utf16Le(text));
    }
    TextTable Load(bool builtInJapanese) {
        return LoadLanguageTexts({.searchFolders = {folder.path()},
                                  .manualFolder = folder.path(),
                                  .builtInJapanese = builtInJapanese,
                                  .modelId = 17,
                                  .versionString = "         Version 2.13.01"});
    }

    test::TempFolder folder;
};

TEST_F(LanguageFiles, WithoutFilesTheBuiltInLanguageIsTheOnlyOne) {
    const TextTable english = Load(false);
    EXPECT_EQ(english.languageCount(), 1u);
    EXPECT_EQ(english.languageName(0), "English");
    EXPECT_EQ(english.Text(TXT_TITLE), "TR Thermal Printer Utility");
    EXPECT_EQ(english.Text(INF_VERSION_NO770), "         Version 2.13.01");
    EXPECT_EQ(english.Text(INF_VERSION_NO400), "         Version 2.13.01");
    EXPECT_EQ(english.LabelColon(), "");
    EXPECT_EQ(english.manualPath(0), folder / "Utility_Guide_E.pdf");

    const TextTable japanese = Load(true);
    EXPECT_EQ(japanese.languageName(0), "日本語");
    EXPECT_EQ(japanese.japaneseSlot(), 0u);
    EXPECT_EQ(japanese.LabelColon(), "：");
    EXPECT_EQ(japanese.Text(MSG_NONE), "なし");
    EXPECT_EQ(japanese.manualPath(0), folder / "Utility_Guide_J.pdf");
}

TEST_F(LanguageFiles, OnlyAJapaneseFileFillsSlotZeroOverTheBuiltInEnglish) {
    WriteFile("Setting_JA.dat",
              u"[COUNTRY]\r\nLANGUAGE=日本語\r\n[MainDlg]\r\nLABEL02=プリンター\r\n");
    const TextTable table = Load(false);  // region OVERSEA: English built in
    EXPECT_EQ(table.languageCount(), 1u);
    EXPECT_EQ(table.languageName(0), "日本語");
    EXPECT_EQ(table.Text(1), "プリンター");
    EXPECT_EQ(table.Text(TXT_TITLE), "TR Thermal Printer Utility") << "missing key: built-in text";
    EXPECT_EQ(table.LabelColon(), "：");
    EXPECT_EQ(table.manualPath(0), folder / "Utility_Guide_J.pdf");
}

TEST_F(LanguageFiles, EnglishTakesSlotZeroAndJapaneseSlotOneWhateverTheRegion) {
    WriteFile("Setting_EN.dat",
              u"[COUNTRY]\r\nLANGUAGE=English\r\n[MainDlg]\r\nLABEL02=Printer\r\n");
    WriteFile("Setting_JA.dat",
              u"[COUNTRY]\r\nLANGUAGE=日本語\r\n[MANUAL]\r\nFILENAME=ja.pdf\r\n"
              u"[MainDlg]\r\nLABEL02=プリンター\r\n");
    const TextTable table = Load(true);
    ASSERT_EQ(table.languageCount(), 2u);
    EXPECT_EQ(table.languageNames(), (std::vector<std::string>{"English", "日本語"}));
    EXPECT_EQ(table.japaneseSlot(), 1u);
    EXPECT_EQ(table.TextIn(1, 1), "プリンター");
    EXPECT_EQ(table.TextIn(TXT_TITLE, 0), DialogSections()[0].labels[0].japanese)
        << "a key missing from the file in slot 0 keeps the built-in language's text";
    EXPECT_EQ(table.TextIn(TXT_TITLE, 1), DialogSections()[0].labels[0].japanese)
        << "a key missing from the Japanese file keeps the built-in Japanese text";
    EXPECT_EQ(table.manualPath(1), folder / "ja.pdf");
    EXPECT_EQ(table.labelColon(0), "");
    EXPECT_EQ(table.labelColon(1), "：");
}

TEST_F(LanguageFiles, KeysMissingFromAFurtherLanguageFallBackToBuiltInEnglish) {
    WriteFile("Setting_EN.dat", u"[COUNTRY]\r\nLANGUAGE=English\r\n");
    WriteFile("Setting_FR.dat",
              u"[COUNTRY]\r\nLANGUAGE=Français\r\n[MSG Data]\r\nMSG_U_01=Bonjour\r\n"
              u"MSG_U_02=\r\n");
    const TextTable table = Load(false);  // slot 0: the English file over the built-in English
    ASSERT_EQ(table.languageCount(), 2u);
    EXPECT_EQ(table.TextIn(MSG_U_01, 1), "Bonjour");
    EXPECT_EQ(table.TextIn(MSG_U_02, 1), "") << "a key present with an empty value stays empty";
    EXPECT_EQ(table.TextIn(ERR_0002, 1), table.TextIn(ERR_0002, 0))
        << "a missing message shows the built-in English text, not an empty box";
    EXPECT_NE(table.TextIn(ERR_0002, 1), "");
    EXPECT_EQ(table.TextIn(INF_VERSION_NO770, 1), "         Version 2.13.01");
}

TEST_F(LanguageFiles, EscapesWorkOnlyInMessagesAndFiltersKeepTheirPattern) {
    WriteFile("Setting_EN.dat",
              u"[MainDlg]\r\nLABEL02=a\\nb\r\n[MSG Data]\r\nMSG_U_01=a\\nb\\tc ; comment\r\n"
              u"FILEMASK770=Settings (*.qvr)\\0*.qvrabcdef\\0\r\n"
              u"FILEMASKLOGOBMP=No pattern\r\n");
    const TextTable table = Load(false);
    EXPECT_EQ(table.Text(1), "a\\nb");
    EXPECT_EQ(table.Text(MSG_U_01), "a\nb\tc");
    EXPECT_EQ(table.Text(FILEMASK770), std::string("Settings (*.qvr)\0*.qvr", 22))
        << "the pattern keeps at most five characters";
    EXPECT_EQ(table.Text(FILEMASKLOGOBMP), "No pattern");
}

TEST_F(LanguageFiles, ValuesAreCutToTheirLimits) {
    const std::u16string longValue(100000, u'x');
    WriteFile("Setting_EN.dat", u"[COUNTRY]\r\nLANGUAGE=" + longValue +
                                    u"\r\n[MainDlg]\r\nLABEL02=" + longValue + u"\r\nBUTTUN01=" +
                                    longValue + u"\r\n[PrinterSetupDlg]\r\nTAB06CMB01=" +
                                    longValue + u"\r\n");
    const TextTable table = Load(false);
    EXPECT_EQ(table.languageName(0).size(), 60u);
    EXPECT_EQ(table.Text(1).size(), 450u);
    EXPECT_EQ(table.ShortText(0).size(), 60u);
    EXPECT_EQ(table.SettingName(6, 0).size(), 60u);
}

// Whatever lands in a language file, the program must start with the texts it can read and
// never store beyond the limits (random bytes are the language fuzzer's).
TEST_F(LanguageFiles, DamagedFilesLoadWithoutHarm) {
    std::vector<std::vector<std::uint8_t>> files;
    files.push_back(test::Bytes("[MSG Data]\nMSG_U_01=8-bit caf\xE9\n"));
    files.push_back(Utf16Le(u"[MSG Data]\r\nMSG_U_01=trunc"));
    auto odd = Utf16Le(u"[MSG Data]\r\nMSG_U_01=odd\r\n");
    odd.push_back(0x20);
    files.push_back(odd);
    files.push_back(Utf16Le(u"no sections at all\r\n=\r\n[\r\n]\r\n"));
    for (std::size_t i = 0; i < files.size(); ++i) {
        test::WriteBytes(folder / "Setting_EN.dat", files[i]);
        const TextTable table = Load(false);
        ASSERT_EQ(table.languageCount(), 1u) << "file " << i;
        for (const LanguageKey& key : LanguageKeys()) {
            ASSERT_LE(app::Utf16Length(table.Get(key.ref)), key.limit) << key.key << ", file " << i;
        }
    }
    test::WriteBytes(folder / "Setting_EN.dat", files[0]);
    EXPECT_EQ(Load(false).Text(MSG_U_01), "8-bit caf\u00e9");
}

TEST_F(LanguageFiles, AnExportedFileLoadsBackToEveryText) {
    for (const bool japanese : {false, true}) {
        const TextTable original = Load(japanese);
        test::WriteBytes(folder / "Setting_EN.dat", ExportLanguageFile(original, 0));
        const TextTable loaded = Load(!japanese);  // the other built-in language underneath
        EXPECT_EQ(loaded.languageName(0), original.languageName(0));
        EXPECT_EQ(loaded.manualPath(0), original.manualPath(0));
        for (const LanguageKey& key : LanguageKeys()) {
            EXPECT_EQ(loaded.Get(key.ref), original.Get(key.ref))
                << "[" << key.section << "] " << key.key << (japanese ? " (Japanese)" : "");
        }
        std::filesystem::remove(folder / "Setting_EN.dat");
    }
}

// The shipped files are made from the built-in texts (scripts/make-language-files); they must
// never fall behind them.
TEST_F(LanguageFiles, ShippedFilesHoldExactlyTheBuiltInTexts) {
    const std::filesystem::path shipped = std::filesystem::path(VRTRUTY_SOURCE_DIR) / "res/lang";
    EXPECT_EQ(test::ReadBytes(shipped / "Setting_EN.dat"), ExportLanguageFile(Load(false), 0))
        << "run scripts/make-language-files";
    EXPECT_EQ(test::ReadBytes(shipped / "Setting_JA.dat"), ExportLanguageFile(Load(true), 0))
        << "run scripts/make-language-files";
}

}  // namespace
}  // namespace vrtruty::lang
