#include "emulator/bar_codes.h"

#include <zint.h>

#include <memory>
#include <string>

namespace vrtruty::emulator {
namespace {

struct SymbolDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};
using Symbol = std::unique_ptr<zint_symbol, SymbolDeleter>;

// zint's X-dimension is two pixels at scale 1.
float ScaleFor(int dotsPerModule) {
    return static_cast<float>(dotsPerModule) / 2.0F;
}

std::optional<PrintedPicture> Render(Symbol symbol, const std::string& data) {
    if (data.empty() ||
        ZBarcode_Encode_and_Buffer(symbol.get(),
                                   reinterpret_cast<const unsigned char*>(data.data()),
                                   static_cast<int>(data.size()), 0) >= ZINT_ERROR ||
        symbol->bitmap == nullptr) {
        return std::nullopt;
    }
    PrintedPicture picture;
    picture.width = symbol->bitmap_width;
    picture.height = symbol->bitmap_height;
    picture.dots.resize(static_cast<std::size_t>(picture.width) *
                        static_cast<std::size_t>(picture.height));
    for (std::size_t i = 0; i < picture.dots.size(); ++i) {
        if (symbol->bitmap[i * 3] < 128) {
            picture.dots[i].ink = 255;
        }
    }
    return picture;
}

// The code sets of GS k's CODE128 data ("{A", "{B", "{C") are the printer's way to say how to
// encode; the symbol's content is the same whichever set carries it, so zint picks the sets.
std::string Code128Content(std::span<const std::uint8_t> data) {
    std::string text;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '{' && i + 1 < data.size()) {
            ++i;
            if (data[i] == '{') {
                text += '{';
            }
            continue;  // a code set or a function character
        }
        text += static_cast<char>(data[i]);
    }
    return text;
}

}  // namespace

std::optional<PrintedPicture> DrawBarCode(std::uint8_t m, std::span<const std::uint8_t> data,
                                          const BarCodeSettings& settings) {
    const std::uint8_t kind = m >= 65 ? static_cast<std::uint8_t>(m - 65) : m;
    std::string text(data.begin(), data.end());
    int symbology = 0;
    switch (kind) {
        case 0:  // UPC-A: 11 digits, or 12 with the check digit
            symbology = text.size() == 12 ? BARCODE_UPCA_CHK : BARCODE_UPCA;
            break;
        case 1:  // UPC-E: 6 or 7 digits, or 8 with the check digit
            symbology = text.size() == 8 ? BARCODE_UPCE_CHK : BARCODE_UPCE;
            break;
        case 2:  // EAN-13: 12 digits, or 13 with the check digit
        case 3:  // EAN-8: 7 digits, or 8
            symbology = text.size() == 13 || text.size() == 8 ? BARCODE_EANX_CHK : BARCODE_EANX;
            break;
        case 4:  // CODE39; the start and stop characters are the printer's to add
            if (text.size() >= 2 && text.front() == '*' && text.back() == '*') {
                text = text.substr(1, text.size() - 2);
            }
            symbology = BARCODE_CODE39;
            break;
        case 5:
            symbology = BARCODE_C25INTER;
            break;
        case 6:
            symbology = BARCODE_CODABAR;
            break;
        case 7:
            symbology = BARCODE_CODE93;
            break;
        case 8:
            symbology = BARCODE_CODE128;
            text = Code128Content(data);
            break;
        default:
            return std::nullopt;
    }
    Symbol symbol(ZBarcode_Create());
    if (!symbol) {
        return std::nullopt;
    }
    symbol->symbology = symbology;
    symbol->scale = ScaleFor(settings.moduleWidth);
    symbol->height = static_cast<float>(settings.height) / static_cast<float>(settings.moduleWidth);
    symbol->guard_descent = 0;  // every bar as high as GS h says
    symbol->show_hrt = settings.hri == HriPosition::None ? 0 : 1;
    symbol->output_options = BARCODE_NO_QUIET_ZONES;
    return Render(std::move(symbol), text);
}

std::optional<PrintedPicture> DrawSymbol(std::span<const std::uint8_t> data,
                                         const SymbolSettings& settings) {
    Symbol symbol(ZBarcode_Create());
    if (!symbol) {
        return std::nullopt;
    }
    symbol->input_mode = DATA_MODE;
    symbol->scale = ScaleFor(settings.moduleSize);
    switch (settings.kind) {
        case TwoDimensionalCode::Qr:
        case TwoDimensionalCode::MicroQr:
            symbol->symbology =
                settings.kind == TwoDimensionalCode::Qr ? BARCODE_QRCODE : BARCODE_MICROQR;
            symbol->option_1 = settings.errorCorrection + 1;
            break;
        case TwoDimensionalCode::Pdf417:
            symbol->symbology = BARCODE_PDF417;
            symbol->option_1 = settings.errorCorrection;
            symbol->option_2 = settings.columns;
            break;
    }
    return Render(std::move(symbol), std::string(data.begin(), data.end()));
}

}  // namespace vrtruty::emulator
