#include "jobs/printer_jobs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "test_support.h"

namespace vrtruty::tools {
namespace {

using test::Hex;

std::string Hex(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t count) {
    return Hex(std::span(bytes).subspan(offset, count));
}

// Load storage area 1 first; save it and use it at power-on last.
std::string Framed(std::string_view middle) {
    return "1D 28 4D 02 00 02 01 " + std::string(middle) +
           " 1D 28 4D 02 00 01 01 1D 28 4D 02 00 03 01";
}

TEST(ChangeDefaultsTest, SendsOnlyTheListsNotOnNotChangeBetweenLoadAndSave) {
    EXPECT_EQ(Hex(BuildChangeDefaultsBuffer({.internationalCharacter = 2})), Framed("1B 52 01"))
        << "France only";
    EXPECT_EQ(
        Hex(BuildChangeDefaultsBuffer({.codePage = 10, .internationalCharacter = 9, .font = 2})),
        Framed("1B 74 13 1B 52 08 1B 4D 01 1C 28 41 02 00 30 01"))
        << "PC858, Japan, Font B";
    EXPECT_TRUE(BuildChangeDefaultsBuffer({}).empty()) << "all on Not Change: nothing to send";
}

TEST(ChangeDefaultsTest, EveryCodePageSendsItsTableNumberNotItsIndex) {
    const std::vector<std::pair<std::string_view, std::uint8_t>> expected{
        {"PC437", 0x00},       {"Katakana", 0x01}, {"PC850", 0x02},          {"PC860", 0x03},
        {"PC863", 0x04},       {"PC865", 0x05},    {"WPC1252", 0x10},        {"PC866", 0x11},
        {"PC852", 0x12},       {"PC858", 0x13},    {"Thai Code Page", 0xF8}, {"MIK", 0xFE},
        {"Blank Page", 0xFF},  {"PC857", 0x08},    {"Thai code 18", 0x1A},   {"PC864", 0x28},
        {"PC851", 0xF9},       {"PC869", 0xFA},    {"ISO8859-2", 0xFB},      {"ISO8859-7", 0xFC},
        {"PC866 Type2", 0xFD}, {"TCVN 5712", 0xF7}};
    const auto names = CodePageNames();
    ASSERT_EQ(names.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [name, table] = expected[i];
        EXPECT_EQ(names[i], name) << "index " << i + 1;
        EXPECT_EQ(Hex(BuildChangeDefaultsBuffer({.codePage = static_cast<int>(i) + 1})),
                  Framed("1B 74 " + Hex(std::vector<std::uint8_t>{table})))
            << name;
    }
}

TEST(CodeTablePageTest, HeaderSixteenRowsKanjiSampleAndCut) {
    const auto page = BuildCodeTablePage();
    ASSERT_EQ(page.size(), 649u);
    constexpr std::size_t kRows = 2 + 35;            // after ESC @ and the header line
    constexpr std::size_t kKanji = kRows + 16 * 35;  // after the sixteen rows
    EXPECT_EQ(Hex(page, 0, 2), "1B 40");
    EXPECT_EQ(std::string(page.begin() + 2, page.begin() + kRows),
              "  0 1 2 3 4 5 6 7 8 9 A B C D E F\r\n");
    EXPECT_EQ(Hex(page, kRows, 11), "30 20 20 20 20 20 20 20 30 20 40");
    EXPECT_EQ(Hex(page, kKanji, 42),
              "0A 1C 26 1C 43 00 30 21 30 22 30 23 30 24 30 25 30 26 30 27 30 28 30 29 30 2A 30 "
              "2B 30 2C 30 2A 30 2B 30 2C 30 2D 30 2E 0D 0A");
    EXPECT_EQ(Hex(page, kKanji + 42, 10), "0A 0A 0A 0A 0A 0A 1B 6D 1B 40");
}

TEST(LoadSendFileTest, NoPathMissingFileAndFolderFail) {
    test::TempFolder tmp;
    EXPECT_EQ(LoadSendFile({}, true).result, SEND_ERR_NOPATH);
    EXPECT_EQ(LoadSendFile(tmp / "missing.bin", false).result, SEND_ERR_NOFILE);
    const auto folder = LoadSendFile(tmp.path(), true);
    EXPECT_EQ(folder.result, SEND_ERR_NOFILE);
    EXPECT_TRUE(folder.buffer.empty());
}

TEST(LoadSendFileTest, ContentComesBackUnchangedAfterTheOptionalPrefix) {
    test::TempFolder tmp;
    // Every byte value three times: line ends, NUL and end-of-file marks must pass untouched.
    std::vector<std::uint8_t> binary(3 * 256);
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<std::uint8_t>(i);
    }
    for (const std::vector<std::uint8_t>& content : {std::vector<std::uint8_t>{}, binary}) {
        SCOPED_TRACE(content.empty() ? "0-byte file" : "binary file");
        test::WriteBytes(tmp / "job.prn", content);
        const auto plain = LoadSendFile(tmp / "job.prn", false);
        EXPECT_EQ(plain.result, 0);
        EXPECT_EQ(plain.buffer, content);
        std::vector<std::uint8_t> withPrefix{0x1D, 0x65, 0x75, 0x45, 0x00};
        withPrefix.insert(withPrefix.end(), content.begin(), content.end());
        const auto prefixed = LoadSendFile(tmp / "job.prn", true);
        EXPECT_EQ(prefixed.result, 0);
        EXPECT_EQ(prefixed.buffer, withPrefix);
    }
}

}  // namespace
}  // namespace vrtruty::tools
