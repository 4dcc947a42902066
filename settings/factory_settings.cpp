#include "settings/factory_settings.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "core/config.h"
#include "lang/text_numbers.h"
#include "settings/setting_items.h"

namespace vrtruty::settings {
namespace {

// Record bytes the factory values treat specially.
constexpr std::size_t kSixPageSpeedByte = 32;   // the six-page layout's speed
constexpr std::size_t kPneLengthHundreds = 41;  // the PNE length as three decimal digits
constexpr std::size_t kPneLengthTens = 42;
constexpr std::size_t kPneLengthUnits = 43;
constexpr std::size_t kSixPageProtocolByte = 46;  // the six-page layout's serial protocol
constexpr std::size_t kPaperWidthByte = 61;
constexpr std::size_t kMaxSpeedByte = 65;
constexpr std::size_t kCutterByte = 67;
constexpr std::size_t kProtocolByte = 72;
constexpr std::size_t kSixPageByte87 = 87;  // always starts at 0 for this catalogue's models

// The TR-770 generation and the K variants print at most at speed 9 (index 8); the template row
// they share with the TR-770II holds that model's 11.
constexpr std::uint8_t kSlowModelMaxSpeed = 8;
// Index of "XON/XOFF" in the protocol lists.
constexpr std::uint8_t kXonXoff = 1;
// The rows whose cutter is a memory-switch bit ("Partial", "Full") default to a full cut; the
// template's 2 is an index into the three-choice list of the TR-770 (PFBM).
constexpr std::uint8_t kFullCut = 1;
// "80mm/42column": the TR-770II's paper width in the region XRV.
constexpr std::uint8_t kXrvPaperWidth = 2;
constexpr int kXrvRegion = 4;
// Values of PrinterModelRow that the adjustments ask for.
constexpr std::uint16_t kSlowSettingVariant = 0;  // every row but the TR-770II
constexpr std::uint16_t kPfbmVariant = 2;         // its cutter is a customise value of its own
constexpr std::uint16_t kTr770IIVariant = 0;
// "Cutter Mode" takes a configured value up to 2 on either page: the customise-value list has
// three choices, and the overseas list is checked against the same bound.
constexpr int kCutterChoices = 3;

constexpr std::size_t Offset(std::size_t recordByte) {
    return recordByte - kSixPageBytesBegin;
}

// Bytes 16-94 as rows 2, 4 and 10 have them in common; the rows differ only in the black-mark
// items, the cutter and the buzzer.
constexpr FactoryRow kCommonValues = {
    // 16-31: the six-page layout
    0, 1, 0, 0, 1, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0,
    // 32-48: its speed (32), and its serial items 115200, 8N1, DSR/DTR (44-46)
    12, 3, 0, 1, 3, 0, 0, 0, 0, 0, 0, 0, 6, 2, 0, 0, 0,
    // 49-58: Memory Switch
    1, 0, 1, 0, 0, 0, 0, 1, 1, 0,
    // 59-72: Customize Value
    3, 6, 1, 0, 6, 6, 10, 0, 2, 1, 3, 6, 2, 0,
    // 73-86: Other
    0, 1, 1, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0,
    // 87-89: six-page layout; 90-94: the TR-770II's grayscale and logo items and "Font"
    0, 0, 1, 4, 8, 2, 1, 0};

struct RowDifferences {
    std::uint8_t bmCheckAtPowerOn;  // byte 57
    std::uint8_t cutterMode;        // byte 67
    std::uint8_t bmCheckWithCut;    // byte 83
    std::uint8_t buzzer;            // byte 84
};

constexpr FactoryRow MakeRow(const RowDifferences& d) {
    FactoryRow row = kCommonValues;
    row[Offset(57)] = d.bmCheckAtPowerOn;
    row[Offset(kCutterByte)] = d.cutterMode;
    row[Offset(83)] = d.bmCheckWithCut;
    row[Offset(84)] = d.buzzer;
    return row;
}

constexpr std::array<FactoryRow, kFactoryTableRows> kFactoryTable = [] {
    std::array<FactoryRow, kFactoryTableRows> table{};
    table[2] = MakeRow({.bmCheckAtPowerOn = 1, .cutterMode = 2, .bmCheckWithCut = 0, .buzzer = 0});
    // Black-mark paper: no check at power-on, but one with every cut; cutter "Command(P/F)".
    table[4] = MakeRow({.bmCheckAtPowerOn = 0, .cutterMode = 0, .bmCheckWithCut = 1, .buzzer = 0});
    // K variants: the buzzer reports errors.
    table[10] = MakeRow({.bmCheckAtPowerOn = 1, .cutterMode = 2, .bmCheckWithCut = 0, .buzzer = 1});
    return table;
}();

// Whether a printer row takes a configured value for an item at all. The model-specific items
// are configurable only where the printer has them, "Buzzer Interval" and "Buzzer Repetition"
// only for the TR-770K itself; "Cutter Mode" only on the page the full-cut mode shows it on.
bool TakesConfiguredValue(const SettingItem& item, std::size_t row, app::FullCutMode mode) {
    if (static_cast<std::size_t>(item.recordByte) == kCutterByte) {
        return (item.page == kPageOther) == (mode == app::FullCutMode::Other);
    }
    switch (item.availability) {
        case Availability::Melody:
            return row == kRowTr770K;
        case Availability::Tr770IIOnly:
            return row == kRowTr770II;
        default:
            return true;
    }
}

// Number of choices a configured value must stay below. "Max Speed" offers the TR-770II's 11
// steps only on that model.
int ChoiceCount(const SettingItem& item, const app::CurrentModel& rowModel) {
    const auto recordByte = static_cast<std::size_t>(item.recordByte);
    if (recordByte == kCutterByte) {
        return kCutterChoices;
    }
    if (recordByte == kMaxSpeedByte) {
        return HighestValidIndex(item.recordByte, rowModel) + 1;
    }
    return item.highestIndex + 1;
}

// A configured number as the decimal conversion of configuration values reads it: leading digits
// after blanks, anything else 0. Negative numbers name no choice.
std::optional<int> ConfiguredChoice(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        return std::nullopt;
    }
    if (error != std::errc{}) {
        return 0;
    }
    if (value < 0) {
        return std::nullopt;
    }
    return value;
}

void ApplyConfiguredValues(ModelDefaults& defaults, std::size_t row, const app::ProfileFile& config,
                           const lang::TextTable& texts, std::size_t languageSlot,
                           const app::CurrentModel& model) {
    app::CurrentModel rowModel = model;
    rowModel.printerRow = row;
    const std::string& section = app::PrinterNameTable()[row].displayName;
    for (const SettingItem& item : SettingItems()) {
        if (!TakesConfiguredValue(item, row, model.flags.FULLCUT_Mode)) {
            continue;
        }
        // The label the row shows: the TR-770II's "NV Graphic Memory", the TR-770K's "Error
        // Alert" in place of "Buzzer".
        const std::string& label =
            texts.Get({lang::TextRef::Kind::SettingName, 0, item.page, PageItemFor(item, rowModel)},
                      languageSlot);
        if (label.empty()) {
            continue;  // a language without this text names no key
        }
        const auto value = app::ReadConfigValue(config, section, label);
        if (!value) {
            continue;
        }
        defaults.overridden = true;
        const auto choice = ConfiguredChoice(*value);
        if (choice && *choice < ChoiceCount(item, rowModel)) {
            defaults.at(static_cast<std::size_t>(item.recordByte)) =
                static_cast<std::uint8_t>(*choice);
        }
    }
}

void AdjustWorkingDefaults(ModelDefaults& defaults, const app::PrinterModelRow& row, bool xonXoff,
                           int configuredRegion) {
    if (row.settingVariant == kSlowSettingVariant) {
        defaults.at(kSixPageSpeedByte) = kSlowModelMaxSpeed;
        defaults.at(kMaxSpeedByte) = kSlowModelMaxSpeed;
    }
    if (xonXoff) {
        defaults.at(kSixPageProtocolByte) = kXonXoff;
        defaults.at(kProtocolByte) = kXonXoff;
    }
    if (row.variant != kPfbmVariant) {
        defaults.at(kCutterByte) = kFullCut;
        if (row.variant == kTr770IIVariant && configuredRegion == kXrvRegion) {
            defaults.at(kPaperWidthByte) = kXrvPaperWidth;
        }
    }
    defaults.at(kSixPageByte87) = 0;
}

}  // namespace

std::span<const FactoryRow, kFactoryTableRows> FactorySettingTable() {
    return kFactoryTable;
}

std::size_t FactoryRowFor(const app::PrinterModelRow& row) {
    constexpr std::size_t kKVariantRowOffset = 8;
    return row.kVariant * kKVariantRowOffset + row.layout;
}

void BuildModelDefaults(SettingsState& state, const app::ProfileFile& config,
                        const lang::TextTable& texts, std::size_t languageSlot,
                        const app::CurrentModel& model) {
    const auto printers = app::PrinterNameTable();
    for (std::size_t row = 0; row < printers.size() && row < state.modelDefaults.size(); ++row) {
        ModelDefaults& defaults = state.modelDefaults[row];
        defaults.overridden = false;
        const std::size_t tableRow = FactoryRowFor(printers[row]);
        defaults.bytes = tableRow < kFactoryTableRows ? kFactoryTable[tableRow] : FactoryRow{};
        ApplyConfiguredValues(defaults, row, config, texts, languageSlot, model);
    }
}

void DefaultDataSet(SettingsState& state, app::CurrentModel& model, bool xonXoff,
                    const lang::TextTable& texts, app::Logger& log) {
    log.WriteLog(app::kLogOpenLine);
    log.WriteLog("DefaultDataSet");

    app::SelectPrinterRow(model);
    const auto printers = app::PrinterNameTable();
    state.current.setModelName(printers[model.printerRow].modelName);
    model.factoryRegionIndex = app::EffectiveRegion(model);

    for (std::size_t row = 0; row < printers.size() && row < state.modelDefaults.size(); ++row) {
        ModelDefaults& defaults = state.modelDefaults[row];
        if (defaults.overridden) {
            log.WriteLog("Setup IniData Enable");
            continue;
        }
        log.WriteLog("Setup IniData Disable");
        AdjustWorkingDefaults(defaults, printers[row], xonXoff, model.regionIndex);
    }

    if (model.printerRow < state.modelDefaults.size()) {
        const ModelDefaults& selected = state.modelDefaults[model.printerRow];
        std::copy(selected.bytes.begin(), selected.bytes.end(),
                  state.current.bytes.begin() + kSixPageBytesBegin);
    }
    state.pneLengthText = texts.Text(lang::INF_DEFAULT);
    state.nvCapacity = app::NominalNvCapacity(state.rememberedNvChoice, model.modelId);

    log.WriteLog("DefaultDataSet");
    log.WriteLog(app::kLogCloseLine);
}

std::string PneLengthText(const SettingRecord& record, const lang::TextTable& texts) {
    const int centimetres =
        record[kPneLengthHundreds] * 100 + record[kPneLengthTens] * 10 + record[kPneLengthUnits];
    if (centimetres == 0) {
        return texts.Text(lang::INF_DEFAULT);
    }
    return "(" + std::to_string(centimetres) + "cm)";
}

}  // namespace vrtruty::settings
