#include "emulator/character_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace vrtruty::emulator {

FontFiles DefaultFontFiles() {
    const std::filesystem::path dejavu = "/usr/share/fonts/truetype/dejavu";
    return {
        .singleByte = {dejavu / "DejaVuSansMono.ttf", dejavu / "DejaVuSans.ttf",
                       "/usr/share/fonts/truetype/tlwg/TlwgMono.ttf"},  // Thai
        .kanji = {"/usr/share/fonts/opentype/ipaexfont-gothic/ipaexg.ttf",
                  "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"},
    };
}

struct CharacterFont::Faces {
    FT_Library library = nullptr;
    std::vector<FT_Face> singleByte;
    std::vector<FT_Face> kanji;

    ~Faces() {
        for (const auto* list : {&singleByte, &kanji}) {
            for (FT_Face face : *list) {
                FT_Done_Face(face);
            }
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }

    void Load(const std::vector<std::filesystem::path>& paths, std::vector<FT_Face>& into) {
        for (const auto& path : paths) {
            FT_Face face = nullptr;
            if (FT_New_Face(library, path.c_str(), 0, &face) == 0) {
                if (FT_IS_SCALABLE(face)) {
                    into.push_back(face);
                } else {
                    FT_Done_Face(face);
                }
                if (&into == &kanji) {
                    return;  // the second kanji file is another name for the first
                }
            }
        }
    }
};

namespace {

// Draws the glyph of `character` from `face` into the cell; false when the face does not have it.
bool DrawFrom(FT_Face face, char32_t character, bool fullWidth, CellBitmap& cell) {
    const FT_UInt index = FT_Get_Char_Index(face, character);
    if (index == 0) {
        return false;
    }
    const long unitsPerEm = face->units_per_EM;
    const long lineUnits = std::max<long>(1, face->ascender - face->descender);
    // The largest size at which a line of the font fits the cell's height ...
    auto pixels = static_cast<FT_UInt>(std::max<long>(1, cell.height * unitsPerEm / lineUnits));
    if (fullWidth) {
        pixels = static_cast<FT_UInt>(std::min(cell.width, cell.height));
    }
    const FT_Int32 flags = FT_LOAD_RENDER | FT_LOAD_TARGET_MONO;
    if (FT_Set_Pixel_Sizes(face, 0, pixels) != 0 || FT_Load_Glyph(face, index, flags) != 0) {
        return false;
    }
    // ... and no wider than the cell.
    const long advance = face->glyph->advance.x >> 6;
    if (advance > cell.width) {
        pixels = static_cast<FT_UInt>(std::max<long>(1, pixels * cell.width / advance));
        if (FT_Set_Pixel_Sizes(face, 0, pixels) != 0 || FT_Load_Glyph(face, index, flags) != 0) {
            return false;
        }
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
        return false;
    }
    const long ascent = fullWidth ? pixels * 88 / 100 : face->size->metrics.ascender >> 6;
    // Glyphs narrower than the cell stand in its middle.
    const int left =
        static_cast<int>((cell.width - (slot->advance.x >> 6)) / 2) + slot->bitmap_left;
    const int top = static_cast<int>(ascent) - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* bits = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            if ((bits[column / 8] & (0x80U >> (column % 8))) == 0) {
                continue;
            }
            const int x = left + static_cast<int>(column);
            const int y = top + static_cast<int>(row);
            if (x >= 0 && x < cell.width && y >= 0 && y < cell.height) {
                cell.dots[static_cast<std::size_t>(y * cell.width + x)] = 1;
            }
        }
    }
    return true;
}

void DrawBox(CellBitmap& cell) {
    const int top = cell.height / 4;
    const int bottom = cell.height * 5 / 6;
    for (int y = top; y < bottom; ++y) {
        for (int x = 1; x < cell.width - 1; ++x) {
            if (y == top || y == bottom - 1 || x == 1 || x == cell.width - 2) {
                cell.dots[static_cast<std::size_t>(y * cell.width + x)] = 1;
            }
        }
    }
}

}  // namespace

CharacterFont::CharacterFont(const FontFiles& files) : faces_(std::make_unique<Faces>()) {
    if (FT_Init_FreeType(&faces_->library) != 0) {
        faces_->library = nullptr;
        return;
    }
    faces_->Load(files.singleByte, faces_->singleByte);
    faces_->Load(files.kanji, faces_->kanji);
}

CharacterFont::~CharacterFont() = default;

bool CharacterFont::Loaded() const {
    return !faces_->singleByte.empty() || !faces_->kanji.empty();
}

CellBitmap CharacterFont::Draw(char32_t character, int width, int height, bool kanji) const {
    CellBitmap cell{width, height,
                    std::vector<std::uint8_t>(static_cast<std::size_t>(width * height), 0)};
    if (width <= 0 || height <= 0) {
        return cell;
    }
    if (character == U' ' || character == 0x3000) {
        return cell;
    }
    if (character == 0) {
        DrawBox(cell);  // no character at this position
        return cell;
    }
    std::vector<std::pair<FT_Face, bool>> order;
    for (FT_Face face : kanji ? faces_->kanji : faces_->singleByte) {
        order.emplace_back(face, kanji);
    }
    for (FT_Face face : kanji ? faces_->singleByte : faces_->kanji) {
        order.emplace_back(face, false);
    }
    for (const auto& [face, fullWidth] : order) {
        if (DrawFrom(face, character, fullWidth, cell)) {
            return cell;
        }
    }
    DrawBox(cell);
    return cell;
}

}  // namespace vrtruty::emulator
