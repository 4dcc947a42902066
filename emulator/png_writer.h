// A small PNG encoder for the virtual printer's paper: the pages are plain black-on-white bitmaps,
// so the image data goes into stored (uncompressed) deflate blocks and no compression library is
// needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vrtruty::emulator {

enum class PngColour : std::uint8_t {
    Grey = 0,  // one byte per pixel, 0 black ... 255 white
    Rgb = 2,   // three bytes per pixel: red, green, blue
};

// Pixels row by row, top row first, without padding.
struct PngImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PngColour colour = PngColour::Grey;
    std::span<const std::uint8_t> pixels;
};

// Bytes per pixel of a colour type.
std::size_t PngBytesPerPixel(PngColour colour);

// The complete file. Empty when the pixel count does not match the size or the size is 0.
std::vector<std::uint8_t> EncodePng(const PngImage& image);

// The checksums PNG and zlib use (CRC-32 of IEEE 802.3, Adler-32 of RFC 1950).
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
std::uint32_t Adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler = 1);

}  // namespace vrtruty::emulator
