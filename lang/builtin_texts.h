// The texts built into the program, in its two built-in languages. Each text is written once,
// English beside Japanese, in the place that also gives its language-file key: the dialog
// sections, the messages and the setting pages below are the language file's own structure.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace vrtruty::lang {

struct BuiltInText {
    std::string_view english;
    std::string_view japanese;
};

// A dialog's texts, in the order of its LABELnn, BUTTUNnn and LISTnn keys (numbered from 01).
// A label that spans lines holds each line break as the two characters backslash and 'n', the
// form a translator writes in a language file (whose dialog sections keep escapes as they are);
// the windows show it as a line break.
struct DialogSectionTexts {
    std::string_view name;  // section of the language file ("MainDlg")
    int firstLabel;         // long-text number of LABEL01
    std::vector<BuiltInText> labels;
    std::vector<BuiltInText> buttons;
    std::vector<BuiltInText> lists;  // list texts and column headers
};

// MainDlg, PortSetDlg, PrinterSetupDlg, LogoSetDlg, Extension1Dlg, TestPrintDlg, in file order.
const std::vector<DialogSectionTexts>& DialogSections();

// The Extension1Dlg key ITEM: the first entry of its three lists ("Not Change").
BuiltInText ExtensionNotChangeText();

// A message of the [MSG Data] section; its text number is 49 + its position.
struct MessageText {
    std::string_view key;  // "MSG_U_01"
    BuiltInText text;      // line breaks and tabs as real characters; filters as
                           // "description\0pattern" with a real zero character
};
const std::vector<MessageText>& MessageTexts();

// One setting of a Printer Setup page: its name and its choices in index order.
struct SettingItemTexts {
    BuiltInText name;
    std::vector<BuiltInText> choices;
};

// A Printer Setup page; the nine pages in slot order ("Memory Switch 1" ... "Other"). Only the
// three pages this utility shows ("Memory Switch", "Customize Value", "Other") have settings.
struct SettingPageTexts {
    BuiltInText name;
    std::vector<SettingItemTexts> items;
};
const std::vector<SettingPageTexts>& SettingPages();

}  // namespace vrtruty::lang
