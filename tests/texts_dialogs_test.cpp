#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/unicode.h"
#include "lang/builtin_texts.h"

namespace vrtruty::lang {
namespace {

using ::testing::ElementsAre;

// Key counts of a language file section: labels, buttons, lists.
struct Shape {
    std::string name;
    int firstLabel;
    std::size_t labels;
    std::size_t buttons;
    std::size_t lists;
    bool operator==(const Shape&) const = default;
};

void PrintTo(const Shape& s, std::ostream* os) {
    *os << s.name << " first label " << s.firstLabel << ", " << s.labels << " labels, " << s.buttons
        << " buttons, " << s.lists << " lists";
}

// Every text of every section with the key it is stored under, for readable failures.
struct KeyedText {
    std::string key;
    BuiltInText text;
    bool isShort;  // BUTTUN and LIST keys: the 60-unit texts
};

std::string Key(std::string_view section, std::string_view kind, std::size_t index) {
    const std::size_t number = index + 1;
    return std::string(section) + "/" + std::string(kind) + (number < 10 ? "0" : "") +
           std::to_string(number);
}

std::vector<KeyedText> AllTexts() {
    std::vector<KeyedText> all;
    for (const DialogSectionTexts& s : DialogSections()) {
        for (std::size_t i = 0; i < s.labels.size(); ++i) {
            all.push_back({Key(s.name, "LABEL", i), s.labels[i], false});
        }
        for (std::size_t i = 0; i < s.buttons.size(); ++i) {
            all.push_back({Key(s.name, "BUTTUN", i), s.buttons[i], true});
        }
        for (std::size_t i = 0; i < s.lists.size(); ++i) {
            all.push_back({Key(s.name, "LIST", i), s.lists[i], true});
        }
    }
    all.push_back({"Extension1Dlg/ITEM", ExtensionNotChangeText(), false});
    return all;
}

TEST(DialogSectionsTest, SectionsInFileOrderWithTheirKeyCountsAndLabelNumbers) {
    std::vector<Shape> shapes;
    for (const DialogSectionTexts& s : DialogSections()) {
        shapes.push_back(
            {std::string(s.name), s.firstLabel, s.labels.size(), s.buttons.size(), s.lists.size()});
    }
    EXPECT_THAT(
        shapes,
        ElementsAre(Shape{"MainDlg", 0, 3, 9, 0}, Shape{"PortSetDlg", 3, 16, 11, 2},
                    Shape{"PrinterSetupDlg", 19, 6, 8, 0}, Shape{"LogoSetDlg", 25, 14, 14, 8},
                    Shape{"Extension1Dlg", 41, 3, 4, 0}, Shape{"TestPrintDlg", 44, 5, 6, 0}));
}

TEST(DialogSectionsTest, TextsTheRestOfTheProgramReliesOn) {
    const auto& main = DialogSections().at(0);
    EXPECT_EQ(main.labels.at(0).english, "TR Thermal Printer Utility");
    EXPECT_EQ(main.labels.at(1).english, "Printer");
    EXPECT_EQ(main.labels.at(2).english, "Port");
    EXPECT_EQ(main.buttons.at(0).english, "Printer Name and Port Settings(&P)");
    EXPECT_EQ(main.buttons.at(0).japanese, "プリンター名とポートの設定(&P)");
    EXPECT_EQ(ExtensionNotChangeText().english, "Not Change");
    // The gradation choice compares its shown entry with "2" in every language.
    const auto& logo = DialogSections().at(3);
    EXPECT_EQ(logo.lists.at(6).english, "2");
    EXPECT_EQ(logo.lists.at(6).japanese, "2");
    EXPECT_EQ(logo.lists.at(7).japanese, "16");
}

TEST(DialogSectionsTest, EveryTextIsPresentInBothLanguagesAndFitsItsKeyClass) {
    for (const KeyedText& t : AllTexts()) {
        EXPECT_FALSE(t.text.english.empty()) << t.key << " has no English text";
        EXPECT_FALSE(t.text.japanese.empty()) << t.key << " has no Japanese text";
        const std::size_t limit = t.isShort ? 60 : 450;
        EXPECT_LE(app::Utf16Length(t.text.english), limit) << t.key << ": " << t.text.english;
        EXPECT_LE(app::Utf16Length(t.text.japanese), limit) << t.key << ": " << t.text.japanese;
        EXPECT_FALSE(t.text.japanese.ends_with("：") || t.text.japanese.ends_with(":"))
            << t.key << " carries the label suffix itself: " << t.text.japanese;
    }
}

}  // namespace
}  // namespace vrtruty::lang
