// Feeds arbitrary bytes, as a setting file, to the import check of every printer model. Stops
// when a file is accepted with a value beyond the model's limits, or refused without a reason.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/log.h"
#include "fuzz_support.h"
#include "lang/language_files.h"
#include "settings/setting_files.h"
#include "settings/setting_items.h"
#include "tests/settings_test_support.h"

using namespace vrtruty;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const lang::TextTable texts = lang::LoadLanguageTexts({});
    const std::span<const std::uint8_t> bytes(data, size);
    for (std::size_t row = 0; row < 5; ++row) {
        settings::SettingsState state;
        app::Logger log;
        const app::CurrentModel model = test::SelectPrinter(state, row, texts, log);
        const settings::SettingFileCheck check =
            settings::CheckSettingFile(bytes, state.current, model, texts);
        if (check.code != settings::SET_SUCCESS) {
            fuzz::Require(!check.reason.empty());
            continue;
        }
        fuzz::Require(size == settings::kSettingImageSize);
        for (std::size_t b = 0; b < settings::kSettingRecordSize; ++b) {
            const bool stored = (b >= 49 && b <= 86) || b >= 90;
            fuzz::Require(!stored || check.record[b] <=
                                         settings::HighestValidIndex(static_cast<int>(b), model));
        }
    }
    return 0;
}
