#include "emulator/paper.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "emulator/code_pages.h"
#include "emulator/png_writer.h"

namespace vrtruty::emulator {
namespace {

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

// A dot on the page is one byte: 0 white, 1..15 the ink of a black dot (15 full), and the same
// levels with kRedInk added for the second colour.
constexpr std::uint8_t kFullInk = 15;
constexpr std::uint8_t kRedInk = 0x10;
constexpr int kInkCodes = 2 * kRedInk;

PngRgb InkColour(std::uint8_t code) {
    const auto fade = static_cast<std::uint8_t>(255 - (code & kFullInk) * 17);
    if ((code & kRedInk) != 0) {
        return {255, fade, fade};
    }
    return {fade, fade, fade};
}

}  // namespace

int CellWidthDots(FontKind font) {
    return font == FontKind::A ? 12 : 9;
}
int CellHeightDots(FontKind font) {
    return font == FontKind::A ? 24 : 17;
}

namespace {

// The cell of a character before enlargement; a character turned on its side lies in a cell
// turned with it.
std::pair<int, int> UprightCell(const Glyph& glyph) {
    const int cell = CellWidthDots(glyph.font);
    return {glyph.kind == GlyphKind::Double ? 2 * cell : cell, CellHeightDots(glyph.font)};
}

}  // namespace

int Glyph::WidthDots() const {
    const auto [width, height] = UprightCell(*this);
    return (style.rotated ? height : width) * style.widthScale;
}

int Glyph::HeightDots() const {
    const auto [width, height] = UprightCell(*this);
    return (style.rotated ? width : height) * style.heightScale;
}

int PrintedLine::WidthDots() const {
    int width = 0;
    for (const Glyph& glyph : glyphs) {
        width = std::max(width, glyph.left + glyph.WidthDots());
    }
    for (const LineImage& image : images) {
        width = std::max(width, image.left + image.picture.width);
    }
    return width;
}

int PrintedLine::ContentHeight() const {
    int height = 0;
    for (const Glyph& glyph : glyphs) {
        height = std::max(height, glyph.HeightDots());
    }
    for (const LineImage& image : images) {
        height = std::max(height, image.picture.height);
    }
    return height;
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
    const int content = std::min(line.ContentHeight(), kMaxPageDots);
    const int pitch = std::clamp(std::max(line.spacing, content), 0, kMaxPageDots);
    if (pitch == 0) {
        return;
    }
    if (height_ > 0 && height_ + pitch > kMaxPageDots) {
        WritePage();
    }
    const int top = height_;
    Grow(height_ + pitch);

    // The spacing is shared above and below what the line holds, so text sits in the middle of
    // its line; characters of different heights stand on one baseline, images hang from the top.
    const int contentTop = top + (pitch - content) / 2;
    const int contentBottom = contentTop + content;
    const int free = std::max(0, line.areaWidth - line.WidthDots());
    const int start = line.margin + (line.alignment == Alignment::Centre  ? free / 2
                                     : line.alignment == Alignment::Right ? free
                                                                          : 0);
    const int areaEnd = std::min(kPaperWidthDots, line.margin + line.areaWidth);
    const auto put = [&](int x, int y, std::uint8_t ink) {
        if (x < line.margin || x >= areaEnd) {
            return;
        }
        if (line.upsideDown) {
            // Turned about the middle of the print area and of the line's band.
            x = line.margin + areaEnd - 1 - x;
            y = top + (top + pitch - 1 - y);
        }
        SetDot(x, y, ink);
    };
    for (const Glyph& glyph : line.glyphs) {
        const CellBitmap& cell = GlyphDots(glyph);
        const int left = start + glyph.left;
        const int cellTop = contentBottom - cell.height;
        for (int y = 0; y < cell.height; ++y) {
            for (int x = 0; x < cell.width; ++x) {
                if (cell.At(x, y)) {
                    put(left + x, cellTop + y, kFullInk);
                }
            }
        }
    }
    for (const LineImage& image : line.images) {
        const PrintedPicture& picture = image.picture;
        for (int y = 0; y < picture.height && y < content; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                const PictureDot& dot =
                    picture.dots[static_cast<std::size_t>(y * picture.width + x)];
                if (dot.ink != 0) {
                    put(start + image.left + x, contentTop + y, kFullInk);
                }
            }
        }
    }
}

const CellBitmap& PngPaper::GlyphDots(const Glyph& glyph) {
    // A receipt uses few distinct characters: each is drawn once, in each style it takes.
    constexpr std::size_t kMaxKeptGlyphs = 4096;
    const TextStyle& s = glyph.style;
    const GlyphKey key{glyph.kind,   glyph.font,     glyph.codePage, glyph.characterSet,
                       glyph.code,   glyph.shiftJis, s.emphasised,   s.underline,
                       s.widthScale, s.heightScale,  s.reverse,      s.rotated};
    auto it = styled_.find(key);
    if (it == styled_.end()) {
        if (styled_.size() >= kMaxKeptGlyphs) {
            styled_.clear();
        }
        it = styled_.emplace(key, DrawGlyph(glyph)).first;
    }
    return it->second;
}

CellBitmap PngPaper::DrawGlyph(const Glyph& glyph) {
    const bool kanji = glyph.kind == GlyphKind::Double;
    const auto [drawWidth, drawHeight] = UprightCell(glyph);
    std::optional<char32_t> character;
    if (kanji) {
        character = KanjiCharacter(glyph.code, glyph.shiftJis);
    } else if (glyph.codePage == kBlankCodePage) {
        character = U' ';
    } else {
        character = SingleByteCharacter(glyph.codePage, glyph.characterSet,
                                        static_cast<std::uint8_t>(glyph.code));
    }
    const bool rotated = glyph.style.rotated;
    const int width = rotated ? drawHeight : drawWidth;
    const int height = rotated ? drawWidth : drawHeight;
    const auto key = std::make_tuple(character.value_or(0), drawWidth, drawHeight, kanji);
    auto it = drawn_.find(key);
    if (it == drawn_.end()) {
        it = drawn_.emplace(key, font_.Draw(character.value_or(0), drawWidth, drawHeight, kanji))
                 .first;
    }
    CellBitmap base = it->second;
    if (rotated) {
        CellBitmap turned{width, height, std::vector<std::uint8_t>(base.dots.size(), 0)};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                // Clockwise: the upright glyph's left column becomes the top row.
                turned.dots[static_cast<std::size_t>(y * width + x)] =
                    base.At(y, drawHeight - 1 - x) ? 1 : 0;
            }
        }
        base = std::move(turned);
    }
    const TextStyle& style = glyph.style;
    if (style.emphasised) {
        // Each stroke one dot wider, to the right.
        for (int y = 0; y < height; ++y) {
            for (int x = width - 1; x > 0; --x) {
                if (base.At(x - 1, y)) {
                    base.dots[static_cast<std::size_t>(y * width + x)] = 1;
                }
            }
        }
    }
    for (int row = 0; row < style.underline && row < height; ++row) {
        std::fill_n(base.dots.begin() + (height - 1 - row) * width, width, std::uint8_t{1});
    }
    if (style.reverse) {
        for (std::uint8_t& dot : base.dots) {
            dot = dot == 0 ? 1 : 0;
        }
    }
    if (style.widthScale == 1 && style.heightScale == 1) {
        return base;
    }
    CellBitmap scaled{width * style.widthScale, height * style.heightScale, {}};
    scaled.dots.resize(static_cast<std::size_t>(scaled.width * scaled.height));
    for (int y = 0; y < scaled.height; ++y) {
        for (int x = 0; x < scaled.width; ++x) {
            scaled.dots[static_cast<std::size_t>(y * scaled.width + x)] =
                base.At(x / style.widthScale, y / style.heightScale) ? 1 : 0;
        }
    }
    return scaled;
}

void PngPaper::PrintPicture(const PrintedPicture& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.dots.size() !=
            static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
        return;
    }
    // A picture taller than a page goes on over as many pages as it needs.
    for (int done = 0; done < picture.height;) {
        if (height_ > 0 && height_ + std::min(picture.height - done, kMaxPageDots) > kMaxPageDots) {
            WritePage();
        }
        const int rows = std::min(picture.height - done, kMaxPageDots - height_);
        const int top = height_;
        Grow(height_ + rows);
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                const PictureDot& dot = picture.dots[static_cast<std::size_t>(done + y) *
                                                         static_cast<std::size_t>(picture.width) +
                                                     static_cast<std::size_t>(x)];
                const auto level = static_cast<std::uint8_t>((dot.ink * kFullInk + 127) / 255);
                if (level != 0) {
                    SetDot(picture.left + x, top + y,
                           dot.secondColour ? static_cast<std::uint8_t>(kRedInk | level) : level);
                }
            }
        }
        done += rows;
    }
}

void PngPaper::Grow(int height) {
    height_ = height;
    dots_.resize(static_cast<std::size_t>(height_) * kPaperWidthDots, 0);
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
    // The file numbers only the inks the page uses, white first, so that a page of text is a
    // 1-bit picture.
    std::array<bool, kInkCodes> used{};
    for (const std::uint8_t code : dots_) {
        used[code] = true;
    }
    used[0] = true;
    std::array<std::uint8_t, kInkCodes> numberOf{};
    std::vector<PngRgb> colours;
    for (std::size_t code = 0; code < used.size(); ++code) {
        if (used[code]) {
            numberOf[code] = static_cast<std::uint8_t>(colours.size());
            colours.push_back(InkColour(static_cast<std::uint8_t>(code)));
        }
    }
    const std::filesystem::path path = folder_ / PageFileName(nextPage_++);
    PngFileWriter writer(path, kPaperWidthDots, static_cast<std::uint32_t>(height_),
                         std::move(colours));
    std::array<std::uint8_t, kPaperWidthDots> row{};
    for (std::size_t start = 0; start < dots_.size(); start += kPaperWidthDots) {
        for (std::size_t x = 0; x < row.size(); ++x) {
            row[x] = numberOf[dots_[start + x]];
        }
        writer.WriteRow(row);
    }
    const std::error_code error = writer.Finish();
    dots_.clear();
    height_ = 0;
    if (onPage_) {
        onPage_(path, error);
    }
}

void PngPaper::SetDot(int x, int y, std::uint8_t ink) {
    if (x < 0 || x >= kPaperWidthDots || y < 0 || y >= height_) {
        return;
    }
    std::uint8_t& dot =
        dots_[static_cast<std::size_t>(y) * kPaperWidthDots + static_cast<std::size_t>(x)];
    if ((ink & kRedInk) == 0 || (dot & kFullInk) == 0) {
        dot = ink;  // black hides red
    }
}

}  // namespace vrtruty::emulator
