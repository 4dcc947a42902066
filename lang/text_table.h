// The table every visible text comes from. A text is addressed by what it is (a numbered long
// text, a numbered short text, or a setting page's name, setting name or choice) and by the
// language slot; the plain accessors use the current language.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lang/text_numbers.h"

namespace vrtruty::lang {

inline constexpr std::size_t kLanguageSlots = 14;
// Length limits of the language file, in UTF-16 code units.
inline constexpr std::size_t kShortTextLimit = 60;  // buttons, list texts, names, setting texts
inline constexpr std::size_t kLongTextLimit = 450;  // labels and messages
inline constexpr std::size_t kPathLimit = 450;

// Where a text lives in the table.
struct TextRef {
    enum class Kind {
        Long,           // number: long text 0..199
        Short,          // number: buttons first, then the list texts of every dialog
        PageName,       // page: setting page slot 0..8
        SettingName,    // page, item
        SettingChoice,  // page, item, choice
    };
    Kind kind = Kind::Long;
    int number = 0;
    int page = 0;
    int item = 0;
    int choice = 0;
};

class TextTable {
  public:
    TextTable();

    // Languages.
    std::size_t languageCount() const { return languageCount_; }
    void setLanguageCount(std::size_t count);
    std::size_t languageIndex() const { return languageIndex_; }
    void setLanguageIndex(std::size_t slot);
    std::vector<std::string> languageNames() const;
    const std::string& languageName(std::size_t slot) const;
    void setLanguageName(std::size_t slot, std::string name);
    // The slot whose language is named "日本語", when there is one.
    std::optional<std::size_t> japaneseSlot() const { return japaneseSlot_; }
    void setJapaneseSlot(std::optional<std::size_t> slot) { japaneseSlot_ = slot; }
    // Appended to every setting label: the full-width colon in Japanese, nothing elsewhere.
    const std::string& labelColon(std::size_t slot) const;
    void setLabelColon(std::size_t slot, std::string colon);
    const std::filesystem::path& languageFile(std::size_t slot) const;
    void setLanguageFile(std::size_t slot, std::filesystem::path file);
    const std::filesystem::path& manualPath(std::size_t slot) const;
    void setManualPath(std::size_t slot, std::filesystem::path path);

    // Texts of the current language.
    const std::string& Text(int number) const { return TextIn(number, languageIndex_); }
    const std::string& ShortText(int number) const { return ShortTextIn(number, languageIndex_); }
    const std::string& PageName(int page) const { return Get({TextRef::Kind::PageName, 0, page}); }
    const std::string& SettingName(int page, int item) const {
        return Get({TextRef::Kind::SettingName, 0, page, item});
    }
    const std::string& SettingChoice(int page, int item, int choice) const {
        return Get({TextRef::Kind::SettingChoice, 0, page, item, choice});
    }
    const std::string& LabelColon() const { return labelColon(languageIndex_); }

    // Texts of a given slot; anything outside the table reads as an empty text.
    const std::string& TextIn(int number, std::size_t slot) const {
        return Get({TextRef::Kind::Long, number}, slot);
    }
    const std::string& ShortTextIn(int number, std::size_t slot) const {
        return Get({TextRef::Kind::Short, number}, slot);
    }
    const std::string& Get(const TextRef& ref) const { return Get(ref, languageIndex_); }
    const std::string& Get(const TextRef& ref, std::size_t slot) const;
    // Stores a text; a reference outside the table is ignored.
    void Set(const TextRef& ref, std::size_t slot, std::string text);

  private:
    struct Slot {
        std::string name;
        std::string labelColon;
        std::filesystem::path file;
        std::filesystem::path manual;
        std::vector<std::string> cells;  // every text of the table, laid out as CellIndex says
    };

    std::optional<std::size_t> CellIndex(const TextRef& ref) const;

    std::size_t languageCount_ = 1;
    std::size_t languageIndex_ = 0;
    std::optional<std::size_t> japaneseSlot_;
    std::array<Slot, kLanguageSlots> slots_;
};

// Number of short texts: every dialog's buttons, then every dialog's list texts.
int ShortTextCount();
// Short-text number of a dialog section's first button and first list text (sections in file
// order: MainDlg, PortSetDlg, PrinterSetupDlg, LogoSetDlg, Extension1Dlg, TestPrintDlg).
int FirstButton(std::size_t section);
int FirstListText(std::size_t section);

}  // namespace vrtruty::lang
