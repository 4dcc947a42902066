#include "core/catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vrtruty::app {
namespace {

using ::testing::ElementsAre;

// All names of an identity in declaration order, separated by '|'.
std::string Names(const ProgramIdentity& id) {
    return id.identityName + "|" + id.mutexName + "|" + id.executableName + "|" +
           id.configFileName + "|" + id.tempSettingsFileName + "|" + id.logoListFileName + "|" +
           id.windowClassName + "|" + id.modelSubtitle;
}

TEST(ProgramIdentityTest, NamesDeriveFromTheIdentityNameAndIdsOutOfRangeGiveThisBuild) {
    const std::string thisBuild =
        "Vrtruty|POS Vrtruty_Mutex|Vrtruty.exe|Vrtrutys.ini|Vrtrutys.dat|Vrtrutyl.dat|Vrtruty|"
        "\nfor VRM TR-770II/TR-770/TR-720/TR-620\n";
    EXPECT_EQ(Names(GetProgramIdentity(kBuildModelId)), thisBuild);
    EXPECT_EQ(Names(GetProgramIdentity(16)), thisBuild);
    EXPECT_EQ(Names(GetProgramIdentity(5)),
              "Lskauty|POS Lskauty_Mutex|Lskauty.exe|Lskautys.ini|Lskautys.dat|Lskautyl.dat|"
              "Lskauty|");
    EXPECT_EQ(GetProgramIdentity(12).identityName, "Vrkcuty");
    EXPECT_EQ(Names(GetProgramIdentity(-1)), thisBuild);
    EXPECT_EQ(Names(GetProgramIdentity(kModelIdCount)), thisBuild);
}

TEST(ManualNameTest, OnePerLanguageElseTheEnglishManualAndNoneOutsideTheTable) {
    EXPECT_EQ(ManualName(kBuildModelId, 0), "Utility_Guide_J.pdf");
    EXPECT_EQ(ManualName(kBuildModelId, 4), "Utility_Guide_de.pdf");
    EXPECT_EQ(ManualName(kBuildModelId, 12), "Utility_Guide_zh_t.pdf");
    EXPECT_EQ(ManualName(kBuildModelId, 13), "") << "unused last slot";
    EXPECT_EQ(ManualName(4, 0), "DQR260_UtilityGuide_ja.pdf");
    EXPECT_EQ(ManualName(4, 4), "DQR260_UtilityGuide_en.pdf") << "no German manual";
    EXPECT_EQ(ManualName(kBuildModelId, -1), "");
    EXPECT_EQ(ManualName(kBuildModelId, kLanguageFileCount), "");
    EXPECT_EQ(ManualName(kModelIdCount, 0), "");
}

// The fields of a row that select behaviour, in one line: display|driver|model name|tag|
// model id/variant|layout|family|setting variant/version text|filter text|K flag
std::string Describe(const PrinterModelRow& r) {
    using std::to_string;
    return r.displayName + "|" + r.driverName + "|" + r.modelName + "|" + r.modelTag + "|" +
           to_string(r.modelId) + "/" + to_string(r.variant) + "|" + to_string(r.layout) + "|" +
           to_string(r.family) + "|" + to_string(r.settingVariant) + "/" +
           to_string(r.versionTextNumber) + "|" + to_string(r.filterTextNumber) + "|K" +
           to_string(r.kVariant);
}

TEST(PrinterNameTableTest, RowsOfThisBuild) {
    std::vector<std::string> rows;
    for (const PrinterModelRow& row : PrinterNameTable()) {
        rows.push_back(Describe(row));
        EXPECT_EQ(row.usbIdPrefix, "7a41/5c21/") << row.displayName;
        EXPECT_EQ(row.searchModelName, row.modelName) << row.displayName;
    }
    EXPECT_THAT(
        rows, ElementsAre(
                  "TR-770II|VRM TR-770II Raster|TR-770II|_TR-770II|17/0|2|22|2/178|148|K0",
                  "TR-770|VRM TR-770 Raster|TR-770|_TR-770|16/1|2|18|0/178|148|K0",
                  "TR-770 (PFBM)|VRM TR-770 Raster (PFBM)|TR-770|_TR-770|16/2|4|20|0/178|149|K0",
                  "TR-770K|VRM TR-770K Raster|TR-770K|_TR-770K|16/3|2|21|0/178|150|K1",
                  "TR-770K (WL)|VRM TR-770K Raster (WL)|TR-770K|_TR-770K|16/3|2|21|0/178|150|K1"));
}

TEST(PrinterNameTableTest, DisplayNameLookupIgnoresCaseOnly) {
    EXPECT_EQ(FindPrinterRow("TR-770II"), 0u);
    EXPECT_EQ(FindPrinterRow("tr-770 (pfbm)"), 2u);
    EXPECT_EQ(FindPrinterRow("TR-770K"), 3u);
    EXPECT_EQ(FindPrinterRow("Tr-770K (wl)"), 4u);
    EXPECT_EQ(FindPrinterRow("TR-770K "), std::nullopt);
    EXPECT_EQ(FindPrinterRow(""), std::nullopt);
}

TEST(SelectPrinterRowTest, CopiesTheRowAndFallsBackToRowZeroOutsideTheTable) {
    CurrentModel model;
    model.printerRow = 2;
    SelectPrinterRow(model);
    EXPECT_EQ(FilterTextNumber(model), 149);
    model.printerRow = 29;
    SelectPrinterRow(model);
    EXPECT_EQ(model.printerRow, 0u);
    EXPECT_EQ(model.modelId, 17);
    EXPECT_EQ(model.layout, 2u);
    EXPECT_EQ(model.family, 22u);
    EXPECT_EQ(model.settingVariant, 2);
    EXPECT_EQ(VersionTextNumber(model), 178);
}

TEST(ResolveRegionTest, NamesMatchIgnoringCaseAndAnythingElseKeepsJapanWithoutOverseas) {
    // "index [oversea] [matched]"
    const auto resolved = [](std::optional<std::string_view> value) {
        const RegionResult r = ResolveRegion(value);
        return std::to_string(r.regionIndex) + (r.overseaMode ? " oversea" : "") +
               (r.matched ? " matched" : "");
    };
    EXPECT_EQ(resolved("oversea2"), "7 oversea matched");
    EXPECT_EQ(resolved("JapanK"), "1 matched");
    EXPECT_EQ(resolved(std::nullopt), "0");
    EXPECT_EQ(resolved(""), "0");
    EXPECT_EQ(resolved("JAPAN2"), "0");
}

CurrentModel ModelFor(std::size_t row, std::string_view region) {
    CurrentModel model;
    model.printerRow = row;
    SelectPrinterRow(model);
    const RegionResult r = ResolveRegion(region);
    model.regionIndex = r.regionIndex;
    model.factoryRegionIndex = EffectiveRegion(model);
    model.overseaMode = r.overseaMode;
    return model;
}

// The flags that are set, and the full-cut mode, e.g. "bBusyCond bFontb FULLCUT_CUSTOMIZE_OFF".
std::string SetFlags(const CapabilityFlags& f) {
    std::string text;
    for (const auto& [set, name] : {std::pair{f.bGuppy, "bGuppy "},
                                    {f.bBlachmark, "bBlachmark "},
                                    {f.bFontTypeFace, "bFontTypeFace "},
                                    {f.bCutBuzzer, "bCutBuzzer "},
                                    {f.bBusyCond, "bBusyCond "},
                                    {f.bOverseaMode, "bOverseaMode "},
                                    {f.bFontb, "bFontb "},
                                    {f.bMelody, "bMelody "}}) {
        text += set ? name : "";
    }
    return text + std::string(FullCutModeName(f.FULLCUT_Mode));
}

TEST(CapabilityFlagsTest, EveryPrinterRowAndTheRegionsThatMatter) {
    struct Case {
        std::size_t row;
        std::string_view region;
        std::string_view flags;
    };
    const Case cases[] = {
        {0, "JAPAN", "bBusyCond bFontb FULLCUT_CUSTOMIZE_OFF"},
        {1, "JAPAN", "bBusyCond bFontb FULLCUT_CUSTOMIZE_OFF"},
        {2, "JAPAN", "bBlachmark bBusyCond bFontb FULLCUT_CUSTOMIZE_ON"},
        {3, "JAPAN", "bBusyCond bFontb bMelody FULLCUT_CUSTOMIZE_OFF"},
        {4, "JAPAN", "bBusyCond bFontb bMelody FULLCUT_CUSTOMIZE_OFF"},
        {3, "JAPANK", "bBusyCond bFontb bMelody FULLCUT_CUSTOMIZE_OFF"},
        {0, "OVERSEA", "bBusyCond bOverseaMode bFontb FULLCUT_OTHER"},
        {2, "OVERSEA", "bBlachmark bBusyCond bOverseaMode bFontb FULLCUT_OTHER"},
        {0, "QLMX", "bBusyCond bOverseaMode FULLCUT_OTHER"},
        {0, "XRV", "bFontTypeFace bCutBuzzer bBusyCond bOverseaMode FULLCUT_OTHER"},
        // The K variants take the flags of JAPANK whatever region is configured.
        {4, "XRV", "bBusyCond bOverseaMode bFontb bMelody FULLCUT_OTHER"},
        {0, "XWD", "bBusyCond bOverseaMode FULLCUT_OTHER"},
        {0, "XNJ", "bBusyCond bOverseaMode FULLCUT_OTHER"},
        {0, "OVERSEA2", "bBusyCond bOverseaMode bFontb FULLCUT_OTHER"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SetFlags(ComputeCapabilityFlags(ModelFor(c.row, c.region))), c.flags)
            << "row " << c.row << ", region " << c.region;
    }
}

// Its log lines are checked within the whole start-up log.
TEST(DefaultSetTest, FlagsAreReadyForTheFactoryValuesStep) {
    Logger off;
    CurrentModel model = ModelFor(0, "JAPAN");
    CapabilityFlags flagsSeenByFactoryStep{};
    DefaultSet(model, off, [&] { flagsSeenByFactoryStep = model.flags; });
    EXPECT_TRUE(flagsSeenByFactoryStep.bBusyCond);
}

TEST(DefaultSetTest, ChangingThePrinterRecomputesModelAndFlagsAndKeepsPaneVariantFive) {
    Logger off;
    CurrentModel model = ModelFor(0, "XRV");
    model.printerRow = 2;
    DefaultSet(model, off);
    EXPECT_EQ(model.layout, 4u);
    EXPECT_EQ(SetFlags(model.flags),
              "bBlachmark bFontTypeFace bCutBuzzer bBusyCond bOverseaMode FULLCUT_OTHER");
    EXPECT_EQ(model.paneVariant, 0);

    model.paneVariant = 5;
    DefaultSet(model, off);
    EXPECT_EQ(model.paneVariant, 5);
}

TEST(NominalNvCapacityTest, ChoiceTimesTheModelsStepAndZeroOutsideTheList) {
    EXPECT_EQ(NominalNvCapacity(1, 17), 524'288u);
    EXPECT_EQ(NominalNvCapacity(6, 17), 3'145'728u);
    EXPECT_EQ(NominalNvCapacity(1, 16), 65'536u);
    EXPECT_EQ(NominalNvCapacity(6, 16), 393'216u);
    for (const int outside : {0, -1, 7}) {
        EXPECT_EQ(NominalNvCapacity(outside, 17), 0u) << "choice " << outside;
    }
}

}  // namespace
}  // namespace vrtruty::app
