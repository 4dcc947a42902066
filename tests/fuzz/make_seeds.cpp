// Writes the fuzzers' seed corpora, one folder per target: one small file of every kind each
// parser takes, so that the fuzzers start from valid headers, tables, keys and replies instead of
// guessing them. Usage: fuzz-seeds FOLDER
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/catalogue.h"
#include "logo/logo_list_file.h"
#include "settings/setting_files.h"
#include "tests/bitmap_builder.h"

namespace {

using vrtruty::test::BmpHeader;
using vrtruty::test::BmpLayout;
using vrtruty::test::Layout;
using vrtruty::test::MakeBmp;
using vrtruty::test::MakeRleBmp;
using vrtruty::test::Rgb;

constexpr std::int32_t kWidth = 13;  // not a multiple of 8 or 4: padding everywhere
constexpr std::int32_t kHeight = 5;

std::vector<Rgb> GreyPalette(std::size_t entries) {
    std::vector<Rgb> palette;
    for (std::size_t i = 0; i < entries; ++i) {
        const auto level = static_cast<std::uint8_t>(entries == 1 ? 0 : i * 255 / (entries - 1));
        palette.push_back({level, static_cast<std::uint8_t>(255 - level), level});
    }
    return palette;
}

// A value per dot that walks through all indexes or a range of colours.
std::vector<std::uint32_t> Ramp(std::uint32_t modulo, std::uint32_t step) {
    std::vector<std::uint32_t> pixels;
    for (std::int32_t i = 0; i < kWidth * kHeight; ++i) {
        pixels.push_back(static_cast<std::uint32_t>(i) * step % modulo);
    }
    return pixels;
}

std::vector<std::pair<std::string, std::vector<std::uint8_t>>> Seeds() {
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> seeds;
    for (const int count : {1, 4, 8}) {
        const auto bits = static_cast<std::uint16_t>(count);
        const std::uint32_t entries = 1u << bits;
        for (const auto header : {BmpHeader::Info40, BmpHeader::Core12}) {
            auto layout = Layout(kWidth, kHeight, bits, GreyPalette(entries));
            layout.header = header;
            seeds.emplace_back(std::to_string(bits) + (header == BmpHeader::Core12 ? "-core" : ""),
                               MakeBmp(layout, Ramp(entries, 7)));
        }
    }
    auto shortTable = Layout(kWidth, kHeight, 8, GreyPalette(3));
    seeds.emplace_back("8-three-colours", MakeBmp(shortTable, Ramp(3, 1)));
    auto topDown = Layout(kWidth, kHeight, 8, GreyPalette(256));
    topDown.topDown = true;
    seeds.emplace_back("8-top-down", MakeBmp(topDown, Ramp(256, 37)));

    seeds.emplace_back("24", MakeBmp(Layout(kWidth, kHeight, 24), Ramp(0x1000000, 0x0A1B2C)));
    auto core24 = Layout(kWidth, kHeight, 24);
    core24.header = BmpHeader::Core12;
    seeds.emplace_back("24-core", MakeBmp(core24, Ramp(0x1000000, 0x123456)));
    auto v5 = Layout(kWidth, kHeight, 24);
    v5.header = BmpHeader::V5;
    v5.topDown = true;
    seeds.emplace_back("24-v5-top-down", MakeBmp(v5, Ramp(0x1000000, 0x0F0F0F)));

    seeds.emplace_back("16", MakeBmp(Layout(kWidth, kHeight, 16), Ramp(0x8000, 0x0421)));
    auto fields16 = Layout(kWidth, kHeight, 16, {}, vrtruty::test::kBmpBitFields);
    fields16.masks = {0xF800, 0x07E0, 0x001F};
    seeds.emplace_back("16-565", MakeBmp(fields16, Ramp(0x10000, 0x0841)));
    seeds.emplace_back("32", MakeBmp(Layout(kWidth, kHeight, 32), Ramp(0x1000000, 0x030507)));
    auto fields32 = Layout(kWidth, kHeight, 32, {}, vrtruty::test::kBmpBitFields);
    fields32.header = BmpHeader::V5;
    fields32.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    seeds.emplace_back("32-fields-v5", MakeBmp(fields32, Ramp(0x1000000, 0x070503)));

    const std::vector<Rgb> twoColours{{255, 255, 255}, {0, 0, 0}, {255, 0, 0}, {0, 0, 255}};
    // Runs, an absolute run with padding, a delta, end of line and end of bitmap.
    seeds.emplace_back(
        "rle8", MakeRleBmp(Layout(kWidth, kHeight, 8, twoColours, vrtruty::test::kBmpRle8),
                           {0x0D, 0x01, 0x00, 0x00, 0x00, 0x03, 0x02, 0x03, 0x01, 0x00, 0x0A,
                            0x00, 0x00, 0x00, 0x00, 0x02, 0x04, 0x01, 0x05, 0x02, 0x00, 0x01}));
    seeds.emplace_back(
        "rle4", MakeRleBmp(Layout(kWidth, kHeight, 4, twoColours, vrtruty::test::kBmpRle4),
                           {0x0D, 0x12, 0x00, 0x00, 0x00, 0x05, 0x01, 0x23, 0x30, 0x00, 0x08,
                            0x01, 0x00, 0x00, 0x00, 0x02, 0x03, 0x01, 0x04, 0x21, 0x00, 0x01}));

    // What everyday tools write: rows coded past the width, a gap before the rows, tables longer
    // than needed, a file size of 0, and an alpha channel.
    seeds.emplace_back("rle8-padded-rows",
                       MakeRleBmp(Layout(kWidth, kHeight, 8, twoColours, vrtruty::test::kBmpRle8),
                                  {0x10, 0x01, 0x00, 0x00, 0x00, 0x02, 0x11, 0x00, 0x0C, 0x02, 0x00,
                                   0x00, 0x00, 0x10, 0,    1,    2,    3,    0,    1,    2,    3,
                                   0,    1,    2,    3,    0,    1,    2,    3,    0x00, 0x01}));
    auto gap = Layout(kWidth, kHeight, 8, GreyPalette(256));
    gap.gap = 10;
    seeds.emplace_back("8-gap", MakeBmp(gap, Ramp(256, 11)));
    auto longTable = Layout(kWidth, kHeight, 24, GreyPalette(300));
    longTable.coloursUsed = 300;
    auto sizeless = MakeBmp(longTable, Ramp(0x1000000, 0x010203));
    for (std::size_t i = 2; i < 6; ++i) {
        sizeless[i] = 0;
    }
    seeds.emplace_back("24-long-table-no-size", sizeless);
    auto alpha = Layout(kWidth, kHeight, 32, {}, vrtruty::test::kBmpBitFields);
    alpha.header = BmpHeader::V5;
    alpha.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    alpha.alphaMask = 0xFF000000;
    seeds.emplace_back("32-alpha-v5", MakeBmp(alpha, Ramp(0xFFFFFFFF, 0x21436587)));
    return seeds;
}

using Seed = std::pair<std::string, std::vector<std::uint8_t>>;

// A file of each model with every value 0 (always in range), and one beyond the TR-770's speed.
std::vector<Seed> SettingFileSeeds() {
    std::vector<Seed> seeds;
    for (const auto& row : vrtruty::app::PrinterNameTable()) {
        vrtruty::settings::SettingRecord record;
        record.setModelName(row.modelName);
        const auto image = vrtruty::settings::BuildSettingImage(record);
        seeds.emplace_back(row.modelName, std::vector<std::uint8_t>(image.begin(), image.end()));
    }
    seeds.back().second[16 + 65 - 49] = 9;
    return seeds;
}

std::vector<Seed> LogoListSeeds() {
    std::vector<vrtruty::logo::LogoEntry> rows(2);
    rows[0].path = "/logos/a.bmp";
    rows[0].keycode = 0x2020;
    rows[0].checked = 1;
    rows[1].path = "/logos/b.bmp";
    rows[1].keycode = 0x4A41;
    rows[1].twoColours = 1;
    rows[1].gradation = vrtruty::logo::kGradation16;
    vrtruty::app::ProfileFile list = vrtruty::logo::NewLogoListProfile();
    vrtruty::logo::WriteLogoListKeys(list, rows);
    return {{"two-rows.qlr", list.Serialize()}};
}

// The reply fuzzer's input: a byte that picks the conversation, then length-prefixed replies.
std::vector<Seed> ReplySeeds() {
    const std::vector<std::uint8_t> status = {0x03, 0x3B, 0x33, 0x00};
    const std::vector<std::uint8_t> identity = {0x09, 0x5F, 'T', 'R', '-', '7', '7', '0', 0x00};
    std::vector<Seed> seeds;
    for (std::uint8_t pick = 0; pick < 3; ++pick) {
        std::vector<std::uint8_t> input = {pick};
        for (int i = 0; i < 4; ++i) {
            input.insert(input.end(), status.begin(), status.end());
        }
        input.insert(input.end(), identity.begin(), identity.end());
        seeds.emplace_back("conversation-" + std::to_string(pick), input);
    }
    return seeds;
}

bool WriteSeeds(const std::filesystem::path& folder, const std::vector<Seed>& seeds,
                std::string_view extension) {
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : seeds) {
        const std::filesystem::path file = folder / (name + std::string(extension));
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "fuzz-seeds: cannot write " << file.string() << "\n";
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz-seeds FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const bool written = WriteSeeds(folder / "bitmap", Seeds(), ".bmp") &&
                         WriteSeeds(folder / "setting-file", SettingFileSeeds(), ".qvr") &&
                         WriteSeeds(folder / "logo-list", LogoListSeeds(), "") &&
                         WriteSeeds(folder / "reply", ReplySeeds(), "");
    return written ? 0 : 1;
}
