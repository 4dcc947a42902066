#include "settings/factory_settings.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "core/catalogue.h"
#include "core/log.h"
#include "lang/language_files.h"
#include "platform/fake_clock.h"
#include "settings/setting_items.h"
#include "settings_test_support.h"
#include "test_support.h"

namespace vrtruty::settings {
namespace {

using namespace test;

class FactorySettingsTest : public ::testing::Test {
  protected:
    app::CurrentModel Select(std::size_t row, std::string_view region = "JAPAN",
                             bool xonXoff = false, const app::ProfileFile& config = {}) {
        return SelectPrinter(state, row, texts, log, region, xonXoff, config);
    }

    // Record bytes first..last as "1010000110 36...": a hex digit a byte ('?' above 15), ten
    // bytes a group.
    std::string Digits(std::size_t first, std::size_t last) const {
        std::string text;
        for (std::size_t b = first; b <= last; ++b) {
            text += (b != first && (b - first) % 10 == 0 ? " " : "");
            text += state.current[b] < 16 ? "0123456789ABCDEF"[state.current[b]] : '?';
        }
        return text;
    }

    // "68=4 69=5" for the given bytes of a row's working defaults.
    std::string Defaults(std::size_t row, std::initializer_list<std::size_t> bytes) const {
        std::string text;
        for (const std::size_t b : bytes) {
            text += (text.empty() ? "" : " ") + std::to_string(b) + "=" +
                    std::to_string(state.modelDefaults[row].at(b));
        }
        return text;
    }

    lang::TextTable texts = lang::LoadLanguageTexts({});
    app::Logger log;
    SettingsState state;
};

TEST_F(FactorySettingsTest, EveryPrinterRowGetsItsFactoryValues) {
    // Bytes 16-48 (the speed, byte 32, follows "Max Speed" down to 8) and bytes 49-94, a hex digit
    // a byte, ten bytes a group.
    const std::string_view names[] = {"TR-770II", "TR-770", "TR-770", "TR-770K", "TR-770K"};
    const std::pair<std::string_view, std::string_view> rows[] = {
        {"0100111000 011000C301 3000000062 000",
         "1010000110 361066A011 3620011101 0100000000 148210"},
        {"0100111000 0110008301 3000000062 000",
         "1010000110 3610668011 3620011101 0100000000 148210"},
        {"0100111000 0110008301 3000000062 000",
         "1010000100 3610668001 3620011101 0100100000 148210"},
        {"0100111000 0110008301 3000000062 000",
         "1010000110 3610668011 3620011101 0100010000 148210"},
        {"0100111000 0110008301 3000000062 000",
         "1010000110 3610668011 3620011101 0100010000 148210"},
    };
    for (std::size_t row = 0; row < std::size(rows); ++row) {
        SCOPED_TRACE(app::PrinterNameTable()[row].displayName);
        Select(row);
        EXPECT_EQ(state.current.modelName(), names[row]);
        EXPECT_EQ(Digits(16, 48), rows[row].first);
        EXPECT_EQ(Digits(49, 94), rows[row].second);
    }
}

TEST_F(FactorySettingsTest, XonXoffSetsEveryProtocolAndXrvGivesOnlyTheTr770II42Columns) {
    for (std::size_t row = 0; row < app::PrinterNameTable().size(); ++row) {
        Select(row, "JAPAN", /*xonXoff=*/true);
        EXPECT_EQ(state.current[72], 1) << "\"Protocol\" is \"XON/XOFF\", row " << row;
        EXPECT_EQ(state.current[46], 1) << "six-page protocol, row " << row;
        Select(row, "XRV");
        EXPECT_EQ(state.current[61], row == kTr770II ? 2 : 1) << "paper width, row " << row;
    }
}

TEST_F(FactorySettingsTest, OnlyAKeyNamingAnItemMarksTheRowAndStopsItsAdjustments) {
    Select(kTr770, "JAPAN", true, ProfileFromUtf16(u"[TR-770]\r\nMax Speeds=3\r\nUnknown=1\r\n"));
    EXPECT_FALSE(state.modelDefaults[kTr770].overridden);
    EXPECT_EQ(state.current[65], 8);
    EXPECT_EQ(state.current[72], 1);

    Select(kTr770, "JAPAN", true, ProfileFromUtf16(u"[TR-770]\r\nAuto LF=7\r\n"));
    EXPECT_TRUE(state.modelDefaults[kTr770].overridden) << "even a value out of range counts";
    EXPECT_EQ(state.current[53], 0);
    // The template's speed, cutter and protocol stay; the other rows are still adjusted.
    EXPECT_EQ(Digits(65, 67), "A02");
    EXPECT_EQ(state.current[32], 12);
    EXPECT_EQ(state.current[72], 0);
    EXPECT_EQ(Defaults(kPfbm, {65, 72}), "65=8 72=1");
}

TEST_F(FactorySettingsTest, ValueIsStoredOnlyBelowTheNumberOfChoices) {
    Select(
        kTr770, "JAPAN", false,
        ProfileFromUtf16(u"[TR-770]\r\n"
                         u"Receive Buffer=2\r\n"           // two choices: 2 is one too many
                         u"Power on Status=0\r\n"          // factory value 1
                         u"Paper Width=5 ; comment\t\r\n"  // cleaned like every configuration value
                         u"Print Density=-1\r\n"
                         u"Max Speed=9\r\n"  // the TR-770 shows 9 speeds: index 8 is its last
                         u"[TR-770II]\r\nMax Speed=9\r\n"));
    EXPECT_EQ(Defaults(kTr770, {49, 50, 61, 63, 65}), "49=0 50=0 61=5 63=6 65=10");
    EXPECT_EQ(state.modelDefaults[kTr770II].at(65), 9) << "the TR-770II has 11 speeds";
}

TEST_F(FactorySettingsTest, KeysAreTheLabelsOfTheConfiguredLanguage) {
    lang::LanguageLoadInputs japanese;
    japanese.builtInJapanese = true;
    texts = lang::LoadLanguageTexts(japanese);
    Select(kTr770, "JAPAN", false,
           ProfileFromUtf16(u"[TR-770]\r\n最高速度=3\r\nPaper Width=4\r\n"));
    EXPECT_EQ(state.current[65], 3);
    EXPECT_EQ(state.current[61], 1) << "the English label is no key in a Japanese setup";
}

TEST_F(FactorySettingsTest, ModelSpecificItemsAreTakenOnlyForTheirModels) {
    const std::u16string buzzer = u"Buzzer Interval=4\r\nBuzzer Repetition=5\r\nError Alert=0\r\n";
    Select(kTr770, "JAPAN", false,
           ProfileFromUtf16(
               u"[TR-770K]\r\n" + buzzer + u"[TR-770K (WL)]\r\n" + buzzer +
               u"[TR-770II]\r\nGrayscale Density=0\r\nSpeed at Grayscale=1\r\n"
               u"Tof at Auto Logo=0\r\nAuto Logo Print=0\r\nBuzzer=1\r\nNV Graphic Memory=2\r\n"
               u"[TR-770]\r\nGrayscale Density=0\r\nAuto Logo Print=0\r\nError Alert=1\r\n"));
    EXPECT_EQ(Defaults(kTr770K, {68, 69, 84}), "68=4 69=5 84=0") << "84 is \"Error Alert\" here";
    EXPECT_EQ(Defaults(kTr770II, {90, 91, 92, 93, 84, 60}), "90=0 91=1 92=0 93=0 84=1 60=2");
    EXPECT_FALSE(state.modelDefaults[kTr770KWl].overridden) << "buzzer items are TR-770K only";
    EXPECT_FALSE(state.modelDefaults[kTr770].overridden) << "TR-770II items, \"Error Alert\"";
}

TEST_F(FactorySettingsTest, CutterModeIsReadUnderTheLabelOfThePageTheFullCutModeShows) {
    // Give the overseas list its own label so the two lookups can be told apart.
    texts.Set({lang::TextRef::Kind::SettingName, 0, kPageOther, 9}, 0, "Cutter Mode (Other)");
    const auto config =
        ProfileFromUtf16(u"[TR-770 (PFBM)]\r\nCutter Mode=2\r\nCutter Mode (Other)=1\r\n");
    Select(kPfbm, "JAPAN", false, config);
    EXPECT_EQ(state.current[67], 2) << "customise-value list";
    Select(kPfbm, "OVERSEA", false, config);
    EXPECT_EQ(state.current[67], 1) << "overseas list";
    Select(kPfbm, "OVERSEA", false,
           ProfileFromUtf16(u"[TR-770 (PFBM)]\r\nCutter Mode (Other)=2\r\n"));
    EXPECT_EQ(state.current[67], 2) << "both lists take values up to 2";
}

TEST_F(FactorySettingsTest, DefaultDataSetLogsOneLinePerRowBetweenItsBrackets) {
    const test::TempFolder tmp;
    platform::FakeClock clock;
    clock.setLocalTime({8, 30, 0, 5});
    app::CurrentModel model =
        Select(kTr770, "JAPAN", false, ProfileFromUtf16(u"[TR-770 (PFBM)]\r\nAuto LF=1\r\n"));
    app::Logger enabled(tmp / app::kLogFileName, clock, true);

    DefaultDataSet(state, model, false, texts, enabled);

    std::string expected;
    for (const char* line :
         {">>>>>>>>>>>>>>>>>", "DefaultDataSet", "Setup IniData Disable", "Setup IniData Disable",
          "Setup IniData Enable", "Setup IniData Disable", "Setup IniData Disable",
          "DefaultDataSet", "<<<<<<<<<<<<<<<<<"}) {
        expected += std::string("[08:30:00:005] ") + line + "\r\n";
    }
    const auto written = test::ReadBytes(tmp / app::kLogFileName);
    EXPECT_EQ(std::string(written.begin(), written.end()), expected);
}

TEST_F(FactorySettingsTest, NvCapacityFromTheRememberedChoiceAndPneLengthText) {
    state.rememberedNvChoice = 3;
    Select(kTr770II);
    EXPECT_EQ(state.nvCapacity, 3u * 524'288u);
    EXPECT_EQ(state.pneLengthText, "(Unset)");
    Select(kTr770);
    EXPECT_EQ(state.nvCapacity, 3u * 65'536u);

    SettingRecord record;
    record[41] = 1;
    record[42] = 2;
    record[43] = 5;
    EXPECT_EQ(PneLengthText(record, texts), "(125cm)");
}

}  // namespace
}  // namespace vrtruty::settings
