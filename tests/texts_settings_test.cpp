#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/unicode.h"
#include "lang/builtin_texts.h"

namespace vrtruty::lang {
namespace {

using ::testing::ElementsAre;

constexpr std::size_t kMemorySwitch = 6;
constexpr std::size_t kCustomizeValue = 7;
constexpr std::size_t kOther = 8;

std::vector<std::string> EnglishNames(const SettingPageTexts& page) {
    std::vector<std::string> names;
    for (const SettingItemTexts& item : page.items) {
        names.emplace_back(item.name.english);
    }
    return names;
}

std::vector<std::string> English(const SettingItemTexts& item) {
    std::vector<std::string> texts;
    for (const BuiltInText& choice : item.choices) {
        texts.emplace_back(choice.english);
    }
    return texts;
}

std::vector<std::string> Japanese(const SettingItemTexts& item) {
    std::vector<std::string> texts;
    for (const BuiltInText& choice : item.choices) {
        texts.emplace_back(choice.japanese);
    }
    return texts;
}

// The item of a page with this English name; the n-th one when a name occurs more than once.
const SettingItemTexts& Item(std::size_t page, std::string_view name, int n = 0) {
    for (const SettingItemTexts& item : SettingPages().at(page).items) {
        if (item.name.english == name && n-- == 0) {
            return item;
        }
    }
    throw std::out_of_range(std::string(name));
}

TEST(SettingPagesTest, NinePagesInSlotOrderAndOnlyTheLastThreeHaveSettings) {
    std::vector<std::string> names;
    for (const SettingPageTexts& page : SettingPages()) {
        names.emplace_back(page.name.english);
    }
    EXPECT_THAT(names,
                ElementsAre("Memory Switch 1", "Memory Switch 2", "Print", "Hardware", "Interface",
                            "LanSetting", "Memory Switch", "Customize Value", "Other"));
    for (std::size_t slot = 0; slot < kMemorySwitch; ++slot) {
        EXPECT_TRUE(SettingPages()[slot].items.empty()) << "slot " << slot;
    }
}

TEST(SettingPagesTest, RowsFollowThePageLayoutThenTheVariants) {
    EXPECT_THAT(EnglishNames(SettingPages()[kMemorySwitch]),
                ElementsAre("Power on Status", "Receive Buffer", "Busy Condition", "Receive Error",
                            "Auto LF", "DSR(#6)Reset", "INIT(#25)Reset", "INIT(#31)Reset",
                            "Cover Open Error", "BM Check at Power on", "Font"));
    EXPECT_THAT(EnglishNames(SettingPages()[kCustomizeValue]),
                ElementsAre("User NV Memory", "NV Graphic Memory", "Paper Width", "Print Color",
                            "Print Density", "Grayscale Density", "BK Density(2Color)", "Max Speed",
                            "Speed at Grayscale", "Low Power", "Cutter Mode", "Buzzer Interval",
                            "Buzzer Repetition", "Tof at Auto Logo", "Baudrate", "Format",
                            "Protocol", "NV Graphic Memory"));
    EXPECT_THAT(EnglishNames(SettingPages()[kOther]),
                ElementsAre("ACK Pulse Width", "USB", "Serial Number", "Error", "Process ID",
                            "PNE Detect", "Font-B", "Batch (COM IF)", "Batch (Other IF)",
                            "Cutter Mode", "BM Sensor", "BM Check with Cut", "Buzzer",
                            "Roll Paper Unit", "Roll Paper Unit PE Detection", "Auto Logo Print",
                            "Error Alert", "Code Page", "International Character", "Font A/B/C"));
}

TEST(SettingPagesTest, ChoiceListsMatchTheStoredIndexes) {
    EXPECT_THAT(English(Item(kCustomizeValue, "Print Density")),
                ElementsAre("70%", "75%", "80%", "85%", "90%", "95%", "100%", "105%", "110%",
                            "115%", "120%", "125%", "130%"));
    EXPECT_EQ(English(Item(kCustomizeValue, "BK Density(2Color)")),
              English(Item(kCustomizeValue, "Print Density")));
    EXPECT_THAT(English(Item(kCustomizeValue, "Max Speed")),
                ElementsAre("1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"));
    EXPECT_EQ(Item(kCustomizeValue, "Speed at Grayscale").choices.size(), 9u);
    EXPECT_THAT(
        English(Item(kCustomizeValue, "NV Graphic Memory")),
        ElementsAre("None", "64KByte", "128KByte", "192KByte", "256KByte", "320KByte", "384KByte"));
    EXPECT_THAT(English(Item(kCustomizeValue, "NV Graphic Memory", 1)),
                ElementsAre("None", "512KByte", "1024KByte", "1536KByte", "2048KByte", "2560KByte",
                            "3072KByte"))
        << "the TR-770II variant";
    EXPECT_THAT(English(Item(kCustomizeValue, "Paper Width")),
                ElementsAre("83mm/53column", "80mm/48column", "80mm/42column", "60mm/36column",
                            "58mm/35column", "58mm/32column"));
    EXPECT_THAT(
        Japanese(Item(kCustomizeValue, "Paper Width")),
        ElementsAre("83mm/53桁", "80mm/48桁", "80mm/42桁", "60mm/36桁", "58mm/35桁", "58mm/32桁"));
    EXPECT_THAT(English(Item(kCustomizeValue, "Cutter Mode")),
                ElementsAre("Command(P/F)", "Partialcut(P)", "Fullcut(F)"));
    EXPECT_THAT(English(Item(kOther, "Cutter Mode")), ElementsAre("Partial", "Full"));
    // Two-choice items whose first index is "on": a swapped pair would invert the printer bit.
    EXPECT_THAT(English(Item(kMemorySwitch, "BM Check at Power on")),
                ElementsAre("Enable", "Disable"));
    EXPECT_THAT(English(Item(kOther, "Error")), ElementsAre("Recovery by CMND", "Auto Recovery"));
    EXPECT_THAT(Japanese(Item(kOther, "Error Alert")), ElementsAre("無効", "有効"));
}

TEST(SettingPagesTest, ExtensionListsStartAfterNotChange) {
    const SettingItemTexts& codePage = Item(kOther, "Code Page");
    ASSERT_EQ(codePage.choices.size(), 22u);
    EXPECT_EQ(codePage.choices.front().english, "PC437");
    EXPECT_EQ(codePage.choices[9].english, "PC858") << "list entry 10 sends ESC t 13h";
    EXPECT_EQ(codePage.choices.back().english, "TCVN 5712");
    const SettingItemTexts& international = Item(kOther, "International Character");
    ASSERT_EQ(international.choices.size(), 16u);
    EXPECT_EQ(international.choices[1].english, "France");
    EXPECT_EQ(international.choices[8].english, "Japan");
    EXPECT_EQ(international.choices.back().english, "China");
    EXPECT_THAT(English(Item(kOther, "Font A/B/C")), ElementsAre("Font A", "Font B", "Font C"));
}

TEST(SettingPagesTest, EveryTextFitsALanguageFileSlotInBothLanguages) {
    auto check = [](const BuiltInText& text, const std::string& where) {
        for (std::string_view value : {text.english, text.japanese}) {
            EXPECT_FALSE(value.empty()) << where;
            EXPECT_TRUE(app::IsValidUtf8(value)) << where;
            EXPECT_LE(app::Utf16Length(value), 60u) << where << ": " << value;
        }
    };
    for (const SettingPageTexts& page : SettingPages()) {
        check(page.name, std::string(page.name.english));
        for (const SettingItemTexts& item : page.items) {
            const std::string where =
                std::string(page.name.english) + "/" + std::string(item.name.english);
            check(item.name, where);
            EXPECT_FALSE(item.choices.empty()) << where;
            for (const BuiltInText& choice : item.choices) {
                check(choice, where + "/" + std::string(choice.english));
            }
        }
    }
}

}  // namespace
}  // namespace vrtruty::lang
