// The command line through printer queues of a private CUPS server whose queues print to the
// virtual printer on loopback: raw jobs, the hand-over around a conversation, and its undoing
// after a run that died.
#include <gtest/gtest.h>

#include <algorithm>

#include "bitmap_builder.h"
#include "cli_harness.h"
#include "comm/queue_handover.h"
#include "cups_server.h"
#include "platform/print_queues.h"

namespace vrtruty::test {
namespace {

const std::string kDriver = "VRM TR-770II Raster";

bool Contains(const std::vector<std::uint8_t>& captured, const std::vector<std::uint8_t>& bytes) {
    return std::search(captured.begin(), captured.end(), bytes.begin(), bytes.end()) !=
           captured.end();
}

class QueueEndToEnd : public CliAgainstPrinter {
  protected:
    void SetUp() override {
        if (!cups.problem().empty()) {
            GTEST_SKIP() << "skipped: no private CUPS server: " << cups.problem();
        }
        lan = StartPrinter({"--model", "TR-770II", "--capture", (home / "capture.bin").string()});
        ASSERT_FALSE(lan.empty());
        // The socket backend asks the device by SNMP first unless told not to.
        device = "socket://" + lan.substr(4) + "/?snmp=false";
        ASSERT_EQ(cups.AddQueue("receipt", device, kDriver), 0) << cups.ErrorLog();
    }
    std::optional<platform::PrintQueueInfo> Queue(const std::string& name) {
        return platform::OpenSystemPrintQueues()->Query(name);
    }
    std::vector<std::uint8_t> Captured() { return ReadBytes(home / "capture.bin"); }

    CupsServer cups;
    std::string lan;
    std::string device;
};

TEST_F(QueueEndToEnd, QueuesAreListedWithTheirPortTypeAndWhetherTheModelCanUseThem) {
    ASSERT_EQ(cups.AddQueue("text", "file:///dev/null", "Generic Text-Only"), 0);
    const CliRun run = Run({"--model", "TR-770II", "queues"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("receipt\t4\t22\tyes\t" + device + "\t" + kDriver + "\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("text\t6\t240\tno\tfile:///dev/null\tGeneric Text-Only\n"),
              std::string::npos)
        << run.out;
}

TEST_F(QueueEndToEnd, ARawJobArrivesByteExactAndTheQueueStaysEnabled) {
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 3000; ++i) {
        data.push_back(static_cast<std::uint8_t>(i * 7));
    }
    WriteBytes(home / "data.bin", data);
    const CliRun run = Run({"--port", "queue:receipt", "send-file", (home / "data.bin").string()});
    ASSERT_EQ(run.status, 0) << run.err << cups.ErrorLog();
    const auto captured = Captured();
    EXPECT_NE(std::search(captured.begin(), captured.end(), data.begin(), data.end()),
              captured.end())
        << "the job's bytes arrive unchanged and in one piece";
    const auto queue = Queue("receipt");
    ASSERT_TRUE(queue);
    EXPECT_NE(queue->state, platform::QueueState::Stopped);
    EXPECT_EQ(queue->pendingJobs, 0);
}

TEST_F(QueueEndToEnd, AConversationTakesTheQueueOffTheDeviceAndGivesItBack) {
    const CliRun run = Run({"--port", "queue:receipt", "check"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto queue = Queue("receipt");
    ASSERT_TRUE(queue);
    EXPECT_NE(queue->state, platform::QueueState::Stopped);
    EXPECT_FALSE(std::filesystem::exists(home / comm::kHeldQueuesFileName));
}

TEST_F(QueueEndToEnd, AQueueWithAHeldJobRefusesAndIsLeftAsItWas) {
    ASSERT_EQ(cups.AddQueue("twin", device, "Generic Text-Only"), 0);
    WriteBytes(home / "job.txt", Bytes("held\n"));
    ASSERT_EQ(CupsServer::Run({"lp", "-d", "twin", "-H", "hold", (home / "job.txt").string()}), 0);
    const CliRun run = Run({"--port", "queue:receipt", "check"});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("There is still a print job in the printer."), std::string::npos)
        << run.err;
    for (const char* name : {"receipt", "twin"}) {
        const auto queue = Queue(name);
        ASSERT_TRUE(queue) << name;
        EXPECT_NE(queue->state, platform::QueueState::Stopped) << name;
    }
    EXPECT_EQ(Queue("twin")->pendingJobs, 1);
}

TEST_F(QueueEndToEnd, AHandOverLeftByARunThatDiedIsUndoneAtTheNextStart) {
    // What a run killed in the middle of a conversation leaves: the queue paused and recorded.
    auto queues = platform::OpenSystemPrintQueues();
    ASSERT_TRUE(queues->Pause("receipt", std::string(comm::kHeldQueueMessage)));
    WriteBytes(home / comm::kHeldQueuesFileName, Bytes("receipt\n"));
    ASSERT_EQ(Queue("receipt")->state, platform::QueueState::Stopped);

    const CliRun run = Run({"info"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(Queue("receipt")->state, platform::QueueState::Stopped);
    EXPECT_FALSE(std::filesystem::exists(home / comm::kHeldQueuesFileName));
}

// Reading settings and logos go through a conversation with the queue handed over, and each logo
// registration ends with an empty job; Extension 1 and the printer tests need no answer and go
// as raw jobs. The queue is in service after each.
TEST_F(QueueEndToEnd, EveryPrinterFunctionWorksThroughTheQueue) {
    std::vector<std::uint32_t> pixels(64 * 32);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = i % 64 < 32 ? 0 : 0xFFFFFF;
    }
    WriteBytes(home / "logo.bmp", MakeBmp(Layout(64, 32, 24, {}), pixels));
    const std::vector<std::vector<std::string>> steps = {
        {"status"},
        {"settings", "get"},
        {"logo", "register", (home / "logo.bmp").string(), "--keycode", "4141"},
        {"logo", "print", "4141"},
        {"defaults", "--code-page", "pc858", "--charset", "Japan", "--font", "Font B"},
        {"test", "drawer2"},
        {"logo", "delete", "4141"},
        // Last: the printer restarts with the settings, for longer than the tests' fast clock
        // waits.
        {"settings", "send"}};
    for (const std::vector<std::string>& step : steps) {
        const std::string what = step[0] + " " + step[1 % step.size()];
        std::vector<std::string> arguments = {"--port", "queue:receipt"};
        arguments.insert(arguments.end(), step.begin(), step.end());
        const CliRun run = Run(arguments);
        ASSERT_EQ(run.status, 0) << what << ": " << run.err << cups.ErrorLog();
        const auto queue = Queue("receipt");
        ASSERT_TRUE(queue);
        EXPECT_NE(queue->state, platform::QueueState::Stopped) << what;
        EXPECT_EQ(queue->pendingJobs, 0) << what;
        if (what == "logo register" || what == "logo delete") {
            const CliRun info = Run({"--port", "queue:receipt", "logo", "info"});
            EXPECT_NE(
                info.out.find(what == "logo register" ? "Logos:    4141\n" : "Logos:    none\n"),
                std::string::npos)
                << info.out << info.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(home / comm::kHeldQueuesFileName));
    const auto captured = Captured();
    EXPECT_TRUE(Contains(captured, {0x1D, 0x28, 0x4D, 0x02, 0x00, 0x02, 0x01, 0x1B, 0x74, 0x13,
                                    0x1B, 0x52, 0x08, 0x1B, 0x4D, 0x01}))
        << "the code page, character set and font job";
    EXPECT_TRUE(Contains(captured, {0x1B, 0x70, 0x31, 0x50, 0x50})) << "the drawer 2 pulse";
}

// A queue on a serial device: the printer on a pseudo-terminal, printed to by CUPS's serial
// backend, and talked to directly while the queue is paused. The check ends with an empty job
// through the queue, which CUPS takes only as a job closed without a document.
class SerialQueueEndToEnd : public CliAgainstPrinter {
  protected:
    void SetUp() override {
        if (!cups.problem().empty()) {
            GTEST_SKIP() << "skipped: no private CUPS server: " << cups.problem();
        }
        printer = std::make_unique<PrinterProcess>(
            std::vector<std::string>{"--model", "TR-770II", "--pty", (home / "ttyVRT").string(),
                                     "--capture", (home / "capture.bin").string()});
        const auto line = printer->ReadLine();
        ASSERT_TRUE(line && line->starts_with("PTY /dev/")) << "the virtual printer did not start";
        device = line->substr(4);
        ASSERT_EQ(cups.AddQueue("serial", "serial:" + device + "?baud=115200", kDriver), 0)
            << cups.ErrorLog();
    }

    CupsServer cups;
    std::string device;
};

TEST_F(SerialQueueEndToEnd, ConversationsAndRawJobsBothReachThePrinter) {
    const CliRun listed = Run({"--model", "TR-770II", "queues"});
    EXPECT_NE(listed.out.find("serial\t0\t"), std::string::npos) << listed.out;

    CliRun run = Run({"--port", "queue:serial", "check"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "TR-770II answers on serial:" + device + "?baud=115200\n")
        << "a queue's port is named by its device URI";

    run = Run({"--port", "queue:serial", "test", "drawer2"});
    ASSERT_EQ(run.status, 0) << run.err << cups.ErrorLog();
    EXPECT_TRUE(Contains(ReadBytes(home / "capture.bin"), {0x1B, 0x70, 0x31, 0x50, 0x50}))
        << "the drawer 2 pulse, printed by the serial backend";

    const auto queue = platform::OpenSystemPrintQueues()->Query("serial");
    ASSERT_TRUE(queue);
    EXPECT_NE(queue->state, platform::QueueState::Stopped);
    EXPECT_EQ(queue->pendingJobs, 0);
    EXPECT_FALSE(std::filesystem::exists(home / comm::kHeldQueuesFileName));
}

}  // namespace
}  // namespace vrtruty::test
