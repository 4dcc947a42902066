#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "platform/clock.h"
#include "platform/fake_clock.h"
#include "platform/files.h"
#include "platform/home_folder.h"
#include "platform/instance_lock.h"
#include "platform/os_info.h"

namespace vrtruty::platform {

void PrintTo(const LocalTime& time, std::ostream* out) {
    *out << std::setfill('0') << std::setw(2) << time.hour << ':' << std::setw(2) << time.minute
         << ':' << std::setw(2) << time.second << '.' << std::setw(3) << time.millisecond;
}

namespace {

using std::chrono::milliseconds;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// A fresh folder per test, removed with everything in it afterwards.
class TempFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
            const fs::path candidate =
                fs::temp_directory_path() / ("vrtruty-platform-test-" + std::to_string(random()));
            if (fs::create_directory(candidate)) {
                folder_ = candidate;
            }
        }
        ASSERT_FALSE(folder_.empty()) << "could not create a temporary folder";
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    const fs::path& folder() const { return folder_; }

    void WriteFile(const fs::path& path, std::string_view content) const {
        std::ofstream out(path, std::ios::binary);
        out << content;
        ASSERT_TRUE(out.good()) << "could not write " << path;
    }

    static std::string ReadText(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

  private:
    fs::path folder_;
};

// ---- FakeClock ----------------------------------------------------------------------------

TEST(FakeClockTest, SleepRecordsEachWaitAndAdvancesTimeButAdvanceIsNoWait) {
    FakeClock clock;
    EXPECT_EQ(clock.now(), milliseconds(0));

    clock.sleepFor(milliseconds(50));
    clock.advance(milliseconds(7));
    clock.sleepFor(milliseconds(1000));
    clock.sleepFor(milliseconds(200));

    EXPECT_THAT(clock.waits(),
                ElementsAre(milliseconds(50), milliseconds(1000), milliseconds(200)));
    EXPECT_EQ(clock.totalWaited(), milliseconds(1250));
    EXPECT_EQ(clock.now(), milliseconds(1257));
}

TEST(FakeClockTest, LocalTimeStartsAtMidnightAndFollowsElapsedFakeTimeWithCarries) {
    FakeClock clock;
    EXPECT_EQ(clock.localTime(), (LocalTime{0, 0, 0, 0}));

    // Time that passed before the local time was set does not count towards it.
    clock.advance(milliseconds(5000));
    clock.setLocalTime(LocalTime{9, 59, 59, 999});
    EXPECT_EQ(clock.localTime(), (LocalTime{9, 59, 59, 999}));

    clock.sleepFor(milliseconds(1));
    EXPECT_EQ(clock.localTime(), (LocalTime{10, 0, 0, 0})) << "ms -> s -> min -> h carry";

    clock.advance(milliseconds(61'001));
    EXPECT_EQ(clock.localTime(), (LocalTime{10, 1, 1, 1}));

    clock.setLocalTime(LocalTime{23, 59, 59, 950});
    clock.sleepFor(milliseconds(100));
    EXPECT_EQ(clock.localTime(), (LocalTime{0, 0, 0, 50})) << "wraps at midnight";

    clock.advance(milliseconds(3 * 24 * 3'600'000LL + 3'600'000));
    EXPECT_EQ(clock.localTime(), (LocalTime{1, 0, 0, 50})) << "whole days vanish";
}

TEST(RealClockTest, NowNeverGoesBackAndLocalTimeFieldsAreInRange) {
    RealClock clock;
    const milliseconds first = clock.now();
    clock.sleepFor(milliseconds(0));
    EXPECT_GE(clock.now(), first);

    const LocalTime time = clock.localTime();
    EXPECT_TRUE(time.hour >= 0 && time.hour <= 23) << time.hour;
    EXPECT_TRUE(time.minute >= 0 && time.minute <= 59) << time.minute;
    EXPECT_TRUE(time.second >= 0 && time.second <= 60) << time.second;
    EXPECT_TRUE(time.millisecond >= 0 && time.millisecond <= 999) << time.millisecond;
}

// ---- Files --------------------------------------------------------------------------------

using FilesTest = TempFolderTest;

TEST_F(FilesTest, ReadFileBytesReturnsExactContentOfAnySize) {
    const std::string binary("\xFF\xFE[\0]\r\n", 7);
    WriteFile(folder() / "binary", binary);
    EXPECT_EQ(ReadFileBytes(folder() / "binary"),
              (std::vector<std::uint8_t>{0xFF, 0xFE, '[', 0x00, ']', '\r', '\n'}));

    WriteFile(folder() / "empty", "");
    const auto empty = ReadFileBytes(folder() / "empty");
    ASSERT_TRUE(empty.has_value()) << "an empty file is readable";
    EXPECT_THAT(*empty, IsEmpty());

    // Larger than any single read, with a pattern that shows lost or repeated pieces.
    std::string large(300'001, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<char>(i * 7 % 251);
    }
    WriteFile(folder() / "large", large);
    const auto read = ReadFileBytes(folder() / "large");
    ASSERT_TRUE(read.has_value());
    const std::vector<std::uint8_t> expected = Bytes(large);
    ASSERT_EQ(read->size(), expected.size());
    const auto mismatch = std::mismatch(read->begin(), read->end(), expected.begin());
    EXPECT_EQ(mismatch.first, read->end())
        << "first difference at byte " << (mismatch.first - read->begin());
}

TEST_F(FilesTest, ReadFileBytesFailsForMissingFileAndForFolder) {
    EXPECT_EQ(ReadFileBytes(folder() / "missing"), std::nullopt);
    EXPECT_EQ(ReadFileBytes(folder()), std::nullopt);
}

TEST_F(FilesTest, ReplaceFileAtomicallyReplacesContentKeepsPermissionsAndLeavesNoTemporary) {
    const fs::path target = folder() / "Vrtrutys.dat";
    WriteFile(target, "old content that is longer than the new one");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    EXPECT_EQ(ReplaceFileAtomically(target, Bytes("new")), std::error_code());

    EXPECT_EQ(ReadText(target), "new");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_THAT(FolderEntries(), ElementsAre("Vrtrutys.dat"));
}

TEST_F(FilesTest, ReplaceFileAtomicallyCreatesMissingTargetIncludingEmptyContent) {
    const fs::path target = folder() / "new.ini";
    EXPECT_EQ(ReplaceFileAtomically(target, {}), std::error_code());

    ASSERT_TRUE(fs::is_regular_file(target));
    EXPECT_EQ(fs::file_size(target), 0u);
    // A new target gets the mode any newly created file gets under the current umask, not the
    // owner-only mode of a temporary file; compare with a file the standard library creates.
    WriteFile(folder() / "reference", "");
    constexpr fs::perms kReadAndOwnerWrite = fs::perms::owner_read | fs::perms::owner_write |
                                             fs::perms::group_read | fs::perms::others_read;
    EXPECT_EQ(fs::status(target).permissions() & kReadAndOwnerWrite,
              fs::status(folder() / "reference").permissions() & kReadAndOwnerWrite);
    fs::remove(folder() / "reference");
    EXPECT_THAT(FolderEntries(), ElementsAre("new.ini"));
}

TEST_F(FilesTest, ReplaceFileAtomicallyFailureLeavesTargetAndFolderAsTheyWere) {
    // The target's folder does not exist.
    EXPECT_EQ(ReplaceFileAtomically(folder() / "absent" / "file", Bytes("x")),
              std::errc::no_such_file_or_directory);
    EXPECT_THAT(FolderEntries(), IsEmpty());

    // The target is a folder: the final rename fails after the temporary was written.
    fs::create_directory(folder() / "settings");
    WriteFile(folder() / "settings" / "inside", "kept");
    EXPECT_TRUE(ReplaceFileAtomically(folder() / "settings", Bytes("x")));
    EXPECT_TRUE(fs::is_directory(folder() / "settings"));
    EXPECT_EQ(ReadText(folder() / "settings" / "inside"), "kept");
    EXPECT_THAT(FolderEntries(), ElementsAre("settings"));

    // The temporary cannot be created because its longer name exceeds the name limit.
    const std::string longName(250, 'n');
    WriteFile(folder() / longName, "old");
    EXPECT_EQ(ReplaceFileAtomically(folder() / longName, Bytes("new")),
              std::errc::filename_too_long);
    EXPECT_EQ(ReadText(folder() / longName), "old");
    EXPECT_THAT(FolderEntries(), UnorderedElementsAre("settings", longName));
}

TEST_F(FilesTest, CreateFileExclusivelyWritesNewFileAndRefusesExistingOne) {
    const fs::path path = folder() / "logo.qlr";
    EXPECT_EQ(CreateFileExclusively(path, Bytes("first")), std::error_code());
    EXPECT_EQ(ReadText(path), "first");

    EXPECT_EQ(CreateFileExclusively(path, Bytes("second")), std::errc::file_exists);
    EXPECT_EQ(ReadText(path), "first");

    EXPECT_EQ(CreateFileExclusively(folder() / "absent" / "file", Bytes("x")),
              std::errc::no_such_file_or_directory);
}

TEST_F(FilesTest, AppendToFileCreatesMissingFileThenAppends) {
    const fs::path log = folder() / "_DEBUG.LOG";
    EXPECT_TRUE(AppendToFile(log, Bytes("line 1\r\n")));
    EXPECT_TRUE(AppendToFile(log, Bytes("line 2\r\n")));
    EXPECT_EQ(ReadText(log), "line 1\r\nline 2\r\n");

    EXPECT_FALSE(AppendToFile(folder() / "absent" / "file", Bytes("x")));
    EXPECT_FALSE(AppendToFile(folder(), Bytes("x"))) << "a folder cannot take appended bytes";
}

// ---- Home folder --------------------------------------------------------------------------

class HomeFolderTest : public TempFolderTest {
  protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        fs::create_directory(folder() / "bin");
        inputs_.executableDirectory = folder() / "bin";
        inputs_.configBase = folder() / "config";
    }

    HomeFolderInputs inputs_;
};

TEST_F(HomeFolderTest, CommandLineWinsOverEverything) {
    WriteFile(folder() / "bin" / "Setting_EN.dat", "");
    inputs_.commandLine = folder() / "from-command-line";
    inputs_.environment = (folder() / "from-environment").string();

    const HomeFolder home = ResolveHomeFolder(inputs_);
    EXPECT_EQ(home.error, std::error_code());
    EXPECT_EQ(home.folder, folder() / "from-command-line");
    EXPECT_TRUE(fs::is_directory(home.folder));
    EXPECT_FALSE(fs::exists(folder() / "from-environment"));
}

TEST_F(HomeFolderTest, EnvironmentWinsOverPortableLayoutAndEmptyEnvironmentCountsAsUnset) {
    WriteFile(folder() / "bin" / "Setting_EN.dat", "");
    inputs_.environment = (folder() / "from-environment").string();
    EXPECT_EQ(ResolveHomeFolder(inputs_).folder, folder() / "from-environment");

    inputs_.environment = "";
    EXPECT_EQ(ResolveHomeFolder(inputs_).folder, folder() / "bin");
}

TEST_F(HomeFolderTest, ExecutableFolderWithLanguageFilesIsPortableElseConfigFolderIsCreated) {
    EXPECT_FALSE(HoldsShippedLanguageFiles(folder() / "bin"));
    const HomeFolder installed = ResolveHomeFolder(inputs_);
    EXPECT_EQ(installed.error, std::error_code());
    EXPECT_EQ(installed.folder, folder() / "config" / "vrtruty");
    EXPECT_TRUE(fs::is_directory(installed.folder)) << "created together with its parent";

    WriteFile(folder() / "bin" / "Setting_JA.dat", "");
    EXPECT_TRUE(HoldsShippedLanguageFiles(folder() / "bin"));
    EXPECT_EQ(ResolveHomeFolder(inputs_).folder, folder() / "bin");

    fs::remove(folder() / "bin" / "Setting_JA.dat");
    WriteFile(folder() / "bin" / "Setting_EN.dat", "");
    EXPECT_TRUE(HoldsShippedLanguageFiles(folder() / "bin"));
    fs::remove(folder() / "bin" / "Setting_EN.dat");
    WriteFile(folder() / "bin" / "Setting_DE.dat", "");
    EXPECT_FALSE(HoldsShippedLanguageFiles(folder() / "bin")) << "only the built-in languages ship";
}

TEST_F(HomeFolderTest, ResultIsNormalWithoutTrailingSeparator) {
    inputs_.commandLine = fs::path(folder().string() + "/a/./b/../c/");
    const HomeFolder home = ResolveHomeFolder(inputs_);
    EXPECT_EQ(home.error, std::error_code());
    EXPECT_EQ(home.folder.string(), (folder() / "a" / "c").string());
    EXPECT_TRUE(fs::is_directory(folder() / "a" / "c"));
}

TEST_F(HomeFolderTest, FolderThatCannotBeCreatedReportsErrorAndStillNamesTheFolder) {
    WriteFile(folder() / "plain-file", "");
    inputs_.commandLine = folder() / "plain-file" / "home";
    const HomeFolder beneathFile = ResolveHomeFolder(inputs_);
    EXPECT_TRUE(beneathFile.error);
    EXPECT_EQ(beneathFile.folder, folder() / "plain-file" / "home");

    inputs_.commandLine = folder() / "plain-file";
    EXPECT_EQ(ResolveHomeFolder(inputs_).error, std::errc::not_a_directory);
}

// ---- Instance lock ------------------------------------------------------------------------

using InstanceLockTest = TempFolderTest;

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstReleases) {
    std::optional<InstanceLock> first = InstanceLock::TryAcquire("POS Vrtruty_Mutex", folder());
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(InstanceLock::TryAcquire("POS Vrtruty_Mutex", folder()).has_value());
    EXPECT_TRUE(InstanceLock::TryAcquire("Other_Mutex", folder()).has_value())
        << "locks of other names are independent";

    // Moving the lock keeps it held; only destroying the last holder frees it.
    std::optional<InstanceLock> moved = std::move(first);
    first.reset();
    EXPECT_FALSE(InstanceLock::TryAcquire("POS Vrtruty_Mutex", folder()).has_value());

    moved.reset();
    EXPECT_TRUE(InstanceLock::TryAcquire("POS Vrtruty_Mutex", folder()).has_value());
    EXPECT_TRUE(fs::exists(folder() / "POS_Vrtruty_Mutex.lock")) << "the lock file is kept";
}

TEST_F(InstanceLockTest, NamesBecomePlainFileNamesInTheLockFolder) {
    const auto plain = InstanceLock::TryAcquire("POS Vrtruty_Mutex", folder());
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->path(), folder() / "POS_Vrtruty_Mutex.lock");

    const auto separators = InstanceLock::TryAcquire("../a/b\\c:d\xC3\xA9-1.0", folder());
    ASSERT_TRUE(separators.has_value());
    EXPECT_EQ(separators->path(), folder() / ".._a_b_c_d__-1.0.lock");

    EXPECT_THAT(FolderEntries(),
                UnorderedElementsAre("POS_Vrtruty_Mutex.lock", ".._a_b_c_d__-1.0.lock"));
}

TEST_F(InstanceLockTest, MissingLockFolderMeansNoLock) {
    EXPECT_FALSE(InstanceLock::TryAcquire("POS Vrtruty_Mutex", folder() / "absent").has_value());
}

// ---- Operating system ---------------------------------------------------------------------

TEST(OsInfoTest, ClassifyOsFollowsTheClassTable) {
    struct Row {
        OsVersion version;
        OsCheck check;
        int osClass;
    };
    const Row rows[] = {
        {{OsPlatform::Win32s, 3, 10, 0}, OsCheck::Win32s, -1},
        {{OsPlatform::Windows9x, 4, 0, 950}, OsCheck::Identified, 0},
        {{OsPlatform::Windows9x, 4, 10, 1998}, OsCheck::Identified, 2},
        {{OsPlatform::Windows9x, 4, 10, 2222}, OsCheck::Identified, 3},
        {{OsPlatform::Windows9x, 4, 10, 2000}, OsCheck::Unknown, -1},
        {{OsPlatform::Windows9x, 4, 90, 3000}, OsCheck::Identified, 3},
        {{OsPlatform::Windows9x, 4, 20, 0}, OsCheck::Unknown, -1},
        {{OsPlatform::WindowsNt, 3, 51, 1057}, OsCheck::Identified, 4},
        {{OsPlatform::WindowsNt, 4, 0, 1381}, OsCheck::Identified, 4},
        {{OsPlatform::WindowsNt, 5, 1, 2600}, OsCheck::Identified, 5},
        {{OsPlatform::WindowsNt, 6, 3, 9600}, OsCheck::Identified, 6},
        {{OsPlatform::WindowsNt, 10, 0, 19045}, OsCheck::Identified, 7},
        {{OsPlatform::WindowsNt, 10, 0, 21999}, OsCheck::Identified, 7},
        {{OsPlatform::WindowsNt, 10, 0, 22000}, OsCheck::Identified, 8},
        {{OsPlatform::WindowsNt, 10, 0, 26100}, OsCheck::Identified, 8},
        {{OsPlatform::WindowsNt, 7, 0, 0}, OsCheck::Unknown, -1},
        {{OsPlatform::WindowsNt, 11, 0, 0}, OsCheck::Unknown, -1},
        {{OsPlatform::Linux, 6, 1, 0}, OsCheck::Identified, kOsClassLinux},
        {{OsPlatform::Other, 14, 0, 0}, OsCheck::Unknown, -1},
    };
    for (const Row& row : rows) {
        const OsClassification result = ClassifyOs(row.version);
        SCOPED_TRACE(::testing::Message() << "platform " << static_cast<int>(row.version.platform)
                                          << " version " << row.version.major << '.'
                                          << row.version.minor << " build " << row.version.build);
        EXPECT_EQ(result.check, row.check);
        EXPECT_EQ(result.osClass, row.osClass);
    }
}

TEST(OsInfoTest, QueryOsVersionReportsTheRunningLinuxKernelRelease) {
    const auto osRelease = ReadFileBytes("/proc/sys/kernel/osrelease");
    ASSERT_TRUE(osRelease.has_value());
    const std::string release(osRelease->begin(), osRelease->end());
    unsigned major = 0;
    unsigned minor = 0;
    unsigned patch = 0;
    ASSERT_EQ(std::sscanf(release.c_str(), "%u.%u.%u", &major, &minor, &patch), 3) << release;

    const auto version = QueryOsVersion();
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->platform, OsPlatform::Linux);
    EXPECT_EQ(version->major, major) << release;
    EXPECT_EQ(version->minor, minor) << release;
    EXPECT_EQ(version->build, patch) << release;
}

}  // namespace
}  // namespace vrtruty::platform
