#include "settings/setting_items.h"

#include <algorithm>
#include <array>

#include "settings/setting_encoding.h"

namespace vrtruty::settings {
namespace {

using enum LocationKind;
using enum Availability;

constexpr int MS = kPageMemorySwitch;
constexpr int CV = kPageCustomizeValue;
constexpr int OT = kPageOther;

constexpr PrinterLocation Msw(int number, int bit) {
    return {MemorySwitch, number, bit};
}
constexpr PrinterLocation Cv(int number) {
    return {CustomizeValue, number};
}
constexpr PrinterLocation Si(int number) {
    return {SerialItem, number};
}

// Page entries of the model variants (after the regular rows of their pages).
constexpr int kNvGraphicMemoryTr770II = 17;  // Customize Value
constexpr int kErrorAlert = 16;              // Other

// Byte 67, "Cutter Mode": a customise value of the TR-770 (PFBM), a memory-switch bit elsewhere.
constexpr int kCutterByte = 67;
constexpr int kBusyConditionByte = 51;
constexpr int kMaxSpeedByte = 65;
constexpr int kErrorByte = 76;
constexpr int kPneDetectByte = 78;
constexpr int kBuzzerByte = 84;
constexpr int kSpeedAtGrayscaleByte = 91;
// The printer family without a paper-near-end sensor and without the error buzzer.
constexpr std::uint32_t kFamilyWithoutPneSensor = 24;

constexpr std::array<SettingItem, 44> kItems = {{
    // Memory Switch
    {49, MS, 0, 1, Msw(1, 1), Always},           // Power on Status
    {50, MS, 1, 1, Msw(1, 2), Always},           // Receive Buffer
    {51, MS, 2, 1, Msw(1, 3), Always},           // Busy Condition
    {52, MS, 3, 1, Msw(1, 4), Always},           // Receive Error
    {53, MS, 4, 1, Msw(1, 5), Always},           // Auto LF
    {54, MS, 5, 1, Msw(1, 7), Always},           // DSR(#6)Reset
    {55, MS, 6, 1, Msw(1, 8), Always},           // INIT(#25)Reset
    {56, MS, 7, 1, Msw(2, 1), Always},           // INIT(#31)Reset
    {58, MS, 8, 1, Msw(8, 8), Always},           // Cover Open Error
    {57, MS, 9, 1, Msw(8, 6), Blackmark},        // BM Check at Power on
    {94, MS, 10, 1, Msw(127, 4), FontTypeFace},  // Font
    // Customize Value
    {59, CV, 0, 3, Cv(1), Always},              // User NV Memory
    {60, CV, 1, 6, Cv(2), Always},              // NV Graphic Memory
    {61, CV, 2, 5, Cv(3), Always},              // Paper Width
    {62, CV, 3, 1, Cv(116), Always},            // Print Color
    {63, CV, 4, 12, Cv(5), Always},             // Print Density
    {90, CV, 5, 8, Cv(53), Tr770IIOnly},        // Grayscale Density
    {64, CV, 6, 12, Cv(118), Always},           // BK Density(2Color)
    {65, CV, 7, 10, Cv(6), Always},             // Max Speed
    {91, CV, 8, 8, Cv(54), Tr770IIOnly},        // Speed at Grayscale
    {66, CV, 9, 2, Cv(97), Always},             // Low Power
    {kCutterByte, CV, 10, 2, Cv(127), Always},  // Cutter Mode (customise-value list)
    {68, CV, 11, 4, Cv(125), Melody},           // Buzzer Interval
    {69, CV, 12, 5, Cv(126), Melody},           // Buzzer Repetition
    {92, CV, 13, 2, Cv(122), Tr770IIOnly},      // Tof at Auto Logo
    {70, CV, 14, 6, Si(1), Always},             // Baudrate
    {71, CV, 15, 4, Si(4), Always},             // Format: data length SI 4, parity SI 2
    {72, CV, 16, 1, Si(3), Always},             // Protocol
    // Other
    {73, OT, 0, 1, Msw(127, 6), Always},           // ACK Pulse Width
    {74, OT, 1, 1, Msw(126, 6), Always},           // USB
    {75, OT, 2, 1, Msw(126, 3), Always},           // Serial Number
    {76, OT, 3, 1, Msw(126, 1), Always},           // Error
    {77, OT, 4, 1, Msw(126, 7), Always},           // Process ID
    {78, OT, 5, 1, Msw(126, 2), Always},           // PNE Detect
    {79, OT, 6, 1, Msw(126, 4), Always},           // Font-B (written only when bFontb)
    {80, OT, 7, 1, Msw(127, 1), Always},           // Batch (COM IF)
    {81, OT, 8, 1, Msw(125, 1), Always},           // Batch (Other IF)
    {kCutterByte, OT, 9, 1, Msw(126, 5), Always},  // Cutter Mode (overseas list)
    {82, OT, 10, 1, Msw(127, 8), Blackmark},       // BM Sensor
    {83, OT, 11, 1, Msw(127, 5), Blackmark},       // BM Check with Cut
    {84, OT, 12, 1, Msw(126, 8), Always},          // Buzzer / Error Alert
    {85, OT, 13, 1, Msw(125, 2), PfbmOnly},        // Roll Paper Unit
    {86, OT, 14, 1, Msw(125, 6), PfbmOnly},        // Roll Paper Unit PE Detection
    {93, OT, 15, 1, Msw(125, 4), Tr770IIOnly},     // Auto Logo Print
}};

}  // namespace

std::span<const SettingItem> SettingItems() {
    return kItems;
}

const SettingItem* FindSettingItem(int recordByte, int page) {
    for (const SettingItem& item : SettingItems()) {
        if (item.recordByte == recordByte && item.page == page) {
            return &item;
        }
    }
    return nullptr;
}

bool ModelHasItem(const SettingItem& item, const app::CurrentModel& model) {
    switch (item.availability) {
        case Always:
            return true;
        case Blackmark:
            return model.flags.bBlachmark;
        case FontTypeFace:
            return model.flags.bFontTypeFace;
        case Melody:
            return model.flags.bMelody;
        case Tr770IIOnly:
            return model.printerRow == kRowTr770II;
        case PfbmOnly:
            return model.printerRow == kRowPfbm;
    }
    return false;
}

bool ItemShown(const SettingItem& item, const app::CurrentModel& model) {
    if (item.recordByte == kCutterByte) {
        const bool onOther = model.flags.FULLCUT_Mode == app::FullCutMode::Other;
        return onOther == (item.page == kPageOther);
    }
    if (item.recordByte == kFontBByte) {
        return model.flags.bFontb;
    }
    switch (item.availability) {
        case Blackmark:
        case PfbmOnly:
            return true;  // shown, but fixed where the printer lacks the paper unit
        default:
            return ModelHasItem(item, model);
    }
}

bool ItemEnabled(const SettingItem& item, const app::CurrentModel& model) {
    if (!ItemShown(item, model) || !ModelHasItem(item, model)) {
        return false;
    }
    switch (item.recordByte) {
        case kCutterByte:
            return item.page == kPageOther ||
                   model.flags.FULLCUT_Mode == app::FullCutMode::CustomizeOn;
        case kBusyConditionByte:
            return model.flags.bBusyCond;
        case kErrorByte:
            return false;  // the printer's own recovery rule; shown for information
        case kPneDetectByte:
        case kBuzzerByte:
            return model.family != kFamilyWithoutPneSensor;
        default:
            return true;
    }
}

int ShownChoice(const SettingItem& item, const app::CurrentModel& model,
                const SettingRecord& record, int workingDefault) {
    if (item.recordByte == kCutterByte && item.page == kPageCustomizeValue &&
        model.printerRow != kRowPfbm) {
        return workingDefault;
    }
    return record[static_cast<std::size_t>(item.recordByte)];
}

void CollectPage(SettingRecord& record, int page, const app::CurrentModel& model, int cutterDefault,
                 const std::function<int(const SettingItem&)>& chosen) {
    const app::FullCutMode mode = model.flags.FULLCUT_Mode;
    for (const SettingItem& item : SettingItems()) {
        if (item.page != page) {
            continue;
        }
        const auto at = static_cast<std::size_t>(item.recordByte);
        if (item.recordByte == kCutterByte) {
            if (page == kPageCustomizeValue && mode == app::FullCutMode::CustomizeOn) {
                record[at] = static_cast<std::uint8_t>(chosen(item));
            } else if (page == kPageOther) {
                record[at] = static_cast<std::uint8_t>(
                    mode == app::FullCutMode::Other
                        ? chosen(item)
                        : (mode == app::FullCutMode::CustomizeOff ? cutterDefault : record[at]));
            }
        } else if (ItemShown(item, model)) {
            record[at] = static_cast<std::uint8_t>(chosen(item));
        }
    }
}

int ShownChoiceCount(const SettingItem& item, const app::CurrentModel& model) {
    switch (item.recordByte) {
        case kMaxSpeedByte:
            return MaxSpeedLimit(model.family);
        case kSpeedAtGrayscaleByte:
            return std::min(MaxSpeedLimit(model.family), item.highestIndex + 1);
        default:
            return std::min(item.highestIndex, HighestValidIndex(item.recordByte, model)) + 1;
    }
}

int PageItemFor(const SettingItem& item, const app::CurrentModel& model) {
    if (item.recordByte == 60 && model.printerRow == kRowTr770II) {
        return kNvGraphicMemoryTr770II;
    }
    if (item.recordByte == 84 && model.printerRow == kRowTr770K) {
        return kErrorAlert;
    }
    return item.pageItem;
}

int HighestValidIndex(int recordByte, const app::CurrentModel& model) {
    if (recordByte == 65) {
        return model.printerRow == kRowTr770II ? 10 : 8;
    }
    if (recordByte == kCutterByte) {
        return model.printerRow == kRowPfbm ? 2 : 1;
    }
    for (const SettingItem& item : SettingItems()) {
        if (item.recordByte == recordByte) {
            return item.highestIndex;
        }
    }
    return 0;
}

std::string ItemName(const lang::TextTable& texts, const SettingItem& item,
                     const app::CurrentModel& model) {
    return texts.SettingName(item.page, PageItemFor(item, model));
}

std::string ItemChoice(const lang::TextTable& texts, const SettingItem& item,
                       const app::CurrentModel& model, int choice) {
    return texts.SettingChoice(item.page, PageItemFor(item, model), choice);
}

}  // namespace vrtruty::settings
