// Times the two-level conversion of a large logo. Run by scripts/benchmark-logo.
//   logo-benchmark write FILE [WIDTH HEIGHT]  writes a 24-bit test image, 8184 × 2304 by default
//   logo-benchmark convert FILE               converts it as the logo dialog would for registration
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "logo/logo_conversion.h"

namespace {

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Gradients in two directions and a texture, so that every threshold of the dither is crossed;
// written row by row so that the writer never holds the image.
int Write(const std::string& path, std::int32_t width, std::int32_t height) {
    const auto rowBytes = static_cast<std::uint32_t>((width * 3 + 3) / 4 * 4);
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> header{'B', 'M'};
    Put(header, 54 + imageBytes, 4);
    Put(header, 0, 4);
    Put(header, 54, 4);
    Put(header, 40, 4);
    Put(header, static_cast<std::uint32_t>(width), 4);
    Put(header, static_cast<std::uint32_t>(height), 4);
    Put(header, 1, 2);
    Put(header, 24, 2);
    Put(header, 0, 4);
    Put(header, imageBytes, 4);
    Put(header, 2835, 4);
    Put(header, 2835, 4);
    Put(header, 0, 4);
    Put(header, 0, 4);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const auto at = static_cast<std::size_t>(x) * 3;
            row[at] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
            row[at + 1] = static_cast<std::uint8_t>(y * 255 / std::max(height - 1, 1));
            row[at + 2] = static_cast<std::uint8_t>(x * 255 / std::max(width - 1, 1));
        }
        out.write(reinterpret_cast<const char*>(row.data()),
                  static_cast<std::streamsize>(rowBytes));
    }
    if (!out) {
        std::cerr << "logo-benchmark: cannot write " << path << "\n";
        return 1;
    }
    return 0;
}

int Convert(const std::string& path) {
    vrtruty::logo::LogoEntry entry;
    entry.path = path;
    entry.keycode = 0x2020;
    const auto start = std::chrono::steady_clock::now();
    const int result = vrtruty::logo::ConvertLogoForRegistration(entry, false);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::cout << "result " << result << ", command " << entry.command.size() << " bytes, "
              << std::chrono::duration<double, std::milli>(elapsed).count()
              << " ms inside the conversion\n";
    return result == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "write") {
        const std::int32_t width = args.size() >= 4 ? std::atoi(argv[3]) : 8184;
        const std::int32_t height = args.size() >= 4 ? std::atoi(argv[4]) : 2304;
        return Write(argv[2], width, height);
    }
    if (args.size() == 2 && args[0] == "convert") {
        return Convert(argv[2]);
    }
    std::cerr << "usage: logo-benchmark write FILE [WIDTH HEIGHT] | convert FILE\n";
    return 2;
}
