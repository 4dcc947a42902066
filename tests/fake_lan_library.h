// A LAN library for conversation tests: records the calls the port layer makes and answers them
// from a script.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "comm/lan_library.h"

namespace vrtruty::test {

class FakeLanLibrary : public comm::LanLibrary {
  public:
    // Handle that OpenPort, OpenStatus and OpenSearch give when nothing else is scripted.
    static constexpr std::int32_t kDefaultHandle = 7;

    // One scripted WritePort answer; `written` defaults to the whole piece.
    struct WriteAnswer {
        int result = 1;
        std::optional<std::uint32_t> written;
    };
    // One scripted RecvPort answer.
    struct RecvAnswer {
        int result = 1;
        std::vector<std::uint8_t> bytes;
    };
    struct WriteCall {
        std::int32_t handle;
        std::vector<std::uint8_t> bytes;
    };

    // ---- Script: each queue answers its calls in order; an empty queue gives the default ----

    void QueueOpenPort(std::int32_t handle) { openPortResults_.push_back(handle); }
    void QueueWritePort(WriteAnswer answer) { writeResults_.push_back(answer); }
    // Default: 1 with no bytes, as when the printer has not answered yet.
    void QueueRecvPort(RecvAnswer answer) { recvResults_.push_back(std::move(answer)); }
    void QueueRecvBytes(std::vector<std::uint8_t> bytes) { QueueRecvPort({1, std::move(bytes)}); }

    // ---- What happened ----

    // Addresses given to OpenPort and OpenStatus, in order.
    const std::vector<std::string>& openedAddresses() const { return openedAddresses_; }
    const std::vector<WriteCall>& writes() const { return writes_; }
    const std::vector<std::int32_t>& closedPorts() const { return closedPorts_; }

    // ---- LanLibrary: without a script every call succeeds, and nothing is found ----

    int Startup() override { return 1; }
    void Cleanup() override {}

    std::int32_t OpenPort(std::string_view address) override {
        openedAddresses_.emplace_back(address);
        return Next(openPortResults_, kDefaultHandle);
    }
    int ClosePort(std::int32_t handle) override {
        closedPorts_.push_back(handle);
        return 1;
    }
    int WritePort(std::int32_t handle, std::span<const std::uint8_t> data,
                  std::uint32_t& written) override {
        writes_.push_back({handle, {data.begin(), data.end()}});
        const WriteAnswer answer = Next(writeResults_, WriteAnswer{});
        written = answer.written.value_or(static_cast<std::uint32_t>(data.size()));
        return answer.result;
    }
    // A scripted chunk larger than the room is split: the rest answers the next call.
    int RecvPort(std::int32_t /*handle*/, std::span<std::uint8_t> buffer,
                 std::uint32_t& received) override {
        received = 0;
        if (recvResults_.empty()) {
            return 1;
        }
        RecvAnswer& answer = recvResults_.front();
        const std::size_t count = std::min(answer.bytes.size(), buffer.size());
        std::copy_n(answer.bytes.begin(), count, buffer.begin());
        received = static_cast<std::uint32_t>(count);
        const int result = answer.result;
        answer.bytes.erase(answer.bytes.begin(),
                           answer.bytes.begin() + static_cast<std::ptrdiff_t>(count));
        if (answer.bytes.empty()) {
            recvResults_.pop_front();
        }
        return result;
    }
    int SetUseICMP(int /*use*/) override { return 1; }

    std::int32_t OpenStatus(std::string_view ipAddress) override {
        openedAddresses_.emplace_back(ipAddress);
        return kDefaultHandle;
    }
    int GetDeviceID(std::int32_t /*handle*/, std::span<std::uint8_t> /*buffer*/,
                    std::uint32_t& length) override {
        length = 0;
        return 0;
    }
    int CloseStatus(std::int32_t /*handle*/) override { return 1; }

    std::int32_t OpenSearch() override { return kDefaultHandle; }
    int SendSearch(std::int32_t /*handle*/, std::span<comm::LanSearchAnswer> /*answers*/,
                   int /*maxAnswers*/, int /*retries*/, int /*flags*/,
                   std::uint32_t& count) override {
        count = 0;
        return 1;
    }
    int CloseSearch(std::int32_t /*handle*/) override { return 1; }

  private:
    template <typename T>
    static T Next(std::deque<T>& queue, T fallback) {
        if (queue.empty()) {
            return fallback;
        }
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }

    std::deque<std::int32_t> openPortResults_;
    std::deque<WriteAnswer> writeResults_;
    std::deque<RecvAnswer> recvResults_;

    std::vector<std::string> openedAddresses_;
    std::vector<WriteCall> writes_;
    std::vector<std::int32_t> closedPorts_;
};

}  // namespace vrtruty::test
