// Bar codes and 2D codes as the printer draws them (GS k, GS ( k), made by libzint.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "emulator/paper.h"

namespace vrtruty::emulator {

// Where GS H prints the human-readable characters of a bar code.
enum class HriPosition : std::uint8_t { None, Above, Below, Both };

// GS h, GS w, GS H and GS f.
struct BarCodeSettings {
    int height = 162;     // dots
    int moduleWidth = 3;  // dots of the narrowest bar, 2..6
    HriPosition hri = HriPosition::None;
};

enum class TwoDimensionalCode : std::uint8_t { Qr, MicroQr, Pdf417 };

// The GS ( k settings of one symbology.
struct SymbolSettings {
    TwoDimensionalCode kind = TwoDimensionalCode::Qr;
    int moduleSize = 3;       // dots per module (QR), or the module width (PDF417)
    int errorCorrection = 0;  // QR: 0 L, 1 M, 2 Q, 3 H; PDF417: level 0..8, or -1 automatic
    int columns = 0;          // PDF417: data columns, 0 automatic
};

// The bar code GS k m prints (m = 0..6 or 65..73), from its data bytes; nothing when the data
// do not make a valid symbol, as the printer then prints nothing.
std::optional<PrintedPicture> DrawBarCode(std::uint8_t m, std::span<const std::uint8_t> data,
                                          const BarCodeSettings& settings);

// The 2D code of the stored data; nothing when the data do not fit the symbol.
std::optional<PrintedPicture> DrawSymbol(std::span<const std::uint8_t> data,
                                         const SymbolSettings& settings);

}  // namespace vrtruty::emulator
