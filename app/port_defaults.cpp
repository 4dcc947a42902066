#include "app/port_defaults.h"

#include "app/config.h"
#include "app/serial_settings.h"

namespace vrtruty::app {

std::string ReadPortProfileText(const ProfileFile& portDefaults, std::string_view longName) {
    const auto text = ReadConfigValue(portDefaults, kPortDefaultsSection, longName);
    return text && !text->empty() ? *text : std::string(kDefaultPortProfileText);
}

}  // namespace vrtruty::app
