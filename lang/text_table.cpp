#include "lang/text_table.h"

#include <utility>

namespace vrtruty::lang {
namespace {

const std::string kEmpty;

// The 19 model version texts follow each other from INF_VERSION_NO770 on.
constexpr int kVersionTextCount = 19;

}  // namespace

TextTable::TextTable() : longTexts_(kLongTextCount) {}

std::vector<std::string> TextTable::languageNames() const {
    return {languageNames_.begin(),
            languageNames_.begin() + static_cast<std::ptrdiff_t>(languageCount_)};
}

void TextTable::setLanguageIndex(std::size_t slot) {
    languageIndex_ = slot < kLanguageSlots ? slot : 0;
}

const std::string& TextTable::TextIn(int number, std::size_t slot) const {
    if (number < 0 || number >= kLongTextCount || slot >= kLanguageSlots) {
        return kEmpty;
    }
    return longTexts_[static_cast<std::size_t>(number)][slot];
}

void TextTable::SetText(int number, std::size_t slot, std::string text) {
    if (number >= 0 && number < kLongTextCount && slot < kLanguageSlots) {
        longTexts_[static_cast<std::size_t>(number)][slot] = std::move(text);
    }
}

void TextTable::SetLanguage(std::size_t slot, std::string name) {
    if (slot < kLanguageSlots) {
        languageNames_[slot] = std::move(name);
    }
}

void TextTable::setLanguageCount(std::size_t count) {
    languageCount_ = count < kLanguageSlots ? count : kLanguageSlots;
}

TextTable LoadBuiltInTexts(const BuiltInTextInputs& inputs) {
    TextTable table;
    table.SetLanguage(0, "English");
    table.setLanguageCount(1);
    table.SetText(TXT_TITLE, 0, "TR Thermal Printer Utility");
    table.SetText(MSG_U_01, 0, "The TR Thermal Printer Utility is already running.");
    table.SetText(MSG_U_02, 0,
                  "A file necessary for launching the utility is missing.\n"
                  "Please reinstall the utility.");
    table.SetText(INF_UNKNOWN_OS, 0,
                  "Could not identify the operating system.\nProcessing will be cancelled.");
    table.SetText(INF_VERSION, 0, " TR Thermal Printer Utility\n");
    for (int i = 0; i < kVersionTextCount; ++i) {
        table.SetText(INF_VERSION_NO770 + i, 0, std::string(inputs.versionString));
    }
    table.SetText(INF_ALL_RIGHT, 0, "       All Rights Reserved.");
    table.SetText(MSG_NONE, 0, "None");
    return table;
}

}  // namespace vrtruty::lang
