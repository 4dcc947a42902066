#include "emulator/png_writer.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vrtruty::emulator {
namespace {

// Every PNG file starts with these eight bytes.
constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Largest payload of one stored deflate block (its length field is 16 bits).
constexpr std::size_t kMaxStoredBlock = 65535;
// zlib header: deflate with a 32 KiB window, no preset dictionary, "fastest" level; the pair is
// a multiple of 31 as the format requires.
constexpr std::uint8_t kZlibMethod = 0x78;
constexpr std::uint8_t kZlibFlags = 0x01;
// Row filter "None": the rows are stored as they are.
constexpr std::uint8_t kFilterNone = 0;
// Bit depth of every sample written here.
constexpr std::uint8_t kBitDepth = 8;
// Largest modulus below 2^16 that Adler-32 reduces by.
constexpr std::uint32_t kAdlerModulus = 65521;
// Bytes Adler-32 can sum before its 32-bit sums have to be reduced.
constexpr std::size_t kAdlerRun = 5552;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// Length, type, data and a CRC over type and data.
void PutChunk(std::vector<std::uint8_t>& out, std::string_view type,
              std::span<const std::uint8_t> data) {
    PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian32(out, Crc32(std::span(out).subspan(typeStart)));
}

}  // namespace

std::size_t PngBytesPerPixel(PngColour colour) {
    return colour == PngColour::Rgb ? 3 : 1;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    std::uint32_t c = crc ^ 0xFFFFFFFFU;
    for (const std::uint8_t b : bytes) {
        c = kCrcTable[(c ^ b) & 0xFFU] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFU;
}

std::uint32_t Adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler) {
    std::uint32_t a = adler & 0xFFFFU;
    std::uint32_t b = adler >> 16;
    while (!bytes.empty()) {
        const std::size_t run = std::min(bytes.size(), kAdlerRun);
        for (const std::uint8_t byte : bytes.first(run)) {
            a += byte;
            b += a;
        }
        a %= kAdlerModulus;
        b %= kAdlerModulus;
        bytes = bytes.subspan(run);
    }
    return (b << 16) | a;
}

std::vector<std::uint8_t> EncodePng(const PngImage& image) {
    const std::size_t rowBytes = std::size_t{image.width} * PngBytesPerPixel(image.colour);
    if (image.width == 0 || image.height == 0 ||
        image.pixels.size() != rowBytes * std::size_t{image.height}) {
        return {};
    }

    // The scan lines as zlib sees them: a filter byte in front of every row.
    std::vector<std::uint8_t> raw;
    raw.reserve((rowBytes + 1) * image.height);
    for (std::size_t row = 0; row < image.height; ++row) {
        raw.push_back(kFilterNone);
        const auto line = image.pixels.subspan(row * rowBytes, rowBytes);
        raw.insert(raw.end(), line.begin(), line.end());
    }

    const std::size_t blockCount = (raw.size() + kMaxStoredBlock - 1) / kMaxStoredBlock;
    std::vector<std::uint8_t> zlib;
    zlib.reserve(raw.size() + blockCount * 5 + 6);
    zlib.push_back(kZlibMethod);
    zlib.push_back(kZlibFlags);
    for (std::size_t offset = 0; offset < raw.size(); offset += kMaxStoredBlock) {
        const std::size_t length = std::min(kMaxStoredBlock, raw.size() - offset);
        const bool last = offset + length == raw.size();
        // Block header bits: BFINAL, then BTYPE 00 (stored); the rest of the byte is padding.
        zlib.push_back(last ? 0x01 : 0x00);
        const auto len16 = static_cast<std::uint16_t>(length);
        const auto nlen16 = static_cast<std::uint16_t>(~len16);
        zlib.push_back(static_cast<std::uint8_t>(len16));
        zlib.push_back(static_cast<std::uint8_t>(len16 >> 8));
        zlib.push_back(static_cast<std::uint8_t>(nlen16));
        zlib.push_back(static_cast<std::uint8_t>(nlen16 >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                    raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
    }
    PutBigEndian32(zlib, Adler32(raw));

    std::vector<std::uint8_t> header;
    PutBigEndian32(header, image.width);
    PutBigEndian32(header, image.height);
    header.push_back(kBitDepth);
    header.push_back(static_cast<std::uint8_t>(image.colour));
    header.push_back(0);  // compression: deflate
    header.push_back(0);  // filter method: adaptive, with per-row filter bytes
    header.push_back(0);  // no interlace

    std::vector<std::uint8_t> png(kSignature.begin(), kSignature.end());
    png.reserve(kSignature.size() + 25 + zlib.size() + 12 + 12);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

}  // namespace vrtruty::emulator
