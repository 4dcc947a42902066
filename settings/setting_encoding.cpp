#include "settings/setting_encoding.h"

#include "settings/setting_items.h"

namespace vrtruty::settings {

bool ModelHasSetting(int recordByte, const app::CurrentModel& model) {
    if (recordByte == kCutterModeByte) {
        return true;
    }
    // The pages only decide where "Cutter Mode" is edited; every other byte has one item.
    for (const SettingItem& item : SettingItems()) {
        if (item.recordByte == recordByte) {
            return ModelHasItem(item, model);
        }
    }
    return false;
}

bool CutterIsCustomizeValue(const app::CurrentModel& model) {
    return model.printerRow == kRowPfbm;
}

int MaxSpeedLimit(std::uint32_t family) {
    switch (family) {
        case 22:
        case 32:
        case 46:
            return 11;
        case 23:
            return 8;
        case 24:
            return 5;
        default:
            return 9;
    }
}

}  // namespace vrtruty::settings
