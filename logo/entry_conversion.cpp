#include "logo/entry_conversion.h"

#include <cstddef>
#include <new>

#include "logo/gradation_conversion.h"
#include "logo/logo_conversion.h"

namespace vrtruty::logo {
namespace {

// Layout of the sixteen-level command: 17 header bytes, then four planes, each led by its
// number, of rowBytes × height bytes; the first plane carries the tone level's weight 8.
constexpr std::size_t kToneHeaderBytes = 17;
constexpr std::size_t kTonePlanes = 4;
constexpr int kToneLevels = 16;

bool Dot(const std::vector<std::uint8_t>& plane, std::size_t at, std::size_t x) {
    return (plane[at + x / 8] & (0x80 >> (x % 8))) != 0;
}

constexpr LogoColour kWhite{255, 255, 255};
constexpr LogoColour kBlack{0, 0, 0};
constexpr LogoColour kRed{255, 0, 0};

LogoPicture TwoLevelPicture(const LogoEntry& entry) {
    LogoPicture picture;
    const LogoBitmap bitmap = LoadLogoBitmap(LogoLoadMode::Convert, entry.path, entry.twoColours);
    if (bitmap.result != 0) {
        picture.result = bitmap.result;
        return picture;
    }
    const auto planes =
        PackRasterPlanes(bitmap.first, bitmap.second ? &*bitmap.second : nullptr, bitmap.width);
    if (!planes) {
        picture.result = LOGO_ERR_MEMORY;
        return picture;
    }
    picture.width = bitmap.width;
    picture.height = planes->rows;
    const auto width = static_cast<std::size_t>(picture.width);
    const std::size_t rowBytes = (width + 7) / 8;
    constexpr std::uint8_t kWhiteDot = 0;
    constexpr std::uint8_t kBlackDot = 1;
    constexpr std::uint8_t kRedDot = 2;
    const bool red = !planes->plane2.empty();
    picture.palette = red ? std::vector{kWhite, kBlack, kRed} : std::vector{kWhite, kBlack};
    picture.dots.assign(width * static_cast<std::size_t>(picture.height), kWhiteDot);
    for (std::size_t y = 0; y < static_cast<std::size_t>(picture.height); ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            std::uint8_t& dot = picture.dots[y * width + x];
            if (Dot(planes->plane1, y * rowBytes, x)) {
                dot = kBlackDot;
            } else if (red && Dot(planes->plane2, y * rowBytes, x)) {
                dot = kRedDot;
            }
        }
    }
    return picture;
}

LogoPicture SixteenLevelPicture(const LogoEntry& entry) {
    LogoPicture picture;
    LogoEntry converted = entry;
    picture.result = ConvertGradationLogo(GradationMode::Register, converted);
    if (picture.result != 0) {
        return picture;
    }
    const std::vector<std::uint8_t>& command = converted.command;
    const auto wide = static_cast<std::size_t>(command[13] | (command[14] << 8));
    const auto height = static_cast<std::size_t>(command[15] | (command[16] << 8));
    const std::size_t rowBytes = wide / 8;
    const std::size_t planeBytes = rowBytes * height;
    // The conversion pads the width to whole bytes; the picture keeps the bitmap's own width.
    const LogoBitmap measured = LoadLogoBitmap(LogoLoadMode::Measure, entry.path, false);
    picture.width = measured.result == 0 ? measured.width : static_cast<std::int32_t>(wide);
    picture.height = static_cast<std::int32_t>(height);
    const auto width = static_cast<std::size_t>(picture.width);
    // White and black first, as in the two-level picture, then the greys between them.
    std::vector<std::uint8_t> paletteIndex(kToneLevels);
    picture.palette = {kWhite, kBlack};
    paletteIndex[0] = 0;
    paletteIndex[kToneLevels - 1] = 1;
    for (int level = 1; level < kToneLevels - 1; ++level) {
        const auto grey = static_cast<std::uint8_t>(255 - level * 255 / (kToneLevels - 1));
        paletteIndex[static_cast<std::size_t>(level)] =
            static_cast<std::uint8_t>(picture.palette.size());
        picture.palette.push_back({grey, grey, grey});
    }
    picture.dots.assign(width * height, 0);
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            int level = 0;
            for (std::size_t plane = 0; plane < kTonePlanes; ++plane) {
                const std::size_t at = kToneHeaderBytes + plane * (planeBytes + 1) + 1;
                level = level * 2 + (Dot(command, at + y * rowBytes, x) ? 1 : 0);
            }
            picture.dots[y * width + x] = paletteIndex[static_cast<std::size_t>(level)];
        }
    }
    return picture;
}

}  // namespace

int BuildRegistrationCommand(LogoEntry& entry, bool errorAutoRecover) {
    if (entry.gradation == kGradation16) {
        return ConvertGradationLogo(GradationMode::Register, entry);
    }
    return ConvertLogoForRegistration(entry, errorAutoRecover);
}

int MeasureLogoEntry(LogoEntry& entry) {
    if (entry.gradation == kGradation16) {
        return ConvertGradationLogo(GradationMode::Measure, entry);
    }
    const LogoSize size = ComputeLogoSize(entry, entry.twoColours);
    if (size.result == 0) {
        entry.size = size.size;
    }
    return size.result;
}

LogoPicture RenderLogoPicture(const LogoEntry& entry) {
    try {
        return entry.gradation == kGradation16 ? SixteenLevelPicture(entry)
                                               : TwoLevelPicture(entry);
    } catch (const std::bad_alloc&) {
        LogoPicture picture;
        picture.result = LOGO_ERR_MEMORY;
        return picture;
    }
}

}  // namespace vrtruty::logo
