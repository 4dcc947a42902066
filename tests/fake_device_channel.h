// A device channel for conversation tests: records what the port layer writes and answers its
// reads and status queries from a script.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/device_channel.h"

namespace vrtruty::test {

class FakeDeviceChannel : public platform::DeviceChannel {
  public:
    // Computes the printer's answer to one write; an empty answer adds nothing to the replies.
    using Responder = std::function<std::vector<std::uint8_t>(std::span<const std::uint8_t>)>;

    struct WriteCall {
        std::vector<std::uint8_t> bytes;  // everything offered, also when the write failed
        std::chrono::milliseconds timeout;
    };
    struct ReadCall {
        std::size_t capacity;  // room the caller offered
        std::chrono::milliseconds timeout;
    };

    // ---- Script ----

    // Each read returns the next chunk (the front part only, when the buffer is smaller).
    void QueueReply(std::vector<std::uint8_t> chunk) { replies_.push_back(std::move(chunk)); }
    void SetResponder(Responder responder) { responder_ = std::move(responder); }
    // The next write fails with the error, accepting nothing.
    void FailNextWrite(std::error_code error = std::make_error_code(std::errc::io_error)) {
        writeOutcome_ = Outcome{platform::IoStatus::Failed, 0, error};
    }
    // The next write runs out of time after the device accepted `accepted` bytes.
    void TimeOutNextWrite(std::size_t accepted = 0) {
        writeOutcome_ = Outcome{platform::IoStatus::TimedOut, accepted, {}};
    }
    // The next read fails with the error, whatever replies are queued.
    void FailNextRead(std::error_code error = std::make_error_code(std::errc::io_error)) {
        readFailure_ = error;
    }
    // Answers of the serial status query in order; the last one repeats once the others are used.
    // Without any, the query reports nothing, as for a device that is no serial port.
    void QueueSerialStatus(std::optional<platform::SerialLineStatus> status) {
        serialStatus_.push_back(status);
    }
    void SetParallelStatus(std::optional<std::uint8_t> status) { parallelStatus_ = status; }

    // ---- What happened ----

    const std::vector<WriteCall>& writes() const { return writes_; }
    const std::vector<ReadCall>& reads() const { return reads_; }
    // All bytes of the successful writes, joined.
    std::vector<std::uint8_t> written() const { return written_; }
    std::size_t serialStatusQueries() const { return serialStatusQueries_; }
    std::size_t parallelStatusQueries() const { return parallelStatusQueries_; }
    std::size_t pendingReplies() const { return replies_.size(); }

    // ---- DeviceChannel ----

    platform::IoResult Write(std::span<const std::uint8_t> data,
                             std::chrono::milliseconds timeout) override {
        writes_.push_back({{data.begin(), data.end()}, timeout});
        if (writeOutcome_) {
            const Outcome outcome = *std::exchange(writeOutcome_, std::nullopt);
            const std::size_t accepted = std::min(outcome.bytes, data.size());
            written_.insert(written_.end(), data.begin(),
                            data.begin() + static_cast<std::ptrdiff_t>(accepted));
            return {outcome.status, accepted, outcome.error};
        }
        written_.insert(written_.end(), data.begin(), data.end());
        if (responder_) {
            std::vector<std::uint8_t> answer = responder_(data);
            if (!answer.empty()) {
                replies_.push_back(std::move(answer));
            }
        }
        return {platform::IoStatus::Done, data.size(), {}};
    }

    platform::IoResult Read(std::span<std::uint8_t> buffer,
                            std::chrono::milliseconds timeout) override {
        reads_.push_back({buffer.size(), timeout});
        if (readFailure_) {
            return {platform::IoStatus::Failed, 0, *std::exchange(readFailure_, std::nullopt)};
        }
        if (replies_.empty()) {
            return {platform::IoStatus::TimedOut, 0, {}};
        }
        std::vector<std::uint8_t>& chunk = replies_.front();
        const std::size_t count = std::min(chunk.size(), buffer.size());
        std::copy_n(chunk.begin(), count, buffer.begin());
        chunk.erase(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count));
        if (chunk.empty()) {
            replies_.pop_front();
        }
        return {platform::IoStatus::Done, count, {}};
    }

    std::optional<platform::SerialLineStatus> QuerySerialStatus() override {
        ++serialStatusQueries_;
        if (serialStatus_.empty()) {
            return std::nullopt;
        }
        std::optional<platform::SerialLineStatus> status = serialStatus_.front();
        if (serialStatus_.size() > 1) {
            serialStatus_.pop_front();
        }
        return status;
    }

    std::optional<std::uint8_t> QueryParallelStatus() override {
        ++parallelStatusQueries_;
        return parallelStatus_;
    }

  private:
    struct Outcome {
        platform::IoStatus status;
        std::size_t bytes;
        std::error_code error;
    };

    std::deque<std::vector<std::uint8_t>> replies_;
    Responder responder_;
    std::optional<Outcome> writeOutcome_;
    std::optional<std::error_code> readFailure_;
    std::deque<std::optional<platform::SerialLineStatus>> serialStatus_;
    std::optional<std::uint8_t> parallelStatus_;

    std::vector<WriteCall> writes_;
    std::vector<ReadCall> reads_;
    std::vector<std::uint8_t> written_;
    std::size_t serialStatusQueries_ = 0;
    std::size_t parallelStatusQueries_ = 0;
};

}  // namespace vrtruty::test
