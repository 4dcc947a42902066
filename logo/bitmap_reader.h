// Reading Windows device-independent bitmap files for the logo conversions, in place of drawing
// them through a display. Every size a file states is checked against the bytes actually present
// before anything trusts it, so a damaged file yields a result code, never a crash and never an
// allocation larger than the file could fill.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <istream>
#include <optional>
#include <span>
#include <vector>

namespace vrtruty::logo {

// "BM", file size, two reserved words and the bits offset.
inline constexpr std::size_t kBitmapFileHeaderBytes = 14;

// The largest image the reader draws: the widest and tallest raster a define command can carry.
// The conversions apply their own limits first; this one bounds the reader's row buffer for run
// length data, where a few bytes can describe a huge image.
inline constexpr std::int32_t kMaxDrawWidth = 8192;
inline constexpr std::int32_t kMaxDrawHeight = 2304;

enum class BitmapHeaderKind {
    Core,  // 12-byte header: 16-bit sizes, 3-byte colour-table entries, rows bottom first
    Info,  // 40-byte header, or a larger one whose extra fields are not used
};

enum class BitmapCompression {
    None,       // plain rows
    Rle8,       // run-length encoded, 8-bit indexes
    Rle4,       // run-length encoded, 4-bit indexes
    BitFields,  // plain 16- or 32-bit rows with red, green and blue masks
};

struct BitmapColour {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
};

// The packed bitmap (info header, colour table and pixel rows in one block) as the header
// describes it, with every part checked to lie inside the block.
struct PackedBitmap {
    BitmapHeaderKind headerKind = BitmapHeaderKind::Info;
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;   // dots, at least 1
    std::int32_t height = 0;  // dots, at least 1, whatever the storage order
    bool topDown = false;     // rows stored top row first (negative height in the header)
    std::uint16_t bitCount = 0;
    BitmapCompression compression = BitmapCompression::None;
    // Colour-table entries the file carries. Zero in the header means the full table of a 1-, 4-
    // or 8-bit file; files of more bits have no table then.
    std::uint32_t coloursUsed = 0;
    // Indexes beyond the entries the file carries draw black, as they do on a display.
    std::array<BitmapColour, 256> colourTable{};
    std::array<std::uint32_t, 3> masks{};  // red, green, blue of BitFields (and plain 16/32 bits)
    // The alpha mask a 32-bit file declares in a header large enough to hold one; 0 for none.
    std::uint32_t alphaMask = 0;
    std::size_t rowBytes = 0;       // stride of plain rows, padded to 4 bytes
    std::uint64_t pixelOffset = 0;  // where the rows (or the run-length stream) start
    std::uint64_t pixelBytes = 0;   // all rows, or the whole run-length stream
};

// Header, masks and the largest colour table: the most of a packed bitmap that parsing reads.
inline constexpr std::size_t kBitmapHeadBytes = 124 + 12 + 256 * 4;

// The layout of a packed bitmap of packedBytes bytes, of which `head` holds the first ones (at
// least kBitmapHeadBytes, or all of them), or nullopt when it is not a bitmap that can be drawn
// (every such case is LOGO_ERR_FORMAT for the callers). `bitsOffset` is the file header's offset
// of the pixel data, counted from the start of the file: the rows start there when it lies
// between the end of the colour table and the end of the file, and a bitmap whose offset points
// anywhere else is refused. Without it the rows follow the colour table.
std::optional<PackedBitmap> ParsePackedBitmap(std::span<const std::uint8_t> head,
                                              std::uint64_t packedBytes,
                                              std::optional<std::uint32_t> bitsOffset = {});
// The same for a packed bitmap that is all in memory.
std::optional<PackedBitmap> ParsePackedBitmap(std::span<const std::uint8_t> packed,
                                              std::optional<std::uint32_t> bitsOffset = {});

// The 14-byte file header checked against the file's real length: result 0, the number of bytes
// of the packed bitmap that follows it and the offset of the pixel data, or LOGO_ERR_FORMAT (too
// short for an info header, or not "BM"). The header's file-size field is not used: tools write
// 0 or a wrong value there, and every bound is checked against the real length instead.
struct BitmapFileHeader {
    int result = 0;
    std::size_t packedBytes = 0;
    std::uint32_t bitsOffset = 0;
};
BitmapFileHeader CheckBitmapFileHeader(std::span<const std::uint8_t> header,
                                       std::uint64_t fileLength);

// The packed bitmap inside a whole file held in memory, by the rules of CheckBitmapFileHeader.
struct BitmapFileView {
    int result = 0;
    std::span<const std::uint8_t> packed;
    std::optional<std::uint32_t> bitsOffset;  // as ParsePackedBitmap takes it
};
BitmapFileView SplitBitmapFile(std::span<const std::uint8_t> file);

// Where drawing takes the pixel data from, in file order.
class PixelReader {
  public:
    virtual ~PixelReader() = default;
    // The next `count` bytes, fewer only at the end of the data or after a read error; valid
    // until the next call.
    virtual std::span<const std::uint8_t> Read(std::size_t count) = 0;
    // Whether reading the file failed (as opposed to the data simply ending).
    virtual bool Failed() const { return false; }
};

// Pixel data already in memory.
class MemoryPixelReader final : public PixelReader {
  public:
    explicit MemoryPixelReader(std::span<const std::uint8_t> data) : data_(data) {}
    std::span<const std::uint8_t> Read(std::size_t count) override;

  private:
    std::span<const std::uint8_t> data_;
};

// Pixel data read from a file in pieces, so that a conversion never holds the whole file.
class StreamPixelReader final : public PixelReader {
  public:
    // Reads at most `length` bytes from the stream's current position.
    StreamPixelReader(std::istream& stream, std::uint64_t length);
    std::span<const std::uint8_t> Read(std::size_t count) override;
    bool Failed() const override { return failed_; }

  private:
    std::istream& stream_;
    std::uint64_t unread_;  // bytes of the data not yet taken from the stream
    std::vector<std::uint8_t> buffer_;
    std::size_t begin_ = 0;  // unconsumed bytes of the buffer: [begin_, end_)
    std::size_t end_ = 0;
    bool failed_ = false;
};

// A bitmap file opened for drawing: its layout is parsed and checked against the file's length,
// and the stream stands at the first pixel byte. Result 0, LOGO_ERR_OPEN, LOGO_ERR_FORMAT or
// LOGO_ERR_MEMORY (the file could not be read).
struct OpenedBitmapFile {
    int result = 0;
    PackedBitmap bitmap;
    std::ifstream stream;
};
OpenedBitmapFile OpenBitmapFile(const std::filesystem::path& path);

// One drawn row: its index counted from the bottom row (0), which is the order bottom-up files
// store them in, and its dots as blue, green, red bytes, exactly width × 3 of them.
using BitmapRowSink = std::function<void(std::int32_t row, std::span<const std::uint8_t> bgr)>;

// Draws the bitmap at its own size, one dot per pixel, as a true-colour display would: every row
// is handed to the sink exactly once, in the order the file stores them. Result 0,
// LOGO_ERR_FORMAT (damaged run-length data; rows before the damage have been handed over),
// LOGO_ERR_MEMORY (the file could not be read) or LOGO_ERR_SIZE (beyond kMaxDrawWidth ×
// kMaxDrawHeight). Pixels that run-length data skips stay black, as on a freshly created screen
// bitmap; runs and deltas that go past the right edge are cut there, as displays clip them, but
// data that would draw above the top row is damage. 16- and 32-bit components are scaled to
// 0..255. A 32-bit file with an alpha mask and any non-zero alpha is drawn over white paper; with
// an alpha channel that is all zero the alpha is taken as unused and the colours are drawn as
// they are.
int RenderBitmapRows(const PackedBitmap& bitmap, PixelReader& pixels, const BitmapRowSink& sink);

}  // namespace vrtruty::logo
