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

// What the shell command writes to its standard output, and its exit status.
RunResult Shell(const std::string& command) {
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

RunResult RunCli(const std::string& arguments) {
    return Shell(std::string("'") + VRTRUTY_CLI_PATH + "' " + arguments + " 2>&1");
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
         {"TR Thermal Printer Utility\n", "Version 2.13.01\n", "Model:              TR-770II\n",
          "Region:             JAPAN\n", "Connection:         none\n",
          "  Status check before each job: on\n", "  Diagnostic log (_DEBUG.LOG): off\n",
          "  Full cut setting: fixed by the model\n"}) {
        EXPECT_NE(first.output.find(line), std::string::npos) << "missing: " << line;
    }
    for (const char* internal : {"bGuppy", "PORT_NONE", "FALSE", "FULLCUT_", "row 0"}) {
        EXPECT_EQ(first.output.find(internal), std::string::npos)
            << "internal name without --verbose: " << internal;
    }

    const RunResult verbose = RunCli(homeArg + " --verbose");
    ASSERT_EQ(verbose.status, 0) << verbose.output;
    for (const char* line :
         {"TR Thermal Printer Utility\n", "         Version 2.13.01\n",
          "Model:              TR-770II (row 0, ModelId 17)\n",
          "Region:             JAPAN (index 0)\n", "Port kind:          PORT_NONE (5)\n",
          "STATUSCHECK   = ON\n", "LOGOUT        = OFF\n", "bBusyCond     = TRUE\n",
          "FULLCUT_Mode  = FULLCUT_CUSTOMIZE_OFF\n"}) {
        EXPECT_NE(verbose.output.find(line), std::string::npos) << "missing: " << line;
    }
}

TEST(CliInfo, ShowsTheConfiguredPortAndSwitches) {
    test::TempFolder home;
    test::WriteBytes(home / "Vrtrutys.ini",
                     test::Utf16Le(u"[PORT]\r\nPORTNAME=LAN\r\n[LANPORT]\r\nLAN_NO=10.0.0.9\r\n"
                                   u"[IPADDRESSLIST]\r\nCNT=1\r\nUSED_DLLMD001=0\r\n"
                                   u"IP_ADDRESS001=10.0.0.9\r\nMACADDRESS001=m\r\n"
                                   u"[ERRAUTO]\r\nMODE=ON\r\n[SPEC]\r\nSPECKEY=XRV\r\n"));
    const RunResult run = RunCli("--home '" + home.path().string() + "' info --verbose");
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* line : {"Port kind:          PORT_LAN (4)\n", "Port name:          10.0.0.9\n",
                             "ERRAUTO       = ON\n", "Region:             XRV (index 4)\n",
                             "bFontTypeFace = TRUE\n", "bFontb        = FALSE\n"}) {
        EXPECT_NE(run.output.find(line), std::string::npos) << "missing: " << line;
    }
    const RunResult plain = RunCli("--home '" + home.path().string() + "' info");
    for (const char* line :
         {"Connection:         network printer\n", "Port:               10.0.0.9\n",
          "  Error recovery before each job: on\n", "  Font typeface setting: yes\n",
          "  Font B: no\n"}) {
        EXPECT_NE(plain.output.find(line), std::string::npos) << "missing: " << line;
    }
}

TEST(CliInfo, AnAbsentSerialAdapterStaysTheConfiguredPort) {
    test::TempFolder home;
    test::WriteBytes(home / "Vrtrutys.ini",
                     test::Utf16Le(u"[PORT]\r\nPORTNAME=COM\r\n[COMPORT]\r\n"
                                   u"COM_NO=/dev/ttyUSB-vrtruty-absent\r\n"));
    const RunResult run = RunCli("--home '" + home.path().string() + "' info");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Port:               /dev/ttyUSB-vrtruty-absent\n"),
              std::string::npos)
        << run.output;
}

TEST(CliUsage, HelpAndVersionNeedNoHomeAndUsageErrorsExitTwo) {
    // A home folder that cannot be made: help and the version must not need it.
    const std::string noHome = "--home /proc/vrtruty-no-home";
    const RunResult version = RunCli(noHome + " --version");
    EXPECT_EQ(version.status, 0) << version.output;
    EXPECT_EQ(version.output, "vrtruty-cli 2.13.01\n");

    const RunResult help = RunCli(noHome + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Usage: vrtruty-cli"), std::string::npos);

    // Every command answers --help with its own usage.
    for (const char* command : {"info", "check", "status", "test", "defaults", "code-table",
                                "send-file", "settings", "logo", "lang", "message", "completion"}) {
        const RunResult own = RunCli(noHome + " " + command + " --help");
        EXPECT_EQ(own.status, 0) << command << ": " << own.output;
        EXPECT_NE(own.output.find(std::string("       ") + command), std::string::npos)
            << command << ": " << own.output;
        EXPECT_EQ(own.output.find("Commands:"), std::string::npos)
            << command << " --help shows the whole usage instead of its own";
    }
    EXPECT_NE(RunCli(noHome + " logo register --help").output.find("--keycode XXXX"),
              std::string::npos);

    test::TempFolder home;
    const std::string homeArg = "--home '" + home.path().string() + "'";
    const struct {
        const char* arguments;
        const char* said;
    } mistakes[] = {
        {" frobnicate", "unknown command frobnicate"},
        {"", "no command given"},
        {" --frobnicate info", "unknown option --frobnicate"},
        {" info --frobnicate", "unknown option --frobnicate for info"},
        {" check now", "check takes no arguments"},
        {" test siren", "test needs one of: head, buzzer, cutter, drawer1, drawer2"},
        {" settings", "settings needs one of: show"},
        {" logo size", "logo size needs one FILE"},
        {" logo size a.bmp --gradation", "--gradation needs a value"},
        {" logo size a.bmp --gradation 8", "--gradation takes 2 or 16"},
        {" defaults --font \"Font Z\"", "Font A, Font B, Font C"},
        {" message", "message needs a result code"},
        {" --port lan:192.168.1.300 check", "192.168.1.300"},
        {" --model TR-1 info", "unknown printer model TR-1"},
    };
    for (const auto& mistake : mistakes) {
        const RunResult run = RunCli(homeArg + mistake.arguments);
        EXPECT_EQ(run.status, 2) << mistake.arguments << ": " << run.output;
        EXPECT_NE(run.output.find(mistake.said), std::string::npos)
            << mistake.arguments << ": " << run.output;
    }
    EXPECT_EQ(RunCli("--home").status, 2);
}

TEST(CliUsage, OptionValuesMayFollowAnEqualsSign) {
    test::TempFolder home;
    const std::string homeArg = "--home '" + home.path().string() + "'";
    const RunResult font = RunCli(homeArg + " --dry-run defaults --font=\"Font B\"");
    EXPECT_EQ(font.status, 0) << font.output;
    EXPECT_EQ(font.output, RunCli(homeArg + " --dry-run defaults --font \"Font B\"").output);
}

// The completion script is made from the table the parser reads: bash itself completes with it.
TEST(CliCompletion, BashCompletesCommandsWordsAndOptionsFromTheTable) {
    const RunResult script = RunCli("completion bash");
    ASSERT_EQ(script.status, 0) << script.output;
    test::TempFolder folder;
    const auto file = folder / "vrtruty-cli.bash";
    test::WriteBytes(file, std::vector<std::uint8_t>(script.output.begin(), script.output.end()));
    const auto complete = [&](const std::string& words) {
        return Shell("bash -c 'shopt -s extglob; source \"" + file.string() + "\"; COMP_WORDS=(" +
                     words +
                     "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vrtruty_cli; echo "
                     "\"${COMPREPLY[*]}\"'")
            .output;
    };
    EXPECT_EQ(complete("vrtruty-cli se"), "send-file settings search\n");
    EXPECT_EQ(complete("vrtruty-cli --port lan:127.0.0.1 te"), "test\n");
    EXPECT_EQ(complete("vrtruty-cli test bu"), "buzzer\n");
    EXPECT_EQ(complete("vrtruty-cli settings sh"), "show\n");
    EXPECT_EQ(complete("vrtruty-cli logo register a.bmp --key"), "--keycode\n");
    EXPECT_EQ(complete("vrtruty-cli --dry-run --qu"), "--quiet\n");
    EXPECT_EQ(complete("vrtruty-cli info --ver"), "--verbose\n");
}

}  // namespace
}  // namespace vrtruty
