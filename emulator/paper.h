// Where the virtual printer's print goes: a line at a time, with cuts between pages. The engine
// decides what is printed; a paper sink decides what becomes of it (PNG pages, nothing, or a
// record in tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "emulator/character_font.h"

namespace vrtruty::emulator {

// The printer's character fonts (ESC M n, FS ( A function 48).
enum class FontKind : std::uint8_t {
    A = 0,  // 12 x 24 dots: 48 characters per line
    B = 1,  // 9 x 17 dots: 64 characters per line
    C = 2,  // drawn like font B
};

// Printable width of 80 mm paper: 72 mm at 203 dots per inch.
inline constexpr int kPaperWidthDots = 576;
// Default line spacing in dots (about 3.75 mm).
inline constexpr int kLinePitchDots = 30;
// Largest character enlargement of GS !.
inline constexpr int kMaxCharacterScale = 8;

int CellWidthDots(FontKind font);
int CellHeightDots(FontKind font);

enum class GlyphKind : std::uint8_t {
    Single,  // one byte 0x20..0xFF in the code page that was current when it arrived
    Double,  // a two-byte kanji code, as wide as two single characters
};

// How characters are printed: what ESC !, ESC E, ESC G, ESC -, GS !, GS B and ESC V select.
struct TextStyle {
    bool emphasised = false;       // ESC E, ESC G (double strike prints the same), ESC ! bit 3
    std::uint8_t underline = 0;    // thickness in dots: 0, 1 or 2
    std::uint8_t widthScale = 1;   // 1..8
    std::uint8_t heightScale = 1;  // 1..8
    bool reverse = false;          // white on black
    bool rotated = false;          // turned 90 degrees clockwise

    bool operator==(const TextStyle&) const = default;
};

struct Glyph {
    GlyphKind kind = GlyphKind::Single;
    FontKind font = FontKind::A;
    std::uint8_t codePage = 0;      // ESC t n
    std::uint8_t characterSet = 0;  // ESC R n
    std::uint16_t code = 0;         // the byte, or the two bytes first byte high
    bool shiftJis = false;          // a kanji code in Shift-JIS rather than JIS
    TextStyle style;
    int left = 0;  // dots from the start of the print area

    // Width of the cell, enlargement included.
    int WidthDots() const;
    int HeightDots() const;
    bool operator==(const Glyph&) const = default;
};

// One dot of a printed picture.
struct PictureDot {
    std::uint8_t ink = 0;       // 0 blank ... 255 full: the darkness of the dot
    bool secondColour = false;  // printed in the second colour of two-colour paper (red)

    bool operator==(const PictureDot&) const = default;
};

// A picture printed from the top of its band down, such as an NV logo or a bar code.
struct PrintedPicture {
    int width = 0;  // dots
    int height = 0;
    std::vector<PictureDot> dots;  // width x height, top row first
    int left = 0;                  // dots from the paper's left edge

    bool operator==(const PrintedPicture&) const = default;
};

// A bit image (ESC *) in a line of text, at its place in the line.
struct LineImage {
    int left = 0;  // dots from the start of the print area
    PrintedPicture picture;

    bool operator==(const LineImage&) const = default;
};

enum class Alignment : std::uint8_t { Left, Centre, Right };

// One printed line; nothing in it is a blank line feed.
struct PrintedLine {
    std::vector<Glyph> glyphs;
    std::vector<LineImage> images;
    int spacing = kLinePitchDots;  // paper fed by the line, unless what it holds is taller
    int margin = 0;                // left margin of the print area (GS L)
    int areaWidth = kPaperWidthDots;
    Alignment alignment = Alignment::Left;
    bool upsideDown = false;  // the whole line turned 180 degrees (ESC {)

    // The right end of what the line holds, from the start of the print area.
    int WidthDots() const;
    // Height of the tallest character or image.
    int ContentHeight() const;
    bool operator==(const PrintedLine&) const = default;
};

class PaperSink {
  public:
    virtual ~PaperSink() = default;
    // Prints one line and feeds the paper by one line.
    virtual void PrintLine(const PrintedLine& line) = 0;
    // Prints a picture and feeds the paper past it. Paper that keeps no pictures ignores it.
    virtual void PrintPicture(const PrintedPicture& /*picture*/) {}
    // Cuts the paper: what was printed since the last cut is one finished page.
    virtual void Cut() = 0;
    // Finishes the page in progress without a cut, so that nothing printed is lost at exit.
    virtual void Flush() = 0;
};

// Paper that is thrown away: the printer runs without a paper folder.
class DiscardPaper final : public PaperSink {
  public:
    void PrintLine(const PrintedLine&) override {}
    void Cut() override {}
    void Flush() override {}
};

// Writes each page as page-0001.png, page-0002.png, ... into a folder: 576 dots wide, black dots
// on white, 1 bit per dot (pictures also in grey, and in red for the second colour: a page with
// them gets a small palette), one page from the first line after a cut up to the next cut.
// Numbering continues after the pages already in the folder, so a second run does not overwrite the
// first one's.
class PngPaper final : public PaperSink {
  public:
    // Told about every page: its path, and an error when it could not be written.
    using PageCallback = std::function<void(const std::filesystem::path&, std::error_code)>;

    // Tallest page kept in memory (about one metre of paper); a longer strip is written out in
    // several pages.
    static constexpr int kMaxPageDots = 8192;

    explicit PngPaper(std::filesystem::path folder, PageCallback onPage = {});
    ~PngPaper() override;
    PngPaper(const PngPaper&) = delete;
    PngPaper& operator=(const PngPaper&) = delete;

    void PrintLine(const PrintedLine& line) override;
    void PrintPicture(const PrintedPicture& picture) override;
    void Cut() override;
    void Flush() override;

    // Name of the page with this number ("page-0001.png").
    static std::string PageFileName(int number);

  private:
    void WritePage();
    // The dots of a glyph's cell with its style applied.
    const CellBitmap& GlyphDots(const Glyph& glyph);
    CellBitmap DrawGlyph(const Glyph& glyph);
    void SetDot(int x, int y, std::uint8_t ink);
    // Makes the page `height` dots tall, the new rows white.
    void Grow(int height);

    CharacterFont font_;
    // Characters drawn before, by character, cell size and kind: a receipt uses few.
    std::map<std::tuple<char32_t, int, int, bool>, CellBitmap> drawn_;
    // Glyphs with their style, by everything but their place in the line.
    using GlyphKey = std::tuple<GlyphKind, FontKind, std::uint8_t, std::uint8_t, std::uint16_t,
                                bool, bool, std::uint8_t, std::uint8_t, std::uint8_t, bool, bool>;
    std::map<GlyphKey, CellBitmap> styled_;
    std::filesystem::path folder_;
    PageCallback onPage_;
    int nextPage_ = 1;
    int height_ = 0;  // dots of paper on the page so far
    // The ink of every dot, kPaperWidthDots per row: 0 white, 1..15 black ink, and the same
    // levels plus 16 for the second colour. A black dot drawn over a red one hides it.
    std::vector<std::uint8_t> dots_;
};

}  // namespace vrtruty::emulator
