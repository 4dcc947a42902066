#include "logo/logo_conversion.h"

#include <algorithm>
#include <new>
#include <utility>

#include "comm/command_exchange.h"

namespace vrtruty::logo {
namespace {

constexpr std::size_t kDotBytes = 3;  // blue, green, red of a drawn dot

// GS 8 L, function 67: define NV graphics data in raster format.
constexpr std::array<std::uint8_t, 3> kDefineGraphics{0x1D, 0x38, 0x4C};
constexpr std::uint8_t kDefineM = 0x30;
constexpr std::uint8_t kDefineFunction = 0x43;
constexpr std::uint8_t kToneMonochrome = 0x30;    // a: one bit per dot and colour
constexpr std::uint8_t kFirstColourPlane = 0x31;  // c of the first plane; the second is 0x32
// m, fn, a, kc1, kc2, b, xL, xH, yL, yH: the bytes that p1..p4 count besides the planes.
constexpr std::uint32_t kDefineParameterBytes = 10;

void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// One drawn row into the monochrome work bitmap. A dot is white when L >= threshold and L != 0;
// with L = sum / 12 that is sum >= 12 × max(threshold, 1), which saves a division per dot.
void DitherRow(WorkBitmap& out, std::int32_t y, std::span<const std::uint8_t> bgr) {
    std::array<int, 8> minimumSum{};
    for (std::size_t column = 0; column < minimumSum.size(); ++column) {
        const int threshold = BAYER8[column * 8 + static_cast<std::size_t>(y % 8)];
        minimumSum[column] = 12 * std::max(threshold, 1);
    }
    const auto width = static_cast<std::size_t>(out.width);
    std::uint8_t* row = out.bits.data() + static_cast<std::size_t>(y) * out.rowBytes;
    const std::uint8_t* dot = bgr.data();
    for (std::size_t x = 0, byteIndex = 0; x < width; ++byteIndex) {
        const std::size_t count = std::min<std::size_t>(8, width - x);
        unsigned byte = 0;
        for (std::size_t i = 0; i < count; ++i, dot += kDotBytes) {
            const int sum = dot[0] + dot[1] + dot[2];
            byte |= sum >= minimumSum[i] ? 0x80u >> i : 0u;
        }
        row[byteIndex] = static_cast<std::uint8_t>(byte);
        x += count;
    }
}

// One drawn row into the two work bitmaps: white sets both bits (nothing prints), black only the
// second (the first colour prints), any other colour only the first (the second colour prints).
void SplitRow(WorkBitmap& first, WorkBitmap& second, std::int32_t y,
              std::span<const std::uint8_t> bgr) {
    const auto width = static_cast<std::size_t>(first.width);
    std::uint8_t* rowFirst = first.bits.data() + static_cast<std::size_t>(y) * first.rowBytes;
    std::uint8_t* rowSecond = second.bits.data() + static_cast<std::size_t>(y) * second.rowBytes;
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint8_t blue = bgr[x * kDotBytes];
        const std::uint8_t green = bgr[x * kDotBytes + 1];
        const std::uint8_t red = bgr[x * kDotBytes + 2];
        const bool white = blue == 0xFF && green == 0xFF && red == 0xFF;
        const bool black = blue == 0 && green == 0 && red == 0;
        const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
        if (!black) {
            rowFirst[x / 8] |= bit;
        }
        if (white || black) {
            rowSecond[x / 8] |= bit;
        }
    }
}

bool IsRunLength(const PackedBitmap& bitmap) {
    return bitmap.compression == BitmapCompression::Rle8 ||
           bitmap.compression == BitmapCompression::Rle4;
}

// A clear (black) work bit prints; bits beyond the width must not.
void PackPlane(const WorkBitmap& work, std::int32_t width, std::span<std::uint8_t> plane) {
    const auto rowBytes = static_cast<std::size_t>((width + 7) / 8);
    const auto rows = static_cast<std::size_t>(work.height);
    const unsigned usedInLast = static_cast<unsigned>(width % 8 == 0 ? 8 : width % 8);
    const auto lastMask = static_cast<std::uint8_t>(0xFFu << (8 - usedInLast));
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t* source = work.bits.data() + r * work.rowBytes;
        std::uint8_t* target = plane.data() + (rows - 1 - r) * rowBytes;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            target[i] = static_cast<std::uint8_t>(~source[i]);
        }
        target[rowBytes - 1] &= lastMask;
    }
}

}  // namespace

WorkBitmap::WorkBitmap(std::int32_t w, std::int32_t h)
    : width(w),
      height(h),
      rowBytes(static_cast<std::size_t>((w + 31) / 32) * 4),
      bits(rowBytes * static_cast<std::size_t>(h), 0) {}

bool WorkBitmap::IsWhite(std::int32_t x, std::int32_t y) const {
    const std::uint8_t byte =
        bits[static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x / 8)];
    return ((byte >> (7 - x % 8)) & 1) != 0;
}

DitherResult DitherToMono(const PackedBitmap& bitmap, PixelReader& pixels, bool twoColours) {
    DitherResult out;
    try {
        out.first = WorkBitmap(bitmap.width, bitmap.height);
        if (twoColours) {
            out.second.emplace(bitmap.width, bitmap.height);
        }
        if (twoColours) {
            out.result = RenderBitmapRows(
                bitmap, pixels, [&out](std::int32_t y, std::span<const std::uint8_t> bgr) {
                    SplitRow(out.first, *out.second, y, bgr);
                });
        } else {
            out.result = RenderBitmapRows(
                bitmap, pixels, [&out](std::int32_t y, std::span<const std::uint8_t> bgr) {
                    DitherRow(out.first, y, bgr);
                });
        }
    } catch (const std::bad_alloc&) {
        out.result = LOGO_ERR_MEMORY;
    }
    if (out.result != 0) {
        out.first = {};
        out.second.reset();
    }
    return out;
}

LogoBitmap NormalizeLogoBitmap(LogoLoadMode mode, const PackedBitmap& bitmap, PixelReader& pixels,
                               bool twoColours) {
    LogoBitmap out;
    // Two colours need a palette to pick them from; a 1-bit file is simply monochrome.
    bool twoPlanes = false;
    if (twoColours && bitmap.bitCount != 1) {
        if (bitmap.bitCount != 4 && bitmap.bitCount != 8) {
            out.result = LOGO_ERR_FORMAT;
            return out;
        }
        twoPlanes = true;
    }
    if (!IsLogoSizeAllowed(bitmap.width, bitmap.height)) {
        out.result = LOGO_ERR_SIZE;
        return out;
    }
    out.width = bitmap.width;

    if (mode == LogoLoadMode::Measure) {
        // Plain rows were checked against the file's length when parsed; run-length data only
        // shows its damage when it is drawn, and a logo that measures fine must also convert.
        if (IsRunLength(bitmap)) {
            out.result = RenderBitmapRows(bitmap, pixels,
                                          [](std::int32_t, std::span<const std::uint8_t>) {});
            if (out.result != 0) {
                return out;
            }
        }
        out.size = (bitmap.width + 7) / 8 * bitmap.height * (twoPlanes ? 2 : 1) + kLogoSizeOverhead;
        return out;
    }

    auto dithered = DitherToMono(bitmap, pixels, twoPlanes);
    out.result = dithered.result;
    if (out.result == 0) {
        out.first = std::move(dithered.first);
        out.second = std::move(dithered.second);
    }
    return out;
}

LogoBitmap LoadLogoBitmap(LogoLoadMode mode, const std::filesystem::path& path, bool twoColours) {
    auto file = OpenBitmapFile(path);
    if (file.result != 0) {
        LogoBitmap out;
        out.result = file.result;
        return out;
    }
    StreamPixelReader pixels(file.stream, file.bitmap.pixelBytes);
    return NormalizeLogoBitmap(mode, file.bitmap, pixels, twoColours);
}

LogoBitmap LoadLogoBitmapFromMemory(LogoLoadMode mode, std::span<const std::uint8_t> file,
                                    bool twoColours) {
    LogoBitmap out;
    const auto view = SplitBitmapFile(file);
    if (view.result != 0) {
        out.result = view.result;
        return out;
    }
    const auto bitmap = ParsePackedBitmap(view.packed, view.bitsOffset);
    if (!bitmap) {
        out.result = LOGO_ERR_FORMAT;
        return out;
    }
    MemoryPixelReader pixels(view.packed.subspan(static_cast<std::size_t>(bitmap->pixelOffset),
                                                 static_cast<std::size_t>(bitmap->pixelBytes)));
    return NormalizeLogoBitmap(mode, *bitmap, pixels, twoColours);
}

std::optional<RasterPlanes> PackRasterPlanes(const WorkBitmap& first, const WorkBitmap* second,
                                             std::int32_t width) {
    if (width < 1 || width > first.width || first.height < 1 ||
        first.bits.size() != first.rowBytes * static_cast<std::size_t>(first.height) ||
        (second != nullptr && (second->width != first.width || second->height != first.height ||
                               second->bits.size() != first.bits.size()))) {
        return std::nullopt;
    }
    try {
        RasterPlanes planes;
        planes.rows = first.height;
        planes.planeBytes = (width + 7) / 8 * first.height;
        planes.plane1.resize(static_cast<std::size_t>(planes.planeBytes));
        PackPlane(first, width, planes.plane1);
        if (second != nullptr) {
            planes.plane2.resize(static_cast<std::size_t>(planes.planeBytes));
            PackPlane(*second, width, planes.plane2);
        }
        return planes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

int BuildLogoDefineCommand(const RasterPlanes& planes, LogoEntry& entry, bool errorAutoRecover) {
    const auto k = static_cast<std::size_t>(planes.planeBytes);
    if (planes.rows < 1 || planes.planeBytes < planes.rows ||
        planes.planeBytes % planes.rows != 0 || planes.plane1.size() != k ||
        (!planes.plane2.empty() && planes.plane2.size() != k)) {
        return LOGO_ERR_SIZE;
    }
    const std::uint32_t colours = planes.plane2.empty() ? 1 : 2;
    const auto width = static_cast<std::uint32_t>(8 * (planes.planeBytes / planes.rows));
    try {
        std::vector<std::uint8_t> command;
        command.reserve(comm::kErrorRecoveryPreamble.size() + 17 + colours * (k + 1));
        if (errorAutoRecover) {
            command.insert(command.end(), comm::kErrorRecoveryPreamble.begin(),
                           comm::kErrorRecoveryPreamble.end());
        }
        command.insert(command.end(), kDefineGraphics.begin(), kDefineGraphics.end());
        AppendLittleEndian(command,
                           kDefineParameterBytes + colours * static_cast<std::uint32_t>(k + 1), 4);
        command.insert(command.end(), {kDefineM, kDefineFunction, kToneMonochrome});
        AppendLittleEndian(command, entry.keycode, 2);  // kc1 is the low byte
        command.push_back(static_cast<std::uint8_t>(colours));
        AppendLittleEndian(command, width, 2);
        AppendLittleEndian(command, static_cast<std::uint32_t>(planes.rows), 2);
        command.push_back(kFirstColourPlane);
        command.insert(command.end(), planes.plane1.begin(), planes.plane1.end());
        if (colours == 2) {
            command.push_back(kFirstColourPlane + 1);
            command.insert(command.end(), planes.plane2.begin(), planes.plane2.end());
        }
        entry.size = static_cast<std::int32_t>(command.size());
        entry.command = std::move(command);
    } catch (const std::bad_alloc&) {
        return LOGO_ERR_MEMORY;
    }
    return 0;
}

LogoSize ComputeLogoSize(const LogoEntry& entry, bool twoColours) {
    const auto measured = LoadLogoBitmap(LogoLoadMode::Measure, entry.path, twoColours);
    return {measured.result, measured.size};
}

int ConvertLogoForRegistration(LogoEntry& entry, bool errorAutoRecover) {
    entry.command = {};
    std::optional<RasterPlanes> planes;
    {
        // The work bitmaps go before the command is built, keeping the peak at one copy of
        // the raster beside the planes.
        auto loaded = LoadLogoBitmap(LogoLoadMode::Convert, entry.path, entry.twoColours);
        if (loaded.result != 0) {
            return loaded.result;
        }
        planes =
            PackRasterPlanes(loaded.first, loaded.second ? &*loaded.second : nullptr, loaded.width);
    }
    if (!planes) {
        return LOGO_ERR_MEMORY;
    }
    return BuildLogoDefineCommand(*planes, entry, errorAutoRecover);
}

}  // namespace vrtruty::logo
