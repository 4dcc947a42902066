#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/print_queues.h"

namespace vrtruty::platform {

// A printing system for tests: queues as the test lists them, every change recorded, and jobs
// that stay queued for as many looks as the test says.
class FakePrintQueues final : public PrintQueues {
  public:
    struct Job {
        int id = 0;
        std::string queue;
        std::string title;
        std::vector<std::uint8_t> data;
    };

    std::vector<PrintQueueInfo> queues;
    bool reachable = true;
    bool pauseFails = false;
    bool resumeFails = false;
    RawJobStep failAt = RawJobStep::Done;        // the step a raw job fails at
    int looksUntilDone = 0;                      // Progress answers Waiting this often first
    JobProgress jobEnd = JobProgress::Finished;  // then this
    std::vector<Job> jobs;
    std::vector<std::string> calls;  // "pause Q", "resume Q", "cancel 1"

    PrintQueueInfo* Find(const std::string& name) {
        const auto it = std::ranges::find(queues, name, &PrintQueueInfo::name);
        return it == queues.end() ? nullptr : &*it;
    }

    std::optional<std::vector<PrintQueueInfo>> List() override {
        if (!reachable) {
            return std::nullopt;
        }
        return queues;
    }
    std::optional<PrintQueueInfo> Query(const std::string& queue) override {
        const PrintQueueInfo* found = reachable ? Find(queue) : nullptr;
        return found != nullptr ? std::optional(*found) : std::nullopt;
    }
    bool Pause(const std::string& queue, const std::string& message) override {
        calls.push_back("pause " + queue);
        PrintQueueInfo* found = Find(queue);
        if (pauseFails || found == nullptr) {
            return false;
        }
        found->state = QueueState::Stopped;
        found->stateMessage = message;
        return true;
    }
    bool Resume(const std::string& queue) override {
        calls.push_back("resume " + queue);
        PrintQueueInfo* found = Find(queue);
        if (resumeFails || found == nullptr) {
            return false;
        }
        found->state = QueueState::Idle;
        found->stateMessage.clear();
        return true;
    }
    RawJobResult SubmitRawJob(const std::string& queue, const std::string& title,
                              std::span<const std::uint8_t> data) override {
        const int id = static_cast<int>(jobs.size()) + 1;
        jobs.push_back({id, queue, title, {data.begin(), data.end()}});
        calls.push_back("job " + queue + " " + std::to_string(data.size()) + " bytes");
        return {failAt, failAt == RawJobStep::Starting ? 0 : id};
    }
    JobProgress Progress(int /*jobId*/) override {
        ++looks;
        return looks <= looksUntilDone ? JobProgress::Waiting : jobEnd;
    }
    bool Cancel(int jobId) override {
        calls.push_back("cancel " + std::to_string(jobId));
        return true;
    }

    int looks = 0;
};

}  // namespace vrtruty::platform
