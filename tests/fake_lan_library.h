// A LAN library for conversation tests: records every call and answers from a script.
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
    struct RecvCall {
        std::int32_t handle;
        std::size_t room;
    };

    // ---- Script: each queue answers its calls in order; an empty queue gives the default ----

    void SetStartupResult(int result) { startupResult_ = result; }
    void QueueOpenPort(std::int32_t handle) { openPortResults_.push_back(handle); }  // default 7
    void QueueSetUseICMP(int result) { setUseIcmpResults_.push_back(result); }       // default 1
    void QueueWritePort(WriteAnswer answer) { writeResults_.push_back(answer); }     // default all
    // Default: 1 with no bytes, as when the printer has not answered yet.
    void QueueRecvPort(RecvAnswer answer) { recvResults_.push_back(std::move(answer)); }
    void QueueRecvBytes(std::vector<std::uint8_t> bytes) { QueueRecvPort({1, std::move(bytes)}); }
    void QueueClosePort(int result) { closePortResults_.push_back(result); }  // default 1
    void SetOpenStatusResult(std::int32_t handle) { openStatusResult_ = handle; }
    // Bytes GetDeviceID copies out (prefix included); none makes it fail.
    void SetDeviceId(std::optional<std::vector<std::uint8_t>> bytes) {
        deviceId_ = std::move(bytes);
    }
    void SetOpenSearchResult(std::int32_t handle) { openSearchResult_ = handle; }
    void SetSearchAnswers(std::vector<comm::LanSearchAnswer> answers, int result = 1) {
        searchAnswers_ = std::move(answers);
        searchResult_ = result;
    }

    // ---- What happened ----

    // Names of the calls in order ("OpenPort", "SetUseICMP", ...).
    const std::vector<std::string>& calls() const { return calls_; }
    const std::vector<std::string>& openedAddresses() const { return openedAddresses_; }
    const std::vector<int>& setUseIcmpArguments() const { return setUseIcmpArguments_; }
    const std::vector<WriteCall>& writes() const { return writes_; }
    const std::vector<RecvCall>& receives() const { return receives_; }
    const std::vector<std::int32_t>& closedPorts() const { return closedPorts_; }
    // Bytes of all writes that reported success, joined.
    std::vector<std::uint8_t> written() const { return written_; }
    std::size_t pendingReceives() const { return recvResults_.size(); }

    // ---- LanLibrary ----

    int Startup() override {
        calls_.emplace_back("Startup");
        return startupResult_;
    }
    void Cleanup() override { calls_.emplace_back("Cleanup"); }

    std::int32_t OpenPort(std::string_view address) override {
        calls_.emplace_back("OpenPort");
        openedAddresses_.emplace_back(address);
        return Next(openPortResults_, kDefaultHandle);
    }
    int ClosePort(std::int32_t handle) override {
        calls_.emplace_back("ClosePort");
        closedPorts_.push_back(handle);
        return Next(closePortResults_, 1);
    }
    int WritePort(std::int32_t handle, std::span<const std::uint8_t> data,
                  std::uint32_t& written) override {
        calls_.emplace_back("WritePort");
        writes_.push_back({handle, {data.begin(), data.end()}});
        const WriteAnswer answer = Next(writeResults_, WriteAnswer{});
        written = answer.written.value_or(static_cast<std::uint32_t>(data.size()));
        if (answer.result != 0) {
            const std::size_t count = std::min<std::size_t>(written, data.size());
            written_.insert(written_.end(), data.begin(),
                            data.begin() + static_cast<std::ptrdiff_t>(count));
        }
        return answer.result;
    }
    // A scripted chunk larger than the room is split: the rest answers the next call.
    int RecvPort(std::int32_t handle, std::span<std::uint8_t> buffer,
                 std::uint32_t& received) override {
        calls_.emplace_back("RecvPort");
        receives_.push_back({handle, buffer.size()});
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
    int SetUseICMP(int use) override {
        calls_.emplace_back("SetUseICMP");
        setUseIcmpArguments_.push_back(use);
        return Next(setUseIcmpResults_, 1);
    }

    std::int32_t OpenStatus(std::string_view ipAddress) override {
        calls_.emplace_back("OpenStatus");
        openedAddresses_.emplace_back(ipAddress);
        return openStatusResult_;
    }
    int GetDeviceID(std::int32_t /*handle*/, std::span<std::uint8_t> buffer,
                    std::uint32_t& length) override {
        calls_.emplace_back("GetDeviceID");
        length = 0;
        if (!deviceId_) {
            return 0;
        }
        const std::size_t count = std::min(deviceId_->size(), buffer.size());
        std::copy_n(deviceId_->begin(), count, buffer.begin());
        length = static_cast<std::uint32_t>(count);
        return 1;
    }
    int CloseStatus(std::int32_t /*handle*/) override {
        calls_.emplace_back("CloseStatus");
        return 1;
    }

    std::int32_t OpenSearch() override {
        calls_.emplace_back("OpenSearch");
        return openSearchResult_;
    }
    int SendSearch(std::int32_t /*handle*/, std::span<comm::LanSearchAnswer> answers,
                   int maxAnswers, int /*retries*/, int /*flags*/, std::uint32_t& count) override {
        calls_.emplace_back("SendSearch");
        const std::size_t limit = std::min({searchAnswers_.size(), answers.size(),
                                            static_cast<std::size_t>(std::max(maxAnswers, 0))});
        std::copy_n(searchAnswers_.begin(), limit, answers.begin());
        count = static_cast<std::uint32_t>(limit);
        return searchResult_;
    }
    int CloseSearch(std::int32_t /*handle*/) override {
        calls_.emplace_back("CloseSearch");
        return 1;
    }

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

    int startupResult_ = 1;
    std::deque<std::int32_t> openPortResults_;
    std::deque<int> setUseIcmpResults_;
    std::deque<WriteAnswer> writeResults_;
    std::deque<RecvAnswer> recvResults_;
    std::deque<int> closePortResults_;
    std::int32_t openStatusResult_ = kDefaultHandle;
    std::optional<std::vector<std::uint8_t>> deviceId_;
    std::int32_t openSearchResult_ = kDefaultHandle;
    std::vector<comm::LanSearchAnswer> searchAnswers_;
    int searchResult_ = 1;

    std::vector<std::string> calls_;
    std::vector<std::string> openedAddresses_;
    std::vector<int> setUseIcmpArguments_;
    std::vector<WriteCall> writes_;
    std::vector<RecvCall> receives_;
    std::vector<std::int32_t> closedPorts_;
    std::vector<std::uint8_t> written_;
};

}  // namespace vrtruty::test
