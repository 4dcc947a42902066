#include "core/serial_settings.h"

#include <charconv>
#include <string>
#include <vector>

#include "core/unicode.h"

namespace vrtruty::app {
namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    while (true) {
        const std::size_t comma = text.find(',');
        fields.push_back(TrimBlanks(text.substr(0, comma)));
        if (comma == std::string_view::npos) {
            return fields;
        }
        text.remove_prefix(comma + 1);
    }
}

std::uint16_t BaudIndex(std::string_view field) {
    long rate = 0;
    std::from_chars(field.data(), field.data() + field.size(), rate);
    switch (rate) {
        case 2400:
            return 0;
        case 4800:
            return 1;
        case 19200:
            return 3;
        case 38400:
            return 4;
        case 57600:
            return 5;
        case 115200:
            return 6;
        default:
            return 2;  // 9600 and every rate the printer does not offer
    }
}

}  // namespace

SerialSettings ParsePortProfileText(std::string_view text, bool softwareHandshakeDefault) {
    const auto fields = SplitFields(text);
    const auto field = [&](std::size_t i) { return i < fields.size() ? fields[i] : ""; };

    SerialSettings s;
    s.baudIndex = BaudIndex(field(0));
    s.dataBits = field(2) == "7" ? 0 : 1;
    if (EqualsIgnoreCase(field(1), "e")) {
        s.parity = 1;
    } else if (EqualsIgnoreCase(field(1), "o")) {
        s.parity = 2;
    } else {
        s.parity = 0;
    }
    if (field(4).empty()) {
        s.protocolIndex = softwareHandshakeDefault ? 1 : 0;
    } else {
        s.protocolIndex = EqualsIgnoreCase(field(4), "x") ? 1 : 0;
    }
    if (s.dataBits == 1) {
        s.formatIndex = static_cast<std::uint16_t>(2 + s.parity);  // 8N1, 8E1, 8O1
    } else {
        s.formatIndex = s.parity == 1 ? 0 : 1;  // 7E1, else 7O1
    }
    return s;
}

}  // namespace vrtruty::app
