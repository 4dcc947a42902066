#include "logo/logo_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "lang/language_files.h"

namespace vrtruty::logo {
namespace {

using lang::TextNumber;

// Bitmaps the tests pretend exist, by full path. A missing path cannot be opened.
class FakeBitmaps {
  public:
    struct Bitmap {
        std::int32_t mono = 154;     // two levels
        std::int32_t twoColour = 0;  // 0: not a 16- or 256-colour file
        std::int32_t sixteen = 0;    // 0: the gradation conversion refuses it
        int failure = 0;             // what every measure of it returns instead
    };

    void Add(const std::string& path, Bitmap bitmap) { bitmaps_[path] = bitmap; }
    void Add(const std::string& path, std::int32_t mono) { bitmaps_[path] = Bitmap{mono}; }

    MeasureLogo measure() {
        return [this](LogoEntry& entry) {
            measured.push_back(entry.path);
            const auto it = bitmaps_.find(entry.path);
            if (it == bitmaps_.end()) {
                return LOGO_ERR_OPEN;
            }
            const Bitmap& b = it->second;
            if (b.failure != 0) {
                return b.failure;
            }
            if (entry.gradation == kGradation16) {
                entry.size = b.sixteen;
                return b.sixteen != 0 ? 0 : LOGO_ERR_CONVERSION;
            }
            if (entry.twoColours) {
                entry.size = b.twoColour;
                return b.twoColour != 0 ? 0 : LOGO_ERR_FORMAT;
            }
            entry.size = b.mono;
            return 0;
        };
    }

    std::vector<std::string> measured;

  private:
    std::map<std::string, Bitmap> bitmaps_;
};

std::string Keycodes(const LogoList& list) {
    std::string text;
    for (const LogoEntry& e : list.entries()) {
        text += (text.empty() ? "" : " ") + FormatKeycode(e.keycode);
    }
    return text;
}

std::string Names(const LogoList& list) {
    std::string text;
    for (const LogoEntry& e : list.entries()) {
        text += (text.empty() ? "" : " ") + RowTexts(e).fileName;
    }
    return text;
}

std::string English(const LogoMessage& message) {
    lang::LanguageLoadInputs inputs;
    return ComposeLogoMessage(lang::LoadLanguageTexts(inputs), message);
}

class LogoListTest : public ::testing::Test {
  protected:
    LogoListTest() { list.SetCapacity(1'000'000, 1'000'000); }

    // Adds files of the given two-level sizes, named a.bmp, b.bmp ... unless names are given.
    LogoBatchResult AddFiles(const std::vector<std::string>& names,
                             const std::vector<std::int32_t>& sizes) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            bitmaps.Add("/logos/" + names[i], i < sizes.size() ? sizes[i] : 154);
        }
        return list.AddLogoFiles("/logos", names, kGradation2, bitmaps.measure(), {});
    }

    LogoList list;
    FakeBitmaps bitmaps;
};

TEST_F(LogoListTest, KeycodesAreShownHighByteFirstAndTypedAsFourHexDigitsOfPrintableBytes) {
    EXPECT_EQ(FormatKeycode(0x4120), "4120");
    EXPECT_EQ(FormatKeycode(0x2A7E), "2A7E");
    EXPECT_EQ(ParseKeycodeText("7E7E"), std::uint16_t{0x7E7E});
    EXPECT_EQ(ParseKeycodeText(" 2a41 "), std::uint16_t{0x2A41});
    for (const char* refused :
         {"7F20", "2000", "1F20", "2080", "", "20", "12345", "20G0", "2 20"}) {
        EXPECT_EQ(ParseKeycodeText(refused), std::nullopt) << '"' << refused << '"';
    }
    EXPECT_EQ(StepKeycode(0x2020), 0x2021);
    EXPECT_EQ(StepKeycode(0x207E), 0x2120);
}

TEST_F(LogoListTest, NewFilesSkipKeycodesOfThePrinterAndOfTheList) {
    const std::uint16_t printer[] = {0x2020, 0x2021};
    list.SetPrinterKeycodes(printer);
    AddFiles({"a.bmp"}, {});
    EXPECT_EQ(Keycodes(list), "2022");
    AddFiles({"b.bmp"}, {});
    EXPECT_EQ(Keycodes(list), "2022 2023");

    // One batch goes on from the keycode it gave last, past the rows already there.
    list.SetPrinterKeycodes({});
    AddFiles({"c.bmp", "d.bmp", "e.bmp"}, {});
    EXPECT_EQ(Keycodes(list), "2022 2023 2020 2021 2024");

    std::vector<std::uint16_t> row20;
    for (std::uint16_t kc = 0x2020; kc <= 0x207E; ++kc) {
        row20.push_back(kc);
    }
    LogoList other;
    other.SetPrinterKeycodes(row20);
    EXPECT_EQ(other.NextFreeKeycode(), 0x2120) << "the search carries into the high byte after 7E";
}

TEST_F(LogoListTest, SixtyRowsAtMostAndTheBatchEndsAtThe61st) {
    std::vector<std::string> names;
    for (int i = 0; i < 62; ++i) {
        names.push_back("f" + std::to_string(i) + ".bmp");
    }
    const LogoBatchResult result = AddFiles(names, {});
    EXPECT_EQ(list.count(), 60u);
    EXPECT_EQ(result.added.size(), 60u);
    ASSERT_TRUE(result.stopMessage);
    EXPECT_EQ(English(*result.stopMessage),
              "The maximum number of registered files (60) has been exceeded, and no more may be "
              "added.");
    EXPECT_EQ(bitmaps.measured.size(), 61u) << "the 62nd file is never looked at";
    EXPECT_EQ(list.current(), 59u);
}

TEST_F(LogoListTest, FreeSpaceEndsTheBatchAndKeepsTheRowsBefore) {
    list.SetCapacity(1000, 600);
    const LogoBatchResult result = AddFiles({"a.bmp", "b.bmp", "c.bmp"}, {300, 300, 1});
    EXPECT_EQ(Names(list), "a.bmp b.bmp");
    ASSERT_TRUE(result.stopMessage);
    EXPECT_EQ(result.stopMessage->text, lang::MSG_L_10);

    list = {};
    list.SetCapacity(1000, 600);
    EXPECT_EQ(AddFiles({"big.bmp"}, {601}).stopMessage, (LogoMessage{lang::MSG_L_10, {}}))
        << "a first file that is too big on its own";
}

TEST_F(LogoListTest, AFileThatFailsAsksWhetherToGoOn) {
    bitmaps.Add("/logos/a.bmp", 154);
    bitmaps.Add("/logos/big.bmp", {.failure = LOGO_ERR_SIZE});
    bitmaps.Add("/logos/c.bmp", 154);
    const std::vector<std::string> names = {"a.bmp", "missing.bmp", "big.bmp", "c.bmp"};

    std::vector<std::string> asked;
    const auto goOn = [&](int code, const std::string& file) {
        asked.push_back(std::to_string(code) + " " + file);
        return true;
    };
    LogoBatchResult result =
        list.AddLogoFiles("/logos/", names, kGradation2, bitmaps.measure(), goOn);
    EXPECT_EQ(Names(list), "a.bmp c.bmp");
    EXPECT_EQ(asked, (std::vector<std::string>{"-50 /logos/missing.bmp", "-53 /logos/big.bmp"}));
    ASSERT_EQ(result.failures.size(), 2u);
    EXPECT_EQ(English(result.failures[0].message),
              "The logo file specified in the setting file\n(/logos/missing.bmp) does not "
              "exist.\n\nTo load the next file, click [OK].\nTo exit without loading, click "
              "[Cancel].");
    EXPECT_EQ(English(result.failures[1].message),
              "The specified file (/logos/big.bmp) has an image\nwith a height or width in excess "
              "of the maximum size allowed for\nregistration, and therefore cannot be "
              "added.\n\nTo specify multiple files, click [OK] when continuing with\nthe next "
              "file. To avoid continuing and exit, click [Cancel].");

    LogoList other;
    other.SetCapacity(1000, 1000);
    result = other.AddLogoFiles("/logos", names, kGradation2, bitmaps.measure(),
                                [](int, const std::string&) { return false; });
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(Names(other), "a.bmp");
}

TEST_F(LogoListTest, MeasuringFailuresMapToTheirMessages) {
    EXPECT_EQ(MeasureFailureMessage(LOGO_ERR_FORMAT, "x.bmp"),
              (LogoMessage{lang::MSG_L_14, {std::string("x.bmp"), lang::MSG_L_13_1}}));
    EXPECT_EQ(MeasureFailureMessage(LOGO_ERR_MEMORY, "x.bmp"), (LogoMessage{lang::ERR_9001, {}}));
    EXPECT_EQ(MeasureFailureMessage(LOGO_ERR_CONVERSION, "x.bmp").text, lang::MSG_L_14);
}

TEST_F(LogoListTest, NewRowsAreCheckedMonochromeAndOfTheBatchGradation) {
    bitmaps.Add("/logos/g.bmp", {.mono = 154, .twoColour = 284, .sixteen = 900});
    list.AddLogoFiles("/logos", std::vector<std::string>{"g.bmp"}, kGradation16, bitmaps.measure(),
                      {});
    ASSERT_EQ(list.count(), 1u);
    const LogoEntry& e = list.entries()[0];
    EXPECT_EQ(e.path, "/logos/g.bmp");
    EXPECT_EQ(e.nameOffset, 7);
    EXPECT_TRUE(e.checked);
    EXPECT_EQ(e.gradation, kGradation16);
    EXPECT_EQ(RowTexts(e), (LogoRowTexts{"g.bmp", "900", "2020", " "}))
        << "the 16-level size, mono";
}

TEST_F(LogoListTest, ListSizeCountsCheckedRowsThatThePrinterDoesNotHold) {
    AddFiles({"a.bmp", "b.bmp", "c.bmp"}, {100, 20, 3});  // 2020 2021 2022
    list.SetCheckMark(1, false);
    const std::uint16_t printer[] = {0x2022};
    list.SetPrinterKeycodes(printer);
    list.UpdateLogoSizes(OverflowReport::None);
    EXPECT_EQ(list.listSize(), 100);
    EXPECT_FALSE(list.RegisterEnabled(false));
    EXPECT_TRUE(list.RegisterEnabled(true));
}

TEST_F(LogoListTest, SizeFiguresAreZeroPaddedToSevenDigitsOnRows0And29AndSixElsewhere) {
    list.SetCapacity(393216, 390000);
    AddFiles({"a.bmp"}, {154});
    list.SetPrinterInfoValid(true);
    EXPECT_EQ(list.SizeDisplay(0), (SizeTexts{"0393216", "0003370", "0003216"}));
    EXPECT_EQ(list.SizeDisplay(29), (SizeTexts{"0393216", "0003370", "0003216"}));
    EXPECT_EQ(list.SizeDisplay(1), (SizeTexts{"393216", "003370", "003216"}));
    list.SetPrinterInfoValid(false);
    EXPECT_EQ(list.SizeDisplay(0).printerRegistration, "-------");
    EXPECT_EQ(list.SizeDisplay(3).printerRegistration, "------");
}

TEST_F(LogoListTest, OverflowIsReportedInTheRequestedWords) {
    AddFiles({"a.bmp"}, {500});
    list.SetCapacity(1000, 400);
    EXPECT_EQ(list.UpdateLogoSizes(OverflowReport::None).message, std::nullopt);
    EXPECT_FALSE(list.UpdateLogoSizes(OverflowReport::None).withinCapacity);
    EXPECT_EQ(list.UpdateLogoSizes(OverflowReport::AddOrEdit).message->text, lang::MSG_L_10);
    EXPECT_EQ(list.UpdateLogoSizes(OverflowReport::ListTooLarge).message->text, lang::MSG_L_11);
    list.SetCapacity(1000, 500);
    EXPECT_TRUE(list.UpdateLogoSizes(OverflowReport::ListTooLarge).withinCapacity);
}

TEST_F(LogoListTest, EnterRefusesBadAndDuplicateKeycodesButAllowsThePrintersOwn) {
    AddFiles({"a.bmp", "b.bmp"}, {});  // 2020 2021
    list.SelectEntry(1);
    const auto measure = bitmaps.measure();

    EditResult r = list.EditCurrentEntry("7F20", false, kGradation2, measure);
    EXPECT_EQ(r.outcome, EditOutcome::BadKeycode);
    EXPECT_EQ(English(*r.message),
              "Enter the keycode as a four-digit hexadecimal number\n(use 20 to 7E for the upper "
              "two digits, and 20 to 7E for\nthe lower two digits).");
    r = list.EditCurrentEntry("2020", false, kGradation2, measure);
    EXPECT_EQ(r.outcome, EditOutcome::KeycodeInUse);
    EXPECT_EQ(r.message->text, lang::MSG_L_19);
    EXPECT_EQ(Keycodes(list), "2020 2021");

    EXPECT_EQ(list.EditCurrentEntry("2021", false, kGradation2, measure).outcome,
              EditOutcome::Applied)
        << "a row keeps its own keycode";
    const std::uint16_t printer[] = {0x4141};
    list.SetPrinterKeycodes(printer);
    EXPECT_EQ(list.EditCurrentEntry("4141", false, kGradation2, measure).outcome,
              EditOutcome::Applied);
    EXPECT_EQ(Keycodes(list), "2020 4141");
    EXPECT_EQ(list.listSize(), 154) << "the registered keycode's row is not counted";
}

TEST_F(LogoListTest, EnterMeasuresColoursAndGradationOrExplainsWhyNot) {
    bitmaps.Add("/logos/c.bmp", {.mono = 154, .twoColour = 284, .sixteen = 0});
    bitmaps.Add("/logos/m.bmp", {.mono = 154});
    list.AddLogoFiles("/logos", std::vector<std::string>{"c.bmp", "m.bmp"}, kGradation2,
                      bitmaps.measure(), {});
    const auto measure = bitmaps.measure();

    list.SelectEntry(0);
    EditResult r = list.EditCurrentEntry("3030", true, kGradation2, measure);
    EXPECT_EQ(r.outcome, EditOutcome::Applied);
    EXPECT_EQ(RowTexts(list.entries()[0]), (LogoRowTexts{"c.bmp", "284", "3030", "*"}));

    r = list.EditCurrentEntry("3031", false, kGradation16, measure);
    EXPECT_EQ(r.outcome, EditOutcome::MeasureFailed);
    EXPECT_EQ(r.message->text, lang::MSG_L_21);
    EXPECT_EQ(RowTexts(list.entries()[0]), (LogoRowTexts{"c.bmp", "284", "3031", "*"}))
        << "the keycode is stored, colours and size stay";

    list.SelectEntry(1);
    r = list.EditCurrentEntry("2021", true, kGradation2, measure);
    EXPECT_EQ(r.outcome, EditOutcome::MeasureFailed);
    EXPECT_EQ(r.message->text, lang::MSG_L_20);
}

TEST_F(LogoListTest, TwoColoursThatOverflowThePrinterAreDroppedAgain) {
    bitmaps.Add("/logos/c.bmp", {.mono = 154, .twoColour = 284});
    list.SetCapacity(1000, 200);
    list.AddLogoFiles("/logos", std::vector<std::string>{"c.bmp"}, kGradation2, bitmaps.measure(),
                      {});
    const EditResult r = list.EditCurrentEntry("2020", true, kGradation2, bitmaps.measure());
    EXPECT_EQ(r.outcome, EditOutcome::Applied);
    EXPECT_EQ(r.overflowMessage->text, lang::MSG_L_10);
    EXPECT_TRUE(r.twoColoursDropped);
    EXPECT_EQ(RowTexts(list.entries()[0]), (LogoRowTexts{"c.bmp", "154", "2020", " "}));
    EXPECT_EQ(list.listSize(), 154);
}

TEST_F(LogoListTest, ATickThatOverflowsIsTakenBack) {
    AddFiles({"a.bmp", "b.bmp"}, {100, 100});
    list.SetCheckMark(1, false);
    list.SetCapacity(1000, 150);
    CheckResult r = list.ChangeCheck(1, true);
    EXPECT_FALSE(r.checked);
    EXPECT_EQ(r.overflowMessage->text, lang::MSG_L_10);
    EXPECT_FALSE(list.entries()[1].checked);
    EXPECT_EQ(list.listSize(), 100);

    r = list.ChangeCheck(0, false);
    EXPECT_FALSE(r.overflowMessage);
    EXPECT_EQ(list.listSize(), 0);
    EXPECT_TRUE(list.ChangeCheck(1, true).checked);
}

TEST_F(LogoListTest, DeletingAsksFirstAndMovesTheRowsBehindUp) {
    AddFiles({"a.bmp", "b.bmp", "c.bmp"}, {});
    list.SelectEntry(1);
    std::vector<std::string> questions;
    const auto answer = [&](bool ok) {
        return [&questions, ok](const LogoMessage& q) {
            questions.push_back(English(q));
            return ok;
        };
    };
    EXPECT_FALSE(list.DeleteCurrentEntry(answer(false)).deleted);
    EXPECT_EQ(Names(list), "a.bmp b.bmp c.bmp");
    EXPECT_TRUE(list.DeleteCurrentEntry(answer(true)).deleted);
    EXPECT_EQ(Names(list), "a.bmp c.bmp");
    EXPECT_EQ(list.current(), 1u);
    EXPECT_EQ(questions.back(),
              "This will delete the next logo file from the [Logo File List].\nOK to "
              "proceed?\n\n･Logo file name: b.bmp");

    EXPECT_TRUE(list.DeleteAllEntries(answer(true)).deleted);
    EXPECT_EQ(questions.back(),
              "This will delete all logo files from the [Logo File List].\nOK to proceed?");
    EXPECT_EQ(list.count(), 0u);
    questions.clear();
    EXPECT_FALSE(list.DeleteCurrentEntry(answer(true)).deleted);
    EXPECT_FALSE(list.DeleteAllEntries(answer(true)).deleted);
    EXPECT_TRUE(questions.empty()) << "an empty list asks nothing";
}

// Sizes 3 1 3 2 1 of a b c d e. The first row of each range is the pivot and rows equal to it
// stay behind it, so ascending gives e b d a c (a stable sort would give b e d a c), and the
// second click, descending from there, gives c a d e b.
TEST_F(LogoListTest, SortIsTheListsOwnQuicksortEqualKeysIncluded) {
    AddFiles({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}, {3, 1, 3, 2, 1});
    list.SelectEntry(0);
    list.SortLogoList(2);
    EXPECT_TRUE(list.sortAscending());
    EXPECT_EQ(Names(list), "e.bmp b.bmp d.bmp a.bmp c.bmp");
    EXPECT_EQ(list.current(), 3u) << "the selection follows a.bmp";
    list.SortLogoList(2);
    EXPECT_FALSE(list.sortAscending());
    EXPECT_EQ(Names(list), "c.bmp a.bmp d.bmp e.bmp b.bmp");

    // One direction flag for all columns: this click on another column sorts ascending again.
    list.SortLogoList(3);
    EXPECT_EQ(Keycodes(list), "2020 2021 2022 2023 2024");
    EXPECT_EQ(Names(list), "a.bmp b.bmp c.bmp d.bmp e.bmp");

    list = {};
    list.SetCapacity(1000, 1000);
    AddFiles({"b.bmp", "B.bmp", "a.bmp", "_.bmp"}, {});
    list.SortLogoList(1);
    EXPECT_EQ(Names(list), "B.bmp _.bmp a.bmp b.bmp") << "file names sort by character codes";
}

TEST_F(LogoListTest, PrinterKeycodesSortWithTheirOwnDirection) {
    const std::uint16_t printer[] = {0x2120, 0x7E7E, 0x2020, 0x4141};
    list.SetPrinterKeycodes(printer);
    list.SortLogoList(2);  // the file list's flag does not count for the printer list
    list.SortPrinterKeycodes();
    EXPECT_EQ(
        std::vector<std::uint16_t>(list.printerKeycodes().begin(), list.printerKeycodes().end()),
        (std::vector<std::uint16_t>{0x2020, 0x2120, 0x4141, 0x7E7E}));
    list.SortPrinterKeycodes();
    EXPECT_EQ(list.printerKeycodes().front(), 0x7E7E);
}

}  // namespace
}  // namespace vrtruty::logo
