// The command-line program run as a user runs it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "test_support.h"

namespace vrtruty {
namespace {

struct RunResult {
    int status = -1;
    std::string output;  // standard output and standard error together
};

RunResult RunCli(const std::string& arguments) {
    const std::string command = std::string("'") + VRTRUTY_CLI_PATH + "' " + arguments + " 2>&1";
    RunResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.output.append(buffer.data(), n);
    }
    const int raw = ::pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

TEST(CliInfo, FreshHomeGetsItsConfigurationOnceAndTheInfoShowsIt) {
    test::TempFolder home;
    const std::string homeArg = "--home '" + (home / "new").string() + "' info";
    const RunResult first = RunCli(homeArg);
    ASSERT_EQ(first.status, 0) << first.output;

    const auto bytes = test::ReadBytes(home / "new" / "Vrtrutys.ini");
    EXPECT_EQ(test::FromUtf16Le(bytes).substr(0, 23), u"[SPEC]\r\nSPECKEY=JAPAN\r\n");

    const RunResult second = RunCli(homeArg);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(test::ReadBytes(home / "new" / "Vrtrutys.ini"), bytes)
        << "a second run writes nothing";
    EXPECT_EQ(second.output, first.output);

    for (const char* line :
         {"TR Thermal Printer Utility\n", "         Version 2.13.01\n",
          "Model:              TR-770II (row 0, ModelId 17)\n",
          "Region:             JAPAN (index 0)\n", "Port kind:          PORT_NONE (5)\n",
          "STATUSCHECK   = ON\n", "LOGOUT        = OFF\n", "bBusyCond     = TRUE\n",
          "FULLCUT_Mode  = FULLCUT_CUSTOMIZE_OFF\n"}) {
        EXPECT_NE(first.output.find(line), std::string::npos) << "missing: " << line;
    }
}

TEST(CliInfo, ShowsTheConfiguredPortAndSwitches) {
    test::TempFolder home;
    test::WriteBytes(home / "Vrtrutys.ini",
                     test::Utf16Le(u"[PORT]\r\nPORTNAME=LAN\r\n[LANPORT]\r\nLAN_NO=10.0.0.9\r\n"
                                   u"[IPADDRESSLIST]\r\nCNT=1\r\nUSED_DLLMD001=0\r\n"
                                   u"IP_ADDRESS001=10.0.0.9\r\nMACADDRESS001=m\r\n"
                                   u"[ERRAUTO]\r\nMODE=ON\r\n[SPEC]\r\nSPECKEY=XRV\r\n"));
    const RunResult run = RunCli("--home '" + home.path().string() + "' info");
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* line : {"Port kind:          PORT_LAN (4)\n", "Port name:          10.0.0.9\n",
                             "ERRAUTO       = ON\n", "Region:             XRV (index 4)\n",
                             "bFontTypeFace = TRUE\n", "bFontb        = FALSE\n"}) {
        EXPECT_NE(run.output.find(line), std::string::npos) << "missing: " << line;
    }
}

TEST(CliUsage, VersionHelpAndMistakes) {
    test::TempFolder home;
    const std::string homeArg = "--home '" + home.path().string() + "'";
    const RunResult version = RunCli(homeArg + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.output.find("         Version 2.13.01\n"), std::string::npos);

    const RunResult help = RunCli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Usage: vrtruty-cli"), std::string::npos);

    const RunResult unknown = RunCli(homeArg + " frobnicate");
    EXPECT_NE(unknown.status, 0);
    EXPECT_NE(unknown.output.find("unknown command frobnicate"), std::string::npos);

    EXPECT_NE(RunCli("--home").status, 0);
    EXPECT_NE(RunCli(homeArg).status, 0) << "no command";
}

}  // namespace
}  // namespace vrtruty
