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

std::vector<std::string> English(const SettingItemTexts& item) {
    std::vector<std::string> texts;
    for (const BuiltInText& choice : item.choices) {
        texts.emplace_back(choice.english);
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

// The pages are laid out as the language file's slots; a choice's position is the index stored
// in the record, so these spot checks guard the places where a shift would send another value.
TEST(SettingPagesTest, PagesAndChoicesSitWhereTheRecordIndexesExpectThem) {
    EXPECT_EQ(SettingPages().size(), 9u);
    for (std::size_t slot = 0; slot < kMemorySwitch; ++slot) {
        EXPECT_TRUE(SettingPages()[slot].items.empty()) << "slot " << slot;
    }
    EXPECT_EQ(SettingPages()[kOther].name.english, "Other");
    EXPECT_EQ(English(Item(kCustomizeValue, "BK Density(2Color)")),
              English(Item(kCustomizeValue, "Print Density")));
    EXPECT_EQ(English(Item(kCustomizeValue, "NV Graphic Memory", 1)).back(), "3072KByte")
        << "the TR-770II variant";
    EXPECT_THAT(English(Item(kOther, "Cutter Mode")), ElementsAre("Partial", "Full"));
    // Two-choice items whose first index is "on": a swapped pair would invert the printer bit.
    EXPECT_THAT(English(Item(kMemorySwitch, "BM Check at Power on")),
                ElementsAre("Enable", "Disable"));
    EXPECT_THAT(English(Item(kOther, "Error")), ElementsAre("Recovery by CMND", "Auto Recovery"));
    EXPECT_EQ(Item(kOther, "Error Alert").choices.at(1).japanese, "有効");
    // The extension lists start after "Not Change".
    EXPECT_EQ(Item(kOther, "Code Page").choices.at(9).english, "PC858")
        << "list entry 10 sends ESC t 13h";
    EXPECT_EQ(Item(kOther, "International Character").choices.at(8).english, "Japan");
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
