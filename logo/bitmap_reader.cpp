#include "logo/bitmap_reader.h"

#include <algorithm>
#include <bit>
#include <fstream>
#include <ios>
#include <limits>
#include <new>
#include <system_error>

#include "logo/logo_entry.h"

namespace vrtruty::logo {
namespace {

constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kInfoHeaderBytes = 40;
// 40-byte header, the two Adobe extensions with masks, the OS/2 2.x header, V4 and V5. Anything
// else is not a header a display would take.
constexpr std::array<std::uint32_t, 6> kInfoHeaderSizes{40, 52, 56, 64, 108, 124};
// In the OS/2 2.x header compression 3 means Huffman coding, which nothing here decodes.
constexpr std::uint32_t kOs2HeaderBytes = 64;
// A 40-byte header with BitFields is followed by the three masks; larger headers hold them.
constexpr std::uint32_t kMaskBytes = 12;
// Headers of 56 bytes and more carry an alpha mask after the three colour masks.
constexpr std::uint32_t kAlphaMaskAt = 52;
constexpr std::uint32_t kAlphaHeaderBytes = 56;
constexpr std::size_t kCoreEntryBytes = 3;
constexpr std::size_t kInfoEntryBytes = 4;

// Compression values of the info header.
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;
constexpr std::uint32_t kCompressionBitFields = 3;

// Masks that plain 16-bit (5-5-5) and 32-bit (x-8-8-8) rows use.
constexpr std::array<std::uint32_t, 3> kPlain16Masks{0x7C00, 0x03E0, 0x001F};
constexpr std::array<std::uint32_t, 3> kPlain32Masks{0xFF0000, 0x00FF00, 0x0000FF};

constexpr std::size_t kDotBytes = 3;  // blue, green, red of a drawn dot
// Pieces a file is read in: the widest row many times over, small beside any image worth
// streaming.
constexpr std::size_t kStreamBufferBytes = 256 * 1024;

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::int32_t ReadI32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::bit_cast<std::int32_t>(ReadU32(bytes, at));
}

// A mask must be one run of bits inside the pixel; a zero mask leaves its component at 0.
bool IsUsableMask(std::uint32_t mask, std::uint16_t bitCount) {
    if (mask == 0) {
        return true;
    }
    if (bitCount == 16 && mask > 0xFFFF) {
        return false;
    }
    const std::uint32_t run = mask >> std::countr_zero(mask);
    return (run & (run + 1)) == 0;
}

bool IsAllowedCombination(std::uint16_t bitCount, std::uint32_t compression,
                          BitmapHeaderKind kind) {
    switch (bitCount) {
        case 1:
        case 24:
            return compression == kCompressionNone;
        case 4:
            return compression == kCompressionNone || compression == kCompressionRle4;
        case 8:
            return compression == kCompressionNone || compression == kCompressionRle8;
        case 16:
        case 32:
            return kind == BitmapHeaderKind::Info &&
                   (compression == kCompressionNone || compression == kCompressionBitFields);
        default:
            return false;
    }
}

BitmapCompression CompressionKind(std::uint32_t compression) {
    switch (compression) {
        case kCompressionRle8:
            return BitmapCompression::Rle8;
        case kCompressionRle4:
            return BitmapCompression::Rle4;
        case kCompressionBitFields:
            return BitmapCompression::BitFields;
        default:
            return BitmapCompression::None;
    }
}

// One colour component of a 16- or 32-bit pixel, scaled to 0..255 so that a full component is
// as bright as 0xFF in a 24-bit file and luminance means the same for every bit count.
class Component {
  public:
    explicit Component(std::uint32_t mask)
        : shift_(mask == 0 ? 0 : std::countr_zero(mask)), maximum_(mask >> shift_) {}

    std::uint8_t From(std::uint32_t pixel) const {
        const std::uint32_t value = (pixel >> shift_) & maximum_;
        if (maximum_ == 0xFF) {
            return static_cast<std::uint8_t>(value);
        }
        if (maximum_ == 0) {
            return 0;
        }
        const std::uint64_t scaled = (std::uint64_t{value} * 255 + maximum_ / 2) / maximum_;
        return static_cast<std::uint8_t>(scaled);
    }

  private:
    int shift_;
    std::uint32_t maximum_;
};

void PutColour(std::span<std::uint8_t> row, std::size_t x, const BitmapColour& colour) {
    row[x * kDotBytes] = colour.blue;
    row[x * kDotBytes + 1] = colour.green;
    row[x * kDotBytes + 2] = colour.red;
}

// Draws one plain row of any bit count but 24 (whose rows are already blue, green, red).
void DecodePlainRow(const PackedBitmap& bitmap, std::span<const std::uint8_t> source,
                    std::span<std::uint8_t> row) {
    const auto width = static_cast<std::size_t>(bitmap.width);
    const auto& table = bitmap.colourTable;
    switch (bitmap.bitCount) {
        case 1:
            for (std::size_t x = 0; x < width; ++x) {
                PutColour(row, x, table[(source[x / 8] >> (7 - x % 8)) & 1]);
            }
            break;
        case 4:
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint8_t pair = source[x / 2];
                PutColour(row, x, table[x % 2 == 0 ? pair >> 4 : pair & 0x0F]);
            }
            break;
        case 8:
            for (std::size_t x = 0; x < width; ++x) {
                PutColour(row, x, table[source[x]]);
            }
            break;
        default: {
            const Component red(bitmap.masks[0]);
            const Component green(bitmap.masks[1]);
            const Component blue(bitmap.masks[2]);
            const std::size_t pixelBytes = bitmap.bitCount / 8u;
            for (std::size_t x = 0; x < width; ++x) {
                const std::size_t at = x * pixelBytes;
                const std::uint32_t pixel =
                    pixelBytes == 2 ? ReadU16(source, at) : ReadU32(source, at);
                PutColour(row, x, {blue.From(pixel), green.From(pixel), red.From(pixel)});
            }
            break;
        }
    }
}

// Rows of a 32-bit file with an alpha mask. An alpha channel that is all zero is one the writer
// never filled, so until a row shows a non-zero alpha the rows are held as drawn; from then on
// every pixel is laid over white paper, the rows held before being fully transparent: white.
class AlphaRows {
  public:
    AlphaRows(const PackedBitmap& bitmap, const BitmapRowSink& sink)
        : alpha_(bitmap.alphaMask), width_(static_cast<std::size_t>(bitmap.width)), sink_(sink) {}

    void Put(std::int32_t fromBottom, std::span<const std::uint8_t> source,
             std::span<std::uint8_t> row) {
        if (!used_ && HasAlpha(source)) {
            used_ = true;
            const std::vector<std::uint8_t> paper(row.size(), 0xFF);
            for (const auto& held : held_) {
                sink_(held.first, paper);
            }
            held_ = {};
        }
        if (!used_) {
            held_.emplace_back(fromBottom, std::vector<std::uint8_t>(row.begin(), row.end()));
            return;
        }
        for (std::size_t x = 0; x < width_; ++x) {
            const unsigned opacity = alpha_.From(ReadU32(source, 4 * x));
            for (std::size_t c = 0; c < kDotBytes; ++c) {
                std::uint8_t& value = row[x * kDotBytes + c];
                value = static_cast<std::uint8_t>((value * opacity + 255 * (255 - opacity) + 127) /
                                                  255);
            }
        }
        sink_(fromBottom, row);
    }

    // Hands over the rows still held: the alpha channel was all zero.
    void Finish() {
        for (const auto& held : held_) {
            sink_(held.first, held.second);
        }
        held_ = {};
    }

  private:
    bool HasAlpha(std::span<const std::uint8_t> source) const {
        for (std::size_t x = 0; x < width_; ++x) {
            if (alpha_.From(ReadU32(source, 4 * x)) != 0) {
                return true;
            }
        }
        return false;
    }

    Component alpha_;
    std::size_t width_;
    const BitmapRowSink& sink_;
    bool used_ = false;
    std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>> held_;
};

int RenderPlainRows(const PackedBitmap& bitmap, PixelReader& pixels, const BitmapRowSink& sink) {
    const auto width = static_cast<std::size_t>(bitmap.width);
    std::vector<std::uint8_t> row(bitmap.bitCount == 24 ? 0 : width * kDotBytes);
    std::optional<AlphaRows> alpha;
    if (bitmap.alphaMask != 0) {
        alpha.emplace(bitmap, sink);
    }
    for (std::int32_t stored = 0; stored < bitmap.height; ++stored) {
        const auto source = pixels.Read(bitmap.rowBytes);
        if (source.size() < bitmap.rowBytes) {
            return pixels.Failed() ? LOGO_ERR_MEMORY : LOGO_ERR_FORMAT;
        }
        const std::int32_t fromBottom = bitmap.topDown ? bitmap.height - 1 - stored : stored;
        if (bitmap.bitCount == 24) {
            sink(fromBottom, source.first(width * kDotBytes));
        } else {
            DecodePlainRow(bitmap, source, row);
            if (alpha) {
                alpha->Put(fromBottom, source, row);
            } else {
                sink(fromBottom, row);
            }
        }
    }
    if (alpha) {
        alpha->Finish();
    }
    return 0;
}

// Run-length data is drawn as it is read: rows are only ever finished in bottom-to-top order, so
// one row buffer is enough however large the image.
class RunLengthDrawer {
  public:
    RunLengthDrawer(const PackedBitmap& bitmap, PixelReader& pixels, const BitmapRowSink& sink)
        : bitmap_(bitmap),
          pixels_(pixels),
          sink_(sink),
          width_(static_cast<std::size_t>(bitmap.width)),
          row_(width_ * kDotBytes) {}

    int Draw() {
        const int result = DrawCodes();
        return pixels_.Failed() ? LOGO_ERR_MEMORY : result;
    }

  private:
    int DrawCodes() {
        const bool fourBits = bitmap_.compression == BitmapCompression::Rle4;
        for (;;) {
            const auto code = pixels_.Read(2);
            if (code.size() < 2) {
                break;
            }
            const std::uint8_t count = code[0];
            const std::uint8_t value = code[1];
            if (count > 0) {
                if (row_index_ >= bitmap_.height) {
                    return LOGO_ERR_FORMAT;
                }
                for (std::size_t i = 0; i < count; ++i) {
                    Put(fourBits ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
                }
                continue;
            }
            switch (value) {
                case 0:  // end of line; one after the last row changes nothing
                    if (row_index_ < bitmap_.height) {
                        FinishRow();
                    }
                    x_ = 0;
                    break;
                case 1:  // end of bitmap: the rows not reached stay black
                    while (row_index_ < bitmap_.height) {
                        FinishRow();
                    }
                    return 0;
                case 2: {  // delta: move right and up, leaving the pixels passed over black
                    const auto delta = pixels_.Read(2);
                    if (delta.size() < 2) {
                        return LOGO_ERR_FORMAT;
                    }
                    const std::uint8_t right = delta[0];
                    const std::uint8_t up = delta[1];
                    if (row_index_ + up >= bitmap_.height) {
                        return LOGO_ERR_FORMAT;
                    }
                    for (std::uint8_t i = 0; i < up; ++i) {
                        FinishRow();
                    }
                    x_ = std::min(x_ + right, width_);
                    break;
                }
                default: {  // absolute run of `value` indexes, padded to a 16-bit boundary
                    const std::size_t bytes = fourBits ? (value + 1u) / 2 : value;
                    const auto indexes = pixels_.Read(bytes);
                    if (indexes.size() < bytes || row_index_ >= bitmap_.height) {
                        return LOGO_ERR_FORMAT;
                    }
                    for (std::size_t i = 0; i < value; ++i) {
                        const std::uint8_t packed = indexes[fourBits ? i / 2 : i];
                        Put(fourBits ? (i % 2 == 0 ? packed >> 4 : packed & 0x0F) : packed);
                    }
                    if (bytes % 2 != 0) {
                        pixels_.Read(1);
                    }
                    break;
                }
            }
        }
        // Data that ends without its end-of-bitmap mark is only complete when every row was drawn.
        return row_index_ >= bitmap_.height ? 0 : LOGO_ERR_FORMAT;
    }

    // Encoders may code a row up to its padded length: what lies beyond the right edge is cut.
    void Put(int index) {
        if (x_ < width_) {
            PutColour(row_, x_, bitmap_.colourTable[static_cast<std::size_t>(index)]);
            ++x_;
        }
    }

    void FinishRow() {
        sink_(row_index_, row_);
        std::fill(row_.begin(), row_.end(), std::uint8_t{0});
        ++row_index_;
    }

    const PackedBitmap& bitmap_;
    PixelReader& pixels_;
    const BitmapRowSink& sink_;
    std::size_t width_;
    std::vector<std::uint8_t> row_;
    std::int32_t row_index_ = 0;  // from the bottom
    std::size_t x_ = 0;
};

}  // namespace

std::optional<PackedBitmap> ParsePackedBitmap(std::span<const std::uint8_t> head,
                                              std::uint64_t packedBytes,
                                              std::optional<std::uint32_t> bitsOffset) {
    // Every field and table entry lies within the head; every bound is checked against the
    // whole length.
    if (head.size() < std::min<std::uint64_t>(packedBytes, kBitmapHeadBytes) ||
        head.size() > packedBytes || packedBytes < 4) {
        return std::nullopt;
    }
    PackedBitmap bitmap;
    bitmap.headerSize = ReadU32(head, 0);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t compression = kCompressionNone;
    std::uint32_t coloursUsed = 0;
    std::uint32_t imageBytes = 0;
    std::size_t entryBytes = kInfoEntryBytes;
    if (bitmap.headerSize == kCoreHeaderBytes) {
        if (packedBytes < kCoreHeaderBytes) {
            return std::nullopt;
        }
        bitmap.headerKind = BitmapHeaderKind::Core;
        width = ReadU16(head, 4);
        height = ReadU16(head, 6);
        bitmap.bitCount = ReadU16(head, 10);
        entryBytes = kCoreEntryBytes;
    } else if (std::find(kInfoHeaderSizes.begin(), kInfoHeaderSizes.end(), bitmap.headerSize) !=
               kInfoHeaderSizes.end()) {
        if (packedBytes < bitmap.headerSize) {
            return std::nullopt;
        }
        bitmap.headerKind = BitmapHeaderKind::Info;
        width = ReadI32(head, 4);
        height = ReadI32(head, 8);
        bitmap.bitCount = ReadU16(head, 14);
        compression = ReadU32(head, 16);
        imageBytes = ReadU32(head, 20);
        coloursUsed = ReadU32(head, 32);
    } else {
        return std::nullopt;
    }

    // Negative heights mark top-down rows; the most negative one has no positive counterpart.
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) {
        return std::nullopt;
    }
    bitmap.topDown = height < 0;
    bitmap.width = static_cast<std::int32_t>(width);
    bitmap.height = static_cast<std::int32_t>(height < 0 ? -height : height);
    if (!IsAllowedCombination(bitmap.bitCount, compression, bitmap.headerKind) ||
        (compression == kCompressionBitFields && bitmap.headerSize == kOs2HeaderBytes)) {
        return std::nullopt;
    }
    bitmap.compression = CompressionKind(compression);
    const bool runLength = bitmap.compression == BitmapCompression::Rle8 ||
                           bitmap.compression == BitmapCompression::Rle4;
    if (runLength && bitmap.topDown) {
        return std::nullopt;
    }

    // A zero count means the whole table of an indexed file. Files of more bits may carry a
    // table for displays with few colours; it is skipped, never used for their pixels. A table
    // longer than the indexes can reach is read as far as they reach and the rest skipped.
    const std::uint32_t fullTable = bitmap.bitCount <= 8 ? 1u << bitmap.bitCount : 0;
    if (bitmap.headerKind == BitmapHeaderKind::Core || coloursUsed == 0) {
        coloursUsed = fullTable;
    }
    bitmap.coloursUsed = std::min(coloursUsed, fullTable);

    std::size_t tableAt = bitmap.headerSize;
    if (bitmap.compression == BitmapCompression::BitFields) {
        if (bitmap.headerSize == kInfoHeaderBytes) {
            if (packedBytes < kInfoHeaderBytes + kMaskBytes) {
                return std::nullopt;
            }
            tableAt += kMaskBytes;
        }
        for (std::size_t i = 0; i < bitmap.masks.size(); ++i) {
            bitmap.masks[i] = ReadU32(head, kInfoHeaderBytes + 4 * i);
            if (!IsUsableMask(bitmap.masks[i], bitmap.bitCount)) {
                return std::nullopt;
            }
        }
        if (bitmap.masks == std::array<std::uint32_t, 3>{}) {
            return std::nullopt;
        }
    } else if (bitmap.bitCount == 16) {
        bitmap.masks = kPlain16Masks;
    } else if (bitmap.bitCount == 32) {
        bitmap.masks = kPlain32Masks;
    }
    if (bitmap.bitCount == 32 && bitmap.headerSize >= kAlphaHeaderBytes &&
        bitmap.headerSize != kOs2HeaderBytes) {
        // An alpha mask that is no single run of bits, or that shares bits with a colour, is
        // not one a display would take: the pixels are drawn as if it were absent.
        const std::uint32_t alpha = ReadU32(head, kAlphaMaskAt);
        const std::uint32_t colours = bitmap.masks[0] | bitmap.masks[1] | bitmap.masks[2];
        if (IsUsableMask(alpha, bitmap.bitCount) && (alpha & colours) == 0) {
            bitmap.alphaMask = alpha;
        }
    }

    const std::uint64_t tableBytes = std::uint64_t{coloursUsed} * entryBytes;
    if (tableBytes > packedBytes - tableAt) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < bitmap.coloursUsed; ++i) {
        const std::size_t at = tableAt + i * entryBytes;
        bitmap.colourTable[i] = {head[at], head[at + 1], head[at + 2]};
    }

    // Writers may leave a gap between the table and the rows; only the offset tells where the
    // rows are, and an offset into the header or table, or past the end, is damage.
    const std::uint64_t tableEnd = tableAt + tableBytes;
    bitmap.pixelOffset = tableEnd;
    if (bitsOffset) {
        if (*bitsOffset < kBitmapFileHeaderBytes + tableEnd ||
            *bitsOffset - kBitmapFileHeaderBytes > packedBytes) {
            return std::nullopt;
        }
        bitmap.pixelOffset = *bitsOffset - kBitmapFileHeaderBytes;
    }
    const std::uint64_t rest = packedBytes - bitmap.pixelOffset;
    if (runLength) {
        // The image size of run-length data is the length of the encoded stream.
        if (imageBytes > rest) {
            return std::nullopt;
        }
        bitmap.pixelBytes = imageBytes != 0 ? imageBytes : rest;
        return bitmap;
    }
    // Computed in 64 bits and compared by division, so that no product can overflow.
    const std::uint64_t rowBytes = (std::uint64_t(bitmap.width) * bitmap.bitCount + 31) / 32 * 4;
    const auto rows = static_cast<std::uint64_t>(bitmap.height);
    if (rowBytes > rest / rows) {
        return std::nullopt;
    }
    bitmap.rowBytes = static_cast<std::size_t>(rowBytes);
    bitmap.pixelBytes = rowBytes * rows;
    return bitmap;
}

std::optional<PackedBitmap> ParsePackedBitmap(std::span<const std::uint8_t> packed,
                                              std::optional<std::uint32_t> bitsOffset) {
    return ParsePackedBitmap(packed, packed.size(), bitsOffset);
}

BitmapFileHeader CheckBitmapFileHeader(std::span<const std::uint8_t> header,
                                       std::uint64_t fileLength) {
    if (header.size() < kBitmapFileHeaderBytes || header[0] != 'B' || header[1] != 'M' ||
        fileLength < kBitmapFileHeaderBytes + kCoreHeaderBytes) {
        return {LOGO_ERR_FORMAT, 0, 0};
    }
    return {0, static_cast<std::size_t>(fileLength - kBitmapFileHeaderBytes), ReadU32(header, 10)};
}

BitmapFileView SplitBitmapFile(std::span<const std::uint8_t> file) {
    const auto header = CheckBitmapFileHeader(
        file.first(std::min(file.size(), kBitmapFileHeaderBytes)), file.size());
    if (header.result != 0) {
        return {header.result, {}, std::nullopt};
    }
    return {0, file.subspan(kBitmapFileHeaderBytes, header.packedBytes), header.bitsOffset};
}

namespace {

struct OpenedFile {
    int result = 0;
    std::ifstream stream;
    std::uint64_t length = 0;
};

OpenedFile OpenForReading(const std::filesystem::path& path) {
    OpenedFile file;
    // Only a regular file: opening a FIFO would wait for a writer for ever, and a device may
    // never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        file.result = LOGO_ERR_OPEN;
        return file;
    }
    file.stream.open(path, std::ios::binary);
    if (!file.stream) {
        file.result = LOGO_ERR_OPEN;
        return file;
    }
    file.stream.seekg(0, std::ios::end);
    const std::streamoff length = file.stream.tellg();
    file.stream.seekg(0, std::ios::beg);
    if (length < 0 || !file.stream) {
        file.result = LOGO_ERR_MEMORY;
        return file;
    }
    file.length = static_cast<std::uint64_t>(length);
    return file;
}

bool ReadExactly(std::ifstream& stream, std::span<std::uint8_t> buffer) {
    stream.read(reinterpret_cast<char*>(buffer.data()),
                static_cast<std::streamsize>(buffer.size()));
    return static_cast<std::size_t>(stream.gcount()) == buffer.size();
}

}  // namespace

OpenedBitmapFile OpenBitmapFile(const std::filesystem::path& path) {
    OpenedBitmapFile out;
    auto file = OpenForReading(path);
    if (file.result != 0) {
        out.result = file.result;
        return out;
    }
    std::array<std::uint8_t, kBitmapFileHeaderBytes> header{};
    if (file.length < header.size() || !ReadExactly(file.stream, header)) {
        out.result = LOGO_ERR_FORMAT;
        return out;
    }
    const auto checked = CheckBitmapFileHeader(header, file.length);
    if (checked.result != 0) {
        out.result = checked.result;
        return out;
    }
    std::vector<std::uint8_t> head(std::min(checked.packedBytes, kBitmapHeadBytes));
    if (!ReadExactly(file.stream, head)) {
        out.result = LOGO_ERR_MEMORY;
        return out;
    }
    const auto bitmap = ParsePackedBitmap(head, checked.packedBytes, checked.bitsOffset);
    if (!bitmap) {
        out.result = LOGO_ERR_FORMAT;
        return out;
    }
    out.bitmap = *bitmap;
    file.stream.seekg(static_cast<std::streamoff>(kBitmapFileHeaderBytes + bitmap->pixelOffset));
    if (!file.stream) {
        out.result = LOGO_ERR_MEMORY;
        return out;
    }
    out.stream = std::move(file.stream);
    return out;
}

std::span<const std::uint8_t> MemoryPixelReader::Read(std::size_t count) {
    const auto taken = data_.first(std::min(count, data_.size()));
    data_ = data_.subspan(taken.size());
    return taken;
}

StreamPixelReader::StreamPixelReader(std::istream& stream, std::uint64_t length)
    : stream_(stream), unread_(length) {}

std::span<const std::uint8_t> StreamPixelReader::Read(std::size_t count) {
    if (end_ - begin_ < count && unread_ > 0 && !failed_) {
        const std::size_t kept = end_ - begin_;
        if (buffer_.size() < std::max(count, kStreamBufferBytes)) {
            buffer_.resize(std::max(count, kStreamBufferBytes));
        }
        std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(begin_),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(end_), buffer_.begin());
        begin_ = 0;
        end_ = kept;
        const auto wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - kept, unread_));
        stream_.read(reinterpret_cast<char*>(buffer_.data() + kept),
                     static_cast<std::streamsize>(wanted));
        const auto got = static_cast<std::size_t>(stream_.gcount());
        end_ += got;
        unread_ -= got;
        failed_ = got < wanted;
    }
    const std::size_t taken = std::min(count, end_ - begin_);
    const std::span<const std::uint8_t> bytes(buffer_.data() + begin_, taken);
    begin_ += taken;
    return bytes;
}

int RenderBitmapRows(const PackedBitmap& bitmap, PixelReader& pixels, const BitmapRowSink& sink) {
    if (bitmap.width > kMaxDrawWidth || bitmap.height > kMaxDrawHeight) {
        return LOGO_ERR_SIZE;
    }
    if (bitmap.compression == BitmapCompression::Rle8 ||
        bitmap.compression == BitmapCompression::Rle4) {
        return RunLengthDrawer(bitmap, pixels, sink).Draw();
    }
    return RenderPlainRows(bitmap, pixels, sink);
}

}  // namespace vrtruty::logo
