#include "core/catalogue.h"

#include <string>

#include "core/unicode.h"

namespace vrtruty::app {
namespace {

// Identity name of every utility of the shared source base, by ModelId.
constexpr std::array<std::string_view, kModelIdCount> kIdentityNames = {
    "Vrkauty", "Vrkbuty", "Vrkduty", "Vrkeuty", "Vrmauty", "Lskauty", "Lskbuty",
    "Vrnauty", "Vrpauty", "Vrqauty", "Vrkcuty", "Vrkcuty", "Vrkcuty", "Vrkfuty",
    "Vrkfuty", "Vrkfuty", "Vrtruty", "Vrtruty", "Lstruty", "Vrtcuty"};

// Only this family's subtitle is known; the other utilities show none.
constexpr std::string_view kTrSubtitle = "\nfor VRM TR-770II/TR-770/TR-720/TR-620\n";

// Manuals of the TR families, one per language file index.
constexpr std::array<std::string_view, kLanguageFileCount> kTrManuals = {
    "Utility_Guide_J.pdf",    "Utility_Guide_E.pdf",
    "Utility_Guide_fr.pdf",   "Utility_Guide_it.pdf",
    "Utility_Guide_de.pdf",   "Utility_Guide_es.pdf",
    "Utility_Guide_pt.pdf",   "Utility_Guide_ar.pdf",
    "Utility_Guide_ko.pdf",   "Utility_Guide_th.pdf",
    "Utility_Guide_zh.pdf",   "Utility_Guide_zh_s.pdf",
    "Utility_Guide_zh_t.pdf", ""};

struct ManualPair {
    std::string_view japanese;
    std::string_view english;
};

// Japanese and English manuals of every identity; for the TR families the full list above is used.
constexpr std::array<ManualPair, kModelIdCount> kManualPairs = {{
    {"TR1400_UtilityGuide_ja.pdf", "TR1400_UtilityGuide_en.pdf"},
    {"TR1600_UtilityGuide_ja.pdf", "TR1600_UtilityGuide_en.pdf"},
    {"TR1400_UtilityGuide_ja.pdf", "TR1400_UtilityGuide_en.pdf"},
    {"TR1600_UtilityGuide_ja.pdf", "TR1600_UtilityGuide_en.pdf"},
    {"DQR260_UtilityGuide_ja.pdf", "DQR260_UtilityGuide_en.pdf"},
    {"LS530-531_UtilityGuide_ja.pdf", "LS530-531_UtilityGuide_en.pdf"},
    {"LS540-541_UtilityGuide_ja.pdf", "LS540-541_UtilityGuide_en.pdf"},
    {"HQ380_UtilityGuide_ja.pdf", "HQ380_UtilityGuide_en.pdf"},
    {"GQR350_UtilityGuide_ja.pdf", "GQR350_UtilityGuide_en.pdf"},
    {"TQS5600_UtilityGuide_ja.pdf", "TQS5600_UtilityGuide_en.pdf"},
    {"MX300_UtilityGuide_ja.pdf", "MX300_UtilityGuide_en.pdf"},
    {"MX310_UtilityGuide_ja.pdf", "MX310_UtilityGuide_en.pdf"},
    {"MX300_UtilityGuide_ja.pdf", "MX300_UtilityGuide_en.pdf"},
    {"MX300_UtilityGuide_ja.pdf", "MX300_UtilityGuide_en.pdf"},
    {"MX310_UtilityGuide_ja.pdf", "MX310_UtilityGuide_en.pdf"},
    {"MX300_UtilityGuide_ja.pdf", "MX300_UtilityGuide_en.pdf"},
    {"Utility_Guide_J.pdf", "Utility_Guide_E.pdf"},
    {"Utility_Guide_J.pdf", "Utility_Guide_E.pdf"},
    {"LS590_UtilityGuide_ja.pdf", "LS590_UtilityGuide_en.pdf"},
    {"Utility_Guide_J.pdf", "Utility_Guide_E.pdf"},
}};

bool HasFullManualList(ModelId id) {
    return id == 16 || id == 17 || id == 19;
}

bool IsValidModelId(ModelId id) {
    return id >= 0 && id < kModelIdCount;
}

// Every printer of this build is reached through the same USB interface.
constexpr std::string_view kUsbIdPrefix = "7a41/5c21/";

PrinterModelRow MakeRow(std::uint16_t kVariant, std::string_view modelName,
                        std::string_view displayName, std::string_view driverName,
                        std::uint16_t modelId, std::uint16_t variant, std::uint32_t thirdReserved,
                        std::uint32_t layout, std::uint32_t family, std::uint16_t settingVariant,
                        std::uint16_t versionText, std::uint32_t filterText) {
    return PrinterModelRow{
        .kVariant = kVariant,
        .modelName = std::string(modelName),
        .displayName = std::string(displayName),
        .driverName = std::string(driverName),
        .usbIdPrefix = std::string(kUsbIdPrefix),
        .modelTag = "_" + std::string(modelName),
        .searchModelName = std::string(modelName),
        .value1 = 1,
        .value2 = 1,
        .modelId = modelId,
        .variant = variant,
        .secondModelId = modelId,
        .reserved = {0, 0, thirdReserved, 0},
        .layout = layout,
        .family = family,
        .settingVariant = settingVariant,
        .versionTextNumber = versionText,
        .filterTextNumber = filterText,
    };
}

const PrinterModelRow& CurrentRow(const CurrentModel& model) {
    const auto table = PrinterNameTable();
    return model.printerRow < table.size() ? table[model.printerRow] : table[0];
}

// Name column of the flag lines: wide enough for "bFontTypeFace" and one blank.
constexpr std::size_t kFlagNameWidth = 14;

std::string FlagLine(std::string_view name, std::string_view value) {
    std::string line(name);
    line.resize(kFlagNameWidth, ' ');
    line += "= ";
    line += value;
    return line;
}

std::string_view BoolText(bool value) {
    return value ? "TRUE" : "FALSE";
}

}  // namespace

ProgramIdentity GetProgramIdentity(ModelId id) {
    if (!IsValidModelId(id)) {
        id = kBuildModelId;
    }
    const std::string name(kIdentityNames[static_cast<std::size_t>(id)]);
    return ProgramIdentity{
        .identityName = name,
        .mutexName = "POS " + name + "_Mutex",
        .executableName = name + ".exe",
        .configFileName = name + "s.ini",
        .tempSettingsFileName = name + "s.dat",
        .logoListFileName = name + "l.dat",
        .windowClassName = name,
        .modelSubtitle = (id == 16 || id == 17) ? std::string(kTrSubtitle) : std::string(),
    };
}

std::string_view ManualName(ModelId id, int languageFileIndex) {
    if (!IsValidModelId(id) || languageFileIndex < 0 || languageFileIndex >= kLanguageFileCount) {
        return {};
    }
    if (HasFullManualList(id)) {
        return kTrManuals[static_cast<std::size_t>(languageFileIndex)];
    }
    // Only the Japanese and English manuals of the other families are known; the English one is
    // the best offer for every other language.
    const ManualPair& pair = kManualPairs[static_cast<std::size_t>(id)];
    if (languageFileIndex == 0) {
        return pair.japanese;
    }
    if (languageFileIndex == kLanguageFileCount - 1) {
        return {};
    }
    return pair.english;
}

std::span<const PrinterModelRow> PrinterNameTable() {
    // The model name is what the printer itself reports when asked for its model, so the driver
    // variants "(PFBM)" and "(WL)" share the name of their base model.
    static const std::array<PrinterModelRow, 5> kRows = {
        MakeRow(0, "TR-770II", "TR-770II", "VRM TR-770II Raster", 17, 0, 1, 2, 22, 2, 178, 148),
        MakeRow(0, "TR-770", "TR-770", "VRM TR-770 Raster", 16, 1, 0, 2, 18, 0, 178, 148),
        MakeRow(0, "TR-770", "TR-770 (PFBM)", "VRM TR-770 Raster (PFBM)", 16, 2, 0, 4, 20, 0, 178,
                149),
        MakeRow(1, "TR-770K", "TR-770K", "VRM TR-770K Raster", 16, 3, 0, 2, 21, 0, 178, 150),
        MakeRow(1, "TR-770K", "TR-770K (WL)", "VRM TR-770K Raster (WL)", 16, 3, 0, 2, 21, 0, 178,
                150),
    };
    return kRows;
}

std::optional<std::size_t> FindPrinterRow(std::string_view displayName) {
    const auto table = PrinterNameTable();
    for (std::size_t row = 0; row < table.size(); ++row) {
        if (EqualsIgnoreCase(table[row].displayName, displayName)) {
            return row;
        }
    }
    return std::nullopt;
}

std::string_view FullCutModeName(FullCutMode mode) {
    switch (mode) {
        case FullCutMode::None:
            return "FULLCUT_NONE";
        case FullCutMode::CustomizeOff:
            return "FULLCUT_CUSTOMIZE_OFF";
        case FullCutMode::CustomizeOn:
            return "FULLCUT_CUSTOMIZE_ON";
        case FullCutMode::Other:
            return "FULLCUT_OTHER";
    }
    return "FULLCUT_NONE";
}

void SelectPrinterRow(CurrentModel& model) {
    if (model.printerRow >= PrinterNameTable().size()) {
        model.printerRow = 0;
    }
    const PrinterModelRow& row = CurrentRow(model);
    model.modelId = row.modelId;
    model.layout = row.layout;
    model.family = row.family;
    model.settingVariant = row.settingVariant;
}

int EffectiveRegion(const CurrentModel& model) {
    // JAPANK: the region whose factory values and flags the K variants always take.
    constexpr int kJapanKRegion = 1;
    return CurrentRow(model).kVariant != 0 ? kJapanKRegion : model.regionIndex;
}

CapabilityFlags ComputeCapabilityFlags(const CurrentModel& model) {
    // The row of the "(PFBM)" driver variant, whose cutter is configured among the customise
    // values.
    constexpr std::size_t kPfbmRow = 2;
    const std::uint32_t layout = model.layout;
    const int region = model.factoryRegionIndex;

    CapabilityFlags flags;
    flags.bGuppy = layout == 7;
    flags.bBlachmark = (layout == 1 || layout == 3 || layout == 4) && layout != 7;
    flags.bFontTypeFace = region == 4;
    flags.bCutBuzzer = region == 4;
    flags.bBusyCond = true;
    flags.bOverseaMode = model.overseaMode;
    if (layout == 1) {
        flags.FULLCUT_Mode = FullCutMode::None;
    } else if (model.overseaMode) {
        flags.FULLCUT_Mode = FullCutMode::Other;
    } else if (model.printerRow == kPfbmRow) {
        flags.FULLCUT_Mode = FullCutMode::CustomizeOn;
    } else {
        flags.FULLCUT_Mode = FullCutMode::CustomizeOff;
    }
    flags.bFontb = region < 3 || region > 6;
    flags.bMelody = model.family == 21 || model.family == 32 || (layout == 7 && region != 0);
    return flags;
}

int PaneVariant(std::uint32_t family) {
    switch (family) {
        case 32:
        case 33:
        case 34:
            return 1;
        case 35:
            return 2;
        case 36:
            return 3;
        case 47:
            return 4;
        default:
            return 0;
    }
}

std::vector<std::string> CapabilityFlagLines(const CapabilityFlags& flags) {
    return {
        FlagLine("bGuppy", BoolText(flags.bGuppy)),
        FlagLine("bBlachmark", BoolText(flags.bBlachmark)),
        FlagLine("bFontTypeFace", BoolText(flags.bFontTypeFace)),
        FlagLine("bCutBuzzer", BoolText(flags.bCutBuzzer)),
        FlagLine("bBusyCond", BoolText(flags.bBusyCond)),
        FlagLine("bOverseaMode", BoolText(flags.bOverseaMode)),
        FlagLine("FULLCUT_Mode", FullCutModeName(flags.FULLCUT_Mode)),
        FlagLine("bFontb", BoolText(flags.bFontb)),
        FlagLine("bMelody", BoolText(flags.bMelody)),
    };
}

void DefaultSet(CurrentModel& model, Logger& log, const std::function<void()>& defaultDataSet) {
    // Pane variant 5 is chosen elsewhere and must survive a change of printer.
    constexpr int kFixedPaneVariant = 5;

    SelectPrinterRow(model);
    model.factoryRegionIndex = EffectiveRegion(model);
    model.flags = ComputeCapabilityFlags(model);
    if (model.paneVariant != kFixedPaneVariant) {
        model.paneVariant = PaneVariant(model.family);
    }
    if (defaultDataSet) {
        defaultDataSet();
    }

    if (!log.enabled()) {
        return;
    }
    log.WriteLog(kLogOpenLine);
    log.WriteLog("DefaultSet");
    for (const std::string& line : CapabilityFlagLines(model.flags)) {
        log.WriteLog(line);
    }
    log.WriteLog("DefaultSet");
    log.WriteLog(kLogCloseLine);
}

RegionResult ResolveRegion(std::optional<std::string_view> speckeyValue) {
    RegionResult result{.regionIndex = 0, .overseaMode = false, .matched = false};
    if (!speckeyValue) {
        return result;
    }
    for (std::size_t i = 0; i < kRegionNames.size(); ++i) {
        if (!EqualsIgnoreCase(kRegionNames[i], *speckeyValue)) {
            continue;
        }
        const int index = static_cast<int>(i);
        result.regionIndex = index;
        result.overseaMode = index >= 2;
        result.matched = true;
        return result;
    }
    return result;
}

int VersionTextNumber(const CurrentModel& model) {
    return CurrentRow(model).versionTextNumber;
}

int FilterTextNumber(const CurrentModel& model) {
    return static_cast<int>(CurrentRow(model).filterTextNumber);
}

// The original's per-model capacity table is not available. The "NV Graphic Memory" setting names
// its sizes directly ("512KByte" steps for the TR-770II, "64KByte" steps for the others), and the
// factory values derive the capacity from the choice the same way, so the nominal capacity is the
// capacity the user's choice names. A choice outside the list names no memory.
std::uint32_t NominalNvCapacity(int nvGraphicChoice, ModelId id) {
    constexpr std::uint32_t kTr770IIStep = 524'288;
    constexpr std::uint32_t kOtherStep = 65'536;
    if (nvGraphicChoice < 0 || nvGraphicChoice > kMaxNvGraphicChoice) {
        return 0;
    }
    const std::uint32_t step = id == kBuildModelId ? kTr770IIStep : kOtherStep;
    return static_cast<std::uint32_t>(nvGraphicChoice) * step;
}

}  // namespace vrtruty::app
