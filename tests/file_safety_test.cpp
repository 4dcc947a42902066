// The user's files under careless or unlucky use: whatever stands where a file, a device or a
// setting file is expected, nothing is written into it, nothing waits for ever, and two copies
// changing the home folder's files at once never lose a change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_app.h"
#include "cli_harness.h"
#include "core/home_lock.h"
#include "core/profile_file.h"
#include "platform/device_channel.h"
#include "platform/fake_clock.h"
#include "platform/files.h"
#include "test_support.h"

namespace vrtruty {
namespace {

namespace fs = std::filesystem;
using platform::FileError;
using test::Bytes;
using test::CliRun;
using test::ReadBytes;
using test::WriteBytes;
using ::testing::HasSubstr;

// The kinds of things that may stand under a name the user gives.
enum class Kind { Regular, Fifo, Folder, LinkToFifo, Missing };

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Regular:
            return "regular file";
        case Kind::Fifo:
            return "FIFO";
        case Kind::Folder:
            return "folder";
        case Kind::LinkToFifo:
            return "link to a FIFO";
        case Kind::Missing:
            return "nothing";
    }
    return "?";
}

void Make(const fs::path& path, Kind kind, const std::vector<std::uint8_t>& content = {}) {
    switch (kind) {
        case Kind::Regular:
            WriteBytes(path, content);
            break;
        case Kind::Fifo:
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
            break;
        case Kind::Folder:
            fs::create_directory(path);
            break;
        case Kind::LinkToFifo:
            ASSERT_EQ(::mkfifo((path.string() + ".fifo").c_str(), 0600), 0);
            fs::create_symlink(path.filename().string() + ".fifo", path);
            break;
        case Kind::Missing:
            break;
    }
}

CliRun RunCli(const fs::path& home, std::vector<std::string> args, platform::Clock& clock) {
    args.insert(args.begin(), {"--home", home.string()});
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::RunCli(args, out, err, clock);
    return {status, out.str(), err.str()};
}

// A scratch folder with a home folder in it, and the command line run on that home.
class FileSafetyTest : public ::testing::Test {
  protected:
    CliRun Run(std::vector<std::string> args) { return RunCli(home, std::move(args), clock); }

    const test::TempFolder tmp;
    const fs::path home = tmp / "home";
    platform::FakeClock clock;
};

TEST_F(FileSafetyTest, ReadRegularFileReadsOnlyRegularFilesUpToTheCapWithoutWaiting) {
    WriteBytes(tmp / "big", std::vector<std::uint8_t>(101, 'b'));
    WriteBytes(tmp / "fits", std::vector<std::uint8_t>(100, 'f'));
    const struct {
        Kind kind;
        fs::path path;
        std::error_code error;
    } cases[] = {
        {Kind::Fifo, tmp / "fifo", FileError::NotRegularFile},
        {Kind::Folder, tmp / "folder", FileError::NotRegularFile},
        {Kind::LinkToFifo, tmp / "link", FileError::NotRegularFile},
        {Kind::Missing, tmp / "missing",
         std::make_error_code(std::errc::no_such_file_or_directory)},
    };
    for (const auto& c : cases) {
        Make(c.path, c.kind);
        const platform::FileContent read = platform::ReadRegularFile(c.path, 100);
        EXPECT_EQ(read.error, c.error) << KindName(c.kind) << ": " << read.error.message();
        EXPECT_TRUE(read.bytes.empty());
    }
    EXPECT_EQ(platform::ReadRegularFile("/dev/zero", 100).error, FileError::NotRegularFile)
        << "an endless device is never read";
    EXPECT_EQ(platform::ReadRegularFile(tmp / "big", 100).error, FileError::TooLarge);
    EXPECT_EQ(platform::ReadRegularFile(tmp / "fits", 100).bytes.size(), 100u);
    EXPECT_EQ(platform::make_error_code(FileError::TooLarge).message(), "file too large");
}

TEST_F(FileSafetyTest, ReplaceFileAtomicallyFollowsLinksAndRefusesWhatIsNoRegularFile) {
    WriteBytes(tmp / "real.qvr", Bytes("old"));
    fs::create_directory(tmp / "sub");
    fs::create_symlink("../real.qvr", tmp / "sub" / "link.qvr");
    EXPECT_EQ(platform::ReplaceFileAtomically(tmp / "sub" / "link.qvr", Bytes("new")),
              std::error_code());
    EXPECT_TRUE(fs::is_symlink(tmp / "sub" / "link.qvr")) << "the link stays a link";
    EXPECT_EQ(ReadBytes(tmp / "real.qvr"), Bytes("new")) << "the file it points to is replaced";

    for (const Kind kind : {Kind::Fifo, Kind::LinkToFifo}) {
        const fs::path target = tmp / (std::string("target-") + std::to_string(int(kind)));
        Make(target, kind);
        EXPECT_EQ(platform::ReplaceFileAtomically(target, Bytes("x")), FileError::NotRegularFile)
            << KindName(kind);
        EXPECT_TRUE(fs::is_fifo(target)) << KindName(kind) << " was replaced";
    }
    EXPECT_THAT(
        test::Entries(tmp.path()),
        ::testing::UnorderedElementsAre("real.qvr", "sub", "target-1", "target-3", "target-3.fifo"))
        << "no temporary file is left behind";
}

TEST_F(FileSafetyTest, AProcessKilledWhileReplacingAFileLeavesNoTemporaryBehind) {
    const std::vector<std::uint8_t> content(4 * 1024 * 1024, 'c');
    for (int round = 0; round < 5; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                platform::ReplaceFileAtomically(tmp / "Vrtrutys.dat", content);
            }
        }
        ::usleep(static_cast<useconds_t>(20'000 + round * 7'000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const auto entries = test::Entries(tmp.path());
        EXPECT_LE(entries.size(), 1u)
            << "round " << round << ": " << ::testing::PrintToString(entries);
    }
}

TEST_F(FileSafetyTest, UsbAndParallelPortsOpenOnlyCharacterDevices) {
    for (const Kind kind : {Kind::Regular, Kind::Fifo, Kind::LinkToFifo}) {
        for (const bool usb : {true, false}) {
            const fs::path device = tmp / (std::string(usb ? "usb-" : "lpt-") + KindName(kind));
            Make(device, kind, Bytes("notes"));
            std::error_code error;
            const auto channel = usb ? platform::OpenUsbPrinterDevice(device, error)
                                     : platform::OpenParallelDevice(device, error);
            EXPECT_EQ(channel, nullptr) << KindName(kind);
            EXPECT_EQ(error, FileError::NotCharacterDevice) << KindName(kind);
        }
    }

    // The command line names the file and the reason, and writes nothing into it.
    const fs::path notes = tmp / "notes.txt";
    WriteBytes(notes, Bytes("my notes\n"));
    for (const char* kind : {"usb:", "lpt:"}) {
        const CliRun run = Run({"--port", kind + notes.string(), "check"});
        EXPECT_NE(run.status, 0) << kind;
        EXPECT_THAT(run.err, HasSubstr(notes.string() + ": not a character device")) << kind;
    }
    EXPECT_EQ(ReadBytes(notes), Bytes("my notes\n"));
}

TEST_F(FileSafetyTest, SettingFilesTheUserNamesAreNeverWrittenByImportOrSend) {
    ASSERT_EQ(Run({"settings", "set", "Max Speed=8"}).status, 0);
    const auto temporary = ReadBytes(home / "Vrtrutys.dat");
    ASSERT_EQ(temporary.size(), 59u);
    std::vector<std::uint8_t> outOfRange = temporary;
    outOfRange[16 + 65 - 49] = 11;  // "Max Speed" beyond the TR-770II's highest choice, 10

    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* reason;
    } files[] = {
        {"notes.txt", Bytes("shopping list\n"), "not a setting file: it holds 14 bytes"},
        {"speed.qvr", outOfRange, "value out of range: \"Max Speed\""},
    };
    for (const auto& file : files) {
        const fs::path path = tmp / file.name;
        WriteBytes(path, file.bytes);
        const std::vector<std::vector<std::string>> commands = {
            {"settings", "import", path.string()},
            {"--dry-run", "settings", "send", "--file", path.string()},
        };
        for (const auto& command : commands) {
            const CliRun run = Run(command);
            EXPECT_NE(run.status, 0) << command[1] << " " << file.name;
            EXPECT_THAT(run.err, HasSubstr("Unable to read settings file.")) << file.name;
            EXPECT_THAT(run.err, HasSubstr(path.string() + ": " + file.reason)) << run.err;
            EXPECT_EQ(run.out, "") << "nothing is sent";
            EXPECT_EQ(ReadBytes(path), file.bytes) << file.name << " was written to";
            EXPECT_EQ(ReadBytes(home / "Vrtrutys.dat"), temporary);
        }
    }
}

TEST_F(FileSafetyTest, ExportReplacesOnlyRegularFilesAndWritesThroughLinks) {
    Make(tmp / "fifo.qvr", Kind::Fifo);
    Make(tmp / "link.qvr", Kind::LinkToFifo);
    for (const char* name : {"fifo.qvr", "link.qvr"}) {
        const CliRun run = Run({"settings", "export", (tmp / name).string(), "--force"});
        EXPECT_NE(run.status, 0) << name;
        EXPECT_THAT(run.err, HasSubstr((tmp / name).string() + ": not a regular file")) << name;
        EXPECT_TRUE(fs::is_fifo(tmp / name)) << name << " was replaced";
    }

    WriteBytes(tmp / "kept.qvr", Bytes("old"));
    fs::create_symlink("kept.qvr", tmp / "shortcut.qvr");
    EXPECT_EQ(Run({"settings", "export", (tmp / "shortcut.qvr").string(), "--force"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(tmp / "shortcut.qvr"));
    EXPECT_EQ(ReadBytes(tmp / "kept.qvr").size(), 59u);
}

TEST_F(FileSafetyTest, FailedWritesKeepTheirMessageAndAddTheFileAndTheSystemsReason) {
    const fs::path missing = tmp / "no" / "such.qvr";
    const CliRun exported = Run({"settings", "export", missing.string()});
    EXPECT_NE(exported.status, 0);
    EXPECT_THAT(exported.err, HasSubstr("The existing settings file is read-only."));
    EXPECT_THAT(exported.err, HasSubstr(missing.string() + ": No such file or directory"));

    fs::create_directory(home / "Vrtrutys.dat");  // the temporary settings cannot be written
    const CliRun set = Run({"settings", "set", "Max Speed=8"});
    EXPECT_NE(set.status, 0);
    EXPECT_THAT(set.err, HasSubstr("Error opening temporary settings file."));
    EXPECT_THAT(set.err, HasSubstr((home / "Vrtrutys.dat").string() + ": not a regular file"));
}

TEST_F(FileSafetyTest, ASecondWriterWaitsForTheHomeLockThenFailsWithoutChangingAnything) {
    ASSERT_EQ(Run({"settings", "set", "Max Speed=8"}).status, 0);
    const auto before = ReadBytes(home / "Vrtrutys.dat");

    {
        const app::HomeLock held = app::LockHomeFolder(home, clock);
        ASSERT_TRUE(held.lock.has_value()) << held.error;
        const auto waitedBefore = clock.totalWaited();
        const CliRun blocked = Run({"settings", "set", "Max Speed=7"});
        EXPECT_EQ(blocked.status, 1);
        EXPECT_THAT(blocked.err, HasSubstr("another copy of the utility is changing the files"));
        EXPECT_EQ(clock.totalWaited() - waitedBefore, app::kHomeLockPatience)
            << "waits through the clock, then gives up";
        EXPECT_EQ(ReadBytes(home / "Vrtrutys.dat"), before);
        EXPECT_EQ(Run({"settings", "show"}).status, 0) << "reading needs no lock";
    }
    EXPECT_EQ(Run({"settings", "set", "Max Speed=7"}).status, 0);
    EXPECT_NE(ReadBytes(home / "Vrtrutys.dat"), before);
}

TEST_F(FileSafetyTest, BitmapsAndLogoListsInAFifosPlaceAreRefusedWithoutWaiting) {
    Make(tmp / "logo.bmp", Kind::Fifo);
    Make(tmp / "list.qlr", Kind::Fifo);
    const CliRun size = Run({"logo", "size", (tmp / "logo.bmp").string()});
    EXPECT_NE(size.status, 0);
    EXPECT_FALSE(app::ProfileFile::Load(tmp / "list.qlr").exists());
}

TEST_F(FileSafetyTest, OversizedOrSpecialProfilesAreNeitherReadNorReplaced) {
    std::vector<std::uint8_t> huge(app::ProfileFile::kMaxFileSize + 1, '\n');
    WriteBytes(tmp / "huge.ini", huge);
    const app::ProfileFile tooLarge = app::ProfileFile::Load(tmp / "huge.ini");
    EXPECT_FALSE(tooLarge.exists());
    EXPECT_EQ(tooLarge.loadError(), FileError::TooLarge);
    EXPECT_FALSE(tooLarge.missingOrLoaded());
    EXPECT_TRUE(app::ProfileFile::Load(tmp / "absent.ini").missingOrLoaded());

    // A configuration the utility cannot read is never saved over, and start-up does not hang on
    // a FIFO in its place.
    for (const Kind kind : {Kind::Regular, Kind::Fifo}) {
        const fs::path otherHome = tmp / KindName(kind);
        fs::create_directory(otherHome);
        Make(otherHome / "Vrtrutys.ini", kind, huge);
        const CliRun info = RunCli(otherHome, {"info"}, clock);
        EXPECT_EQ(info.status, 0) << KindName(kind);
        EXPECT_THAT(info.err,
                    HasSubstr((otherHome / "Vrtrutys.ini").string() + ": " +
                              (kind == Kind::Fifo ? "not a regular file" : "file too large")));
        EXPECT_EQ(fs::status(otherHome / "Vrtrutys.ini").type(),
                  kind == Kind::Fifo ? fs::file_type::fifo : fs::file_type::regular);
        if (kind == Kind::Regular) {
            EXPECT_EQ(fs::file_size(otherHome / "Vrtrutys.ini"), huge.size());
        }
    }
}

}  // namespace
}  // namespace vrtruty
