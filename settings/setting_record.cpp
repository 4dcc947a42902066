#include "settings/setting_record.h"

#include <algorithm>

namespace vrtruty::settings {

std::string SettingRecord::modelName() const {
    const auto end = std::find(bytes.begin(), bytes.begin() + kModelNameSize, 0);
    return std::string(bytes.begin(), end);
}

void SettingRecord::setModelName(std::string_view name) {
    std::fill(bytes.begin(), bytes.begin() + kModelNameSize, 0);
    std::copy_n(name.begin(), std::min(name.size(), kModelNameSize), bytes.begin());
}

}  // namespace vrtruty::settings
