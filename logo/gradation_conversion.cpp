#include "logo/gradation_conversion.h"

#include <array>
#include <cstddef>
#include <limits>
#include <new>
#include <utility>

#include "logo/bitmap_reader.h"
#include "logo/logo_conversion.h"

namespace vrtruty::logo {
namespace {

constexpr std::size_t kDotBytes = 3;  // blue, green, red of a drawn dot
constexpr std::size_t kTonePlanes = 4;
constexpr std::size_t kHeaderBytes = 17;  // GS 8 L, p1..p4, m fn a kc1 kc2 b xL xH yL yH
constexpr std::uint8_t kToneMultiple = 0x34;
constexpr std::uint8_t kFirstPlane = 0x31;
// The callers count 6 bytes beyond the result: the result leaves them out.
constexpr std::size_t kUncountedBytes = 6;
constexpr int kMaxLevel = 15;

void PutLittleEndian(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value,
                     std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Where the data of each plane starts in the command.
struct PlaneLayout {
    std::size_t rowBytes;
    std::size_t planeBytes;
    std::size_t DataAt(std::size_t plane) const {
        return kHeaderBytes + plane * (planeBytes + 1) + 1;
    }
};

void ToneRow(std::vector<std::uint8_t>& command, const PlaneLayout& layout, std::size_t topRow,
             std::int32_t width, std::span<const std::uint8_t> bgr) {
    std::array<std::uint8_t*, kTonePlanes> rows{};
    for (std::size_t plane = 0; plane < kTonePlanes; ++plane) {
        rows[plane] = command.data() + layout.DataAt(plane) + topRow * layout.rowBytes;
    }
    const auto dots = static_cast<std::size_t>(width);
    for (std::size_t x = 0; x < dots; ++x) {
        const std::uint8_t* dot = bgr.data() + x * kDotBytes;
        const int level = kMaxLevel - Luminance(dot[2], dot[1], dot[0]) / 4;
        const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
        for (std::size_t plane = 0; plane < kTonePlanes; ++plane) {
            if ((level >> (kTonePlanes - 1 - plane)) & 1) {
                rows[plane][x / 8] |= bit;
            }
        }
    }
}

int BuildToneCommand(const PackedBitmap& bitmap, PixelReader& pixels, std::int32_t kc1,
                     std::int32_t kc2, std::vector<std::uint8_t>& command) {
    PlaneLayout layout{};
    layout.rowBytes = static_cast<std::size_t>((bitmap.width + 7) / 8);
    layout.planeBytes = layout.rowBytes * static_cast<std::size_t>(bitmap.height);
    command.assign(kHeaderBytes + kTonePlanes * (layout.planeBytes + 1), 0);

    command[0] = 0x1D;
    command[1] = 0x38;
    command[2] = 0x4C;
    PutLittleEndian(command, 3, static_cast<std::uint32_t>(command.size() - 7), 4);
    command[7] = 0x30;
    command[8] = 0x43;
    command[9] = kToneMultiple;
    command[10] = static_cast<std::uint8_t>(kc1);
    command[11] = static_cast<std::uint8_t>(kc2);
    command[12] = static_cast<std::uint8_t>(kTonePlanes);
    PutLittleEndian(command, 13, static_cast<std::uint32_t>(8 * layout.rowBytes), 2);
    PutLittleEndian(command, 15, static_cast<std::uint32_t>(bitmap.height), 2);
    for (std::size_t plane = 0; plane < kTonePlanes; ++plane) {
        command[layout.DataAt(plane) - 1] = static_cast<std::uint8_t>(kFirstPlane + plane);
    }

    const std::int32_t height = bitmap.height;
    const std::int32_t width = bitmap.width;
    return RenderBitmapRows(
        bitmap, pixels, [&](std::int32_t row, std::span<const std::uint8_t> bgr) {
            ToneRow(command, layout, static_cast<std::size_t>(height - 1 - row), width, bgr);
        });
}

}  // namespace

int BmpMemoryToRegistCommand(std::span<const std::uint8_t> file, std::int32_t length,
                             std::int32_t form, std::int32_t toneRule, std::int32_t scaleX,
                             std::int32_t scaleY, std::int32_t kc1, std::int32_t kc2,
                             std::vector<std::uint8_t>& command, std::int32_t& width,
                             std::int32_t& height) {
    command = {};
    if (length < 0 || static_cast<std::size_t>(length) > file.size() || form != kGradationForm ||
        toneRule != kGradationToneRule || scaleX != kGradationDotScale ||
        scaleY != kGradationDotScale) {
        return BMPCONV_ERR_FAILURE;
    }
    const auto view = SplitBitmapFile(file.first(static_cast<std::size_t>(length)));
    if (view.result != 0) {
        return BMPCONV_ERR_FORMAT;
    }
    const auto bitmap = ParsePackedBitmap(view.packed, view.bitsOffset);
    if (!bitmap) {
        return BMPCONV_ERR_FORMAT;
    }
    width = bitmap->width;
    height = bitmap->height;
    if (bitmap->width > kMaxDrawWidth || bitmap->height > kMaxDrawHeight) {
        return BMPCONV_ERR_TOOLARGE;
    }
    int drawn = 0;
    try {
        MemoryPixelReader pixels(view.packed.subspan(static_cast<std::size_t>(bitmap->pixelOffset),
                                                     static_cast<std::size_t>(bitmap->pixelBytes)));
        drawn = BuildToneCommand(*bitmap, pixels, kc1, kc2, command);
    } catch (const std::bad_alloc&) {
        command = {};
        return BMPCONV_ERR_ALLOC;
    }
    if (drawn != 0) {
        command = {};
        return drawn == LOGO_ERR_SIZE ? BMPCONV_ERR_TOOLARGE : BMPCONV_ERR_FORMAT;
    }
    return static_cast<int>(command.size() - kUncountedBytes);
}

void DeleteBmpCommand(std::vector<std::uint8_t>& command) {
    std::vector<std::uint8_t>().swap(command);
}

int MapGradationResult(int result) {
    switch (result) {
        case BMPCONV_ERR_FORMAT:
            return LOGO_ERR_FORMAT;
        case BMPCONV_ERR_TOOLARGE:
            return LOGO_ERR_SIZE;
        case BMPCONV_ERR_ALLOC:
        case BMPCONV_ERR_NOMEMORY:
            return LOGO_ERR_MEMORY;
        case BMPCONV_ERR_OPEN:
            return LOGO_ERR_OPEN;
        default:
            return result < 0 ? LOGO_ERR_CONVERSION : 0;
    }
}

int ConvertGradationLogo(GradationMode mode, LogoEntry& entry) {
    DeleteBmpCommand(entry.command);
    // The call takes a 32-bit length; nothing longer can be a logo anyway.
    const auto file = ReadWholeFile(entry.path, std::numeric_limits<std::int32_t>::max());
    if (file.result != 0) {
        return file.result;
    }
    std::vector<std::uint8_t> command;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const int n = BmpMemoryToRegistCommand(file.bytes, static_cast<std::int32_t>(file.bytes.size()),
                                           kGradationForm, kGradationToneRule, kGradationDotScale,
                                           kGradationDotScale, entry.keycode, entry.keycode >> 8,
                                           command, width, height);
    if (n < 0) {
        entry.size = 0;
        return MapGradationResult(n);
    }
    if (!IsLogoSizeAllowed(width, height)) {
        DeleteBmpCommand(command);
        entry.size = 0;
        return LOGO_ERR_SIZE;
    }
    entry.size = n + static_cast<std::int32_t>(kUncountedBytes);
    if (mode == GradationMode::Register) {
        entry.command = std::move(command);
    } else {
        DeleteBmpCommand(command);
    }
    return 0;
}

}  // namespace vrtruty::logo
