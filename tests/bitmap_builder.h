// Writes small bitmap files of every kind the logo conversion reads, so that tests and the fuzz
// seeds describe their images instead of carrying opaque byte dumps.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vrtruty::test {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

enum class BmpHeader {
    Core12,  // 12-byte header, 3-byte colour-table entries
    Info40,  // 40-byte header, 4-byte entries; bit-field masks follow the header
    V5,      // 124-byte header holding the masks
};

// Compression values of the info header.
inline constexpr std::uint32_t kBmpPlain = 0;
inline constexpr std::uint32_t kBmpRle8 = 1;
inline constexpr std::uint32_t kBmpRle4 = 2;
inline constexpr std::uint32_t kBmpBitFields = 3;

struct BmpLayout {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 24;
    BmpHeader header = BmpHeader::Info40;
    bool topDown = false;
    std::uint32_t compression = kBmpPlain;
    // Written as given (not in a 12-byte header); 0 with a palette shorter than the full table
    // of a 1-, 4- or 8-bit file writes the palette's length.
    std::uint32_t coloursUsed = 0;
    std::vector<Rgb> palette{};            // every entry is written
    std::array<std::uint32_t, 3> masks{};  // red, green, blue; written for bit fields
    std::uint32_t alphaMask = 0;           // written in a 124-byte header
    std::size_t gap = 0;                   // bytes of 0xAA between the table and the rows
};

// The layout of a file of that size and bit count, with the given table and compression.
inline BmpLayout Layout(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                        std::vector<Rgb> palette = {}, std::uint32_t compression = kBmpPlain) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitCount = bitCount;
    layout.palette = std::move(palette);
    layout.compression = compression;
    return layout;
}

namespace bmp_detail {

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

inline void PutAt(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// File header, info header, masks and colour table; the file size is patched in by Finish.
inline std::vector<std::uint8_t> Head(const BmpLayout& layout, std::uint32_t imageBytes) {
    std::vector<std::uint8_t> out{'B', 'M'};
    Put32(out, 0);  // file size
    Put32(out, 0);  // reserved
    Put32(out, 0);  // bits offset
    if (layout.header == BmpHeader::Core12) {
        Put32(out, 12);
        Put16(out, static_cast<std::uint32_t>(layout.width));
        Put16(out, static_cast<std::uint32_t>(layout.height));
        Put16(out, 1);
        Put16(out, layout.bitCount);
    } else {
        Put32(out, layout.header == BmpHeader::V5 ? 124 : 40);
        Put32(out, static_cast<std::uint32_t>(layout.width));
        Put32(out, static_cast<std::uint32_t>(layout.topDown ? -layout.height : layout.height));
        Put16(out, 1);
        Put16(out, layout.bitCount);
        Put32(out, layout.compression);
        Put32(out, imageBytes);
        Put32(out, 2835);  // 72 dpi
        Put32(out, 2835);
        const std::size_t fullTable = layout.bitCount <= 8 ? std::size_t{1} << layout.bitCount : 0;
        const bool shortTable = !layout.palette.empty() && layout.palette.size() < fullTable;
        Put32(out, layout.coloursUsed == 0 && shortTable
                       ? static_cast<std::uint32_t>(layout.palette.size())
                       : layout.coloursUsed);
        Put32(out, 0);
        if (layout.header == BmpHeader::V5) {
            for (std::uint32_t mask : layout.masks) {
                Put32(out, mask);
            }
            Put32(out, layout.alphaMask);
            Put32(out, 0x73524742);  // "sRGB"
            out.resize(out.size() + 124 - 60, 0);
        } else if (layout.compression == kBmpBitFields) {
            for (std::uint32_t mask : layout.masks) {
                Put32(out, mask);
            }
        }
    }
    for (const Rgb& colour : layout.palette) {
        out.push_back(colour.blue);
        out.push_back(colour.green);
        out.push_back(colour.red);
        if (layout.header != BmpHeader::Core12) {
            out.push_back(0);
        }
    }
    out.resize(out.size() + layout.gap, 0xAA);
    PutAt(out, 10, static_cast<std::uint32_t>(out.size()));  // where the rows start
    return out;
}

inline void Finish(std::vector<std::uint8_t>& out) {
    PutAt(out, 2, static_cast<std::uint32_t>(out.size()));
}

}  // namespace bmp_detail

// A plain (or bit-field) file. `pixels` holds width × height values, top row first: a colour
// index for 1-, 4- and 8-bit files, 0xRRGGBB for 24 bits, the raw pixel for 16 and 32 bits.
inline std::vector<std::uint8_t> MakeBmp(const BmpLayout& layout,
                                         const std::vector<std::uint32_t>& pixels) {
    const auto width = static_cast<std::size_t>(layout.width);
    const auto height = static_cast<std::size_t>(layout.height);
    const std::size_t stride = (width * layout.bitCount + 31) / 32 * 4;
    auto out = bmp_detail::Head(layout, static_cast<std::uint32_t>(stride * height));
    for (std::size_t stored = 0; stored < height; ++stored) {
        const std::size_t top = layout.topDown ? stored : height - 1 - stored;
        std::vector<std::uint8_t> row(stride, 0);
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t value = pixels[top * width + x];
            switch (layout.bitCount) {
                case 1:
                    row[x / 8] |= static_cast<std::uint8_t>((value & 1) << (7 - x % 8));
                    break;
                case 4:
                    row[x / 2] |= static_cast<std::uint8_t>((value & 0x0F) << (x % 2 == 0 ? 4 : 0));
                    break;
                case 8:
                    row[x] = static_cast<std::uint8_t>(value);
                    break;
                case 16:
                    row[2 * x] = static_cast<std::uint8_t>(value);
                    row[2 * x + 1] = static_cast<std::uint8_t>(value >> 8);
                    break;
                case 24:
                    row[3 * x] = static_cast<std::uint8_t>(value);
                    row[3 * x + 1] = static_cast<std::uint8_t>(value >> 8);
                    row[3 * x + 2] = static_cast<std::uint8_t>(value >> 16);
                    break;
                default:
                    for (std::size_t i = 0; i < 4; ++i) {
                        row[4 * x + i] = static_cast<std::uint8_t>(value >> (8 * i));
                    }
                    break;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    bmp_detail::Finish(out);
    return out;
}

// A run-length file (compression kBmpRle8 or kBmpRle4 in the layout) with the stream as given.
inline std::vector<std::uint8_t> MakeRleBmp(const BmpLayout& layout,
                                            const std::vector<std::uint8_t>& stream) {
    auto out = bmp_detail::Head(layout, static_cast<std::uint32_t>(stream.size()));
    out.insert(out.end(), stream.begin(), stream.end());
    bmp_detail::Finish(out);
    return out;
}

// One value for every dot.
inline std::vector<std::uint32_t> Filled(std::int32_t width, std::int32_t height,
                                         std::uint32_t value) {
    return std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, value);
}

}  // namespace vrtruty::test
