#include "core/log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fake_clock.h"
#include "test_support.h"

namespace vrtruty::app {
namespace {

namespace fs = std::filesystem;

const std::string kRule(47, '*');

class LogFileTest : public ::testing::Test {
  protected:
    LogFileTest() { clock.setLocalTime({9, 5, 7, 4}); }

    std::string LogText() const {
        const auto bytes = test::ReadBytes(file);
        return {bytes.begin(), bytes.end()};
    }

    test::TempFolder tmp;
    fs::path file = tmp / kLogFileName;
    platform::FakeClock clock;
};

TEST_F(LogFileTest, EntriesAreAppendedToAnEarlierLogWithCrLfLineEnds) {
    test::WriteBytes(file, test::Bytes("earlier run\r\n"));
    Logger log(file, clock, true);
    log.WriteLog("line one\nline two");
    log.WriteLog("row\rend\r\n");
    log.Start("CheckPrinter");
    log.End("CheckPrinter");
    log.Failure("CreateMutex ERROR");

    EXPECT_EQ(LogText(),
              "earlier run\r\n"
              "[09:05:07:004] line one\r\nline two\r\n"
              "[09:05:07:004] row\rend\r\r\n\r\n"
              "[09:05:07:004] >>>>>>>>>>>>>>>>>\r\n"
              "[09:05:07:004] CheckPrinter Start\r\n"
              "[09:05:07:004] CheckPrinter End\r\n"
              "[09:05:07:004] <<<<<<<<<<<<<<<<<\r\n"
              "[09:05:07:004] >>>>>>>>>>>>>>>>>\r\n"
              "[09:05:07:004] CreateMutex ERROR\r\n"
              "[09:05:07:004] <<<<<<<<<<<<<<<<<\r\n");
}

TEST_F(LogFileTest, SwitchedOffOrUnwritableLogCreatesNothing) {
    Logger off(file, clock, false);
    off.WriteLog("anything");
    off.Start("SpecSet");
    off.End("SpecSet");
    off.Failure("CreateMutex ERROR");
    off.ReceivedData(test::Bytes("\x37\x22"));
    Logger().WriteLog("anything");  // no file and no clock: must touch neither
    Logger(tmp / "missing-folder" / kLogFileName, clock, true).WriteLog("dropped silently");
    EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST_F(LogFileTest, ReceivedDataWritesSuccessEntryThenDumpAsOneEntry) {
    Logger log(file, clock, true);
    log.ReceivedData(test::Bytes(std::string_view("\x37\x00", 2)));

    // The dump's own LFs become CR LF in the file; only its first line carries a time stamp.
    EXPECT_EQ(LogText(),
              "[09:05:07:004] PrinterReceiveData Success\r\n"
              "[09:05:07:004] ReceiveData = 2 Byte\r\n" +
                  kRule + "\r\n37,00" + std::string(42, ' ') + "     7.\r\n" + kRule + "\r\n");
}

TEST(ReceivedDataDumpTest, RowsOf16BytesEndInCrAndShowControlBytesAsFullStops) {
    const std::string full =
        "41,42,43,44,45,46,47,48,49,4a,4b,4c,4d,4e,4f,50     ABCDEFGHIJKLMNOP\r";
    const std::pair<std::string_view, std::string> cases[] = {
        {"", "ReceiveData = 0 Byte\n" + kRule + "\n\n" + kRule},
        {"ABCDEFGHIJKLMNOP", "ReceiveData = 16 Byte\n" + kRule + "\n" + full + "\n" + kRule},
        // The 17th byte starts a second row, padded with 45 blanks to line up with a full one.
        {"ABCDEFGHIJKLMNOP\n", "ReceiveData = 17 Byte\n" + kRule + "\n" + full + "0a" +
                                   std::string(45, ' ') + "     .\n" + kRule},
        // 0x1F is the last byte shown as '.', 0x20 the first shown as itself.
        {"\x1f\x0a\x20\x7e", "ReceiveData = 4 Byte\n" + kRule + "\n1f,0a,20,7e" +
                                 std::string(36, ' ') + "     .. ~\n" + kRule},
    };
    for (const auto& [bytes, dump] : cases) {
        EXPECT_EQ(FormatReceivedDataDump(test::Bytes(bytes)), dump) << bytes.size() << " bytes";
    }
}

TEST(ReceivedDataDumpTest, LongBlockIsDumpedWhole) {
    // Far beyond what a 10,240-byte dump buffer could hold.
    const std::string dump = FormatReceivedDataDump(std::vector<std::uint8_t>(4000, 0x41));
    EXPECT_EQ(dump.rfind("ReceiveData = 4000 Byte\n", 0), 0u);
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\r'), 250);
    const std::size_t fullRow = 47 + 5 + 16 + 1;
    EXPECT_EQ(dump.size(), 24 + 48 + 250 * fullRow + 1 + 47);
    EXPECT_EQ(dump.substr(dump.size() - 48), "\n" + kRule);
}

}  // namespace
}  // namespace vrtruty::app
