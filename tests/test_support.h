// Helpers shared by the tests: a private temporary folder per test and byte/text conversions.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/profile_file.h"

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

// UTF-16LE bytes of an ASCII or UTF-8 text, with the byte-order mark when asked for.
std::vector<std::uint8_t> Utf16Le(std::u16string_view text, bool withBom = true);

// UTF-16LE bytes back to text for readable comparisons (the byte-order mark is dropped).
std::u16string FromUtf16Le(const std::vector<std::uint8_t>& bytes);

// A profile file parsed from UTF-16 text, as the utility writes its files.
inline app::ProfileFile ProfileFromUtf16(std::u16string_view text) {
    return app::ProfileFile::Parse(Utf16Le(text));
}

}  // namespace vrtruty::test
