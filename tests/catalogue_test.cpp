#include "app/catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace vrtruty::app {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

// All names of an identity in declaration order, separated by '|'.
std::string Names(const ProgramIdentity& id) {
    return id.identityName + "|" + id.mutexName + "|" + id.executableName + "|" +
           id.configFileName + "|" + id.tempSettingsFileName + "|" + id.logoListFileName + "|" +
           id.windowClassName + "|" + id.modelSubtitle;
}

TEST(ProgramIdentityTest, NamesDeriveFromTheIdentityName) {
    const std::string thisBuild =
        "Vrtruty|POS Vrtruty_Mutex|Vrtruty.exe|Vrtrutys.ini|Vrtrutys.dat|Vrtrutyl.dat|Vrtruty|"
        "\nfor VRM TR-770II/TR-770/TR-720/TR-620\n";
    EXPECT_EQ(Names(GetProgramIdentity(kBuildModelId)), thisBuild);
    EXPECT_EQ(Names(GetProgramIdentity(16)), thisBuild);
    EXPECT_EQ(Names(GetProgramIdentity(5)),
              "Lskauty|POS Lskauty_Mutex|Lskauty.exe|Lskautys.ini|Lskautys.dat|Lskautyl.dat|"
              "Lskauty|");
    EXPECT_EQ(GetProgramIdentity(12).identityName, "Vrkcuty");
    EXPECT_EQ(Names(GetProgramIdentity(-1)), thisBuild) << "out of range: this build's identity";
    EXPECT_EQ(Names(GetProgramIdentity(kModelIdCount)), thisBuild);
}

TEST(ManualNameTest, ThisBuildHasOneManualPerLanguageAndAnEmptyLastSlot) {
    std::vector<std::string_view> names;
    for (int slot = 0; slot < kLanguageFileCount; ++slot) {
        names.push_back(ManualName(kBuildModelId, slot));
    }
    EXPECT_THAT(
        names, ElementsAre("Utility_Guide_J.pdf", "Utility_Guide_E.pdf", "Utility_Guide_fr.pdf",
                           "Utility_Guide_it.pdf", "Utility_Guide_de.pdf", "Utility_Guide_es.pdf",
                           "Utility_Guide_pt.pdf", "Utility_Guide_ar.pdf", "Utility_Guide_ko.pdf",
                           "Utility_Guide_th.pdf", "Utility_Guide_zh.pdf", "Utility_Guide_zh_s.pdf",
                           "Utility_Guide_zh_t.pdf", ""));
    EXPECT_EQ(ManualName(19, 11), "Utility_Guide_zh_s.pdf");
}

TEST(ManualNameTest, OtherFamiliesFallBackToTheEnglishManual) {
    EXPECT_EQ(ManualName(4, 0), "DQR260_UtilityGuide_ja.pdf");
    EXPECT_EQ(ManualName(4, 1), "DQR260_UtilityGuide_en.pdf");
    EXPECT_EQ(ManualName(4, 4), "DQR260_UtilityGuide_en.pdf");
    EXPECT_EQ(ManualName(4, 13), "");
    EXPECT_EQ(ManualName(11, 1), "MX310_UtilityGuide_en.pdf");
    EXPECT_EQ(ManualName(kBuildModelId, -1), "");
    EXPECT_EQ(ManualName(kBuildModelId, kLanguageFileCount), "");
    EXPECT_EQ(ManualName(kModelIdCount, 0), "");
}

// The fields of a row that select behaviour, in one line:
// display|driver|model name|tag|model id/variant|layout|family|setting variant/version text|
// filter text|K flag|reserved
std::string Describe(const PrinterModelRow& r) {
    using std::to_string;
    std::string text = r.displayName + "|" + r.driverName + "|" + r.modelName + "|" + r.modelTag +
                       "|" + to_string(r.modelId) + "/" + to_string(r.variant) + "|" +
                       to_string(r.layout) + "|" + to_string(r.family) + "|" +
                       to_string(r.settingVariant) + "/" + to_string(r.versionTextNumber) + "|" +
                       to_string(r.filterTextNumber) + "|K" + to_string(r.kVariant) + "|";
    for (const auto n : r.reserved) {
        text += to_string(n);
    }
    return text;
}

TEST(PrinterNameTableTest, RowsOfThisBuild) {
    std::vector<std::string> rows;
    for (const PrinterModelRow& row : PrinterNameTable()) {
        rows.push_back(Describe(row));
        SCOPED_TRACE(row.displayName);
        EXPECT_EQ(row.usbIdPrefix, "7a41/5c21/");
        EXPECT_EQ(row.searchModelName, row.modelName);
        EXPECT_EQ(row.secondModelId, row.modelId);
        EXPECT_EQ(row.value1 + row.value2, 2u);
    }
    EXPECT_THAT(
        rows,
        ElementsAre(
            "TR-770II|VRM TR-770II Raster|TR-770II|_TR-770II|17/0|2|22|2/178|148|K0|0010",
            "TR-770|VRM TR-770 Raster|TR-770|_TR-770|16/1|2|18|0/178|148|K0|0000",
            "TR-770 (PFBM)|VRM TR-770 Raster (PFBM)|TR-770|_TR-770|16/2|4|20|0/178|149|K0|0000",
            "TR-770K|VRM TR-770K Raster|TR-770K|_TR-770K|16/3|2|21|0/178|150|K1|0000",
            "TR-770K (WL)|VRM TR-770K Raster (WL)|TR-770K|_TR-770K|16/3|2|21|0/178|150|K1|0000"));
}

TEST(PrinterNameTableTest, DisplayNameLookupIgnoresCaseOnly) {
    EXPECT_EQ(FindPrinterRow("TR-770II"), 0u);
    EXPECT_EQ(FindPrinterRow("tr-770 (pfbm)"), 2u);
    EXPECT_EQ(FindPrinterRow("Tr-770K (wl)"), 4u);
    EXPECT_EQ(FindPrinterRow("TR-770K"), 3u);
    EXPECT_EQ(FindPrinterRow("TR-770K "), std::nullopt);
    EXPECT_EQ(FindPrinterRow("TR-1400"), std::nullopt);
    EXPECT_EQ(FindPrinterRow(""), std::nullopt);
}

TEST(SelectPrinterRowTest, CopiesTheRowAndFallsBackToRowZeroOutsideTheTable) {
    CurrentModel model;
    model.printerRow = 3;
    SelectPrinterRow(model);
    EXPECT_EQ(model.modelId, 16);
    EXPECT_EQ(model.family, 21u);
    EXPECT_EQ(FilterTextNumber(model), 150);

    model.printerRow = 29;
    SelectPrinterRow(model);
    EXPECT_EQ(model.printerRow, 0u);
    EXPECT_EQ(model.modelId, 17);
    EXPECT_EQ(model.layout, 2u);
    EXPECT_EQ(model.family, 22u);
    EXPECT_EQ(model.settingVariant, 2);
    EXPECT_EQ(VersionTextNumber(model), 178);
}

TEST(EffectiveRegionTest, KVariantsTakeJapanKWhateverRegionIsConfigured) {
    CurrentModel model;
    model.printerRow = 3;
    model.regionIndex = 0;
    EXPECT_EQ(EffectiveRegion(model), 1) << "TR-770K configured as JAPAN";
    model.regionIndex = 4;
    EXPECT_EQ(EffectiveRegion(model), 1) << "TR-770K configured as XRV";
    model.printerRow = 0;
    EXPECT_EQ(EffectiveRegion(model), 4) << "TR-770II keeps its configured region";
}

TEST(ResolveRegionTest, NamesMatchIgnoringCase) {
    const RegionResult r = ResolveRegion("oversea2");
    EXPECT_TRUE(r.matched);
    EXPECT_EQ(r.regionIndex, 7);
    EXPECT_TRUE(r.overseaMode);
    EXPECT_EQ(ResolveRegion("JapanK").regionIndex, 1);
}

TEST(ResolveRegionTest, MissingOrUnknownValueKeepsJapanWithoutOverseas) {
    for (const auto value : {std::optional<std::string_view>{}, std::optional<std::string_view>{""},
                             std::optional<std::string_view>{"JAPAN2"}}) {
        const RegionResult r = ResolveRegion(value);
        EXPECT_FALSE(r.matched) << value.value_or("(absent)");
        EXPECT_EQ(r.regionIndex, 0);
        EXPECT_FALSE(r.overseaMode);
    }
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
    const std::pair<bool, const char*> flags[] = {{f.bGuppy, "bGuppy"},
                                                  {f.bBlachmark, "bBlachmark"},
                                                  {f.bFontTypeFace, "bFontTypeFace"},
                                                  {f.bCutBuzzer, "bCutBuzzer"},
                                                  {f.bBusyCond, "bBusyCond"},
                                                  {f.bOverseaMode, "bOverseaMode"},
                                                  {f.bFontb, "bFontb"},
                                                  {f.bMelody, "bMelody"}};
    for (const auto& [set, name] : flags) {
        text += set ? std::string(name) + " " : "";
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
        {4, "XRV", "bBusyCond bOverseaMode bFontb bMelody FULLCUT_OTHER"},  // flags of JAPANK
        {0, "XWD", "bBusyCond bOverseaMode FULLCUT_OTHER"},
        {0, "XNJ", "bBusyCond bOverseaMode FULLCUT_OTHER"},
        {0, "OVERSEA2", "bBusyCond bOverseaMode bFontb FULLCUT_OTHER"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SetFlags(ComputeCapabilityFlags(ModelFor(c.row, c.region))), c.flags)
            << "row " << c.row << ", region " << c.region;
    }
}

// Layouts no printer of this build has, but which the rules still tell apart.
TEST(CapabilityFlagsTest, LayoutRulesBeyondThisBuildsRows) {
    CurrentModel model;
    model.overseaMode = true;
    model.layout = 1;
    EXPECT_EQ(SetFlags(ComputeCapabilityFlags(model)),
              "bBlachmark bBusyCond bOverseaMode bFontb FULLCUT_NONE");
    model.layout = 7;
    EXPECT_EQ(SetFlags(ComputeCapabilityFlags(model)),
              "bGuppy bBusyCond bOverseaMode bFontb FULLCUT_OTHER")
        << "no melody for the customisable layout in region JAPAN";
    model.factoryRegionIndex = 2;
    EXPECT_TRUE(ComputeCapabilityFlags(model).bMelody);
}

TEST(CapabilityFlagsTest, PaneVariantByFamily) {
    const std::pair<std::uint32_t, int> cases[] = {{32, 1}, {33, 1}, {34, 1}, {35, 2}, {36, 3},
                                                   {47, 4}, {22, 0}, {31, 0}, {37, 0}};
    for (const auto& [family, variant] : cases) {
        EXPECT_EQ(PaneVariant(family), variant) << "family " << family;
    }
}

class StubClock final : public platform::Clock {
  public:
    std::chrono::milliseconds now() const override { return std::chrono::milliseconds{0}; }
    void sleepFor(std::chrono::milliseconds) override {}
    platform::LocalTime localTime() const override { return {10, 0, 0, 0}; }
};

TEST(DefaultSetTest, LogsTheFlagsBetweenBracketsAfterTheFactoryValuesStep) {
    const fs::path folder = fs::temp_directory_path() /
                            ("vrtruty-defaultset-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder);
    StubClock clock;
    Logger log(folder / std::string(kLogFileName), clock, true);
    CurrentModel model = ModelFor(0, "JAPAN");
    CapabilityFlags flagsSeenByFactoryStep{};
    DefaultSet(model, log, [&] {
        flagsSeenByFactoryStep = model.flags;
        log.WriteLog("DefaultDataSet");
    });

    std::string expected;
    for (const char* line :
         {"DefaultDataSet", ">>>>>>>>>>>>>>>>>", "DefaultSet", "bGuppy        = FALSE",
          "bBlachmark    = FALSE", "bFontTypeFace = FALSE", "bCutBuzzer    = FALSE",
          "bBusyCond     = TRUE", "bOverseaMode  = FALSE", "FULLCUT_Mode  = FULLCUT_CUSTOMIZE_OFF",
          "bFontb        = TRUE", "bMelody       = FALSE", "DefaultSet", "<<<<<<<<<<<<<<<<<"}) {
        expected += std::string("[10:00:00:000] ") + line + "\r\n";
    }
    std::ifstream in(folder / std::string(kLogFileName), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected);
    EXPECT_TRUE(flagsSeenByFactoryStep.bBusyCond) << "flags must be ready for the factory values";
    in.close();
    fs::remove_all(folder);
}

TEST(DefaultSetTest, ChangingThePrinterRecomputesModelAndFlagsAndKeepsPaneVariantFive) {
    Logger off;
    CurrentModel model = ModelFor(0, "XRV");
    model.printerRow = 2;
    DefaultSet(model, off);
    EXPECT_EQ(model.modelId, 16);
    EXPECT_EQ(model.layout, 4u);
    EXPECT_EQ(SetFlags(model.flags),
              "bBlachmark bFontTypeFace bCutBuzzer bBusyCond bOverseaMode FULLCUT_OTHER");
    EXPECT_EQ(model.paneVariant, 0);

    model.paneVariant = 5;
    DefaultSet(model, off);
    EXPECT_EQ(model.paneVariant, 5);
}

TEST(NominalNvCapacityTest, ChoiceTimesTheModelsStepAndZeroOutsideTheList) {
    EXPECT_EQ(NominalNvCapacity(0, 17), 0u);
    EXPECT_EQ(NominalNvCapacity(1, 17), 524'288u);
    EXPECT_EQ(NominalNvCapacity(6, 17), 3'145'728u);
    EXPECT_EQ(NominalNvCapacity(1, 16), 65'536u);
    EXPECT_EQ(NominalNvCapacity(6, 16), 393'216u);
    EXPECT_EQ(NominalNvCapacity(-1, 17), 0u);
    EXPECT_EQ(NominalNvCapacity(7, 17), 0u);
    EXPECT_EQ(NominalNvCapacity(7, 16), 0u);
}

}  // namespace
}  // namespace vrtruty::app
