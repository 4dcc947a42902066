#include "settings/setting_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "lang/language_files.h"
#include "settings_test_support.h"
#include "test_support.h"

namespace vrtruty::settings {
namespace {

namespace fs = std::filesystem;
using test::Entries;
using test::kTr770;
using test::kTr770K;

// "byte 65: 9 != 8; " for every byte where the records differ, empty when they are equal.
std::string Differences(const SettingRecord& actual, const SettingRecord& expected) {
    std::string text;
    for (std::size_t b = 0; b < kSettingRecordSize; ++b) {
        if (actual[b] != expected[b]) {
            text += "byte " + std::to_string(b) + ": " + std::to_string(actual[b]) +
                    " != " + std::to_string(expected[b]) + "; ";
        }
    }
    return text;
}

// "70=3 71=3" for the given bytes of a record.
std::string Values(const SettingRecord& record, std::initializer_list<std::size_t> bytes) {
    std::string text;
    for (const std::size_t b : bytes) {
        text += (text.empty() ? "" : " ") + std::to_string(b) + "=" + std::to_string(record[b]);
    }
    return text;
}

std::vector<std::uint8_t> Image(const SettingRecord& record) {
    const SettingImage image = BuildSettingImage(record);
    return {image.begin(), image.end()};
}

class SettingFilesTest : public ::testing::Test {
  protected:
    SettingFilesTest() { Select(kTr770); }

    // `factory` keeps the row's factory record.
    void Select(std::size_t row) {
        model = test::SelectPrinter(state, row, texts, log);
        factory = state.current;
    }
    SettingRecord FactoryOf(std::size_t row) {
        SettingsState other;
        test::SelectPrinter(other, row, texts, log);
        return other.current;
    }

    test::TempFolder tmp;
    lang::TextTable texts = lang::LoadLanguageTexts({});
    app::Logger log;
    FactoryInputs inputs{.xonXoff = false, .texts = texts, .log = log};
    SettingsState state;
    app::CurrentModel model;
    SettingRecord factory;
};

TEST(SettingImageTest, ModelNameThenBytes49To86Then90To94) {
    SettingRecord record;
    for (std::size_t b = 0; b < kSettingRecordSize; ++b) {
        record[b] = static_cast<std::uint8_t>(b);
    }
    record.setModelName("TR-770K");
    EXPECT_THAT(BuildSettingImage(record),
                ::testing::ElementsAre('T', 'R', '-', '7', '7', '0', 'K', 0, 0, 0, 0, 0, 0, 0, 0,
                                       0,  //
                                       49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63,
                                       64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78,
                                       79, 80, 81, 82, 83, 84, 85, 86,  //
                                       90, 91, 92, 93, 94));
}

TEST_F(SettingFilesTest, ReadDataCheckUsesTheModelsOwnLimits) {
    // The row, the record byte, a value and whether the row takes it.
    const std::tuple<std::size_t, std::size_t, std::uint8_t, bool> cases[] = {
        {test::kTr770II, 65, 10, true}, {kTr770, 65, 8, true},  {kTr770, 65, 9, false},
        {test::kPfbm, 67, 2, true},     {kTr770, 67, 2, false}, {kTr770, 63, 12, true},
        {kTr770, 63, 13, false},        {kTr770, 94, 2, false},
    };
    for (const auto& [row, recordByte, value, valid] : cases) {
        Select(row);
        state.current[recordByte] = value;
        EXPECT_EQ(ReadDataCheck(state, model, inputs, {}), SET_SUCCESS);
        EXPECT_EQ(state.current[recordByte], valid ? value : factory[recordByte])
            << "row " << row << ", byte " << recordByte << " = " << int{value};
    }
}

TEST_F(SettingFilesTest, ImportRefusesAnyInvalidFileAndLeavesFileAndRecordAsTheyWere) {
    SettingRecord speed9 = factory;
    speed9[65] = 9;  // limit 8 for the TR-770
    SettingRecord speed10 = FactoryOf(test::kTr770II);
    speed10[65] = 10;  // the TR-770II's top speed
    std::vector<std::uint8_t> nameless = Image(factory);
    std::fill_n(nameless.begin(), 16, 'x');
    std::vector<std::uint8_t> shortImage = Image(factory);
    shortImage.resize(20);
    const std::string notes(120, 'n');

    struct Case {
        const char* file;
        std::vector<std::uint8_t> bytes;  // written to the file unless it is made otherwise
        int code;
        const char* reason;
    };
    const Case cases[] = {
        {"notes.txt", test::Bytes(notes), SET_ERR_NOT_SETTING_FILE, "holds 120 bytes"},
        {"short.qvr", shortImage, SET_ERR_NOT_SETTING_FILE, "holds 20 bytes"},
        {"nameless.qvr", nameless, SET_ERR_NOT_SETTING_FILE, "printer model name"},
        {"speed9.qvr", Image(speed9), SET_ERR_OUT_OF_RANGE, "value out of range: \"Max Speed\""},
        {"speed10.qvr", Image(speed10), SET_ERR_OTHER_MODEL,
         "made for another model (TR-770II): \"Max Speed\" is out of range for TR-770"},
        {"empty.qvr", {}, SET_ERR_UNREADABLE, "empty"},
        {"absent.qvr", {}, SET_ERR_NOFILE, "No such file"},
        {"folder.qvr", {}, SET_ERR_NOT_SETTING_FILE, "not a regular file"},
        {"fifo.qvr", {}, SET_ERR_NOT_SETTING_FILE, "not a regular file"},
    };
    state.current[49] = 0;
    const SettingRecord before = state.current;
    for (const Case& c : cases) {
        const fs::path file = tmp / c.file;
        if (std::string_view(c.file) == "folder.qvr") {
            fs::create_directory(file);
        } else if (std::string_view(c.file) == "fifo.qvr") {
            ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);  // opening it must not wait for a writer
        } else if (std::string_view(c.file) != "absent.qvr") {
            test::WriteBytes(file, c.bytes);
        }
        EXPECT_EQ(ImportSettingFile(state, model, inputs, file), c.code) << c.file;
        ASSERT_TRUE(state.lastFileFailure.has_value()) << c.file;
        EXPECT_EQ(state.lastFileFailure->path, file);
        EXPECT_THAT(state.lastFileFailure->reason, ::testing::HasSubstr(c.reason)) << c.file;
        EXPECT_EQ(SettingFileMessage(c.code).has_value(), true) << c.file;
        EXPECT_EQ(Differences(state.current, before), "") << c.file << " changed the record";
        if (fs::is_regular_file(file)) {
            EXPECT_EQ(test::ReadBytes(file), c.bytes) << c.file << " was written to";
        }
    }
    EXPECT_TRUE(fs::is_fifo(tmp / "fifo.qvr"));

    // The program's own file is different: an out-of-range record gives way to the factory
    // values, the file is rewritten with them, and a failing rewrite is reported.
    state.current[65] = 9;
    EXPECT_EQ(ReadDataCheck(state, model, inputs, tmp / "missing" / "x.qvr"), SET_ERR_TEMPFILE);
    EXPECT_EQ(Differences(state.current, factory), "");
}

TEST_F(SettingFilesTest, AnotherModelsFileWithinTheLimitsLoadsAsItIs) {
    SettingRecord k = FactoryOf(kTr770K);  // "TR-770K", "Error Alert" on
    k[75] = 0;
    const fs::path file = tmp / "k.qvk";
    test::WriteBytes(file, Image(k));

    EXPECT_EQ(ImportSettingFile(state, model, inputs, file), SET_SUCCESS);
    EXPECT_EQ(state.current.modelName(), "TR-770K") << "the model name is not compared";
    EXPECT_EQ(Values(state.current, {75, 84}), "75=0 84=1");
    EXPECT_EQ(test::ReadBytes(file), Image(k)) << "a valid file is not rewritten";
}

TEST_F(SettingFilesTest, ExportReplacesAFileOnlyWhenToldAndAFailureLeavesFileAndRecord) {
    state.current.setModelName("TR-770K");  // as after importing another model's file
    state.current[49] = 0;
    const SettingRecord before = state.current;
    const fs::path file = tmp / "out.qvr";
    const fs::path locked = tmp / "locked.qvr";
    test::WriteBytes(file, test::Bytes("old"));
    test::WriteBytes(locked, test::Bytes("old"));
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read);
    // A folder in the file's place cannot be replaced: the write fails after the temporary file
    // was written.
    const fs::path taken = tmp / "taken.qvr";
    fs::create_directory(taken);
    test::WriteBytes(taken / "inside", test::Bytes("kept"));

    EXPECT_EQ(ExportSettingFile(state, model, file, false), SET_ERR_EXISTS);
    EXPECT_EQ(ExportSettingFile(state, model, locked, true), SET_ERR_READONLY);
    EXPECT_EQ(ExportSettingFile(state, model, taken, true), SET_ERR_READONLY);
    EXPECT_EQ(ExportSettingFile(state, model, tmp / "missing" / "out.qvr", false),
              SET_ERR_READONLY);
    EXPECT_EQ(test::ReadBytes(file), test::Bytes("old"));
    EXPECT_EQ(test::ReadBytes(locked), test::Bytes("old"));
    EXPECT_EQ(test::ReadBytes(taken / "inside"), test::Bytes("kept"));
    EXPECT_THAT(Entries(tmp.path()),
                ::testing::UnorderedElementsAre("out.qvr", "locked.qvr", "taken.qvr"))
        << "no temporary file is left behind";
    EXPECT_EQ(Differences(state.current, before), "");

    EXPECT_EQ(ExportSettingFile(state, model, file, true), SET_SUCCESS);
    SettingRecord expected = factory;
    expected[49] = 0;
    EXPECT_EQ(test::ReadBytes(file), Image(expected)) << "written under the selected model";
    EXPECT_EQ(state.current.modelName(), "TR-770");
}

TEST_F(SettingFilesTest, HostSerialSettingsReplaceWhatTheTemporaryFileHeld) {
    SettingRecord saved = factory;
    saved[70] = 0;  // 2400BPS
    saved[71] = 0;  // 7EVEN1
    saved[72] = 1;  // XON/XOFF
    saved[60] = 2;
    saved[61] = 3;
    saved[49] = 0;
    const fs::path file = TemporarySettingsPath(tmp.path());
    test::WriteBytes(file, Image(saved));
    // 19200 baud, 8 bits, even parity, DSR/DTR
    const app::SerialSettings host{
        .baudIndex = 3, .dataBits = 1, .parity = 1, .protocolIndex = 0, .formatIndex = 3};

    EXPECT_EQ(LoadTemporarySettings(state, model, host, file, inputs), SET_SUCCESS);
    EXPECT_EQ(Values(state.current, {70, 71, 72, 44, 45, 46, 49}),
              "70=3 71=3 72=0 44=3 45=3 46=0 49=0")
        << "19200BPS, 8EVEN1, DSR/DTR; the file's own values stay";
    EXPECT_EQ(state.rememberedNvChoice, 2);
    EXPECT_EQ(state.lastSent.paperWidth, 3);

    // Seven data bits: even 0, odd 1, without parity the port profile's own index.
    app::SerialSettings sevenBits{
        .baudIndex = 2, .dataBits = 0, .parity = 0, .protocolIndex = 1, .formatIndex = 1};
    for (const auto& [parity, expected] : {std::pair<std::uint16_t, int>{1, 0}, {2, 1}, {0, 1}}) {
        sevenBits.parity = parity;
        LoadTemporarySettings(state, model, sevenBits, file, inputs);
        EXPECT_EQ(state.current[71], expected) << "parity " << parity;
    }
}

TEST_F(SettingFilesTest, MissingOrAnotherModelsTemporaryFileGivesFactoryValues) {
    const app::SerialSettings host{
        .baudIndex = 6, .dataBits = 1, .parity = 0, .protocolIndex = 0, .formatIndex = 2};
    const fs::path file = tmp / "Vrtrutys.dat";
    EXPECT_EQ(LoadTemporarySettings(state, model, host, file, inputs), SET_SUCCESS);
    EXPECT_EQ(Differences(state.current, factory), "");
    EXPECT_TRUE(Entries(tmp.path()).empty());

    SettingRecord k = FactoryOf(kTr770K);
    k[49] = 0;
    state.current[50] = 1;
    test::WriteBytes(file, Image(k));
    EXPECT_EQ(LoadTemporarySettings(state, model, host, file, inputs), SET_SUCCESS);
    EXPECT_EQ(Differences(state.current, factory), "");
    EXPECT_EQ(test::ReadBytes(file), Image(k)) << "left until the next save";

    // Values out of range: the record falls back to the factory values either way, but only a
    // caller that holds the home folder's lock may repair the file.
    SettingRecord damaged = factory;
    damaged[65] = 9;
    test::WriteBytes(file, Image(damaged));
    EXPECT_EQ(LoadTemporarySettings(state, model, host, file, inputs, false), SET_SUCCESS);
    EXPECT_EQ(Differences(state.current, factory), "");
    EXPECT_EQ(test::ReadBytes(file), Image(damaged)) << "left for a run that holds the lock";
    EXPECT_EQ(LoadTemporarySettings(state, model, host, file, inputs), SET_SUCCESS);
    EXPECT_NE(test::ReadBytes(file), Image(damaged)) << "repaired";
}

TEST_F(SettingFilesTest, SaveStoresTheImageAndAFailureKeepsRecordAndOldFile) {
    const fs::path file = TemporarySettingsPath(tmp.path());
    state.current.setModelName("TR-770K");
    EXPECT_EQ(SaveTemporarySettings(state, model, file), SET_SUCCESS);
    EXPECT_EQ(test::ReadBytes(file), Image(factory));
    EXPECT_EQ(state.current.modelName(), "TR-770");

    state.current.setModelName("TR-770K");
    const SettingRecord before = state.current;
    EXPECT_EQ(SaveTemporarySettings(state, model, tmp / "missing" / "Vrtrutys.dat"),
              SET_ERR_TEMPFILE);
    fs::create_directory(tmp / "folder.dat");
    EXPECT_EQ(SaveTemporarySettings(state, model, tmp / "folder.dat"), SET_ERR_TEMPFILE);
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(SaveTemporarySettings(state, model, file), SET_ERR_ACCESS) << "read-only file";
    EXPECT_EQ(Differences(state.current, before), "");
    EXPECT_EQ(test::ReadBytes(file), Image(factory));
}

TEST_F(SettingFilesTest, EveryCodeNamesItsMessage) {
    const std::pair<int, const char*> cases[] = {
        {SET_ERR_NOFILE, "The settings file does not exist."},
        {SET_ERR_UNREADABLE, "Unable to read settings file."},
        {SET_ERR_TEMPFILE, "Error opening temporary settings file."},
        {SET_ERR_EXISTS, "Do you want to overwrite the existing settings?"},
        {SET_ERR_READONLY, "The existing settings file is read-only."},
        {SET_ERR_ACCESS, "Access to the specified disk or folder was denied."},
        {SET_ERR_WRITEPROTECT, "The specified disk or folder is write-protected."},
        {SET_ERR_NETWORK, "Access to the specified network drive was denied."},
    };
    for (const auto& [code, text] : cases) {
        const auto number = SettingFileMessage(code);
        ASSERT_TRUE(number) << "code " << code;
        EXPECT_THAT(texts.Text(*number), ::testing::HasSubstr(text)) << "code " << code;
    }
    EXPECT_FALSE(SettingFileMessage(SET_SUCCESS));
}

}  // namespace
}  // namespace vrtruty::settings
