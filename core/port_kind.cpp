#include "core/port_kind.h"

#include <array>

#include "core/unicode.h"

namespace vrtruty::app {
namespace {

constexpr std::array<std::string_view, 5> kWords = {"COM", "USB", "LPT", "WIN", "LAN"};

}  // namespace

std::string_view PortKindWord(PortKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < kWords.size() ? kWords[index] : std::string_view{};
}

PortKind PortKindFromWord(std::string_view word) {
    for (std::size_t i = 0; i < kWords.size(); ++i) {
        if (EqualsIgnoreCase(word, kWords[i])) {
            return static_cast<PortKind>(i);
        }
    }
    return PortKind::PORT_NONE;
}

}  // namespace vrtruty::app
