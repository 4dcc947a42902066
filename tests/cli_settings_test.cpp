// The settings commands against the virtual printer: a round trip through the printer's memory,
// the setting list, the read errors of malformed replies, and the exact blocks of a dry run.
#include <gtest/gtest.h>

#include <signal.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli_harness.h"
#include "platform/clock.h"

namespace vrtruty {
namespace {

using test::CliAgainstPrinter;
using test::CliRun;

TEST_F(CliAgainstPrinter, SettingsSurviveASendAndARestartOfThePrinter) {
    const std::string state = (home / "printer.state").string();
    const std::string paper = (home / "paper").string();
    std::filesystem::create_directories(paper);
    std::string port = StartPrinter({"--model", "TR-770II", "--state", state, "--paper", paper});
    ASSERT_EQ(Run({"settings", "set", "Auto LF=Enable", "Cover Open Error=Recovery by CMND",
                   "Paper Width=58mm/32column", "Print Density=85%", "Max Speed=9",
                   "Tof at Auto Logo=4.5mm", "USB=V-COM", "Batch (COM IF)=Disable",
                   "Auto Logo Print=Disable"})
                  .status,
              0);
    const std::string edited = Run({"settings", "show"}).out;
    const CliRun sent = Run({"--port", port, "settings", "send"});
    ASSERT_EQ(sent.status, 0) << sent.err;

    printer.reset();  // the printer is switched off and on again
    port = StartPrinter({"--model", "TR-770II", "--state", state, "--paper", paper});
    ASSERT_EQ(Run({"settings", "revert"}).status, 0);
    EXPECT_NE(Run({"settings", "show"}).out, edited);
    const CliRun read = Run({"--port", port, "settings", "get"});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(Run({"settings", "show"}).out, edited);

    ASSERT_EQ(Run({"--port", port, "settings", "print-list"}).status, 0);
    // The printer says when the page is on paper; a slow printer may still be rendering it.
    std::optional<std::string> event;
    do {
        event = printer->ReadLine();
    } while (event && !event->starts_with("page "));
    ASSERT_TRUE(event.has_value()) << "the setting list was not printed";
    printer.reset();
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(paper) / "page-0001.png"));
}

// Runs the command line in real time: the printer restarts for about a second after a send, and
// the send must wait for it before the next command may talk to the printer. Slow (a send takes
// three seconds, a read nine), so only the sends that a read follows at once run this way.
class CliInRealTime : public CliAgainstPrinter {
  protected:
    CliRun RunInRealTime(std::vector<std::string> args) {
        args.insert(args.begin(), {"--home", home.path().string()});
        std::ostringstream out;
        std::ostringstream err;
        platform::RealClock clock;
        const int status = cli::RunCli(args, out, err, clock);
        return {status, out.str(), err.str()};
    }
};

TEST_F(CliInRealTime, SettingsCanBeReadBackRightAfterASend) {
    const std::string port = StartPrinter({"--model", "TR-770II"});
    ASSERT_EQ(Run({"settings", "set", "Max Speed=9"}).status, 0);
    const std::string sent = Run({"settings", "show"}).out;
    const CliRun send = RunInRealTime({"--port", port, "settings", "send"});
    ASSERT_EQ(send.status, 0) << send.err;
    ASSERT_EQ(Run({"settings", "revert"}).status, 0);
    const CliRun get = Run({"--port", port, "settings", "get"});  // a tenth of the time
    ASSERT_EQ(get.status, 0) << "the printer was still restarting: " << get.err;
    EXPECT_EQ(Run({"settings", "show"}).out, sent);
}

TEST_F(CliInRealTime, SendWithVerifyNamesEverySettingThePrinterDidNotTake) {
    // The printer reports a "Max Speed" of its own whatever it was sent.
    const std::string port = StartPrinter({"--model", "TR-770II", "--bad-reply", "cv6:value=3"});
    ASSERT_EQ(Run({"settings", "set", "Max Speed=9", "Auto LF=Enable"}).status, 0);
    const CliRun differing = RunInRealTime({"--port", port, "settings", "send", "--verify"});
    EXPECT_EQ(differing.status, 1);
    EXPECT_NE(differing.err.find("\"Max Speed\" was sent as \"9\", the printer has \"3\""),
              std::string::npos)
        << differing.err;
    EXPECT_EQ(differing.err.find("Auto LF"), std::string::npos) << "a setting taken is not named";
    EXPECT_NE(differing.err.find("1 setting(s) differ"), std::string::npos) << differing.err;
}

TEST_F(CliAgainstPrinter, MalformedRepliesGiveTheirReadErrorWords) {
    test::WriteBytes(home / "Vrtrutys.ini", test::Utf16Le(u"[LOGOUT]\r\nMODE=ON\r\n"));
    const std::pair<const char*, const char*> cases[] = {
        {"msw1:short", "Location of error:\tMemory Switch\nError type:\t\tData format error."},
        {"cv1:none", "Location of error:\tCustomize Value\nError type:\t\tNo data received."},
        {"cv5:value=7", "Location of error:\tCustomize Value\nError type:\t\tData error."},
        {"si4:value=7", "Location of error:\tCustomize Value\nError type:\t\tData error."},
    };
    for (const auto& [fault, message] : cases) {
        const std::string port = StartPrinter({"--model", "TR-770II", "--bad-reply", fault});
        const CliRun run = Run({"--port", port, "settings", "get"});
        EXPECT_NE(run.status, 0) << fault;
        EXPECT_NE(run.err.find(message), std::string::npos) << fault << ": " << run.err;
    }
}

TEST_F(CliAgainstPrinter, SettingsDryRunPrintsTheBlockOfEachModel) {
    // TR-770K: the buzzer pattern follows the eight values; no TR-770II or PFBM values.
    const std::string block = Run({"--model", "TR-770K", "--dry-run", "settings", "send"}).out;
    EXPECT_NE(block.find("1D 28 45 19 00 05 01 04 00"), std::string::npos) << block;
    EXPECT_NE(block.find("76 00 00 1D 28 45 07 00 05 7D 02 00 7E 03 00 1D 28 45"),
              std::string::npos)
        << block;
    EXPECT_EQ(block.find("7F 00 00"), std::string::npos) << block;

    const std::string serial =
        Run({"--dry-run", "settings", "send", "Format=7EVEN1", "Baudrate=115200BPS"}).out;
    EXPECT_NE(serial.find("1D 28 45 08 00 0B 01 31 31 35 32 30 30 1D 28 45 03 00 0B 02 32 "
                          "1D 28 45 03 00 0B 04 37"),
              std::string::npos)
        << "115200 baud, then parity before data length for 7 bits: " << serial;
    EXPECT_EQ(Run({"--dry-run", "settings", "print-list"}).out, "1B 40 1D 28 41 02 00 00 02\n");
}

TEST_F(CliAgainstPrinter, SerialParametersOfThePortAreTheOnesSent) {
    // The configured port is 9600 8N1 DSR; the command line asks for another.
    const CliRun run = Run({"--port", "com:/dev/null:19200:8E1:xon", "--dry-run", "settings",
                            "send", "Paper Width=58mm/32column"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("1D 28 45 07 00 0B 01 31 39 32 30 30 "              // 19200
                           "1D 28 45 03 00 0B 04 38 1D 28 45 03 00 0B 02 32 "  // 8 bits, even
                           "1D 28 45 03 00 0B 03 31"),                         // XON/XOFF
              std::string::npos)
        << run.out;
}

TEST_F(CliAgainstPrinter, AnotherModelStartsFromItsOwnFactoryValues) {
    // TR-770 and TR-770 (PFBM) store the same model name in the temporary settings.
    ASSERT_EQ(Run({"--model", "TR-770", "settings", "revert"}).status, 0);
    const std::string shown = Run({"--model", "TR-770 (PFBM)", "settings", "show"}).out;
    for (const char* line : {"Cutter Mode: Command(P/F) *\n", "BM Check at Power on: Enable *\n",
                             "BM Check with Cut: Enable *\n"}) {
        EXPECT_NE(shown.find(line), std::string::npos) << line << " in:\n" << shown;
    }

    // The configured model keeps the settings being edited from one command to the next.
    ASSERT_EQ(Run({"settings", "set", "Auto LF=Enable"}).status, 0);
    EXPECT_NE(Run({"--model", "TR-770II", "settings", "show"}).out.find("Auto LF: Enable\n"),
              std::string::npos);
}

TEST_F(CliAgainstPrinter, RowsTheModelDoesNotUseAreShownFixedAndRefused) {
    const std::string tr770 = Run({"--model", "TR-770", "settings", "show"}).out;
    EXPECT_NE(tr770.find("BM Sensor: Uninstall * (fixed)\n"), std::string::npos) << tr770;
    EXPECT_EQ(tr770.find("Grayscale Density"), std::string::npos) << tr770;
    const CliRun error = Run({"--model", "TR-770", "settings", "set", "Error=Auto Recovery"});
    EXPECT_NE(error.status, 0);
    EXPECT_NE(error.err.find("\"Error\" cannot be changed on this model"), std::string::npos)
        << error.err;

    // Where the printer is not sent "Font-B", it is not offered.
    test::WriteBytes(home / "Vrtrutys.ini", test::Utf16Le(u"[SPEC]\r\nSPECKEY=QLMX\r\n"));
    EXPECT_EQ(Run({"settings", "show"}).out.find("Font-B"), std::string::npos);
    EXPECT_NE(Run({"settings", "set", "Font-B=Mode2"}).status, 0);
}

}  // namespace
}  // namespace vrtruty
