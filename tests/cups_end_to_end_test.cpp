// The command line through printer queues of a private CUPS server whose queues print to the
// virtual printer on loopback: raw jobs, the hand-over around a conversation, and its undoing
// after a run that died.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli_harness.h"
#include "comm/queue_handover.h"
#include "cups_server.h"
#include "platform/print_queues.h"

namespace vrtruty::test {
namespace {

const std::string kDriver = "VRM TR-770II Raster";

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

}  // namespace
}  // namespace vrtruty::test
