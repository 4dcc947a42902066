#include "logo/logo_list_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "test_support.h"

namespace vrtruty::logo {
namespace {

namespace fs = std::filesystem;
using test::FromUtf16Le;
using test::ProfileFromUtf16;
using test::ReadBytes;
using test::Utf16Le;
using test::WriteBytes;

LogoEntry Row(std::string path, std::int32_t size, std::uint16_t keycode, bool checked = true,
              bool twoColours = false, int gradation = kGradation2) {
    LogoEntry e;
    e.path = std::move(path);
    e.nameOffset = FileNameOffset(e.path);
    e.size = size;
    e.keycode = keycode;
    e.checked = checked;
    e.twoColours = twoColours;
    e.gradation = gradation;
    return e;
}

// Every file measures as long as its path, so a test can tell what was measured; an empty path
// cannot be opened.
int MeasureByPathLength(LogoEntry& e) {
    if (e.path.empty()) {
        return LOGO_ERR_OPEN;
    }
    e.size = static_cast<std::int32_t>(e.path.size());
    return 0;
}

std::string Describe(const LogoEntry& e) {
    return e.path + " " + std::to_string(e.size) + " " + FormatKeycode(e.keycode) +
           (e.checked ? " checked" : " unchecked") + (e.twoColours ? " two" : " mono") +
           (e.gradation == kGradation16 ? " 16" : " 2");
}

std::vector<std::string> Describe(const LogoList& list) {
    std::vector<std::string> rows;
    for (const LogoEntry& e : list.entries()) {
        rows.push_back(Describe(e));
    }
    return rows;
}

class LogoListFileTest : public ::testing::Test {
  protected:
    LogoListFileTest() { list.SetCapacity(1'000'000, 1'000'000); }

    LogoListLoadResult Load(const std::u16string& text, const std::string& name = "list.qlr",
                            bool checkSize = false, ContinueAfterError goOn = {}) {
        WriteBytes(folder / name, Utf16Le(text));
        // Paths that are cut short cannot be opened; any other measures as long as it is.
        return LoadLogoList(
            list, checkSize, folder / name, false,
            [](LogoEntry& e) {
                return e.path == "/logos/a" ? LOGO_ERR_OPEN : MeasureByPathLength(e);
            },
            goOn);
    }

    test::TempFolder folder;
    LogoList list;
};

constexpr char16_t kTwoRows[] =
    u"[BITMAPFILE]\r\n"
    u"CNT=2\r\n"
    u"CHECK001=TRUE\r\n"
    u"FILE_001=/logos/a.bmp\r\n"
    u"DTLEN001=154\r\n"
    u"KEYCD001=2020\r\n"
    u"COLOR001=FALSE\r\n"
    u"GRADATION01=2\r\n"
    u"CHECK002=FALSE\r\n"
    u"FILE_002=/logos/sub/b.bmp\r\n"
    u"DTLEN002=900\r\n"
    u"KEYCD002=4A41\r\n"
    u"COLOR002=TRUE\r\n"
    u"GRADATION02=16\r\n";

TEST_F(LogoListFileTest, SavedFileIsTheHeaderAndSixKeysPerRowByteForByte) {
    const std::vector<LogoEntry> rows = {
        Row("/logos/a.bmp", 154, 0x2020),
        Row("/logos/sub/b.bmp", 900, 0x4A41, false, true, kGradation16)};
    const fs::path file = folder / "list.qlr";
    EXPECT_EQ(SaveLogoList(file, rows, false).status, LogoListSaveStatus::Saved);
    EXPECT_EQ(ReadBytes(file), Utf16Le(kTwoRows)) << "byte order mark, then UTF-16 lines";

    const LogoListLoadResult loaded =
        LoadLogoList(list, false, file, false, MeasureByPathLength, {});
    EXPECT_EQ(loaded.outcome, LogoListLoadOutcome::Loaded);
    EXPECT_EQ(Describe(list),
              (std::vector<std::string>{"/logos/a.bmp 12 2020 checked mono 2",
                                        "/logos/sub/b.bmp 16 4A41 unchecked two 16"}))
        << "sizes are measured again, not taken from DTLEN";
    EXPECT_EQ(RowTexts(list.entries()[1]).fileName, "b.bmp");

    EXPECT_EQ(SaveLogoList(file, {}, true).status, LogoListSaveStatus::Saved);
    EXPECT_EQ(FromUtf16Le(ReadBytes(file)), u"[BITMAPFILE]\r\nCNT=0\r\n");
}

TEST_F(LogoListFileTest, AnExistingFileIsKeptUntilTheUserAgreesToOverwrite) {
    const fs::path file = folder / "list.qlr";
    WriteBytes(file, {'o', 'l', 'd'});
    const LogoListSaveResult refused = SaveLogoList(file, {}, false);
    EXPECT_EQ(refused.status, LogoListSaveStatus::Exists);
    EXPECT_EQ(refused.message(), lang::ERR_0004);
    EXPECT_EQ(ReadBytes(file), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    const LogoListSaveResult readOnly = SaveLogoList(file, {}, true);
    EXPECT_EQ(readOnly.status, LogoListSaveStatus::NotWritable);
    EXPECT_EQ(readOnly.message(), lang::ERR_0002);
    EXPECT_EQ(ReadBytes(file), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

TEST_F(LogoListFileTest, AShorterListRemovesTheKeysOfTheRowsItNoLongerHas) {
    std::u16string text = u"[OTHER]\r\nKEEP=1\r\n[BITMAPFILE]\r\nCNT=5\r\n";
    for (char16_t n = u'1'; n <= u'5'; ++n) {
        text += std::u16string(u"CHECK00") + n + u"=TRUE\r\nFILE_00" + n + u"=/x" + n +
                u".bmp\r\nDTLEN00" + n + u"=1\r\nKEYCD00" + n + u"=202" + n + u"\r\nCOLOR00" + n +
                u"=FALSE\r\nGRADATION0" + n + u"=2\r\n";
    }
    app::ProfileFile profile = ProfileFromUtf16(text);
    const std::vector<LogoEntry> rows = {Row("/a.bmp", 5, 0x3030), Row("/b.bmp", 6, 0x3031),
                                         Row("/c.bmp", 7, 0x3032)};
    WriteLogoListKeys(profile, rows);
    EXPECT_EQ(FromUtf16Le(profile.Serialize()),
              u"[OTHER]\r\nKEEP=1\r\n[BITMAPFILE]\r\nCNT=3\r\n"
              u"CHECK001=TRUE\r\nFILE_001=/a.bmp\r\nDTLEN001=5\r\nKEYCD001=3030\r\n"
              u"COLOR001=FALSE\r\nGRADATION01=2\r\n"
              u"CHECK002=TRUE\r\nFILE_002=/b.bmp\r\nDTLEN002=6\r\nKEYCD002=3031\r\n"
              u"COLOR002=FALSE\r\nGRADATION02=2\r\n"
              u"CHECK003=TRUE\r\nFILE_003=/c.bmp\r\nDTLEN003=7\r\nKEYCD003=3032\r\n"
              u"COLOR003=FALSE\r\nGRADATION03=2\r\n");
}

TEST_F(LogoListFileTest, ValuesAreCleanedAndReadLeniently) {
    const auto rows = ReadLogoListRows(ProfileFromUtf16(u"[bitmapfile]\r\n"
                                                        u"CNT=4 ; four rows\r\n"
                                                        u"CHECK001=false\t\r\n"
                                                        u"FILE_001=/logos/a;b.bmp\r\n"
                                                        u"KEYCD001=4a41\r\n"
                                                        u"COLOR001=yes\r\n"
                                                        u"GRADATION01=16 \r\n"
                                                        u"CHECK002=\r\n"
                                                        u"COLOR002=FALSE\r\n"
                                                        u"GRADATION02=2\r\n"
                                                        u"KEYCD003=zz\r\n"
                                                        u"GRADATION03=17\r\n"
                                                        u"GRADATION04=016\r\n"),
                                       false);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 4u);
    EXPECT_EQ(Describe((*rows)[0]), "/logos/a 0 4A41 unchecked two 16");
    EXPECT_EQ(Describe((*rows)[1]), " 0 0000 checked mono 2") << "a missing key reads as empty";
    EXPECT_EQ(Describe((*rows)[2]), " 0 0000 checked two 2");
    EXPECT_EQ((*rows)[3].gradation, kGradation16);

    const auto guppy = ReadLogoListRows(ProfileFromUtf16(kTwoRows), true);
    ASSERT_TRUE(guppy);
    EXPECT_FALSE((*guppy)[1].twoColours) << "no two colours on the customisable layout";
}

TEST_F(LogoListFileTest, StoredKeycodesAreHexadecimalWithAnOptionalSignOfSixteenBits) {
    const struct {
        const char16_t* stored;
        std::uint16_t keycode;
    } cases[] = {
        {u"-1", 0xFFFF},     {u"-0x1", 0xFFFF},   {u"-2020", 0xDFE0}, {u"+2020", 0x2020},
        {u"-0", 0x0000},     {u"0x4A41", 0x4A41}, {u"-7E7E", 0x8182}, {u"12345", 0x2345},
        {u"-12345", 0xDCBB}, {u"-FFFF", 0x0001},  {u"-", 0x0000},     {u"--1", 0x0000},
    };
    for (const auto& c : cases) {
        const auto rows = ReadLogoListRows(
            ProfileFromUtf16(std::u16string(u"[BITMAPFILE]\r\nCNT=1\r\nKEYCD001=") + c.stored +
                             u"\r\n"),
            false);
        ASSERT_TRUE(rows);
        EXPECT_EQ((*rows)[0].keycode, c.keycode) << "KEYCD001=" << app::Utf16ToUtf8(c.stored)
                                                 << " read as " << std::hex << (*rows)[0].keycode;
    }
}

TEST_F(LogoListFileTest, APathCutAtItsSemicolonFailsAsAMissingFile) {
    std::vector<std::string> asked;
    const LogoListLoadResult result =
        Load(u"[BITMAPFILE]\r\nCNT=1\r\nFILE_001=/logos/a;b.bmp\r\n", "list.qlr", false,
             [&](int code, const std::string& file) {
                 asked.push_back(std::to_string(code) + " " + file);
                 return true;
             });
    // Loading measures what the file says up to the semicolon: a real measure cannot open it.
    EXPECT_EQ(asked, (std::vector<std::string>{"-50 /logos/a"}));
    ASSERT_EQ(result.rows.failures.size(), 1u);
    EXPECT_EQ(result.rows.failures[0].message,
              (LogoMessage{lang::MSG_L_18, {std::string("/logos/a"), lang::MSG_L_18_1}}));
    EXPECT_EQ(list.count(), 0u);
}

TEST_F(LogoListFileTest, AFileWithoutRowsIsNoListUnlessItIsTheProgramsOwn) {
    list.AddLogoFiles("/logos", std::vector<std::string>{"keep.bmp"}, kGradation2,
                      MeasureByPathLength, {});
    for (const std::u16string text : {u"[BITMAPFILE]\r\nCNT=0\r\n", u"[BITMAPFILE]\r\n",
                                      u"[OTHER]\r\nCNT=3\r\n", u"[BITMAPFILE]\r\nCNT=-3\r\n"}) {
        const LogoListLoadResult qlr = Load(text, "empty.qlr");
        EXPECT_EQ(qlr.outcome, LogoListLoadOutcome::NotAListFile);
        ASSERT_TRUE(qlr.message);
        EXPECT_EQ(*qlr.message, (LogoMessage{lang::MSG_L_22, {std::string("empty.qlr")}}));

        const LogoListLoadResult dat = Load(text, "Vrtrutyl.dat");
        EXPECT_EQ(dat.outcome, LogoListLoadOutcome::Ignored);
        EXPECT_FALSE(dat.message);
        EXPECT_EQ(list.count(), 1u) << "the list stays as it was";
    }
    EXPECT_EQ(
        LoadLogoList(list, true, folder / "absent.qlr", false, MeasureByPathLength, {}).outcome,
        LogoListLoadOutcome::NotAListFile);
    EXPECT_EQ(ProgramLogoListPath("/opt/vrtruty"), fs::path("/opt/vrtruty/Vrtrutyl.dat"));
}

TEST_F(LogoListFileTest, LoadingStopsAtTheFreeSpaceWithSizeCheckAndAtSixtyRowsAlways) {
    list.SetCapacity(100, 30);
    const std::u16string text =
        u"[BITMAPFILE]\r\nCNT=3\r\nFILE_001=/12345678\r\nFILE_002=/1234567890\r\n"
        u"CHECK003=FALSE\r\nFILE_003=/123456789012345678901234\r\n";
    LogoListLoadResult result = Load(text, "list.qlr", false);
    EXPECT_EQ(list.count(), 3u);
    EXPECT_FALSE(result.rows.stopMessage);

    // 9 + 11 fit into 30; the third is too big but unchecked, so it only counts when ticked.
    result = Load(text, "list.qlr", true);
    EXPECT_EQ(list.count(), 3u);
    list.SetCapacity(100, 15);
    result = Load(text, "list.qlr", true);
    EXPECT_EQ(list.count(), 1u);
    ASSERT_TRUE(result.rows.stopMessage);
    EXPECT_EQ(result.rows.stopMessage->text, lang::MSG_L_10);

    list.SetCapacity(1'000'000, 1'000'000);
    std::u16string many = u"[BITMAPFILE]\r\nCNT=70\r\n";
    for (int n = 1; n <= 70; ++n) {
        char key[40];
        std::snprintf(key, sizeof key, "FILE_%03d=/f%d.bmp\r\n", n, n);
        many += std::u16string(key, key + std::char_traits<char>::length(key));
    }
    result = Load(many, "list.qlr", false);
    EXPECT_EQ(list.count(), 60u);
    ASSERT_TRUE(result.rows.stopMessage);
    EXPECT_EQ(result.rows.stopMessage->text, lang::MSG_L_12);
}

TEST_F(LogoListFileTest, CancelAfterAFailedRowEndsLoadingWithTheRowsBefore) {
    const LogoListLoadResult result =
        Load(u"[BITMAPFILE]\r\nCNT=3\r\nFILE_001=/a.bmp\r\nFILE_003=/c.bmp\r\n", "list.qlr", false,
             [](int, const std::string&) { return false; });
    EXPECT_TRUE(result.rows.cancelled);
    EXPECT_EQ(Describe(list), (std::vector<std::string>{"/a.bmp 6 0000 checked two 2"}));
}

// Damaged files must give a result: odd lengths, a count far beyond the keys, keys full of
// separators (arbitrary bytes are the logo list fuzzer's).
TEST_F(LogoListFileTest, GarbageFilesNeverBreakLoading) {
    std::mt19937 random(20240611);
    std::u16string alphabet = u"=;[]\r\n\t 0123456789ABCDEFabcdefTRUEFALSECNTFILE_/.";
    alphabet += u'\0';
    const auto randomText = [&](std::size_t n) {
        std::u16string text;
        for (std::size_t i = 0; i < n; ++i) {
            text += (random() % 8 == 0) ? static_cast<char16_t>(random())
                                        : alphabet[random() % alphabet.size()];
        }
        return text;
    };
    // Mostly a usable count with something after it, sometimes anything at all.
    const auto randomCount = [&] {
        if (random() % 4 == 0) {
            return randomText(2);
        }
        const std::string digits = std::to_string(random() % 70);
        return std::u16string(digits.begin(), digits.end()) + randomText(random() % 2);
    };
    const fs::path file = folder / "garbage.qlr";
    int roundsWithRows = 0;
    for (int round = 0; round < 160; ++round) {
        std::vector<std::uint8_t> bytes;
        if (round % 32 == 4) {
            // A count far beyond the keys makes every row up to the highest a failure: a few
            // rounds of it are enough.
            bytes = Utf16Le(u"[BITMAPFILE]\r\nCNT=99999999999\r\nFILE_001=" +
                            randomText(random() % 300));
            bytes.resize(bytes.size() - random() % 2);  // odd lengths too
        } else if (round % 2 == 0) {
            bytes = Utf16Le(u"[BITMAPFILE]\r\nCNT=" + randomCount() + u"\r\n" +
                            randomText(random() % 400));
        } else {
            bytes = Utf16Le(u"[BITMAPFILE]\r\nCNT=" + randomCount() + u"\r\nFILE_00" +
                            randomText(random() % 200));
        }
        LogoList target;
        target.SetCapacity(1000, static_cast<std::int32_t>(random() % 1000));
        const bool checkSize = random() % 2 == 0;
        // Most rounds stay in memory; some go through a file on disk as the pane's Load does.
        if (round % 5 == 0) {
            WriteBytes(file, bytes);
            const LogoListLoadResult result =
                LoadLogoList(target, checkSize, file, false, MeasureByPathLength, {});
            if (result.outcome == LogoListLoadOutcome::NotAListFile) {
                ASSERT_TRUE(result.message) << "round " << round;
                ASSERT_EQ(target.count(), 0u) << "round " << round;
            } else {
                ASSERT_EQ(result.outcome, LogoListLoadOutcome::Loaded) << "round " << round;
            }
            ASSERT_LE(target.count(), kMaxLogoEntries) << "round " << round;
            continue;
        }
        const auto rows = ReadLogoListRows(app::ProfileFile::Parse(bytes), false);
        if (!rows) {
            continue;
        }
        ++roundsWithRows;
        ASSERT_LE(rows->size(), static_cast<std::size_t>(kHighestLogoListRow));
        const LogoBatchResult result = target.LoadRows(*rows, checkSize, MeasureByPathLength, {});
        ASSERT_EQ(target.count(), result.added.size()) << "round " << round;
        ASSERT_LE(target.count(), kMaxLogoEntries) << "round " << round;
        // Every row was taken or refused, unless a limit ended loading early.
        const std::size_t seen = result.added.size() + result.failures.size();
        if (result.stopMessage) {
            ASSERT_LT(seen, rows->size()) << "round " << round;
        } else {
            ASSERT_EQ(seen, rows->size()) << "round " << round;
        }
    }
    EXPECT_GT(roundsWithRows, 40) << "too few rounds got as far as the rows";
}

}  // namespace
}  // namespace vrtruty::logo
