// Working with printer queues: taking the queues off a device before the utility talks to it
// directly and giving them back afterwards (pausing and resuming them, with a record in the home
// folder so that a run that dies leaves none paused), the queue's state as printer errors, and
// raw jobs through a queue with their time budget. PortReplace itself is in send_operation.h.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "comm/port_access.h"
#include "comm/print_queue_list.h"
#include "platform/print_queues.h"

namespace vrtruty::comm {

// The name the record file of paused queues has in the home folder.
inline constexpr std::string_view kHeldQueuesFileName = "Vrtrutyq.dat";
// The state message a queue paused by the utility carries, so that it is recognised later.
inline constexpr std::string_view kHeldQueueMessage =
    "Paused by the TR Thermal Printer Utility while it talks to the printer";
// The title of every raw job.
inline constexpr std::string_view kRawJobTitle = "Printer Setting Data";

// A queue's state as the printer error it means: PRT_ERR_COVEROPEN, PRT_ERR_PAPEREMPTY,
// PRT_ERR_CUTTERJAM (a jam while printing), or 0.
int QueueStatusError(const platform::PrintQueueInfo& queue);
// Stopped, or its device reports off line.
bool QueueOffLine(const platform::PrintQueueInfo& queue);

// Whether the queue prints on the device of this port type and name (device file, "HOST[:PORT]",
// USB serial number).
bool QueueOnDevice(const WinPrinterEntry& queue, int portType, std::string_view device);

// How long a raw job of the operation may take to leave the queue: a fixed minute for the
// operations that send little, else 12 s plus the transfer time at the serial rate (the network
// rate for other ports), at least a minute.
std::chrono::milliseconds SpoolerBudget(int operation, std::size_t length, int portType,
                                        std::uint32_t serialRate);

// The record of paused queues: one queue name a line.
std::vector<std::string> ReadHeldQueues(const std::filesystem::path& record);
// Resumes the queues a previous run left paused, as far as they still carry its mark; those
// that cannot be reached stay in the record for the next start. Returns how many were resumed.
int RecoverHeldQueues(platform::PrintQueues* queues, const std::filesystem::path& record,
                      app::Logger& log);

// Sends the data as one raw job to the chosen queue and waits until it has left the queue.
int SpoolerSend(PortAccess& port, int operation, std::span<const std::uint8_t> data);

// The status of the chosen queue's printer from the queue's state: 0, PRT_ERR_OPEN when the
// queue cannot be asked, or the error its state means.
int CheckQueueState(PortAccess& port);

}  // namespace vrtruty::comm
