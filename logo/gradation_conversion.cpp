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

PlaneLayout LayoutOf(const PackedBitmap& bitmap) {
    PlaneLayout layout{};
    layout.rowBytes = static_cast<std::size_t>((bitmap.width + 7) / 8);
    layout.planeBytes = layout.rowBytes * static_cast<std::size_t>(bitmap.height);
    return layout;
}

std::size_t CommandBytes(const PlaneLayout& layout) {
    return kHeaderBytes + kTonePlanes * (layout.planeBytes + 1);
}

// Draws the bitmap into the tone command, or with no command only draws it, which checks the
// pixel data exactly as building the command would: measuring a logo and registering it fail
// alike. The result is RenderBitmapRows'.
int DrawToneCommand(const PackedBitmap& bitmap, PixelReader& pixels, std::int32_t kc1,
                    std::int32_t kc2, std::vector<std::uint8_t>* command) {
    const PlaneLayout layout = LayoutOf(bitmap);
    if (command == nullptr) {
        return RenderBitmapRows(bitmap, pixels, [](std::int32_t, std::span<const std::uint8_t>) {});
    }
    command->assign(CommandBytes(layout), 0);
    std::vector<std::uint8_t>& out = *command;
    out[0] = 0x1D;
    out[1] = 0x38;
    out[2] = 0x4C;
    PutLittleEndian(out, 3, static_cast<std::uint32_t>(out.size() - 7), 4);
    out[7] = 0x30;
    out[8] = 0x43;
    out[9] = kToneMultiple;
    out[10] = static_cast<std::uint8_t>(kc1);
    out[11] = static_cast<std::uint8_t>(kc2);
    out[12] = static_cast<std::uint8_t>(kTonePlanes);
    PutLittleEndian(out, 13, static_cast<std::uint32_t>(8 * layout.rowBytes), 2);
    PutLittleEndian(out, 15, static_cast<std::uint32_t>(bitmap.height), 2);
    for (std::size_t plane = 0; plane < kTonePlanes; ++plane) {
        out[layout.DataAt(plane) - 1] = static_cast<std::uint8_t>(kFirstPlane + plane);
    }

    const std::int32_t height = bitmap.height;
    const std::int32_t width = bitmap.width;
    return RenderBitmapRows(
        bitmap, pixels, [&](std::int32_t row, std::span<const std::uint8_t> bgr) {
            ToneRow(out, layout, static_cast<std::size_t>(height - 1 - row), width, bgr);
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
        drawn = DrawToneCommand(*bitmap, pixels, kc1, kc2, &command);
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

// Reads the file in pieces rather than whole, and when measuring builds no command at all: the
// largest logo file is over 50 MB, its command under a fifth of that.
int ConvertGradationLogo(GradationMode mode, LogoEntry& entry) {
    DeleteBmpCommand(entry.command);
    auto file = OpenBitmapFile(entry.path);
    if (file.result != 0) {
        if (file.result == LOGO_ERR_FORMAT) {
            entry.size = 0;
        }
        return file.result;
    }
    const PackedBitmap& bitmap = file.bitmap;
    if (bitmap.width > kMaxDrawWidth || bitmap.height > kMaxDrawHeight) {
        entry.size = 0;
        return LOGO_ERR_SIZE;
    }
    std::vector<std::uint8_t> command;
    int drawn = 0;
    try {
        StreamPixelReader pixels(file.stream, bitmap.pixelBytes);
        drawn = DrawToneCommand(bitmap, pixels, entry.keycode, entry.keycode >> 8,
                                mode == GradationMode::Register ? &command : nullptr);
    } catch (const std::bad_alloc&) {
        entry.size = 0;
        return LOGO_ERR_MEMORY;
    }
    if (drawn != 0) {
        entry.size = 0;
        return drawn == LOGO_ERR_SIZE || drawn == LOGO_ERR_MEMORY ? drawn : LOGO_ERR_FORMAT;
    }
    if (!IsLogoSizeAllowed(bitmap.width, bitmap.height)) {
        entry.size = 0;
        return LOGO_ERR_SIZE;
    }
    entry.size = static_cast<std::int32_t>(CommandBytes(LayoutOf(bitmap)));
    entry.command = std::move(command);
    return 0;
}

}  // namespace vrtruty::logo
