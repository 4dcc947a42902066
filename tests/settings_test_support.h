// What the printer-settings tests share: the catalogue's printer rows, a printer selected with or
// without its factory values, and the user-setting mode's IN and OUT.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/catalogue.h"
#include "core/log.h"
#include "core/profile_file.h"
#include "lang/text_table.h"
#include "settings/factory_settings.h"
#include "settings/settings_state.h"
#include "test_support.h"

namespace vrtruty::test {

inline constexpr std::size_t kTr770II = 0;
inline constexpr std::size_t kTr770 = 1;
inline constexpr std::size_t kPfbm = 2;
inline constexpr std::size_t kTr770K = 3;
inline constexpr std::size_t kTr770KWl = 4;

inline const std::vector<std::uint8_t> kIn = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 'I', 'N'};
inline const std::vector<std::uint8_t> kOut = {0x1D, 0x28, 0x45, 0x04, 0x00, 0x02, 'O', 'U', 'T'};

// The row with its catalogue values, without the factory-values step.
inline app::CurrentModel SettingsModel(std::size_t row) {
    app::CurrentModel model;
    model.printerRow = row;
    app::Logger log;
    app::DefaultSet(model, log);
    return model;
}

// Selects the row as start-up does: the working defaults from the configuration, then DefaultSet
// with DefaultDataSet as its factory-values step, which puts the row's factory values into the
// record being edited.
inline app::CurrentModel SelectPrinter(settings::SettingsState& state, std::size_t row,
                                       const lang::TextTable& texts, app::Logger& log,
                                       std::string_view region = "JAPAN", bool xonXoff = false,
                                       const app::ProfileFile& config = {}) {
    app::CurrentModel model;
    model.printerRow = row;
    const app::RegionResult resolved = app::ResolveRegion(region);
    model.regionIndex = resolved.regionIndex;
    model.overseaMode = resolved.overseaMode;
    app::SelectPrinterRow(model);
    model.flags = app::ComputeCapabilityFlags(model);
    settings::BuildModelDefaults(state, config, texts, texts.languageIndex(), model);
    app::DefaultSet(model, log,
                    [&] { settings::DefaultDataSet(state, model, xonXoff, texts, log); });
    return model;
}

}  // namespace vrtruty::test
