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

TEST_F(CliAgainstPrinter, EachPrinterFaultIsReportedAsItself) {
    test::WriteBytes(home / "Vrtrutys.ini", test::Utf16Le(u"[LOGOUT]\r\nMODE=ON\r\n"));
    const std::pair<const char*, const char*> faults[] = {
        {"--cover-open", "Receive Err(PRT_ERR_COVEROPEN)"},
        {"--paper-end", "Receive Err(PRT_ERR_PAPEREMPTY)"},
        {"--offline", "Receive Err(PRT_ERR_OFFLINE2)"},
        {"--cutter-error", "Receive Err(PRT_ERR_CUTTERJAM)"},
    };
    for (const auto& [fault, logLine] : faults) {
        const std::string port = StartPrinter({"--model", "TR-770II", fault});
        const CliRun run = Run({"--port", port, "check"});
        EXPECT_NE(run.status, 0) << fault;
        EXPECT_NE(run.err.find("An error occurred on the printer."), std::string::npos) << fault;
        EXPECT_NE(Log().find(logLine), std::string::npos) << fault;
        std::filesystem::remove(home / "_DEBUG.LOG");
    }
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
    const CliRun bad = Run({"defaults", "--font", "Font Z"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Font A, Font B, Font C"), std::string::npos);
}

TEST_F(CliAgainstPrinter, SendFileErrorsShowTheReadingMessage) {
    const CliRun run = Run({"--dry-run", "send-file", (home / "missing.bin").string()});
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.err, "Reading the sending file failed.\n\nCan not read the sending file.\n");
}

}  // namespace
}  // namespace vrtruty
