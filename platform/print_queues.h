// The printing system's queues (CUPS here): what queues there are, their state, pausing and
// resuming them, and raw jobs. Everything the utility decides about queues sits above this.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vrtruty::platform {

enum class QueueState {
    Idle,        // ready, nothing printing
    Processing,  // a job is being printed
    Stopped,     // paused: no job goes to the device
};

struct PrintQueueInfo {
    std::string name;          // what the queue is addressed by
    std::string deviceUri;     // "socket://192.0.2.1:9100", "serial:/dev/ttyS0?baud=9600", ...
    std::string makeAndModel;  // the driver: a PPD's *NickName
    bool remote = false;       // a queue of another computer, reached through this one
    QueueState state = QueueState::Idle;
    std::vector<std::string> stateReasons;  // "media-empty-error", "door-open-report", ...
    std::string stateMessage;               // the text set with the last pause
    int pendingJobs = 0;                    // jobs not finished yet, held ones included
};

// How far a raw job got before it failed.
enum class RawJobStep {
    Done,      // the job is in the queue
    Starting,  // the queue refused a new job
    Sending,   // the data did not arrive
    Ending,    // the job could not be closed
};

struct RawJobResult {
    RawJobStep step = RawJobStep::Starting;
    int jobId = 0;  // valid once the job was created
};

enum class JobProgress {
    Waiting,   // still in the queue
    Finished,  // handed to the device completely
    Stopped,   // cancelled or aborted: the data did not all reach the device
    Unknown,   // the printing system did not say
};

class PrintQueues {
  public:
    virtual ~PrintQueues() = default;
    // Every queue the printing system knows, local ones and those of other computers; nullopt
    // when the printing system cannot be reached.
    virtual std::optional<std::vector<PrintQueueInfo>> List() = 0;
    virtual std::optional<PrintQueueInfo> Query(const std::string& queue) = 0;
    // Stops the queue with the message shown to whoever looks at it; its backend lets go of the
    // device once the current job ends.
    virtual bool Pause(const std::string& queue, const std::string& message) = 0;
    virtual bool Resume(const std::string& queue) = 0;
    // One job whose data go to the device unchanged; empty data make an empty job.
    virtual RawJobResult SubmitRawJob(const std::string& queue, const std::string& title,
                                      std::span<const std::uint8_t> data) = 0;
    virtual JobProgress Progress(int jobId) = 0;
    virtual bool Cancel(int jobId) = 0;
};

// The printing system of this machine, as the CUPS_SERVER environment (or the client
// configuration) names it. Nothing is contacted until the first call.
std::unique_ptr<PrintQueues> OpenSystemPrintQueues();

}  // namespace vrtruty::platform
