#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/files.h"
#include "platform/home_folder.h"
#include "platform/instance_lock.h"
#include "platform/os_info.h"
#include "test_support.h"

namespace vrtruty::platform {
namespace {

using test::Bytes;
using test::Entries;
using test::ReadBytes;
using test::WriteBytes;
using ::testing::UnorderedElementsAre;
namespace fs = std::filesystem;

TEST(FilesTest, ReadFileBytesReturnsExactContentOfAnySizeAndNothingForMissingFileOrFolder) {
    const test::TempFolder tmp;
    const std::vector<std::uint8_t> binary = {0xFF, 0xFE, '[', 0x00, ']', '\r', '\n'};
    WriteBytes(tmp / "binary", binary);
    EXPECT_EQ(ReadFileBytes(tmp / "binary"), binary);
    WriteBytes(tmp / "empty", {});
    EXPECT_EQ(ReadFileBytes(tmp / "empty"), std::vector<std::uint8_t>()) << "empty is readable";
    EXPECT_EQ(ReadFileBytes(tmp / "missing"), std::nullopt);
    EXPECT_EQ(ReadFileBytes(tmp.path()), std::nullopt);

    // Larger than any single read, with a pattern that shows lost or repeated pieces.
    std::vector<std::uint8_t> large(300'001);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<std::uint8_t>(i * 7 % 251);
    }
    WriteBytes(tmp / "large", large);
    const auto read = ReadFileBytes(tmp / "large").value_or(std::vector<std::uint8_t>());
    ASSERT_EQ(read.size(), large.size());
    EXPECT_EQ(std::mismatch(read.begin(), read.end(), large.begin()).first - read.begin(), 300'001)
        << "the first differing byte";
}

TEST(FilesTest, ReplaceFileAtomicallyReplacesContentKeepsModeAndLeavesNoTemporary) {
    const test::TempFolder tmp;
    constexpr fs::perms kMode =
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    WriteBytes(tmp / "Vrtrutys.dat", Bytes("old content that is longer than the new one"));
    fs::permissions(tmp / "Vrtrutys.dat", kMode);
    EXPECT_EQ(ReplaceFileAtomically(tmp / "Vrtrutys.dat", Bytes("new")), std::error_code());
    EXPECT_EQ(ReadBytes(tmp / "Vrtrutys.dat"), Bytes("new"));
    EXPECT_EQ(fs::status(tmp / "Vrtrutys.dat").permissions(), kMode);

    // A missing target gets the mode of any new file under the umask, not a temporary's
    // owner-only mode; compare with a file the standard library creates.
    EXPECT_EQ(ReplaceFileAtomically(tmp / "new.ini", {}), std::error_code());
    EXPECT_EQ(ReadBytes(tmp / "new.ini"), Bytes(""));
    WriteBytes(tmp / "reference", {});
    constexpr fs::perms kReadAndOwnerWrite = kMode | fs::perms::others_read;
    EXPECT_EQ(fs::status(tmp / "new.ini").permissions() & kReadAndOwnerWrite,
              fs::status(tmp / "reference").permissions() & kReadAndOwnerWrite);
    EXPECT_THAT(Entries(tmp.path()), UnorderedElementsAre("Vrtrutys.dat", "new.ini", "reference"));
}

TEST(FilesTest, ReplaceFileAtomicallyFailureKeepsTheOldTargetAndLeavesNoTemporary) {
    const test::TempFolder tmp;
    // The temporary cannot be created because its longer name exceeds the name limit.
    const std::string longName(250, 'n');
    WriteBytes(tmp / longName, Bytes("old"));
    EXPECT_EQ(ReplaceFileAtomically(tmp / longName, Bytes("new")), std::errc::filename_too_long);
    EXPECT_EQ(ReadBytes(tmp / longName), Bytes("old"));

    // The target is a folder: the final rename fails after the temporary was written.
    fs::create_directory(tmp / "settings");
    WriteBytes(tmp / "settings" / "inside", Bytes("kept"));
    EXPECT_TRUE(ReplaceFileAtomically(tmp / "settings", Bytes("x")));
    EXPECT_EQ(ReadBytes(tmp / "settings" / "inside"), Bytes("kept"));
    EXPECT_THAT(Entries(tmp.path()), UnorderedElementsAre("settings", longName));
}

TEST(FilesTest, CreateFileExclusivelyRefusesAnExistingFile) {
    const test::TempFolder tmp;
    EXPECT_EQ(CreateFileExclusively(tmp / "logo.qlr", Bytes("first")), std::error_code());
    EXPECT_EQ(CreateFileExclusively(tmp / "logo.qlr", Bytes("second")), std::errc::file_exists);
    EXPECT_EQ(ReadBytes(tmp / "logo.qlr"), Bytes("first"));
}

TEST(HomeFolderTest, CommandLineThenEnvironmentThenPortableLayoutThenConfigFolder) {
    const test::TempFolder tmp;
    fs::create_directory(tmp / "bin");
    WriteBytes(tmp / "bin" / "Setting_JA.dat", {});
    // The command line is given with dot segments and a trailing separator.
    HomeFolderInputs inputs{fs::path(tmp.path().string() + "/cmd/./x/../line/"),
                            (tmp / "from-environment").string(), tmp / "bin", tmp / "config"};
    const HomeFolder home = ResolveHomeFolder(inputs);
    EXPECT_EQ(home.error, std::error_code());
    EXPECT_EQ(home.folder.string(), (tmp / "cmd" / "line").string()) << "lexically normal";
    EXPECT_TRUE(fs::is_directory(home.folder)) << "created";
    EXPECT_FALSE(fs::exists(tmp / "from-environment")) << "only the chosen folder is created";

    inputs.commandLine.reset();
    EXPECT_EQ(ResolveHomeFolder(inputs).folder, tmp / "from-environment");
    inputs.environment = "";
    EXPECT_EQ(ResolveHomeFolder(inputs).folder, tmp / "bin") << "empty environment is unset";
    fs::rename(tmp / "bin" / "Setting_JA.dat", tmp / "bin" / "Setting_EN.dat");
    EXPECT_EQ(ResolveHomeFolder(inputs).folder, tmp / "bin") << "either shipped language will do";

    fs::remove(tmp / "bin" / "Setting_EN.dat");
    WriteBytes(tmp / "bin" / "Setting_DE.dat", {});  // not one of the shipped languages
    const HomeFolder installed = ResolveHomeFolder(inputs);
    EXPECT_EQ(installed.error, std::error_code());
    EXPECT_EQ(installed.folder, tmp / "config" / "vrtruty");
    EXPECT_TRUE(fs::is_directory(installed.folder)) << "created together with its parent";
}

TEST(HomeFolderTest, ShippedFilesAreBesideTheProgramOrInTheInstalledShareFolder) {
    const test::TempFolder tmp;
    fs::create_directories(tmp / "usr" / "bin");
    EXPECT_EQ(ShippedFilesFolder(tmp / "usr" / "bin"), tmp / "usr" / "bin") << "nothing anywhere";
    fs::create_directories(tmp / "usr" / "share" / "vrtruty");
    WriteBytes(tmp / "usr" / "share" / "vrtruty" / "Setting_EN.dat", {});
    EXPECT_EQ(ShippedFilesFolder(tmp / "usr" / "bin"), tmp / "usr" / "share" / "vrtruty");
    WriteBytes(tmp / "usr" / "bin" / "Setting_JA.dat", {});
    EXPECT_EQ(ShippedFilesFolder(tmp / "usr" / "bin"), tmp / "usr" / "bin")
        << "the files beside the program win (build tree, portable layout)";
}

TEST(HomeFolderTest, FolderThatCannotBeCreatedReportsErrorAndStillNamesTheFolder) {
    const test::TempFolder tmp;
    WriteBytes(tmp / "plain-file", {});
    HomeFolderInputs inputs{tmp / "plain-file" / "home", std::nullopt, tmp.path(), std::nullopt};
    const HomeFolder beneathFile = ResolveHomeFolder(inputs);
    EXPECT_TRUE(beneathFile.error);
    EXPECT_EQ(beneathFile.folder, tmp / "plain-file" / "home");

    inputs.commandLine = tmp / "plain-file";
    EXPECT_EQ(ResolveHomeFolder(inputs).error, std::errc::not_a_directory);
}

TEST(InstanceLockTest, SecondHolderIsRefusedUntilReleasedAndNamesBecomePlainFileNames) {
    const test::TempFolder tmp;
    std::optional<InstanceLock> first = InstanceLock::TryAcquire("POS Vrtruty_Mutex", tmp.path());
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(InstanceLock::TryAcquire("POS Vrtruty_Mutex", tmp.path()).has_value());
    EXPECT_TRUE(InstanceLock::TryAcquire("../a/b\\c:d\xC3\xA9-1.0", tmp.path()).has_value())
        << "locks of other names are independent";
    EXPECT_THAT(Entries(tmp.path()),
                UnorderedElementsAre("POS_Vrtruty_Mutex.lock", ".._a_b_c_d__-1.0.lock"));

    std::optional<InstanceLock> moved = std::move(first);
    first.reset();
    EXPECT_FALSE(InstanceLock::TryAcquire("POS Vrtruty_Mutex", tmp.path()).has_value())
        << "a moved lock stays held";
    moved.reset();
    EXPECT_TRUE(InstanceLock::TryAcquire("POS Vrtruty_Mutex", tmp.path()).has_value());
    EXPECT_FALSE(InstanceLock::TryAcquire("POS Vrtruty_Mutex", tmp / "absent").has_value())
        << "no lock without its folder";
}

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
        {{OsPlatform::WindowsNt, 10, 0, 21999}, OsCheck::Identified, 7},
        {{OsPlatform::WindowsNt, 10, 0, 22000}, OsCheck::Identified, 8},
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

}  // namespace
}  // namespace vrtruty::platform
