#include "core/port_names.h"

#include <algorithm>
#include <string_view>

namespace vrtruty::app {
namespace {

PortNameList InitialList(std::string_view prefix, std::size_t capacity) {
    PortNameList list;
    list.entries.resize(capacity);
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string name = std::string(prefix) + std::to_string(i + 1);
        list.entries[i] = {name, name + ":"};
    }
    return list;
}

}  // namespace

PortNameList InitialComPortList() {
    return InitialList("COM", kComPortListCapacity);
}

PortNameList InitialLptPortList() {
    return InitialList("LPT", kLptPortListCapacity);
}

void FillPortNameList(PortNameList& list, std::vector<std::string> found) {
    std::ranges::sort(found);
    found.erase(std::unique(found.begin(), found.end()), found.end());
    const std::size_t count = std::min(found.size(), list.entries.size());
    for (std::size_t i = 0; i < count; ++i) {
        list.entries[i] = {found[i], found[i]};
    }
    list.count = count;
}

}  // namespace vrtruty::app
