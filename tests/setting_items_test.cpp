// Which rows of the setting pages each model and region shows and lets the user change, what the
// pages store into the record, and the sound check's melody command.
#include <gtest/gtest.h>

#include <string>

#include "settings/setting_items.h"
#include "settings/settings_writer.h"
#include "settings_test_support.h"

namespace vrtruty {
namespace {

using test::kPfbm;
using test::kTr770;
using test::kTr770II;
using test::kTr770K;

app::CurrentModel ModelIn(std::size_t row, std::string_view region) {
    settings::SettingsState state;
    lang::TextTable texts;
    app::Logger log;
    return test::SelectPrinter(state, row, texts, log, region);
}

// "hidden", "fixed" or "editable" for a record byte on a page.
std::string RowState(int recordByte, int page, const app::CurrentModel& model) {
    const settings::SettingItem* item = settings::FindSettingItem(recordByte, page);
    if (item == nullptr) {
        return "no such row";
    }
    if (!settings::ItemShown(*item, model)) {
        return "hidden";
    }
    return settings::ItemEnabled(*item, model) ? "editable" : "fixed";
}

constexpr int MS = settings::kPageMemorySwitch;
constexpr int CV = settings::kPageCustomizeValue;
constexpr int OT = settings::kPageOther;

TEST(SettingRows, ShownAndEnabledAreSeparateRules) {
    struct Case {
        std::size_t row;
        const char* region;
        int recordByte;
        int page;
        const char* expected;
    };
    const Case cases[] = {
        // Black-mark and roll-paper rows stay on the page, fixed, without the paper unit.
        {kTr770, "JAPAN", 57, MS, "fixed"},
        {kPfbm, "JAPAN", 57, MS, "editable"},
        {kTr770, "JAPAN", 82, OT, "fixed"},
        {kTr770, "JAPAN", 83, OT, "fixed"},
        {kPfbm, "JAPAN", 83, OT, "editable"},
        {kTr770II, "JAPAN", 85, OT, "fixed"},
        {kPfbm, "JAPAN", 86, OT, "editable"},
        // "Error" is for information only.
        {kTr770II, "JAPAN", 76, OT, "fixed"},
        {kTr770II, "JAPAN", 51, MS, "editable"},
        // Rows of one model or one capability are hidden elsewhere.
        {kTr770, "JAPAN", 90, CV, "hidden"},
        {kTr770, "JAPAN", 91, CV, "hidden"},
        {kTr770, "JAPAN", 92, CV, "hidden"},
        {kTr770, "JAPAN", 93, OT, "hidden"},
        {kTr770II, "JAPAN", 92, CV, "editable"},
        {kTr770, "JAPAN", 68, CV, "hidden"},
        {kTr770K, "JAPAN", 69, CV, "editable"},
        {kTr770, "JAPAN", 94, MS, "hidden"},
        {kTr770, "XRV", 94, MS, "editable"},
        // Font-B only where it is sent.
        {kTr770, "JAPAN", 79, OT, "editable"},
        {kTr770, "XRV", 79, OT, "hidden"},
        {kTr770, "QLMX", 79, OT, "hidden"},
        {kTr770, "XNJ", 79, OT, "hidden"},
        {kTr770, "OVERSEA", 79, OT, "editable"},
        // "Cutter Mode": on "Customize Value" in Japan, editable only for the PFBM; on "Other"
        // overseas.
        {kTr770, "JAPAN", 67, CV, "fixed"},
        {kTr770, "JAPAN", 67, OT, "hidden"},
        {kPfbm, "JAPAN", 67, CV, "editable"},
        {kPfbm, "JAPAN", 67, OT, "hidden"},
        {kTr770, "OVERSEA", 67, CV, "hidden"},
        {kTr770, "OVERSEA", 67, OT, "editable"},
        {kPfbm, "OVERSEA", 67, OT, "editable"},
    };
    for (const Case& c : cases) {
        const app::CurrentModel model = ModelIn(c.row, c.region);
        EXPECT_EQ(RowState(c.recordByte, c.page, model), c.expected)
            << "byte " << c.recordByte << " on page " << c.page << ", row " << c.row << " in "
            << c.region;
    }
}

TEST(SettingRows, ChoiceCountsFollowTheFamily) {
    const auto count = [](int recordByte, int page, std::size_t row) {
        return settings::ShownChoiceCount(*settings::FindSettingItem(recordByte, page),
                                          ModelIn(row, "JAPAN"));
    };
    EXPECT_EQ(count(65, CV, kTr770II), 11) << "Max Speed, family 22";
    EXPECT_EQ(count(65, CV, kTr770), 9) << "Max Speed, other families";
    EXPECT_EQ(count(91, CV, kTr770II), 9) << "Speed at Grayscale";
    EXPECT_EQ(count(60, CV, kTr770II), 7) << "NV Graphic Memory";
    EXPECT_EQ(count(67, OT, kTr770), 2) << "Cutter Mode on Other";
    EXPECT_EQ(count(67, CV, kPfbm), 3) << "Cutter Mode of the PFBM";
}

// Collects a page whose every list shows choice 1, from a record of zeros.
settings::SettingRecord CollectOnes(int page, const app::CurrentModel& model, int cutterDefault) {
    settings::SettingRecord record;
    settings::CollectPage(record, page, model, cutterDefault,
                          [](const settings::SettingItem&) { return 1; });
    return record;
}

TEST(SettingRows, CollectingAPageStoresItsShownRowsAndCutterModeByTheFullCutMode) {
    struct Case {
        std::size_t row;
        const char* region;
        int page;
        int expectedCutter;  // the working default given is 2
    };
    const Case cases[] = {
        {kTr770, "JAPAN", CV, 0},    // not edited: the record keeps its value
        {kTr770, "JAPAN", OT, 2},    // not edited: reset to the working default
        {kPfbm, "JAPAN", CV, 1},     // edited on "Customize Value"
        {kPfbm, "JAPAN", OT, 0},     // left to "Customize Value"
        {kTr770, "OVERSEA", CV, 0},  // left to "Other"
        {kTr770, "OVERSEA", OT, 1},  // edited on "Other"
    };
    for (const Case& c : cases) {
        const app::CurrentModel model = ModelIn(c.row, c.region);
        EXPECT_EQ(CollectOnes(c.page, model, 2)[67], c.expectedCutter)
            << "row " << c.row << " in " << c.region << ", page " << c.page;
    }
    // Hidden rows are not the page's to store; rows of other pages are untouched.
    const settings::SettingRecord tr770 = CollectOnes(CV, ModelIn(kTr770, "JAPAN"), 2);
    EXPECT_EQ(tr770[61], 1) << "Paper Width";
    EXPECT_EQ(tr770[90], 0) << "Grayscale Density is hidden for the TR-770";
    EXPECT_EQ(tr770[49], 0) << "Power on Status is on another page";
    EXPECT_EQ(CollectOnes(OT, ModelIn(kTr770, "XRV"), 0)[79], 0) << "Font-B is hidden in XRV";
}

TEST(SoundCheck, MelodyCommandPlaysTheIntervalPatternTheRepetitionCount) {
    const std::pair<int, std::array<std::uint8_t, 2>> timings[] = {
        {0, {0x14, 0x3C}}, {1, {0x46, 0x46}}, {2, {0x64, 0x64}},
        {3, {0x05, 0x19}}, {4, {0x0F, 0x19}},
    };
    for (const auto& [pattern, timing] : timings) {
        settings::SettingRecord record;
        record[68] = static_cast<std::uint8_t>(pattern);
        record[69] = 5;
        const std::array<std::uint8_t, 6> expected = {0x1B, 0x70, 0x03, timing[0], timing[1], 5};
        EXPECT_EQ(test::Hex(settings::BuildSoundCheckCommand(record)), test::Hex(expected))
            << "pattern " << pattern + 1;
    }
}

}  // namespace
}  // namespace vrtruty
