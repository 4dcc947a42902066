#include "emulator/paper.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <utility>

#include "emulator/bitmap_font.h"
#include "emulator/png_writer.h"

namespace vrtruty::emulator {
namespace {

constexpr std::uint8_t kWhite = 255;
constexpr std::uint8_t kBlack = 0;
// Font A is drawn from the 8 x 16 glyphs at one and a half times their size.
constexpr int kFontAScaleNumerator = 3;
constexpr int kFontAScaleDenominator = 2;
// Row of the glyph grid where capitals begin; boxes for characters without a glyph span from
// here to the baseline, so they line up with the text around them.
constexpr int kGlyphCapitalRow = 3;
constexpr std::string_view kPagePrefix = "page-";
constexpr std::string_view kPageExtension = ".png";

// The number of a page file name, or 0 when the name is not one.
int PageNumberOf(const std::string& name) {
    if (!name.starts_with(kPagePrefix) || !name.ends_with(kPageExtension)) {
        return 0;
    }
    const std::string_view digits = std::string_view(name).substr(
        kPagePrefix.size(), name.size() - kPagePrefix.size() - kPageExtension.size());
    if (digits.empty() || digits.size() > 6) {
        return 0;
    }
    int number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return 0;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

std::error_code WriteFileReplacing(const std::filesystem::path& path,
                                   const std::vector<std::uint8_t>& bytes) {
    // Whoever watches the folder sees a page only once it is complete.
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return std::make_error_code(std::errc::io_error);
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return error;
}

// Red, green and blue of every dot: a red dot of full ink is pure red; black beats red.
std::vector<std::uint8_t> ColourPixels(const std::vector<std::uint8_t>& grey,
                                       const std::vector<std::uint8_t>& red) {
    std::vector<std::uint8_t> pixels;
    pixels.reserve(grey.size() * 3);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        const std::uint8_t level = grey[i];
        if (level == kWhite && red[i] != 0) {
            const auto fade = static_cast<std::uint8_t>(kWhite - red[i]);
            pixels.insert(pixels.end(), {kWhite, fade, fade});
        } else {
            pixels.insert(pixels.end(), {level, level, level});
        }
    }
    return pixels;
}

}  // namespace

int CellWidthDots(FontKind font) {
    return font == FontKind::A ? 12 : 9;
}
int CellHeightDots(FontKind font) {
    return font == FontKind::A ? 24 : 17;
}

int Glyph::WidthDots() const {
    const int cell = CellWidthDots(font);
    return kind == GlyphKind::Double ? 2 * cell : cell;
}

int PrintedLine::WidthDots() const {
    int width = 0;
    for (const Glyph& glyph : glyphs) {
        width += glyph.WidthDots();
    }
    return width;
}

PngPaper::PngPaper(std::filesystem::path folder, PageCallback onPage)
    : folder_(std::move(folder)), onPage_(std::move(onPage)) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    for (std::filesystem::directory_iterator it(folder_, error), end; !error && it != end;
         it.increment(error)) {
        nextPage_ = std::max(nextPage_, PageNumberOf(it->path().filename().string()) + 1);
    }
}

PngPaper::~PngPaper() {
    try {
        Flush();
    } catch (...) {
        // Nothing can be reported any more; losing the last page beats terminating.
    }
}

std::string PngPaper::PageFileName(int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", number);
    return std::string(kPagePrefix) + digits + std::string(kPageExtension);
}

void PngPaper::PrintLine(const PrintedLine& line) {
    int cellHeight = 0;
    for (const Glyph& glyph : line.glyphs) {
        cellHeight = std::max(cellHeight, CellHeightDots(glyph.font));
    }
    const int pitch = std::max(kLinePitchDots, cellHeight);
    if (height_ > 0 && height_ + pitch > kMaxPageDots) {
        WritePage();
    }
    const int top = height_;
    Grow(height_ + pitch);

    // The spacing is shared above and below the characters, so text sits in the middle of its
    // line and cells of different heights stand on one line.
    const int cellBottom = top + cellHeight + (pitch - cellHeight) / 2;
    int left = 0;
    for (const Glyph& glyph : line.glyphs) {
        if (left + glyph.WidthDots() > kPaperWidthDots) {
            break;
        }
        DrawGlyph(glyph, left, cellBottom);
        left += glyph.WidthDots();
    }
}

void PngPaper::PrintPicture(const PrintedPicture& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.dots.size() !=
            static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
        return;
    }
    const int rows = std::min(picture.height, kMaxPageDots);
    if (height_ > 0 && height_ + rows > kMaxPageDots) {
        WritePage();
    }
    const int top = height_;
    Grow(height_ + rows);
    const int width = std::min(picture.width, kPaperWidthDots);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < width; ++x) {
            const PictureDot& dot =
                picture.dots[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                             static_cast<std::size_t>(x)];
            if (dot.ink == 0) {
                continue;
            }
            const std::size_t at =
                static_cast<std::size_t>(top + y) * kPaperWidthDots + static_cast<std::size_t>(x);
            if (dot.secondColour) {
                if (red_.empty()) {
                    red_.assign(dots_.size(), 0);
                }
                red_[at] = dot.ink;
            } else {
                dots_[at] = static_cast<std::uint8_t>(kWhite - dot.ink);
            }
        }
    }
}

void PngPaper::Grow(int height) {
    height_ = height;
    const std::size_t size = static_cast<std::size_t>(height_) * kPaperWidthDots;
    dots_.resize(size, kWhite);
    if (!red_.empty()) {
        red_.resize(size, 0);
    }
}

void PngPaper::Cut() {
    WritePage();
}

void PngPaper::Flush() {
    WritePage();
}

void PngPaper::WritePage() {
    if (height_ == 0) {
        return;
    }
    std::vector<std::uint8_t> png;
    if (red_.empty()) {
        png = EncodePng({.width = kPaperWidthDots,
                         .height = static_cast<std::uint32_t>(height_),
                         .colour = PngColour::Grey,
                         .pixels = dots_});
    } else {
        png = EncodePng({.width = kPaperWidthDots,
                         .height = static_cast<std::uint32_t>(height_),
                         .colour = PngColour::Rgb,
                         .pixels = ColourPixels(dots_, red_)});
    }
    const std::filesystem::path path = folder_ / PageFileName(nextPage_++);
    const std::error_code error = WriteFileReplacing(path, png);
    dots_.clear();
    red_.clear();
    height_ = 0;
    if (onPage_) {
        onPage_(path, error);
    }
}

void PngPaper::DrawGlyph(const Glyph& glyph, int left, int cellBottom) {
    const int cellTop = cellBottom - CellHeightDots(glyph.font);
    const bool large = glyph.font == FontKind::A;
    const auto scaled = [large](int row) {
        return large ? row * kFontAScaleNumerator / kFontAScaleDenominator : row;
    };
    // Outlines as heavy as the strokes of the font around them.
    const int weight = large ? 2 : 1;
    if (glyph.kind == GlyphKind::Double) {
        DrawBox(left + 1, cellTop + 1, left + glyph.WidthDots() - 2, cellBottom - 2, weight);
        return;
    }
    const std::span<const std::uint8_t> rows = FontGlyph(static_cast<std::uint8_t>(glyph.code));
    if (rows.empty()) {
        // No picture for this code page position: an outlined box in the character's place.
        DrawBox(left + 1, cellTop + scaled(kGlyphCapitalRow), left + glyph.WidthDots() - 2,
                cellTop + scaled(kGlyphBaselineRow + 1) - 1, weight);
        return;
    }
    // Each dot of the glyph covers every dot of the cell it overlaps. At one and a half times
    // the size this gives even two-dot strokes and unbroken diagonals, where picking the nearest
    // glyph dot would mix thin and thick strokes and break up slanted lines.
    const auto start = [large](int i) {
        return large ? i * kFontAScaleNumerator / kFontAScaleDenominator : i;
    };
    const auto end = [large](int i) {
        return large ? (kFontAScaleNumerator * (i + 1) + kFontAScaleDenominator - 1) /
                           kFontAScaleDenominator
                     : i + 1;
    };
    for (int row = 0; row < kGlyphHeightDots; ++row) {
        const std::uint8_t bits = rows[static_cast<std::size_t>(row)];
        for (int column = 0; column < kGlyphWidthDots; ++column) {
            if ((bits & (0x80U >> column)) == 0) {
                continue;
            }
            for (int y = start(row); y < end(row); ++y) {
                for (int x = start(column); x < end(column); ++x) {
                    SetDot(left + x, cellTop + y);
                }
            }
        }
    }
}

void PngPaper::DrawBox(int left, int top, int right, int bottom, int weight) {
    for (int x = left; x <= right; ++x) {
        for (int y = top; y <= bottom; ++y) {
            const bool edge =
                x < left + weight || x > right - weight || y < top + weight || y > bottom - weight;
            if (edge) {
                SetDot(x, y);
            }
        }
    }
}

void PngPaper::SetDot(int x, int y) {
    if (x < 0 || x >= kPaperWidthDots || y < 0 || y >= height_) {
        return;
    }
    dots_[static_cast<std::size_t>(y) * kPaperWidthDots + static_cast<std::size_t>(x)] = kBlack;
}

}  // namespace vrtruty::emulator
