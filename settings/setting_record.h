// The printer's configuration as one flat record: one byte per setting, each the 0-based index of
// the chosen entry in that setting's list of choices.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vrtruty::settings {

inline constexpr std::size_t kSettingRecordSize = 95;
inline constexpr std::size_t kModelNameSize = 16;  // bytes 0-15: the ASCII model name
// Bytes 16-48 and 87-89 belong to the six-page layout of other models: carried, never shown.
inline constexpr std::size_t kSixPageBytesBegin = 16;
inline constexpr std::size_t kPagesBegin = 49;  // bytes 49-94: this catalogue's three pages

struct SettingRecord {
    std::array<std::uint8_t, kSettingRecordSize> bytes{};

    std::uint8_t& operator[](std::size_t index) { return bytes[index]; }
    std::uint8_t operator[](std::size_t index) const { return bytes[index]; }

    // The model name of bytes 0-15, up to the first NUL.
    std::string modelName() const;
    // Clears bytes 0-15 and copies the name in (cut to 16 bytes).
    void setModelName(std::string_view name);

    bool operator==(const SettingRecord&) const = default;
};

}  // namespace vrtruty::settings
