#include "tools/printer_jobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "test_support.h"

namespace vrtruty::tools {
namespace {

// Upper-case hex bytes separated by blanks, so a failure shows where the bytes differ.
std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X ", static_cast<unsigned>(byte));
        text += digits;
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

std::string Hex(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t count) {
    return Hex(std::span(bytes).subspan(offset, count));
}

constexpr std::string_view kLoadStored = "1D 28 4D 02 00 02 01";
constexpr std::string_view kSaveAndUseStored = "1D 28 4D 02 00 01 01 1D 28 4D 02 00 03 01";

std::string Framed(std::string_view middle) {
    return std::string(kLoadStored) + " " + std::string(middle) + " " +
           std::string(kSaveAndUseStored);
}

TEST(ChangeDefaultsTest, SendsOnlyTheListsNotOnNotChangeBetweenLoadAndSave) {
    EXPECT_EQ(Hex(BuildChangeDefaultsBuffer({.internationalCharacter = 2})), Framed("1B 52 01"))
        << "France only";
    EXPECT_EQ(
        Hex(BuildChangeDefaultsBuffer({.codePage = 10, .internationalCharacter = 9, .font = 2})),
        Framed("1B 74 13 1B 52 08 1B 4D 01 1C 28 41 02 00 30 01"))
        << "PC858, Japan, Font B";
    EXPECT_EQ(Hex(BuildChangeDefaultsBuffer({.font = 3})), Framed("1B 4D 02 1C 28 41 02 00 30 02"));
    EXPECT_EQ(Hex(BuildChangeDefaultsBuffer({.internationalCharacter = 16})), Framed("1B 52 0F"));
}

TEST(ChangeDefaultsTest, NothingToSendWhenEveryChoiceIsNotChangeOrOutOfRange) {
    EXPECT_TRUE(BuildChangeDefaultsBuffer({}).empty());
    EXPECT_TRUE(BuildChangeDefaultsBuffer({.codePage = 23, .internationalCharacter = 17, .font = 4})
                    .empty());
    EXPECT_TRUE(BuildChangeDefaultsBuffer({.codePage = -1, .internationalCharacter = -1}).empty());
    EXPECT_EQ(Hex(BuildChangeDefaultsBuffer({.codePage = 99, .font = 1})),
              Framed("1B 4D 00 1C 28 41 02 00 30 00"))
        << "an out-of-range code page must not hide a valid font";
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
        const int index = static_cast<int>(i) + 1;
        const auto buffer = BuildChangeDefaultsBuffer({.codePage = index});
        EXPECT_EQ(names[i], expected[i].first) << "index " << index;
        EXPECT_EQ(Hex(buffer),
                  Framed(Hex(std::vector<std::uint8_t>{0x1B, 0x74, expected[i].second})))
            << expected[i].first;
    }
}

TEST(ChangeDefaultsTest, CharacterAndFontListsInIndexOrder) {
    const auto characters = InternationalCharacterNames();
    ASSERT_EQ(characters.size(), 16u);
    EXPECT_EQ(characters.front(), "America");
    EXPECT_EQ(characters[8], "Japan");
    EXPECT_EQ(characters.back(), "China");
    const auto fonts = FontNames();
    EXPECT_EQ(std::vector<std::string_view>(fonts.begin(), fonts.end()),
              (std::vector<std::string_view>{"Font A", "Font B", "Font C"}));
}

TEST(CodeTablePageTest, HeaderSixteenRowsKanjiSampleAndCut) {
    const auto page = BuildCodeTablePage();
    ASSERT_EQ(page.size(), 649u);
    constexpr std::size_t kHeader = 2;
    constexpr std::size_t kRows = kHeader + 35;
    constexpr std::size_t kRowLength = 35;
    constexpr std::size_t kKanji = kRows + 16 * kRowLength;

    EXPECT_EQ(Hex(page, 0, 2), "1B 40");
    EXPECT_EQ(std::string(page.begin() + kHeader, page.begin() + kRows),
              "  0 1 2 3 4 5 6 7 8 9 A B C D E F\r\n");
    EXPECT_EQ(Hex(page, kRows, 11), "30 20 20 20 20 20 20 20 30 20 40");
    EXPECT_EQ(Hex(page, kKanji, 42),
              "0A 1C 26 1C 43 00 30 21 30 22 30 23 30 24 30 25 30 26 30 27 30 28 30 29 30 2A 30 "
              "2B 30 2C 30 2A 30 2B 30 2C 30 2D 30 2E 0D 0A");
    EXPECT_EQ(Hex(page, kKanji + 42, 10), "0A 0A 0A 0A 0A 0A 1B 6D 1B 40");
}

TEST(PrinterTestBufferTest, FixedSequencesWithoutPrefix) {
    const auto head = BuildPrinterTestBuffer(PrinterTest::Head, false);
    ASSERT_EQ(head.size(), 263u);
    EXPECT_EQ(std::string(head.begin(), head.begin() + 17), "Head Print Test\n\n");
    EXPECT_EQ(std::count(head.begin(), head.end(), '/'), 5 * 48);
    EXPECT_EQ(Hex(head, 260, 3), "2F 0A 0A");

    EXPECT_EQ(Hex(BuildPrinterTestBuffer(PrinterTest::Buzzer, false)),
              "1B 70 32 50 50 1B 70 32 50 50 1B 70 32 50 50");
    EXPECT_EQ(Hex(BuildPrinterTestBuffer(PrinterTest::Cutter, false)), "0A 0A 0A 0A 0A 0A 1B 6D");
    EXPECT_EQ(Hex(BuildPrinterTestBuffer(PrinterTest::Drawer1, false)), "1B 70 30 50 50");
    EXPECT_EQ(Hex(BuildPrinterTestBuffer(PrinterTest::Drawer2, false)), "1B 70 31 50 50");
}

TEST(PrinterTestBufferTest, ErrorAutoRecoverPutsThePrefixBeforeEveryTest) {
    EXPECT_EQ(Hex(BuildPrinterTestBuffer(PrinterTest::Cutter, true)),
              "1D 65 75 45 00 0A 0A 0A 0A 0A 0A 1B 6D");
    for (const PrinterTest test :
         {PrinterTest::Head, PrinterTest::Buzzer, PrinterTest::Drawer1, PrinterTest::Drawer2}) {
        const auto plain = BuildPrinterTestBuffer(test, false);
        const auto prefixed = BuildPrinterTestBuffer(test, true);
        EXPECT_EQ(Hex(prefixed), "1D 65 75 45 00 " + Hex(plain));
    }
}

TEST(LoadSendFileTest, MissingPathFileOrFolderFails) {
    test::TempFolder tmp;
    EXPECT_EQ(LoadSendFile({}, false).result, SEND_ERR_NOPATH);
    EXPECT_EQ(LoadSendFile({}, true).result, SEND_ERR_NOPATH);
    EXPECT_EQ(LoadSendFile(tmp / "missing.bin", false).result, SEND_ERR_NOFILE);
    const auto folder = LoadSendFile(tmp.path(), true);
    EXPECT_EQ(folder.result, SEND_ERR_NOFILE);
    EXPECT_TRUE(folder.buffer.empty());
}

TEST(LoadSendFileTest, EmptyFileIsAnEmptyJobOrOnlyThePrefix) {
    test::TempFolder tmp;
    test::WriteBytes(tmp / "empty.bin", {});
    const auto plain = LoadSendFile(tmp / "empty.bin", false);
    EXPECT_EQ(plain.result, 0);
    EXPECT_TRUE(plain.buffer.empty());
    const auto prefixed = LoadSendFile(tmp / "empty.bin", true);
    EXPECT_EQ(prefixed.result, 0);
    EXPECT_EQ(Hex(prefixed.buffer), "1D 65 75 45 00");
}

TEST(LoadSendFileTest, BinaryContentComesBackUnchanged) {
    test::TempFolder tmp;
    // Every byte value, so line ends, NUL and EOF markers must pass through untouched.
    std::vector<std::uint8_t> content;
    for (int round = 0; round < 3; ++round) {
        for (int value = 0; value < 256; ++value) {
            content.push_back(static_cast<std::uint8_t>(value));
        }
    }
    test::WriteBytes(tmp / "job.prn", content);

    const auto plain = LoadSendFile(tmp / "job.prn", false);
    EXPECT_EQ(plain.result, 0);
    EXPECT_EQ(plain.buffer, content);

    std::vector<std::uint8_t> expected{0x1D, 0x65, 0x75, 0x45, 0x00};
    expected.insert(expected.end(), content.begin(), content.end());
    const auto prefixed = LoadSendFile(tmp / "job.prn", true);
    EXPECT_EQ(prefixed.result, 0);
    EXPECT_EQ(prefixed.buffer, expected);
}

}  // namespace
}  // namespace vrtruty::tools
