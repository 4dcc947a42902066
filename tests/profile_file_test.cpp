#include "core/profile_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "test_support.h"

namespace vrtruty::app {
namespace {

using test::FromUtf16Le;
using test::Utf16Le;

ProfileFile ParseUtf16(std::u16string_view text) {
    return ProfileFile::Parse(Utf16Le(text));
}

TEST(ProfileFileRead, MatchesSectionsAndKeysIgnoringCaseAndTellsMissingFromEmpty) {
    const ProfileFile profile =
        ParseUtf16(u"[Port]\r\nPortName = USB \r\nEmpty=\r\nNoEquals\r\n[LOGOUT]\r\nMODE=on\r\n");
    EXPECT_EQ(profile.Read("PORT", "PORTNAME"), "USB");
    EXPECT_EQ(profile.Read("port", "portname"), "USB");
    EXPECT_EQ(profile.Read("PORT", "EMPTY"), "");
    EXPECT_EQ(profile.Read("PORT", "NoEquals"), "");
    EXPECT_EQ(profile.Read("PORT", "MISSING"), std::nullopt);
    EXPECT_EQ(profile.Read("NOSECTION", "PORTNAME"), std::nullopt);
    EXPECT_EQ(profile.Read("PORT", "MODE"), std::nullopt) << "keys of another section";
    EXPECT_TRUE(profile.HasSection("logout"));
}

TEST(ProfileFileRead, FirstSectionAndKeyWinQuotesGoAndLongValuesAreCut) {
    const std::u16string longValue(300, u'x');
    const ProfileFile profile = ParseUtf16(
        u"[A]\r\nK=first\r\nK=second\r\nQ=\"quoted ; text\"\r\n"
        u"L=" +
        longValue + u"\r\n[a]\r\nK=other section\r\n");
    EXPECT_EQ(profile.Read("A", "K"), "first");
    EXPECT_EQ(profile.Read("A", "Q"), "quoted ; text");
    EXPECT_EQ(profile.Read("A", "L")->size(), 260u);
    EXPECT_EQ(profile.Read("A", "L", 31)->size(), 31u);
}

TEST(ProfileFileRead, ReadsEightBitFilesAsUtf8OrAsSingleBytes) {
    const ProfileFile utf8 = ProfileFile::Parse(test::Bytes("[PORT]\nPORTNAME=なし\n"));
    EXPECT_EQ(utf8.encoding(), ProfileFile::Encoding::Utf8);
    EXPECT_EQ(utf8.Read("PORT", "PORTNAME"), "なし");

    const ProfileFile latin = ProfileFile::Parse(test::Bytes("[A]\nK=caf\xE9\n"));
    EXPECT_EQ(latin.encoding(), ProfileFile::Encoding::EightBit);
    EXPECT_EQ(latin.Read("A", "K"), "caf\u00e9");
}

TEST(ProfileFileWrite, ChangesOnlyTheKeyLineAndKeepsEverythingElse) {
    const std::u16string original =
        u"; utility settings\r\n[SPEC]\r\nSPECKEY=JAPAN ; region\r\n\r\n[port]\r\n"
        u"portname=COM\r\nOther=1\n[LAST]\r\nX=1";
    ProfileFile profile = ParseUtf16(original);
    EXPECT_EQ(profile.Serialize(), Utf16Le(original))
        << "an unchanged file is written back as read";

    profile.Write("PORT", "PORTNAME", "USB");
    profile.Write("SPEC", "NEWKEY", "v");
    profile.Write("NEWSECTION", "K", "w");
    EXPECT_EQ(
        FromUtf16Le(profile.Serialize()),
        u"; utility settings\r\n[SPEC]\r\nSPECKEY=JAPAN ; region\r\nNEWKEY=v\r\n\r\n[port]\r\n"
        u"portname=USB\r\nOther=1\n[LAST]\r\nX=1\r\n[NEWSECTION]\r\nK=w\r\n");

    profile.Delete("port", "OTHER");
    profile.Delete("port", "absent");
    EXPECT_EQ(profile.Read("PORT", "OTHER"), std::nullopt);
    EXPECT_EQ(profile.Read("PORT", "PORTNAME"), "USB");
}

TEST(ProfileFileWrite, KeepsEightBitFilesEightBitUnlessTheTextNeedsMore) {
    ProfileFile profile = ProfileFile::Parse(test::Bytes("[A]\nK=caf\xE9\n"));
    profile.Write("A", "L", "plain");
    EXPECT_EQ(profile.Serialize(), test::Bytes("[A]\nK=caf\xE9\nL=plain\r\n"));

    profile.Write("A", "L", "なし");
    EXPECT_EQ(profile.encoding(), ProfileFile::Encoding::Utf16Le);
    EXPECT_EQ(ProfileFile::Parse(profile.Serialize()).Read("A", "K"), "caf\u00e9");
}

TEST(ProfileFileWrite, LineBreaksInAValueCannotSplitTheFile) {
    ProfileFile profile = ParseUtf16(u"[A]\r\n");
    profile.Write("A", "K", "one\r\n[B]\nK=two");
    EXPECT_FALSE(profile.HasSection("B"));
    EXPECT_EQ(profile.Read("A", "K"), "one  [B] K=two");
}

// Lookups go through an index that writes and deletes keep up to date. After every step of a
// random edit sequence, the edited profile must answer exactly as the same text parsed afresh:
// duplicate sections and keys, names in other cases, blank lines, comments, lines without '=',
// lines before the first section and names that look like headers all take part.
TEST(ProfileFileWrite, EditedProfileAnswersAsTheSameTextParsedAfresh) {
    const std::vector<std::string> sections = {"A", "a", "B", "Port", "[x"};
    const std::vector<std::string> keys = {"K", "k", "L", "Name", "[y", ";c", "m]"};
    const std::vector<std::string> values = {"1", "", "x]", "two words", "\"q\""};
    std::mt19937 random(20261207);
    const auto pick = [&random](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    for (int round = 0; round < 40; ++round) {
        ProfileFile profile = ParseUtf16(
            u"top=0\r\n[A]\r\nK=1\r\n\r\nNoEquals\r\n; note\r\n[B]\r\nk=2\r\n[a]\r\nK=3\r\n\r\n");
        for (int step = 0; step < 30; ++step) {
            const std::string section = pick(sections);
            const std::string key = pick(keys);
            if (random() % 4 == 0) {
                profile.Delete(section, key);
            } else {
                profile.Write(section, key, pick(values));
            }
            const std::vector<std::uint8_t> bytes = profile.Serialize();
            const ProfileFile fresh = ProfileFile::Parse(bytes);
            for (const std::string& s : sections) {
                ASSERT_EQ(profile.HasSection(s), fresh.HasSection(s)) << "section " << s;
                for (const std::string& k : keys) {
                    ASSERT_EQ(profile.Read(s, k), fresh.Read(s, k))
                        << "[" << s << "] " << k << " after round " << round << " step " << step
                        << " in:\n"
                        << Utf16ToUtf8(FromUtf16Le(bytes));
                }
            }
        }
    }
}

// Damaged files must read as well as they can and come back unchanged byte for byte, so that a
// later save never destroys what the user had (random bytes are the profile fuzzer's).
TEST(ProfileFileBadInput, DamagedFilesSurviveARoundTripUnchanged) {
    std::vector<std::vector<std::uint8_t>> files;
    auto oddLength = Utf16Le(u"[PORT]\r\nPORTNAME=USB\r\n");
    oddLength.push_back(0x41);
    files.push_back(oddLength);
    files.push_back(Utf16Le(u"[PORT]\r\nPORTNAME=\xD800USB\r\nX=\xDC00\r\n"));  // lone surrogates
    files.push_back(Utf16Le(u"[PORT]\r\nPORTNAME=" + std::u16string(100000, u'A') + u"\r\n"));
    files.push_back(Utf16Le(u"[PORT]\r\nPORTNAME=US"));  // truncated

    for (std::size_t i = 0; i < files.size(); ++i) {
        const ProfileFile profile = ProfileFile::Parse(files[i]);
        EXPECT_EQ(profile.Serialize(), files[i]) << "file " << i;
        (void)profile.Read("PORT", "PORTNAME");
    }
    EXPECT_EQ(ProfileFile::Parse(files[0]).Read("PORT", "PORTNAME"), "USB");
    EXPECT_EQ(ProfileFile::Parse(files[1]).Read("PORT", "PORTNAME"), "\uFFFDUSB");
    EXPECT_EQ(ProfileFile::Parse(files[3]).Read("PORT", "PORTNAME"), "US");
}

TEST(ProfileFileSave, ReplacesTheFileAndLoadsItBack) {
    test::TempFolder folder;
    ProfileFile profile = ParseUtf16(u"[A]\r\nK=1\r\n");
    profile.Write("A", "K", "2");
    ASSERT_FALSE(profile.Save(folder / "x.ini"));
    const ProfileFile loaded = ProfileFile::Load(folder / "x.ini");
    EXPECT_TRUE(loaded.exists());
    EXPECT_EQ(loaded.Read("A", "K"), "2");
    EXPECT_FALSE(ProfileFile::Load(folder / "missing.ini").exists());
}

}  // namespace
}  // namespace vrtruty::app
