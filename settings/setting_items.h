// The one table of the settings this utility edits: for every record byte its page and texts, its
// place in the printer, its highest valid index and the models that have it. Reading, writing,
// setting files, the command line and the tab pages all work from it.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/catalogue.h"
#include "lang/text_table.h"
#include "settings/setting_record.h"

namespace vrtruty::settings {

// Setting page slots of the text table (the three pages this utility shows).
inline constexpr int kPageMemorySwitch = 6;
inline constexpr int kPageCustomizeValue = 7;
inline constexpr int kPageOther = 8;

// Where a setting lives in the printer.
enum class LocationKind {
    MemorySwitch,    // one bit of a memory switch: GS ( E functions 3 and 4
    CustomizeValue,  // a 16-bit number: GS ( E functions 5 and 6
    SerialItem,      // ASCII text: GS ( E functions 11 and 12
};
struct PrinterLocation {
    LocationKind kind;
    int number;   // switch, value or item number
    int bit = 0;  // memory-switch bit 1..8
};

// Which models have a setting.
enum class Availability {
    Always,
    Blackmark,     // bBlachmark: the black-mark paper layouts
    FontTypeFace,  // bFontTypeFace: region XRV
    Melody,        // bMelody: the buzzer patterns of the K variants
    Tr770IIOnly,   // printer row 0
    PfbmOnly,      // printer row 2
};

struct SettingItem {
    int recordByte;
    int page;          // kPageMemorySwitch, kPageCustomizeValue, kPageOther
    int pageItem;      // position of its name and choices on the page's text table entry
    int highestIndex;  // the largest valid choice index (model limits: HighestValidIndex)
    PrinterLocation location;
    Availability availability;
};

// Rows of the printer-name table the availability and the variants name.
inline constexpr std::size_t kRowTr770II = 0;
inline constexpr std::size_t kRowPfbm = 2;
inline constexpr std::size_t kRowTr770K = 3;

// The items of the three pages in page order ("Cutter Mode", byte 67, appears on two pages).
std::span<const SettingItem> SettingItems();

// The item of a record byte on a page; nothing for bytes this utility does not edit.
const SettingItem* FindSettingItem(int recordByte, int page);

// Whether the chosen model's printer holds the item, by its availability; where "Cutter Mode" is
// edited is a question of the pages (ItemShown).
bool ModelHasItem(const SettingItem& item, const app::CurrentModel& model);

// Whether the item's row is on its page for the model and region. A hidden row leaves no gap; it
// is neither read from nor written to the record by the page. "Cutter Mode" stands on "Customize
// Value" unless the region edits it on "Other"; "Font-B" is offered only where it is sent.
bool ItemShown(const SettingItem& item, const app::CurrentModel& model);

// Whether a shown row can be changed. Rows the model's printer does not use stay visible but
// fixed: the black-mark and roll-paper rows, "Error", and "Cutter Mode" on "Customize Value"
// except on the TR-770 (PFBM) of a Japanese region.
bool ItemEnabled(const SettingItem& item, const app::CurrentModel& model);

// The choice a shown row displays: the record's value, except for a "Cutter Mode" row that the
// model does not edit, which shows the model's working default.
int ShownChoice(const SettingItem& item, const app::CurrentModel& model,
                const SettingRecord& record, int workingDefault);

// Stores the choices of a page's shown rows into the record; chosen gives a row's selection.
// "Cutter Mode" follows the full-cut mode: "Customize Value" stores it only where that page edits
// it, and "Other" takes it from its row where it edits it and otherwise resets it to the model's
// working default, so that a value the model does not edit never reaches the printer.
void CollectPage(SettingRecord& record, int page, const app::CurrentModel& model, int cutterDefault,
                 const std::function<int(const SettingItem&)>& chosen);

// The number of choices the row offers the model: "Max Speed" and "Speed at Grayscale" by the
// printer family, the model limits of HighestValidIndex elsewhere.
int ShownChoiceCount(const SettingItem& item, const app::CurrentModel& model);

// The page entry whose name and choices the model shows for the item: the TR-770II's own "NV
// Graphic Memory" list and the TR-770K's "Error Alert" are variants of their items.
int PageItemFor(const SettingItem& item, const app::CurrentModel& model);

// The highest valid index of a record byte for the model: "Max Speed" 10 for the TR-770II and 8
// for the others, "Cutter Mode" 2 for the TR-770 (PFBM) and 1 for the others.
int HighestValidIndex(int recordByte, const app::CurrentModel& model);

// The item's name and a choice in a language slot.
std::string ItemName(const lang::TextTable& texts, const SettingItem& item,
                     const app::CurrentModel& model);
std::string ItemChoice(const lang::TextTable& texts, const SettingItem& item,
                       const app::CurrentModel& model, int choice);

}  // namespace vrtruty::settings
