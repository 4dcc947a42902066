#include "test_support.h"

namespace vrtruty::test {

std::vector<std::uint8_t> Utf16Le(std::u16string_view text, bool withBom) {
    std::vector<std::uint8_t> bytes;
    if (withBom) {
        bytes = {0xFF, 0xFE};
    }
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

std::u16string FromUtf16Le(const std::vector<std::uint8_t>& bytes) {
    std::size_t start = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE ? 2 : 0;
    std::u16string text;
    for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    }
    return text;
}

}  // namespace vrtruty::test
