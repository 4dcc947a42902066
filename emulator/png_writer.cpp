#include "emulator/png_writer.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <utility>

namespace vrtruty::emulator {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The fewest bits per dot that can number `count` colours.
int BitDepthFor(std::size_t count) {
    if (count <= 2) {
        return 1;
    }
    if (count <= 4) {
        return 2;
    }
    return count <= 16 ? 4 : 8;
}

}  // namespace

struct PngFileWriter::State {
    std::filesystem::path path;
    std::filesystem::path temporary;
    std::unique_ptr<std::FILE, FileCloser> file;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t rowsWritten = 0;
    int bitDepth = 1;
    std::vector<std::uint8_t> sampleOf;  // colour number -> sample value in the file
    std::vector<std::uint8_t> packed;    // one row as the file stores it
    std::vector<std::uint8_t> row;       // one row of colour numbers, padded to whole bytes
    std::error_code error;
    bool finished = false;

    ~State() {
        if (png != nullptr) {
            png_destroy_write_struct(&png, &info);
        }
        if (!finished) {
            file.reset();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
        }
    }

    void Fail() {
        if (!error) {
            error = std::make_error_code(std::errc::io_error);
        }
    }
};

// libpng reports its errors by jumping back to the setjmp of the call that failed; every member
// below sets that point before it calls libpng and keeps only plain values on its own frame.

namespace {

bool StartPng(PngFileWriter::State& s, int colourType, const std::vector<png_color>& palette) {
    if (setjmp(png_jmpbuf(s.png))) {
        return false;
    }
    png_init_io(s.png, s.file.get());
    png_set_IHDR(s.png, s.info, s.width, s.height, s.bitDepth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(s.png, s.info, palette.data(), static_cast<int>(palette.size()));
    }
    png_write_info(s.png, s.info);
    return true;
}

}  // namespace

PngFileWriter::PngFileWriter(std::filesystem::path path, std::uint32_t width, std::uint32_t height,
                             std::vector<PngRgb> colours)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.path = std::move(path);
    s.temporary = s.path;
    s.temporary += ".tmp";
    s.width = width;
    s.height = height;
    if (width == 0 || height == 0 || colours.empty() || colours.size() > 256) {
        s.error = std::make_error_code(std::errc::invalid_argument);
        return;
    }
    bool blackAndWhite = colours.size() <= 2;
    for (const PngRgb& colour : colours) {
        blackAndWhite = blackAndWhite && (colour == kPngBlack || colour == kPngWhite);
    }
    s.bitDepth = blackAndWhite ? 1 : BitDepthFor(colours.size());
    s.sampleOf.resize(256, 0);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        s.sampleOf[i] =
            blackAndWhite ? (colours[i] == kPngWhite ? 1 : 0) : static_cast<std::uint8_t>(i);
    }
    s.packed.assign((std::size_t{width} * static_cast<std::size_t>(s.bitDepth) + 7) / 8, 0);

    s.file.reset(std::fopen(s.temporary.c_str(), "wb"));
    if (!s.file) {
        s.error = std::error_code(errno, std::generic_category());
        return;
    }
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (s.png != nullptr) {
        s.info = png_create_info_struct(s.png);
    }
    if (s.info == nullptr) {
        s.Fail();
        return;
    }
    std::vector<png_color> palette;
    for (const PngRgb& colour : colours) {
        palette.push_back({colour.red, colour.green, colour.blue});
    }
    if (!StartPng(s, blackAndWhite ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_PALETTE, palette)) {
        s.Fail();
    }
}

PngFileWriter::~PngFileWriter() = default;

void PngFileWriter::WriteRow(std::span<const std::uint8_t> colourNumbers) {
    State& s = *state_;
    if (s.error || s.rowsWritten >= s.height) {
        return;
    }
    // Dots beyond the numbers given take colour 0.
    s.row.assign(s.packed.size() * 8 / static_cast<std::size_t>(s.bitDepth), 0);
    std::copy_n(colourNumbers.begin(), std::min<std::size_t>(colourNumbers.size(), s.width),
                s.row.begin());
    const std::size_t perByte = 8 / static_cast<std::size_t>(s.bitDepth);
    const std::uint8_t* number = s.row.data();
    for (std::uint8_t& byte : s.packed) {
        unsigned bits = 0;
        for (std::size_t i = 0; i < perByte; ++i) {
            bits = bits << static_cast<unsigned>(s.bitDepth) | s.sampleOf[*number++];
        }
        byte = static_cast<std::uint8_t>(bits);
    }
    if (setjmp(png_jmpbuf(s.png))) {
        s.Fail();
        return;
    }
    png_write_row(s.png, s.packed.data());
    ++s.rowsWritten;
}

std::error_code PngFileWriter::Finish() {
    State& s = *state_;
    if (s.finished) {
        return s.error;
    }
    if (!s.error && s.rowsWritten != s.height) {
        s.error = std::make_error_code(std::errc::invalid_argument);
    }
    if (!s.error) {
        if (setjmp(png_jmpbuf(s.png))) {
            s.Fail();
        } else {
            png_write_end(s.png, nullptr);
        }
    }
    if (!s.error && (std::fflush(s.file.get()) != 0 || std::ferror(s.file.get()) != 0)) {
        s.Fail();
    }
    if (!s.error && std::fclose(s.file.release()) != 0) {
        s.Fail();
    }
    if (!s.error) {
        std::filesystem::rename(s.temporary, s.path, s.error);
    }
    s.finished = !s.error;
    return s.error;
}

}  // namespace vrtruty::emulator
