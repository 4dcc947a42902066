// Helpers shared by the tests: a private temporary folder per test and byte/text conversions.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/profile_file.h"

namespace vrtruty::test {

// A folder of its own for each test, removed when the test ends.
class TempFolder {
  public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "vrtruty-test";
        if (info != nullptr) {
            name += std::string("-") + info->test_suite_name() + "-" + info->name();
        }
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        path_ = std::filesystem::temp_directory_path() /
                (name + "-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Names in the folder, so that a temporary file left behind shows.
inline std::vector<std::string> Entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// A text as the printer sends it: followed by NUL.
inline std::vector<std::uint8_t> Tagged(std::string_view text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0x00);
    return bytes;
}

inline std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// "1B 40 1D 28": upper-case, one space apart, so that a mismatch shows where the bytes part.
inline std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, text.empty() ? "%02X" : " %02X", b);
        text += digits;
    }
    return text;
}

// Fixed commands that both the utility and the virtual printer speak.
inline const std::vector<std::uint8_t> kEscAt = {0x1B, 0x40};
inline const std::vector<std::uint8_t> kRecovery = {0x1D, 0x65, 0x75, 0x45, 0x00};
inline const std::vector<std::uint8_t> kReset3 = {0x1B, 0x3D, 0x02, 'R',  'E',  'S',
                                                  'E',  'T',  '3',  0x1B, 0x3D, 0x03};
inline const std::vector<std::uint8_t> kBufferClear = {0x10, 0x14, 0x08, 0x01, 0x03,
                                                       0x14, 0x01, 0x06, 0x02, 0x08};
inline const std::vector<std::uint8_t> kPrinterId = {0x1D, 0x49, 0x43};

// UTF-16LE bytes of an ASCII or UTF-8 text, with the byte-order mark when asked for.
std::vector<std::uint8_t> Utf16Le(std::u16string_view text, bool withBom = true);

// UTF-16LE bytes back to text for readable comparisons (the byte-order mark is dropped).
std::u16string FromUtf16Le(const std::vector<std::uint8_t>& bytes);

// A profile file parsed from UTF-16 text, as the utility writes its files.
inline app::ProfileFile ProfileFromUtf16(std::u16string_view text) {
    return app::ProfileFile::Parse(Utf16Le(text));
}

}  // namespace vrtruty::test
