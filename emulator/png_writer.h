// PNG files for the virtual printer's paper and the logo preview, written through libpng one row
// at a time: no picture is ever held as a whole image of pixels, and the file takes the smallest
// form its colours allow (1 bit per dot for black and white).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <system_error>
#include <vector>

namespace vrtruty::emulator {

struct PngRgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const PngRgb&) const = default;
};

inline constexpr PngRgb kPngWhite{255, 255, 255};
inline constexpr PngRgb kPngBlack{0, 0, 0};

// Writes one PNG file whose rows are given as colour numbers, one byte per dot, each an index
// into the colours the writer was made with. Only black and white give a 1-bit grey file;
// other colours give a palette of 1, 2, 4 or 8 bits per dot, so pass only the colours that are
// used. The file appears under its name only when Finish succeeds: whoever watches the folder
// never sees half a picture.
class PngFileWriter {
  public:
    PngFileWriter(std::filesystem::path path, std::uint32_t width, std::uint32_t height,
                  std::vector<PngRgb> colours);
    ~PngFileWriter();
    PngFileWriter(const PngFileWriter&) = delete;
    PngFileWriter& operator=(const PngFileWriter&) = delete;

    // The next row, top row first; `width` colour numbers. Ignored after an error.
    void WriteRow(std::span<const std::uint8_t> colourNumbers);
    // Ends the file after `height` rows and moves it into place; the first error on the way.
    std::error_code Finish();

    struct State;

  private:
    std::unique_ptr<State> state_;
};

}  // namespace vrtruty::emulator
