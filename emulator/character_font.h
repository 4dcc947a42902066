// The virtual printer's characters, drawn from real fonts through FreeType: a monospaced font for
// the single-byte cells (a proportional one for scripts it lacks), the IPAex Gothic font for kanji
// and what else only it has. Glyphs are drawn without grey, as a thermal head prints them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace vrtruty::emulator {

// Dots of one character cell, row by row from the top; 1 = ink.
struct CellBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> dots;

    bool At(int x, int y) const {
        return dots[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)] != 0;
    }
};

// The font files looked for, in the order they are tried for a character.
struct FontFiles {
    std::vector<std::filesystem::path> singleByte;
    std::vector<std::filesystem::path> kanji;
};
FontFiles DefaultFontFiles();

class CharacterFont {
  public:
    explicit CharacterFont(const FontFiles& files = DefaultFontFiles());
    ~CharacterFont();
    CharacterFont(const CharacterFont&) = delete;
    CharacterFont& operator=(const CharacterFont&) = delete;

    // The character drawn to fill a cell of width x height dots, standing on the cell's baseline.
    // `kanji` draws it full-width from the kanji font first. A character no font has becomes an
    // outlined box, so that a missing glyph shows on the paper instead of a gap.
    CellBitmap Draw(char32_t character, int width, int height, bool kanji) const;

    // Whether any font file could be loaded.
    bool Loaded() const;

  private:
    struct Faces;
    std::unique_ptr<Faces> faces_;
};

}  // namespace vrtruty::emulator
