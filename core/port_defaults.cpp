#include "core/port_defaults.h"

#include "core/config.h"
#include "core/serial_settings.h"

namespace vrtruty::app {

std::string ReadPortProfileText(const ProfileFile& portDefaults, std::string_view longName) {
    const auto text = ReadConfigValue(portDefaults, kPortDefaultsSection, longName);
    return text && !text->empty() ? *text : std::string(kDefaultPortProfileText);
}

std::string PortProfileText(const SerialSettings& serial) {
    static constexpr std::string_view kBaud[] = {"2400",  "4800",  "9600",  "19200",
                                                 "38400", "57600", "115200"};
    const std::string_view baud = kBaud[serial.baudIndex < 7 ? serial.baudIndex : 2];
    const bool sevenBits = serial.dataBits == 0;
    std::string_view format = "n,8,1";
    if (serial.parity == 1) {
        format = sevenBits ? "e,7,1" : "e,8,1";
    } else if (serial.parity == 2) {
        format = sevenBits ? "o,7,1" : "o,8,1";
    }
    const std::string_view handshake = serial.protocolIndex == 1 ? "x" : "p";
    return std::string(baud) + "," + std::string(format) + "," + std::string(handshake);
}

std::optional<std::string> ApplyComPortSettings(const std::filesystem::path& home, PortKind kind,
                                                std::string_view longName,
                                                const SerialSettings& serial) {
    if (kind != PortKind::PORT_COM) {
        return std::nullopt;
    }
    const std::filesystem::path file = home / kPortDefaultsFileName;
    ProfileFile store = ProfileFile::Load(file);
    if (!store.missingOrLoaded()) {
        return std::nullopt;  // saving would replace the other ports' defaults
    }
    const std::string text = PortProfileText(serial);
    store.Write(kPortDefaultsSection, longName, text);
    if (store.Save(file)) {
        return std::nullopt;
    }
    return text;
}

}  // namespace vrtruty::app
