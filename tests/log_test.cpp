#include "app/log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace vrtruty::app {
namespace {

namespace fs = std::filesystem;

// Always reports the same time of day; the log reads nothing else from the clock.
class StubClock final : public platform::Clock {
  public:
    explicit StubClock(platform::LocalTime time) : time_(time) {}
    std::chrono::milliseconds now() const override { return std::chrono::milliseconds{0}; }
    void sleepFor(std::chrono::milliseconds) override {}
    platform::LocalTime localTime() const override { return time_; }

  private:
    platform::LocalTime time_;
};

class LogFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("vrtruty-") + info->test_suite_name() + "-" + info->name();
        std::replace(name.begin(), name.end(), '/', '_');
        folder_ = fs::temp_directory_path() / (name + "-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
        logFile_ = folder_ / std::string(kLogFileName);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::string ReadLogFile() const {
        std::ifstream in(logFile_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    StubClock clock_{platform::LocalTime{9, 5, 7, 4}};
    fs::path folder_;
    fs::path logFile_;
};

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

const std::string kRule(47, '*');

TEST(LogFormatTest, StampWithColonBeforeMillisecondsOnlyOnTheFirstLine) {
    EXPECT_EQ(FormatLogEntry({9, 5, 7, 4}, "SpecSet Start"), "[09:05:07:004] SpecSet Start\n");
    EXPECT_EQ(FormatLogEntry({23, 59, 59, 999}, "first\nsecond"), "[23:59:59:999] first\nsecond\n");
}

TEST_F(LogFileTest, EntriesAreAppendedWithCrLfLineEnds) {
    Logger log(logFile_, clock_, true);
    ASSERT_TRUE(log.enabled());
    log.WriteLog("first");
    log.WriteLog("line one\nline two");
    log.WriteLog("row\rend\r\n");

    EXPECT_EQ(ReadLogFile(),
              "[09:05:07:004] first\r\n"
              "[09:05:07:004] line one\r\nline two\r\n"
              "[09:05:07:004] row\rend\r\r\n\r\n");
}

TEST_F(LogFileTest, ExistingLogIsNeverTruncated) {
    {
        std::ofstream earlier(logFile_, std::ios::binary);
        earlier << "earlier run\r\n";
    }
    Logger log(logFile_, clock_, true);
    log.WriteLog("Program END");
    EXPECT_EQ(ReadLogFile(), "earlier run\r\n[09:05:07:004] Program END\r\n");
}

TEST_F(LogFileTest, BracketingHelpersWriteOneEntryPerLine) {
    Logger log(logFile_, clock_, true);
    log.Start("CheckPrinter");
    log.End("CheckPrinter");
    log.Failure("CreateMutex ERROR");

    EXPECT_EQ(ReadLogFile(),
              "[09:05:07:004] >>>>>>>>>>>>>>>>>\r\n"
              "[09:05:07:004] CheckPrinter Start\r\n"
              "[09:05:07:004] CheckPrinter End\r\n"
              "[09:05:07:004] <<<<<<<<<<<<<<<<<\r\n"
              "[09:05:07:004] >>>>>>>>>>>>>>>>>\r\n"
              "[09:05:07:004] CreateMutex ERROR\r\n"
              "[09:05:07:004] <<<<<<<<<<<<<<<<<\r\n");
}

TEST_F(LogFileTest, SwitchedOffLogCreatesNoFile) {
    Logger off(logFile_, clock_, false);
    EXPECT_FALSE(off.enabled());
    off.WriteLog("anything");
    off.Start("SpecSet");
    off.End("SpecSet");
    off.Failure("CreateMutex ERROR");
    const auto bytes = Bytes("\x37\x22");
    off.ReceivedData(bytes);
    EXPECT_FALSE(fs::exists(logFile_));

    Logger defaulted;
    EXPECT_FALSE(defaulted.enabled());
    defaulted.WriteLog("anything");
    EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(LogFileTest, UnwritableLogDropsTheEntrySilently) {
    const fs::path unreachable = folder_ / "missing-folder" / std::string(kLogFileName);
    Logger log(unreachable, clock_, true);
    log.WriteLog("dropped");
    EXPECT_FALSE(fs::exists(unreachable.parent_path()));
}

TEST_F(LogFileTest, ReceivedDataWritesSuccessEntryThenDumpAsOneEntry) {
    Logger log(logFile_, clock_, true);
    const auto bytes = Bytes(std::string_view("\x37\x00", 2));
    log.ReceivedData(bytes);

    // The dump's own LFs become CR LF in the file; only its first line carries a time stamp.
    EXPECT_EQ(ReadLogFile(),
              "[09:05:07:004] PrinterReceiveData Success\r\n"
              "[09:05:07:004] ReceiveData = 2 Byte\r\n" +
                  kRule + "\r\n" + "37,00" + std::string(42, ' ') + "     7.\r\n" + kRule + "\r\n");
}

TEST(ReceivedDataDumpTest, SixteenBytesMakeOneRowWithoutTrailingCommaEndingInCr) {
    const auto bytes = Bytes("ABCDEFGHIJKLMNOP");
    EXPECT_EQ(FormatReceivedDataDump(bytes),
              "ReceiveData = 16 Byte\n" + kRule +
                  "\n"
                  "41,42,43,44,45,46,47,48,49,4a,4b,4c,4d,4e,4f,50     ABCDEFGHIJKLMNOP\r"
                  "\n" +
                  kRule);
}

TEST(ReceivedDataDumpTest, SeventeenthByteStartsSecondRowPaddedWith45Blanks) {
    const auto bytes = Bytes("ABCDEFGHIJKLMNOP\n");
    EXPECT_EQ(FormatReceivedDataDump(bytes),
              "ReceiveData = 17 Byte\n" + kRule +
                  "\n"
                  "41,42,43,44,45,46,47,48,49,4a,4b,4c,4d,4e,4f,50     ABCDEFGHIJKLMNOP\r"
                  "0a" +
                  std::string(45, ' ') + "     ." + "\n" + kRule);
}

TEST(ReceivedDataDumpTest, ControlBytesShowAsFullStopsAndShortRowLinesUpWithFullRows) {
    // 0x20 is the first byte shown as itself; 0x0A and 0x1F are shown as '.'.
    const auto bytes = Bytes("\x1f\x0a\x20\x7e");
    const std::string dump = FormatReceivedDataDump(bytes);
    const std::string row = "1f,0a,20,7e" + std::string(36, ' ') + "     .. ~";
    EXPECT_EQ(dump, "ReceiveData = 4 Byte\n" + kRule + "\n" + row + "\n" + kRule);
    EXPECT_EQ(row.find("     .."), 47u) << "character column must start where a full row's does";
}

TEST(ReceivedDataDumpTest, EmptyBlockGivesHeaderAndRulesOnly) {
    EXPECT_EQ(FormatReceivedDataDump({}), "ReceiveData = 0 Byte\n" + kRule + "\n\n" + kRule);
}

TEST(ReceivedDataDumpTest, LongBlockIsDumpedWhole) {
    // Far beyond what a 10,240-byte dump buffer could hold.
    const std::vector<std::uint8_t> bytes(4000, 0x41);
    const std::string dump = FormatReceivedDataDump(bytes);
    EXPECT_EQ(dump.rfind("ReceiveData = 4000 Byte\n", 0), 0u);
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\r'), 250);
    const std::size_t fullRow = 47 + 5 + 16 + 1;
    EXPECT_EQ(dump.size(), 24 + 48 + 250 * fullRow + 1 + 47);
    EXPECT_EQ(dump.substr(dump.size() - 48), "\n" + kRule);
}

}  // namespace
}  // namespace vrtruty::app
