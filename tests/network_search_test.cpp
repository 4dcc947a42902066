// The network search against real SNMP agents: net-snmp's snmpd, started by each test on loopback
// addresses with a configuration of its own. No packet leaves the machine.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "avahi_namespace.h"
#include "cli/cli_app.h"
#include "cli_harness.h"
#include "comm/error_codes.h"
#include "comm/printer_finder.h"
#include "comm/printer_search.h"
#include "comm/tcp_lan_library.h"
#include "platform/fake_clock.h"
#include "scaled_clock.h"
#include "snmpd_process.h"
#include "test_support.h"

namespace vrtruty {
namespace {

using app::LanPrinterEntry;
using test::CliRun;
using namespace std::chrono_literals;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// snmpd with the repository's configuration for the virtual printer.
std::unique_ptr<test::SnmpdProcess> StartVirtualPrinterAgent(const test::TempFolder& folder,
                                                             std::string& why) {
    return test::SnmpdProcess::Start(
        folder.path(),
        ReadText(std::filesystem::path(VRTRUTY_SOURCE_DIR) / "res/snmpd/virtual-printer.conf"),
        why);
}

// An agent that reads to loopback and serves the given values (empty: not served).
std::string AgentConfiguration(const std::string& deviceId, const std::string& description,
                               const std::string& macHex) {
    std::string text = "rocommunity public 127.0.0.0/8\n";
    if (!deviceId.empty()) {
        text += "override .1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1 octet_str \"" + deviceId + "\"\n";
    }
    if (!description.empty()) {
        text += "override .1.3.6.1.2.1.25.3.2.1.3.1 octet_str \"" + description + "\"\n";
    }
    if (!macHex.empty()) {
        text += "override .1.3.6.1.2.1.2.2.1.6.1 octet_str 0x" + macHex + "\n";
    }
    return text;
}

comm::SearchOptions Targets(const std::vector<std::string>& targets,
                            std::chrono::milliseconds timeout = 2000ms) {
    comm::SearchOptions options;
    for (const std::string& target : targets) {
        options.targets.push_back(*platform::ParseHostAndPort(target, platform::kSnmpPort));
    }
    options.timeout = timeout;
    return options;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line.substr(line.find(']') == std::string::npos ? 0 : line.find(']') + 2));
    }
    return lines;
}

TEST(SnmpSearch, FindsTheVirtualPrinterOfTheRepositoryConfigurationWithItsMacAddress) {
    test::TempFolder folder;
    std::string why;
    const auto snmpd = StartVirtualPrinterAgent(folder, why);
    if (!snmpd) {
        GTEST_SKIP() << "skipped: " << why;
    }
    comm::TcpLanLibrary slot(comm::kFirstSlotDeviceIdPrefix);
    slot.setFinder(comm::MakeSnmpPrinterFinder(Targets({snmpd->target()})));
    platform::FakeClock clock;
    app::Logger log(folder / "_DEBUG.LOG", clock, true);
    std::vector<LanPrinterEntry> found;
    ASSERT_EQ(comm::SearchPrinter({&slot, nullptr}, "TR-770II", log, found), comm::PRT_SUCCESS)
        << ReadText(folder / "_DEBUG.LOG");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].libraryMode, 0);
    EXPECT_EQ(found[0].ipAddress, "127.0.0.1");
    EXPECT_EQ(found[0].macAddress, "00:00:5E:00:53:01") << "ifPhysAddress of the loopback";
    EXPECT_EQ(found[0].model, "TR-770II");
    const auto lines = Lines(ReadText(folder / "_DEBUG.LOG"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "SXMODE dwSearchCnt = 1"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "QKMODE DLL Nothing"), lines.end());
}

// Several agents on loopback addresses of their own, each a printer, asked in one search: which
// of them a model's search keeps, and with which MAC address.
TEST(SnmpSearch, KeepsExactlyTheModelTheDeviceIdNamesOneRowPerAddress) {
    struct Agent {
        std::string address;
        std::string deviceId;
        std::string description;
        std::string mac;
    };
    const std::vector<Agent> agents = {
        {"127.0.0.2", "MFG:VRM;MDL:TR-770;CMD:ESC/POS;", "", "00005E005302"},
        {"127.0.0.3", "MFG:VRM;MDL:TR-770K;", "", "00005E005303"},
        {"127.0.0.4", "MFG:VRM;MDL:TR-770;MODEL:TR-770K (WL);", "", ""},
        {"127.0.0.5", "", "TR-770II", "00005E005305"},  // no device ID: the description
        {"127.0.0.6", "", "", "00005E005306"},          // nothing that names a model
    };
    test::TempFolder folder;
    std::vector<std::unique_ptr<test::SnmpdProcess>> daemons;
    std::vector<std::string> targets;
    for (const Agent& agent : agents) {
        std::string why;
        daemons.push_back(test::SnmpdProcess::Start(
            folder.path(), AgentConfiguration(agent.deviceId, agent.description, agent.mac), why,
            agent.address));
        if (!daemons.back()) {
            GTEST_SKIP() << "skipped: " << why;
        }
        targets.push_back(daemons.back()->target());
    }
    // The first agent once more: one row per address all the same.
    targets.push_back(daemons.front()->target());

    struct Case {
        std::string model;
        std::vector<std::string> found;  // "address mac"
    };
    const std::vector<Case> cases = {
        {"TR-770", {"127.0.0.2 00:00:5E:00:53:02"}},
        {"TR-770K", {"127.0.0.3 00:00:5E:00:53:03"}},
        {"TR-770K (WL)", {"127.0.0.4 "}},  // MODEL wins over MDL; no MAC served
        {"TR-770II", {"127.0.0.5 00:00:5E:00:53:05"}},
        {"TR-770 (PFBM)", {}},
    };
    for (const Case& c : cases) {
        comm::TcpLanLibrary slot(comm::kSecondSlotDeviceIdPrefix);
        slot.setFinder(comm::MakeSnmpPrinterFinder(Targets(targets)));
        app::Logger log;
        std::vector<LanPrinterEntry> found;
        std::vector<LanPrinterEntry> others;
        const int result = comm::SearchPrinter({nullptr, &slot}, c.model, log, found, &others);
        std::vector<std::string> rows;
        for (const LanPrinterEntry& printer : found) {
            rows.push_back(printer.ipAddress + " " + printer.macAddress);
            EXPECT_EQ(printer.libraryMode, 1);
        }
        EXPECT_EQ(rows, c.found) << c.model;
        EXPECT_EQ(result, c.found.empty() ? comm::PRT_ERR_SEARCH : comm::PRT_SUCCESS) << c.model;
        EXPECT_EQ(found.size() + others.size(), 4u)
            << c.model << ": every agent with a model once, the one without none";
    }
}

TEST(SnmpSearch, SilentTargetEndsWithinTheTimeoutAndTheLogSaysWhoDidNotAnswer) {
    test::TempFolder folder;
    // Nothing listens on the port: the query goes unanswered.
    const std::string target = "127.0.0.1:" + std::to_string(test::FreeUdpPort("127.0.0.1"));
    comm::TcpLanLibrary slot(comm::kFirstSlotDeviceIdPrefix);
    std::vector<std::string> notes;
    slot.setFinder(comm::MakeSnmpPrinterFinder(Targets({target}, 300ms)),
                   [&notes](std::string_view note) { notes.emplace_back(note); });
    app::Logger log;
    std::vector<LanPrinterEntry> found;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(comm::SearchPrinter({&slot, nullptr}, "TR-770II", log, found), comm::PRT_ERR_SEARCH);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 1000ms);
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(notes, std::vector<std::string>{"SNMP: no answer from " + target});
}

TEST(SnmpSearch, StopEndsAWaitWithinHalfASecond) {
    const std::string target = "127.0.0.1:" + std::to_string(test::FreeUdpPort("127.0.0.1"));
    std::stop_source stop;
    comm::SearchOptions options = Targets({target}, 10s);
    options.stop = stop.get_token();
    const auto finder = comm::MakeSnmpPrinterFinder(options);
    const auto start = std::chrono::steady_clock::now();
    auto search = std::async(std::launch::async, [&finder] {
        std::string note;
        return finder->Find(note);
    });
    stop.request_stop();
    EXPECT_TRUE(search.get().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

TEST(SnmpSearch, DescriptionAndMacAddressFormats) {
    EXPECT_EQ(comm::DeviceIdFromDescription("TR-770II"), "MDL:TR-770II;");
    EXPECT_EQ(comm::DeviceIdFromDescription("MFG:VRM;MDL:TR-770;"), "MFG:VRM;MDL:TR-770;")
        << "a description that is a device ID stays one";
    EXPECT_EQ(comm::DeviceIdFromDescription(""), "");
    EXPECT_EQ(comm::FormatMacAddress(std::string("\x00\x00\x5e\x00\x53\xff", 6)),
              "00:00:5E:00:53:FF");
    EXPECT_EQ(comm::FormatMacAddress(""), "") << "the loopback has none";
    EXPECT_EQ(comm::FormatMacAddress("12345678"), "");
}

CliRun RunCli(const test::TempFolder& home, std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.path().string()});
    std::ostringstream out;
    std::ostringstream err;
    test::ScaledClock clock;
    const int status = cli::RunCli(args, out, err, clock, false);
    return {status, out.str(), err.str()};
}

TEST(SearchCommand, ListsPrintersAndSucceedsOnlyWhenTheChosenModelAnswers) {
    test::TempFolder home;
    std::string why;
    const auto snmpd = StartVirtualPrinterAgent(home, why);
    if (!snmpd) {
        GTEST_SKIP() << "skipped: " << why;
    }
    const std::string line = "127.0.0.1 00:00:5E:00:53:01 TR-770II 1\n";
    struct Case {
        std::string model;
        bool all;
        int status;
        std::string out;
    };
    for (const Case& c : std::vector<Case>{
             {"TR-770II", false, 0, line}, {"TR-770", false, 1, ""}, {"TR-770", true, 1, line}}) {
        std::vector<std::string> args = {"--model",       c.model,     "search", "--target",
                                         snmpd->target(), "--timeout", "1.5"};
        if (c.all) {
            args.push_back("--all");
        }
        const CliRun run = RunCli(home, args);
        EXPECT_EQ(run.status, c.status) << c.model << (c.all ? " --all" : "") << ": " << run.err;
        EXPECT_EQ(run.out, c.out) << c.model << (c.all ? " --all" : "");
        EXPECT_EQ(run.err, c.status == 0 ? "" : "No usable printer was found.\n") << c.model;
    }
}

TEST(SearchCommand, RefusesOptionsItCannotUse) {
    test::TempFolder home;
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"--target"}, "--target needs a value (HOST[:PORT])"},
        {{"--target", ""}, "--target needs HOST[:PORT], not \"\""},
        {{"--target", "127.0.0.1:99999"}, "--target needs HOST[:PORT]"},
        {{"--timeout", "0"}, "--timeout needs seconds above 0"},
        {{"--timeout", "61"}, "--timeout needs seconds above 0"},
        {{"--timeout", "1s"}, "--timeout needs seconds above 0"},
        {{"--broadcast"}, "unknown option --broadcast for search"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"search"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun run = RunCli(home, args);
        EXPECT_EQ(run.status, 2) << c.error << ": a usage error";
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// Without targets the query goes to the broadcast address of every interface that is up. In a
// private network namespace the only one is the loopback, given a broadcast address for the test;
// snmpd there sees the query arrive (it cannot answer a broadcast on the loopback: the reply
// from the broadcast address is refused, so nothing is found).
TEST(SnmpBroadcast, GoesToTheBroadcastAddressOfEachInterfaceThatIsUp) {
    test::TempFolder folder;
    if (::access("/usr/bin/unshare", X_OK) != 0 || ::access(test::kSnmpdPath, X_OK) != 0) {
        GTEST_SKIP() << "skipped: unshare or snmpd is not installed (scripts/install-deps)";
    }
    std::ofstream(folder / "snmpd.conf") << AgentConfiguration("MDL:TR-770II;", "", "");
    const std::string dir = folder.path().string();
    std::ofstream(folder / "broadcast.sh")
        << "set -e\n"
           "ip link set lo up\n"
           "ip addr del 127.0.0.1/8 dev lo\n"
           "ip addr add 127.0.0.1/8 brd 127.255.255.255 dev lo\n"
        << test::kSnmpdPath << " -f -Lo -C -c " << dir << "/snmpd.conf udp:0.0.0.0:161 >" << dir
        << "/snmpd.log 2>&1 &\n"
           "agent=$!\n"
           "i=0; until grep -q 'NET-SNMP version' "
        << dir
        << "/snmpd.log; do i=$((i+1)); [ $i -lt 250 ]; sleep 0.02; done\n"
           "set +e\n"
        << VRTRUTY_CLI_PATH << " --home " << dir << " --model TR-770II search --timeout 0.5 >"
        << dir
        << "/search.out 2>&1\n"
           "echo $? >"
        << dir
        << "/search.status\n"
           "kill $agent; wait $agent\n";
    const std::string command =
        "/usr/bin/unshare --net /bin/sh " + dir + "/broadcast.sh >" + dir + "/run.log 2>&1";
    if (std::system(command.c_str()) != 0) {
        GTEST_SKIP() << "skipped: no private network namespace here: "
                     << ReadText(folder / "run.log");
    }
    EXPECT_NE(ReadText(folder / "snmpd.log").find("->[127.255.255.255]:161"), std::string::npos)
        << "snmpd saw no broadcast query:\n"
        << ReadText(folder / "snmpd.log") << ReadText(folder / "search.out");
    const std::string status = ReadText(folder / "search.status");
    const std::string out = ReadText(folder / "search.out");
    EXPECT_TRUE((status == "1\n" && out == "No usable printer was found.\n") ||
                (status == "0\n" && out.starts_with("127.0.0.1 ")))
        << status << out;
}

TEST(DnsSdSearch, ModelOfTheTxtRecord) {
    using Txt = std::vector<std::pair<std::string, std::string>>;
    const std::vector<std::pair<Txt, std::string>> cases = {
        {{{"ty", "VRM TR-770"}, {"product", "(TR-770K)"}, {"usb_MDL", "TR-770II"}}, "TR-770II"},
        {{{"ty", "VRM TR-770"}, {"product", "(TR-770K)"}}, "TR-770K"},
        {{{"USB_mdl", "TR-770"}}, "TR-770"},  // keys in any case
        {{{"product", "()"}, {"ty", "TR-770 (PFBM)"}}, "TR-770 (PFBM)"},
        {{{"note", "front desk"}}, ""},
    };
    for (const auto& [txt, model] : cases) {
        EXPECT_EQ(comm::TxtModel(txt), model) << model;
    }
}

// A printer announced through Avahi in a private network namespace, read through the D-Bus of
// the test's own daemon.
TEST(DnsSdSearch, FindsAnnouncedPrintersOnePerAddressAndSkipsThoseWithoutAModel) {
    test::TempFolder folder;
    std::string why;
    const auto avahi = test::AvahiNamespace::Start(
        folder.path(),
        {{"Front desk", "", "", {"usb_MFG=VRM", "usb_MDL=TR-770II", "ty=VRM TR-770II"}},
         {"Front desk again", "", "", {"usb_MDL=TR-770K"}},
         {"Kitchen", "kitchen.local", "127.0.0.2", {"product=(TR-770K)"}},
         {"Bar", "bar.local", "127.0.0.3", {"note=no model"}}},
        why);
    if (!avahi) {
        GTEST_SKIP() << "skipped: " << why;
    }
    if (const std::string problem = comm::DnsSdUnavailable(); !problem.empty()) {
        GTEST_SKIP() << "skipped: " << test::AvahiNamespace::kBusAddressReadOnce << problem;
    }
    comm::TcpLanLibrary slot(comm::kSecondSlotDeviceIdPrefix);
    slot.setFinder(comm::MakeDnsSdPrinterFinder(Targets({}, 5s)));
    platform::FakeClock clock;
    app::Logger log(folder / "_DEBUG.LOG", clock, true);
    std::vector<LanPrinterEntry> found;
    std::vector<LanPrinterEntry> others;
    EXPECT_EQ(comm::SearchPrinter({nullptr, &slot}, "TR-770K", log, found, &others),
              comm::PRT_SUCCESS);
    std::vector<std::string> rows;
    for (const auto* list : {&found, &others}) {
        for (const LanPrinterEntry& printer : *list) {
            rows.push_back(printer.ipAddress + " " + printer.model + " " +
                           std::to_string(printer.libraryMode));
        }
    }
    std::sort(rows.begin() + static_cast<std::ptrdiff_t>(found.size()), rows.end());
    // 127.0.0.1 answers twice and is kept once, with the model of whichever came first.
    ASSERT_EQ(rows.size(), 2u) << ReadText(folder / "_DEBUG.LOG");
    EXPECT_EQ(rows[0], "127.0.0.2 TR-770K 1");
    EXPECT_TRUE(rows[1] == "127.0.0.1 TR-770II 1" || rows[1] == "127.0.0.1 TR-770K 1") << rows[1];
    const std::string logText = ReadText(folder / "_DEBUG.LOG");
    EXPECT_NE(logText.find("SearchPrinter(Model[LAN_MODEL_ERROR])"), std::string::npos)
        << "the printer without a model is skipped";
}

// The virtual printer answering through SNMP and announced through DNS-SD at the same address:
// the command line lists it once, under the first slot.
TEST(SearchCommand, PrinterOfBothSlotsIsListedOnce) {
    test::TempFolder home;
    std::string why;
    const auto snmpd = StartVirtualPrinterAgent(home, why);
    if (!snmpd) {
        GTEST_SKIP() << "skipped: " << why;
    }
    test::TempFolder avahiFolder;
    const auto avahi = test::AvahiNamespace::Start(
        avahiFolder.path(), {{"Virtual printer", "", "", {"usb_MDL=TR-770II"}}}, why);
    if (!avahi) {
        GTEST_SKIP() << "skipped: " << why;
    }
    if (const std::string problem = comm::DnsSdUnavailable(); !problem.empty()) {
        GTEST_SKIP() << "skipped: " << test::AvahiNamespace::kBusAddressReadOnce << problem;
    }
    test::WriteBytes(home / "Vrtrutys.ini", test::Utf16Le(u"[LOGOUT]\r\nMODE=ON\r\n"));
    const CliRun run = RunCli(
        home, {"--model", "TR-770II", "search", "--target", snmpd->target(), "--timeout", "5"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "127.0.0.1 00:00:5E:00:53:01 TR-770II 1\n");
    const std::string logText = ReadText(home / "_DEBUG.LOG");
    EXPECT_NE(logText.find("SXMODE dwSearchCnt = 1"), std::string::npos) << logText;
    EXPECT_NE(logText.find("QKMODE dwSearchCnt = 1"), std::string::npos) << logText;
}

TEST(SearchCommand, MissingDnsSdDaemonIsLoggedAndTheSlotLeftOut) {
    test::TempFolder home;
    test::WriteBytes(home / "Vrtrutys.ini", test::Utf16Le(u"[LOGOUT]\r\nMODE=ON\r\n"));
    const std::string silent = "127.0.0.1:" + std::to_string(test::FreeUdpPort("127.0.0.1"));
    // No Avahi daemon runs for this test (the system bus is hidden from every test).
    const CliRun run = RunCli(home, {"search", "--target", silent, "--timeout", "0.2"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "No usable printer was found.\n");
    const auto lines = Lines(ReadText(home / "_DEBUG.LOG"));
    const auto has = [&lines](const std::string& start) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.starts_with(start); });
    };
    EXPECT_TRUE(has("QKMODE DNS-SD: the Avahi daemon cannot be reached ("));
    EXPECT_TRUE(has("QKMODE DLL Nothing"));
    EXPECT_TRUE(has("SXMODE SNMP: no answer from " + silent));
}

}  // namespace
}  // namespace vrtruty
