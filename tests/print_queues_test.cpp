// Printer queues as ports, against a fake printing system: classification, the model's choices,
// the hand-over around a direct conversation, and raw jobs with their time budget.
#include <gtest/gtest.h>

#include "comm/error_codes.h"
#include "comm/print_queue_list.h"
#include "comm/queue_handover.h"
#include "comm/send_operation.h"
#include "platform/fake_print_queues.h"
#include "port_harness.h"
#include "test_support.h"

namespace vrtruty::comm {
namespace {

using platform::PrintQueueInfo;
using platform::QueueState;
using std::chrono::milliseconds;

constexpr std::size_t kRowTr770II = 0;
constexpr std::size_t kRowTr770 = 1;
constexpr std::size_t kRowTr770Pfbm = 2;
constexpr std::size_t kRowTr770K = 3;
const std::string kDriver770II = "VRM TR-770II Raster";

PrintQueueInfo Queue(std::string name, std::string uri, std::string driver = kDriver770II) {
    PrintQueueInfo queue;
    queue.name = std::move(name);
    queue.deviceUri = std::move(uri);
    queue.makeAndModel = std::move(driver);
    return queue;
}

TEST(QueueList, PortTypeFollowsTheDeviceUri) {
    PrintQueueInfo shared = Queue("office", "ipp://192.0.2.7/printers/x");
    shared.remote = true;
    const std::pair<PrintQueueInfo, int> cases[] = {
        {Queue("a", "serial:/dev/ttyS0?baud=9600+bits=8"), 0},
        {Queue("a", "usb://VRM/TR-770II?serial=A1"), 1},
        {Queue("a", "parallel:/dev/lp0"), 2},
        {Queue("a", "socket://192.0.2.5:9100?snmp=false"), 4},
        {Queue("a", "lpd://192.0.2.5/queue"), 4},
        {Queue("a", "ipp://192.0.2.5/ipp/print"), 4},
        {Queue("a", "ipp://localhost/printers/other"), 7},
        {Queue("a", "file:///tmp/out.prn"), 6},
        {Queue("a", "dnssd://Printer._ipp._tcp.local/"), 7},
        {Queue("a", ""), 7},
        {shared, 7},
    };
    for (const auto& [queue, type] : cases) {
        EXPECT_EQ(ClassifyQueuePort(queue), type)
            << queue.deviceUri << (queue.remote ? " (remote)" : "");
    }
}

TEST(QueueList, DriverNamesMatchWholeAndCaseSensitive) {
    const std::pair<std::string_view, int> cases[] = {
        {"VRM TR-770 Raster", 18},
        {"VRM TR-770 Raster (BM/FC)", 19},
        {"VRM TR-770 Raster (PFBM)", 20},
        {"VRM TR-770K Raster (WL)", 21},
        {"VRM TR-770II Raster", 22},
        {"Tessora TQS5600", 47},
        {"MX-400 Raster", 46},
        {"vrm tr-770 raster", 240},
        {"VRM TR-770 Raster ", 240},
        {"Generic Text-Only", 240},
    };
    for (const auto& [driver, code] : cases) {
        EXPECT_EQ(PrinterCodeOfDriver(driver), code) << '"' << driver << '"';
    }
}

TEST(QueueList, NetworkPortPrefixesGoUnlessTheNameHasAColon) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"TRl_192.0.2.9", "192.0.2.9"},
        {"TRr_printer", "printer"},
        {"NPr_10", "10"},
        {"trl_192.0.2.9", "trl_192.0.2.9"},
        {"USB001", "USB001"},
        {"TRl_192.0.2.9:9100", "TRl_192.0.2.9:9100"},
    };
    for (const auto& [name, stripped] : cases) {
        EXPECT_EQ(StripNetworkPortPrefix(name), stripped) << name;
    }
}

TEST(QueueList, DeviceNamesComeFromTheUri) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"serial:/dev/ttyUSB0?baud=115200", "/dev/ttyUSB0"},
        {"parallel:/dev/lp1", "/dev/lp1"},
        {"socket://127.0.0.1:9101?snmp=false", "127.0.0.1:9101"},
        {"socket://192.0.2.5", "192.0.2.5"},
        {"lpd://user@192.0.2.5:515/queue", "192.0.2.5"},
        {"ipp://[::1]:631/ipp/print", "[::1]"},
        {"usb://VRM/TR-770II?serial=A1", ""},
    };
    for (const auto& [uri, device] : cases) {
        EXPECT_EQ(QueueDeviceName(uri), device) << uri;
    }
    EXPECT_EQ(QueueUsbSerial("usb://VRM/TR-770II?interface=0&serial=A1B2"), "A1B2");
    EXPECT_EQ(QueueUsbSerial("usb://VRM/TR-770II"), "");
}

TEST(QueueList, OnlyTheFirst255QueuesOfTheModelBecomeChoices) {
    std::vector<PrintQueueInfo> queues;
    for (int i = 0; i < 300; ++i) {
        queues.push_back(Queue("q" + std::to_string(i), "socket://192.0.2.5:" + std::to_string(i)));
    }
    app::Logger log;
    const auto list = SelectPrinter(queues, log);
    const auto choices = ModelQueueChoices(list, kRowTr770II);
    ASSERT_EQ(choices.size(), 255u);
    EXPECT_EQ(choices.back(), 254u);
    EXPECT_EQ(ChosenQueue(list, kRowTr770II, 299), 0u) << "an index beyond the choices: the first";
    EXPECT_EQ(ChosenQueue(list, kRowTr770II, 17), 17u);
}

TEST(QueueList, ChoicesAreTheModelsLocalQueuesFileOnesIncluded) {
    PrintQueueInfo shared = Queue("shared", "ipp://192.0.2.7/printers/x");
    shared.remote = true;
    const std::vector<PrintQueueInfo> queues = {
        shared,
        Queue("usb", "usb://VRM/TR-770II?serial=A1"),
        Queue("file", "file:///tmp/out.prn"),
        Queue("other", "socket://192.0.2.5", "Generic Text-Only"),
        Queue("k", "serial:/dev/ttyS0", "VRM TR-770K Raster"),
        Queue("kwl", "serial:/dev/ttyS1", "VRM TR-770K Raster (WL)"),
        Queue("plain", "serial:/dev/ttyS2", "VRM TR-770 Raster"),
    };
    app::Logger log;
    const auto list = SelectPrinter(queues, log);
    EXPECT_EQ(list[0].printerCode, kForeignDriverCode) << "a queue of another computer";
    EXPECT_EQ(list[1].printerCode, 22);
    EXPECT_EQ(ModelQueueChoices(list, kRowTr770II), (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(ModelQueueChoices(list, kRowTr770K), (std::vector<std::size_t>{4, 5}))
        << "the TR-770K takes its WL sibling's queues too";
    EXPECT_EQ(ModelQueueChoices(list, kRowTr770Pfbm), (std::vector<std::size_t>{}));
    EXPECT_EQ(ModelQueueChoices(list, kRowTr770), (std::vector<std::size_t>{6}));
    EXPECT_EQ(ChosenQueue(list, kRowTr770Pfbm, 0), std::nullopt);
}

TEST(QueueList, NoQueueOrNoPrintingSystemLeavesTheNoneEntry) {
    platform::FakePrintQueues queues;
    app::Logger log;
    std::vector<WinPrinterEntry> list;
    EXPECT_EQ(GetWinPort(&queues, "None", log, list), PRT_ERR_SEARCH);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].printerName, "None");
    EXPECT_EQ(list[0].portType, kQueuePortOther);
    queues.reachable = false;
    EXPECT_EQ(GetWinPort(&queues, "None", log, list), PRT_ERR_SEARCH);
    EXPECT_EQ(GetWinPort(nullptr, "None", log, list), PRT_ERR_SEARCH);
    queues.reachable = true;
    queues.queues = {Queue("a", "usb://x")};
    EXPECT_EQ(GetWinPort(&queues, "None", log, list), PRT_SUCCESS);
    EXPECT_EQ(list[0].printerName, "a");
}

TEST(QueueStatus, StateReasonsBecomePrinterErrors) {
    const std::tuple<std::vector<std::string>, QueueState, int> cases[] = {
        {{"none"}, QueueState::Idle, PRT_SUCCESS},
        {{"door-open-report"}, QueueState::Idle, PRT_ERR_COVEROPEN},
        {{"cover-open-error"}, QueueState::Idle, PRT_ERR_COVEROPEN},
        {{"media-empty-error"}, QueueState::Idle, PRT_ERR_PAPEREMPTY},
        {{"media-needed"}, QueueState::Idle, PRT_ERR_PAPEREMPTY},
        {{"media-jam-error"}, QueueState::Idle, PRT_SUCCESS},
        {{"media-jam-error"}, QueueState::Processing, PRT_ERR_CUTTERJAM},
        {{"media-jam-error", "door-open-error"}, QueueState::Processing, PRT_ERR_COVEROPEN},
        {{"media-emptyish"}, QueueState::Idle, PRT_SUCCESS},
    };
    for (const auto& [reasons, state, code] : cases) {
        PrintQueueInfo queue = Queue("a", "usb://x");
        queue.stateReasons = reasons;
        queue.state = state;
        EXPECT_EQ(QueueStatusError(queue), code) << ::testing::PrintToString(reasons);
    }
}

TEST(SpoolerBudget, SerialQueuesAreGivenTimeForTheirRate) {
    const std::tuple<int, std::size_t, int, std::uint32_t, milliseconds> cases[] = {
        {16, 15000, kQueuePortSerial, 9600, milliseconds(60000)},  // 12 + 15 s is under a minute
        {16, 15000, kQueuePortSerial, 2400, milliseconds(74000)},  // 12 + 62 s
        {16, 15000, kQueuePortUsb, 2400, milliseconds(60000)},     // the network rate
        {16, 15'000'000, kQueuePortNetwork, 9600, milliseconds(1012000)},
        {10, 15'000'000, kQueuePortSerial, 2400, milliseconds(60000)},  // fixed for a logo print
        {26, 0, kQueuePortSerial, 9600, milliseconds(60000)},
    };
    for (const auto& [operation, length, type, rate, budget] : cases) {
        EXPECT_EQ(SpoolerBudget(operation, length, type, rate), budget)
            << "operation " << operation << ", " << length << " bytes, port type " << type;
    }
}

// A conversation's port layer with queues beside it.
class QueueHandOver : public ::testing::Test, public test::PortHarness {
  protected:
    void SetUp() override {
        queues.queues = {
            Queue("chosen", "socket://127.0.0.1:9101?snmp=false"),
            Queue("twin", "socket://127.0.0.1:9101", "Generic Text-Only"),
            Queue("elsewhere", "socket://127.0.0.1:9102"),
            Queue("serial-other-make", "serial:/dev/ttyS0?baud=9600", "Generic Text-Only"),
        };
        Relist();
    }
    void Relist() {
        std::vector<WinPrinterEntry> list;
        GetWinPort(&queues, "None", log, list);
        context.winPrinters = list;
    }
    PortAccess& Queues() {
        Port().setPrintQueues(&queues, home / kHeldQueuesFileName);
        return Port();
    }
    std::vector<std::string> Held() const { return ReadHeldQueues(home / kHeldQueuesFileName); }

    platform::FakePrintQueues queues;
    test::TempFolder home;
};

TEST_F(QueueHandOver, QueuesOnTheChosenDeviceArePausedRecordedAndResumed) {
    Use(app::PortKind::PORT_WINDRV);
    ASSERT_EQ(PortReplace(Queues(), 1), PRT_SUCCESS);
    EXPECT_EQ(queues.calls, (std::vector<std::string>{"pause chosen", "pause twin"}));
    EXPECT_EQ(Held(), (std::vector<std::string>{"chosen", "twin"}));
    EXPECT_EQ(context.portKind, app::PortKind::PORT_LAN) << "the conversation runs over the LAN";
    EXPECT_EQ(Port().GetPortName(1), "127.0.0.1:9101");

    ASSERT_EQ(PortReplace(Port(), 1), PRT_SUCCESS);
    EXPECT_EQ(queues.calls.size(), 2u) << "a second hand-over changes nothing";

    ASSERT_EQ(PortReplace(Port(), 0), PRT_SUCCESS);
    EXPECT_EQ(queues.calls, (std::vector<std::string>{"pause chosen", "pause twin", "resume chosen",
                                                      "resume twin"}));
    EXPECT_EQ(context.portKind, app::PortKind::PORT_WINDRV);
    EXPECT_TRUE(Held().empty());
    EXPECT_FALSE(std::filesystem::exists(home / kHeldQueuesFileName));
    EXPECT_EQ(queues.Find("chosen")->state, QueueState::Idle);
}

// A USB queue names its printer by serial number: the conversation opens the attached printer of
// exactly that number, never one whose number merely contains it.
TEST_F(QueueHandOver, AUsbQueueOpensThePrinterOfItsOwnSerialNumber) {
    queues.queues[0].deviceUri = "usb://VRM/TR-770II?serial=A1";
    Relist();
    context.usbDevices = {{"USB(Serial No:A1B2)", "/dev/usb/lp1", "USB002"},
                          {"USB(Serial No:A1)", "/dev/usb/lp0", "USB001"}};
    Use(app::PortKind::PORT_WINDRV);
    ASSERT_EQ(PortReplace(Queues(), 1), PRT_SUCCESS);
    EXPECT_EQ(context.portKind, app::PortKind::PORT_USB);
    EXPECT_EQ(Port().GetPortName(1), "/dev/usb/lp0");
    EXPECT_EQ(Port().GetPortName(0), "USB(Serial No:A1)");
    ASSERT_EQ(PortReplace(Port(), 0), PRT_SUCCESS);
}

TEST_F(QueueHandOver, ASerialConversationFreesAQueueOfAnotherMakeWithoutLookingAtItsState) {
    Use(app::PortKind::PORT_COM);
    queues.Find("serial-other-make")->stateReasons = {"media-empty-error"};
    ASSERT_EQ(PortReplace(Queues(), 1), PRT_SUCCESS);
    EXPECT_EQ(queues.calls, (std::vector<std::string>{"pause serial-other-make"}));
    EXPECT_EQ(context.portKind, app::PortKind::PORT_COM);
    EXPECT_EQ(Port().GetPortName(1), "/dev/ttyS0");
    ASSERT_EQ(PortReplace(Port(), 0), PRT_SUCCESS);
    EXPECT_EQ(queues.calls.back(), "resume serial-other-make");
}

TEST_F(QueueHandOver, AQueueWithJobsIsLeftAsItWas) {
    Use(app::PortKind::PORT_WINDRV);
    queues.Find("twin")->pendingJobs = 1;
    EXPECT_EQ(PortReplace(Queues(), 1), PRT_ERR_JOB);
    EXPECT_EQ(queues.calls, (std::vector<std::string>{"pause chosen"}))
        << "the walk stops at the queue with the job";
    EXPECT_EQ(PortReplace(Port(), 0), PRT_SUCCESS);
    EXPECT_EQ(queues.calls.back(), "resume chosen");
    EXPECT_EQ(queues.Find("twin")->state, QueueState::Idle);
    EXPECT_TRUE(Held().empty());
}

TEST_F(QueueHandOver, TheChosenQueuesStateStopsTheHandOver) {
    constexpr auto kQueue = app::PortKind::PORT_WINDRV;
    constexpr auto kLan = app::PortKind::PORT_LAN;
    const std::tuple<app::PortKind, QueueState, std::vector<std::string>, bool, int> cases[] = {
        {kQueue, QueueState::Stopped, {}, true, PRT_ERR_OFFLINE},
        {kQueue, QueueState::Idle, {"offline-report"}, true, PRT_ERR_OFFLINE},
        {kLan, QueueState::Stopped, {}, true, PRT_SUCCESS},
        {kQueue, QueueState::Idle, {"door-open-error"}, true, PRT_ERR_COVEROPEN},
        {kQueue, QueueState::Idle, {"door-open-error"}, false, PRT_SUCCESS},
        {kLan, QueueState::Idle, {"media-empty-error"}, true, PRT_ERR_PAPEREMPTY},
    };
    for (const auto& [kind, state, reasons, statusCheck, code] : cases) {
        SetUp();
        access.reset();
        switches.statusCheck = statusCheck;
        config.lanPrinters = {{0, "127.0.0.1:9101", {}, {}}};
        Use(kind);
        queues.calls.clear();
        queues.Find("chosen")->state = state;
        queues.Find("chosen")->stateReasons = reasons;
        EXPECT_EQ(PortReplace(Queues(), 1), code)
            << "kind " << static_cast<int>(kind) << " " << ::testing::PrintToString(reasons);
        PortReplace(Port(), 0);
        EXPECT_EQ(queues.Find("chosen")->state, state) << "left as it was";
    }
}

TEST_F(QueueHandOver, AChosenFileQueueIsRefused) {
    queues.queues.insert(queues.queues.begin(), Queue("to-file", "file:///tmp/out.prn"));
    Relist();
    Use(app::PortKind::PORT_WINDRV);
    EXPECT_EQ(PortReplace(Queues(), 1), PRT_ERR_SETUP_FILE);
    EXPECT_TRUE(queues.calls.empty());
}

TEST_F(QueueHandOver, AQueueThatCannotBeResumedStaysRecordedUntilTheNextStart) {
    Use(app::PortKind::PORT_WINDRV);
    ASSERT_EQ(PortReplace(Queues(), 1), PRT_SUCCESS);
    queues.resumeFails = true;
    EXPECT_EQ(PortReplace(Port(), 0), PRT_ERR_SETPRINTER);
    EXPECT_EQ(Held(), (std::vector<std::string>{"chosen", "twin"}));

    // Next start: the printing system is away at first, then back; one queue was changed by
    // someone else meanwhile.
    queues.reachable = false;
    EXPECT_EQ(RecoverHeldQueues(&queues, home / kHeldQueuesFileName, log), 0);
    EXPECT_EQ(Held().size(), 2u);
    queues.reachable = true;
    queues.resumeFails = false;
    queues.Find("twin")->stateMessage = "paused by the administrator";
    EXPECT_EQ(RecoverHeldQueues(&queues, home / kHeldQueuesFileName, log), 1);
    EXPECT_EQ(queues.Find("chosen")->state, QueueState::Idle);
    EXPECT_EQ(queues.Find("twin")->state, QueueState::Stopped);
    EXPECT_TRUE(Held().empty());
}

TEST_F(QueueHandOver, DataGoAsOneRawJobAndTheProgramWaitsForItToLeave) {
    Use(app::PortKind::PORT_WINDRV);
    switches.statusCheck = false;
    queues.looksUntilDone = 3;
    const std::vector<std::uint8_t> data = {0x1B, 0x40, 0x0A};
    ASSERT_EQ(PrinterSendOperation(Queues(), kOperationSendSettings, data), PRT_SUCCESS);
    ASSERT_EQ(queues.jobs.size(), 1u);
    EXPECT_EQ(queues.jobs[0].queue, "chosen");
    EXPECT_EQ(queues.jobs[0].title, "Printer Setting Data");
    EXPECT_EQ(queues.jobs[0].data, data);
    EXPECT_EQ(clock.waits(),
              (std::vector<milliseconds>{milliseconds(100), milliseconds(100), milliseconds(100),
                                         milliseconds(100), milliseconds(500), milliseconds(500)}))
        << "three polls, the pause after the job, then the second of settling";
    EXPECT_TRUE(std::ranges::none_of(queues.calls, [](auto& c) { return c.starts_with("pause"); }))
        << "a raw job needs no hand-over";
}

TEST_F(QueueHandOver, AJobThatOutlastsItsBudgetIsCancelled) {
    Use(app::PortKind::PORT_WINDRV);
    switches.statusCheck = false;
    queues.looksUntilDone = 1'000'000;
    EXPECT_EQ(SpoolerSend(Queues(), 16, std::vector<std::uint8_t>(15000, 0x41)), PRT_ERR_SEND);
    EXPECT_EQ(Count(milliseconds(100)), 600) << "60 s of 100 ms polls";
    EXPECT_EQ(queues.calls.back(), "cancel 1");

    queues.looks = 0;
    queues.looksUntilDone = 0;
    queues.jobEnd = platform::JobProgress::Stopped;
    EXPECT_EQ(SpoolerSend(Port(), 16, std::vector<std::uint8_t>(10, 0x41)), PRT_ERR_SEND)
        << "an aborted job did not print";
    queues.failAt = platform::RawJobStep::Starting;
    EXPECT_EQ(SpoolerSend(Port(), 16, std::vector<std::uint8_t>(10, 0x41)), PRT_ERR_STARTDOC);
}

TEST_F(QueueHandOver, TheConnectionCheckIsAnEmptyJobAndAQueueStateErrorSendsNothing) {
    Use(app::PortKind::PORT_WINDRV);
    queues.queues[0].deviceUri = "usb://VRM/TR-770II?serial=A1";
    Relist();
    switches.statusCheck = true;
    ASSERT_EQ(PrinterSendOperation(Queues(), kOperationConnectionCheck, {}), PRT_SUCCESS);
    ASSERT_EQ(queues.jobs.size(), 1u);
    EXPECT_TRUE(queues.jobs[0].data.empty());

    // After a conversation: the same empty job for a queue on a local device, nothing for a
    // network queue, which the LAN path reached itself.
    ASSERT_EQ(ConfirmLocalQueue(Port()), PRT_SUCCESS);
    ASSERT_EQ(queues.jobs.size(), 2u);
    EXPECT_TRUE(queues.jobs[1].data.empty());
    queues.queues[0].deviceUri = "socket://127.0.0.1:9100";
    Relist();
    ASSERT_EQ(ConfirmLocalQueue(Port()), PRT_SUCCESS);
    EXPECT_EQ(queues.jobs.size(), 2u);
    queues.queues[0].deviceUri = "usb://VRM/TR-770II?serial=A1";
    Relist();

    queues.Find("chosen")->stateReasons = {"media-empty-error"};
    EXPECT_EQ(PrinterSendOperation(Port(), kOperationSendSettings, std::vector<std::uint8_t>{1}),
              PRT_ERR_PAPEREMPTY);
    EXPECT_EQ(queues.jobs.size(), 2u);
}

}  // namespace
}  // namespace vrtruty::comm
