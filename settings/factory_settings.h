// The factory values of the printer settings: the template table every model's defaults come
// from, the working defaults that the configuration file may override per model, and the step
// that loads them into the record being edited.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/catalogue.h"
#include "core/log.h"
#include "core/profile_file.h"
#include "lang/text_table.h"
#include "settings/setting_record.h"
#include "settings/settings_state.h"

namespace vrtruty::settings {

// One template row: record bytes 16 to 94.
using FactoryRow = std::array<std::uint8_t, kFactoryBytes>;

// Rows of the template table, shared with the sibling utilities' layouts.
inline constexpr std::size_t kFactoryTableRows = 64;

// The template table, indexed by K flag × 8 + layout. Only rows 2, 4 and 10 belong to printers of
// this utility; the rows of the sibling families are not carried and read as zeros.
std::span<const FactoryRow, kFactoryTableRows> FactorySettingTable();

// The template row a printer model takes its factory values from.
std::size_t FactoryRowFor(const app::PrinterModelRow& row);

// Fills the working defaults of every printer row from the template table, then lets the
// configuration override single values: for each item, a key named by its label in the
// configured language, in the section named after the printer's display name. Any such key marks
// the row as overridden, which exempts it from the adjustments of DefaultDataSet; the value is
// stored only when it names one of the item's choices. The full-cut mode decides on which page
// "Cutter Mode" is looked up, so `model.flags` must already be computed.
void BuildModelDefaults(SettingsState& state, const app::ProfileFile& config,
                        const lang::TextTable& texts, std::size_t languageSlot,
                        const app::CurrentModel& model);

// Loads the factory values of the selected printer into the current record, adjusting the working
// defaults of every row that the configuration leaves alone to the region, the COM protocol and
// the row's speed and cutter, and derives the NV-graphics capacity for the logo functions from the
// NV-graphic choice last confirmed with the printer. Runs as DefaultSet's factory-values step.
void DefaultDataSet(SettingsState& state, app::CurrentModel& model, bool xonXoff,
                    const lang::TextTable& texts, app::Logger& log);

// The "PNE Length" display text from record bytes 41-43 (hundreds, tens, units): "(125cm)", or
// the "(Unset)" text of the current language when the length is 0.
std::string PneLengthText(const SettingRecord& record, const lang::TextTable& texts);

}  // namespace vrtruty::settings
