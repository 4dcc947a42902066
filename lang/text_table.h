// The table every visible text comes from: a text is addressed by its number and the language
// slot of the current language.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vrtruty::lang {

inline constexpr std::size_t kLanguageSlots = 14;
// Long texts: 0 is the utility's title, 1 to 48 the dialogs' labels, 49 to 199 the messages.
inline constexpr int kLongTextCount = 200;

// Numbers of the long texts the core refers to by name.
enum TextNumber : int {
    TXT_TITLE = 0,
    MSG_U_01 = 49,  // the utility is already running
    MSG_U_02 = 50,  // a file needed for launching is missing
    INF_UNKNOWN_OS = 174,
    INF_VERSION = 177,
    INF_VERSION_NO770 = 178,
    INF_ALL_RIGHT = 198,
    MSG_NONE = 199,
};

class TextTable {
  public:
    TextTable();

    std::size_t languageCount() const { return languageCount_; }
    const std::string& languageName(std::size_t slot) const { return languageNames_.at(slot); }
    std::vector<std::string> languageNames() const;

    std::size_t languageIndex() const { return languageIndex_; }
    void setLanguageIndex(std::size_t slot);

    // The text in the current language; an unknown number gives an empty text.
    const std::string& Text(int number) const { return TextIn(number, languageIndex_); }
    const std::string& TextIn(int number, std::size_t slot) const;

    void SetText(int number, std::size_t slot, std::string text);
    void SetLanguage(std::size_t slot, std::string name);
    void setLanguageCount(std::size_t count);

  private:
    std::size_t languageCount_ = 0;
    std::size_t languageIndex_ = 0;
    std::array<std::string, kLanguageSlots> languageNames_;
    std::vector<std::array<std::string, kLanguageSlots>> longTexts_;
};

// What the built-in texts need from the start-up.
struct BuiltInTextInputs {
    std::string_view versionString;  // shown as the version text of every model
};

// Fills slot 0 with the built-in English texts; the only language until language files exist.
TextTable LoadBuiltInTexts(const BuiltInTextInputs& inputs);

}  // namespace vrtruty::lang
