// The command line against the virtual printer, over real TCP and a real pseudo-terminal.
#include <gtest/gtest.h>

#include "cli_harness.h"
#include "test_support.h"

namespace vrtruty {
namespace {

using test::CliAgainstPrinter;
using test::CliRun;

// The program itself, as a user runs it: check over the network.
TEST_F(CliAgainstPrinter, CheckOverTheNetworkNamesTheModel) {
    const std::string port = StartPrinter({"--model", "TR-770"});
    const std::string command = std::string(VRTRUTY_CLI_PATH) + " --home '" + home.path().string() +
                                "' --model TR-770 --port " + port + " check 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[512] = {};
    const std::size_t got = std::fread(buffer, 1, sizeof buffer - 1, pipe);
    const int status = ::pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 0) << std::string(buffer, got);
    EXPECT_EQ(std::string(buffer, got), "TR-770 answers on " + port.substr(4) + "\n");
}

TEST_F(CliAgainstPrinter, AnotherModelFailsWithTheConnectionMessage) {
    const std::string port = StartPrinter({"--model", "TR-770K"});
    const CliRun run = Run({"--model", "TR-770", "--port", port, "check"});
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.err,
              "An error occurred while communicating with the printer.\n\nTurn the printer's "
              "power off and back on again, verify that\nthe error indicator has turned off, "
              "and then execute again.\n");
}

TEST_F(CliAgainstPrinter, EachPrinterFaultIsReportedAsItselfWithItsRemedy) {
    test::WriteBytes(home / "Vrtrutys.ini", test::Utf16Le(u"[LOGOUT]\r\nMODE=ON\r\n"));
    struct Fault {
        const char* option;
        const char* logLine;
        const char* cause;
        const char* remedy;
    };
    const Fault faults[] = {
        {"--cover-open", "Receive Err(PRT_ERR_COVEROPEN)", "cover is open", "Close the cover"},
        {"--paper-end", "Receive Err(PRT_ERR_PAPEREMPTY)", "run out of paper", "Load a new paper"},
        {"--offline", "Receive Err(PRT_ERR_OFFLINE2)", "off line", "Check the printer"},
        {"--cutter-error", "Receive Err(PRT_ERR_CUTTERJAM)", "cutter is jammed",
         "remove the jammed"},
    };
    for (const Fault& fault : faults) {
        const std::string port = StartPrinter({"--model", "TR-770II", fault.option});
        const CliRun run = Run({"--port", port, "check"});
        EXPECT_NE(run.status, 0) << fault.option;
        EXPECT_NE(run.err.find(fault.cause), std::string::npos) << fault.option << ": " << run.err;
        EXPECT_NE(run.err.find(fault.remedy), std::string::npos) << fault.option << ": " << run.err;
        EXPECT_EQ(run.err.find("power\noff and on"), std::string::npos)
            << fault.option << " must not send the user to the power switch first";
        EXPECT_NE(Log().find(fault.logLine), std::string::npos) << fault.option;
        std::filesystem::remove(home / "_DEBUG.LOG");
    }
}

// Progress is for a person at a terminal: on the error stream only, never in what scripts read,
// and --quiet keeps it away.
TEST_F(CliAgainstPrinter, ProgressGoesToATerminalsErrorStreamOnly) {
    const std::string port = StartPrinter({"--model", "TR-770II"});
    const CliRun quietCheck = Run({"--port", port, "check"});
    const CliRun watched = Run({"--port", port, "check"}, true);
    ASSERT_EQ(watched.status, 0) << watched.err;
    EXPECT_EQ(watched.out, quietCheck.out);
    EXPECT_EQ(watched.err, "Checking that the TR-770II answers on " + port.substr(4) + "...\n");
    EXPECT_EQ(quietCheck.err, "") << "not a terminal: nothing";

    const std::string job = (home / "job.bin").string();
    test::WriteBytes(job, std::vector<std::uint8_t>(5000, 0));
    const CliRun sent = Run({"--port", port, "send-file", job}, true);
    ASSERT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.out, "");
    EXPECT_EQ(sent.err.substr(0, sent.err.find('\n') + 1), "Sending " + job + "...\n");
    EXPECT_NE(sent.err.find("\r\x1b[K20 % ("), std::string::npos)
        << "a line for every piece of at most 1024 bytes: " << sent.err;
    EXPECT_TRUE(sent.err.ends_with("\r\x1b[K100 % (5000 of 5000 bytes)\n")) << sent.err;

    EXPECT_EQ(Run({"--quiet", "--port", port, "send-file", job}, true).err, "");
    EXPECT_EQ(Run({"--port", port, "settings", "get"}, true).err,
              "Reading the settings from the printer...\n");
}

TEST_F(CliAgainstPrinter, CheckOverAPseudoTerminal) {
    const auto link = (home / "ttyVRT").string();
    printer = std::make_unique<test::PrinterProcess>(
        std::vector<std::string>{"--model", "TR-770II", "--pty", link});
    const auto line = printer->ReadLine();
    ASSERT_TRUE(line && (line->starts_with("PORT") || line->starts_with("PTY")))
        << "the virtual printer did not start";
    const CliRun run = Run({"--port", "com:" + link + ":115200:8N1:dsr", "check"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "TR-770II answers on " + link + "\n");
}

TEST_F(CliAgainstPrinter, DryRunPrintsTheJobsWithoutAPort) {
    EXPECT_EQ(Run({"--dry-run", "test", "drawer2"}).out, "1B 70 31 50 50\n");
    EXPECT_EQ(Run({"--dry-run", "defaults", "--code-page", "pc858", "--charset", "Japan", "--font",
                   "Font B"})
                  .out,
              "1D 28 4D 02 00 02 01 1B 74 13 1B 52 08 1B 4D 01 1C 28 41 02 00 30 01 "
              "1D 28 4D 02 00 01 01 1D 28 4D 02 00 03 01\n");
    test::WriteBytes(home / "Vrtrutys.ini", test::Utf16Le(u"[ERRAUTO]\r\nMODE=ON\r\n"));
    EXPECT_EQ(Run({"--dry-run", "test", "cutter"}).out, "1D 65 75 45 00 0A 0A 0A 0A 0A 0A 1B 6D\n");
}

TEST_F(CliAgainstPrinter, SendFileErrorsNameTheFileAndTheReason) {
    const std::string missing = (home / "missing.bin").string();
    const CliRun run = Run({"--dry-run", "send-file", missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Reading the sending file failed.\n\nCan not read the sending file.\n" +
                           missing + ": No such file or directory\n");
    const CliRun folder = Run({"--dry-run", "send-file", home.path().string()});
    EXPECT_NE(folder.err.find(home.path().string() + ": Is a directory\n"), std::string::npos)
        << folder.err;
}

// What did not open is named with the system's reason, after the message of the window.
TEST_F(CliAgainstPrinter, PortsThatDoNotOpenAreNamedWithTheSystemsReason) {
    const struct {
        const char* port;
        const char* said;
    } cases[] = {
        // Port 1 on loopback: nothing listens there.
        {"lan:127.0.0.1:1", "127.0.0.1:1: Connection refused\n"},
        {"usb:/dev/usb/vrtruty-no-lp9", "/dev/usb/vrtruty-no-lp9: No such file or directory\n"},
        {"com:/dev/vrtruty-no-ttyUSB9", "/dev/vrtruty-no-ttyUSB9: No such file or directory\n"},
        {"lpt:/dev/vrtruty-no-lp9", "/dev/vrtruty-no-lp9: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = Run({"--port", c.port, "check"});
        EXPECT_EQ(run.status, 1) << c.port;
        EXPECT_NE(run.err.find("Could not verify connection with the printer."), std::string::npos)
            << c.port << ": " << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << c.port << ": " << run.err;
    }
}

}  // namespace
}  // namespace vrtruty
