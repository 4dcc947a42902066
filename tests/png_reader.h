// Reads a PNG file back for the tests: its header and its dots as red, green and blue.
#pragma once

#include <png.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vrtruty::test {

struct PngPicture {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colourType = 0;             // PNG_COLOR_TYPE_GRAY, _PALETTE, ...
    std::vector<std::uint8_t> rgb;  // three bytes a dot, top row first

    // 0 for a white dot, 1 for any other.
    bool Inked(int x, int y) const {
        const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
        return rgb[at] != 255 || rgb[at + 1] != 255 || rgb[at + 2] != 255;
    }
    // Inked dots in the box [left, right) x [top, bottom).
    int InkIn(int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = top; y < bottom && y < height; ++y) {
            for (int x = left; x < right && x < width; ++x) {
                count += Inked(x, y) ? 1 : 0;
            }
        }
        return count;
    }
    // The dots of one row as text: '#' inked, '.' white.
    std::string Row(int y, int left, int right) const {
        std::string text;
        for (int x = left; x < right; ++x) {
            text += Inked(x, y) ? '#' : '.';
        }
        return text;
    }
};

// Nothing when the file is not a complete, valid PNG.
inline std::optional<PngPicture> ReadPng(const std::filesystem::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return std::nullopt;
    }
    PngPicture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return std::nullopt;
    }
    // The header's own fields, which the simplified reader does not give.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    unsigned char header[26] = {};
    if (file != nullptr) {
        if (std::fread(header, 1, sizeof header, file) == sizeof header) {
            picture.bitDepth = header[24];
            picture.colourType = header[25];
        }
        std::fclose(file);
    }
    return picture;
}

}  // namespace vrtruty::test
