// The GS 8 L define command of a logo as the printer receives it, for the logo tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "test_support.h"

namespace vrtruty::test::logo {

using Bytes = std::vector<std::uint8_t>;

inline std::uint8_t Lo(std::size_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}
inline std::uint8_t Hi(std::size_t value) {
    return static_cast<std::uint8_t>(value >> 8 & 0xFF);
}

// GS 8 L function 67 with the planes given, each `widthBytes` x `rows` bytes; a short plane is
// padded with its last byte.
inline Bytes DefineLogo(std::uint16_t keycode, std::uint8_t tone, std::uint16_t widthBytes,
                        std::uint16_t rows, const std::vector<Bytes>& planes,
                        std::uint8_t firstPlane = 0x31) {
    const std::size_t k = std::size_t{widthBytes} * rows;
    const std::size_t length = 10 + planes.size() * (k + 1);
    Bytes command = {0x1D, 0x38, 0x4C, Lo(length), Hi(length), Lo(length >> 16), 0x00, 0x30};
    command.insert(command.end(), {0x43, tone, Lo(keycode), Hi(keycode), Lo(planes.size())});
    command.insert(command.end(), {Lo(widthBytes * 8u), Hi(widthBytes * 8u), Lo(rows), Hi(rows)});
    for (std::size_t i = 0; i < planes.size(); ++i) {
        command.push_back(static_cast<std::uint8_t>(firstPlane + i));
        Bytes data = planes[i];
        data.resize(k, data.empty() ? 0 : data.back());
        command.insert(command.end(), data.begin(), data.end());
    }
    return command;
}

}  // namespace vrtruty::test::logo
