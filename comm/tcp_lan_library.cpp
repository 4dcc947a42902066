#include "comm/tcp_lan_library.h"

#include "comm/printer_search.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

namespace vrtruty::comm {

using platform::HostAndPort;
using platform::IoResult;
using platform::IoStatus;
using platform::TcpConnection;

TcpLanLibrary::TcpLanLibrary(std::size_t deviceIdPrefixSize, std::uint16_t printingPort,
                             std::chrono::milliseconds connectTimeout)
    : deviceIdPrefixSize_(deviceIdPrefixSize),
      printingPort_(printingPort),
      connectTimeout_(connectTimeout) {}

void TcpLanLibrary::setFinder(std::unique_ptr<PrinterFinder> finder,
                              std::function<void(std::string_view)> note) {
    finder_ = std::move(finder);
    note_ = std::move(note);
}

int TcpLanLibrary::Startup() {
    return 1;
}

void TcpLanLibrary::Cleanup() {
    entries_.clear();
    lastOpenedPort_ = -1;
}

std::int32_t TcpLanLibrary::OpenPort(std::string_view address) {
    lastOpenedPort_ = -1;
    lastOpenError_.clear();
    const std::optional<HostAndPort> target = platform::ParseHostAndPort(address, printingPort_);
    if (!target) {
        lastOpenError_ = std::make_error_code(std::errc::invalid_argument);
        return -1;
    }
    std::optional<TcpConnection> connection =
        TcpConnection::Connect(*target, connectTimeout_, lastOpenError_);
    if (!connection) {
        return -1;
    }
    lastOpenedPort_ = Add(HandleKind::Port, std::move(connection));
    return lastOpenedPort_;
}

int TcpLanLibrary::ClosePort(std::int32_t handle) {
    return Remove(handle, HandleKind::Port) ? 1 : 0;
}

int TcpLanLibrary::WritePort(std::int32_t handle, std::span<const std::uint8_t> data,
                             std::uint32_t& written) {
    written = 0;
    Entry* entry = Find(handle, HandleKind::Port);
    if (entry == nullptr || data.size() > kLanMaxWrite) {
        return 0;
    }
    const IoResult result = entry->connection->Send(data, kLanWriteTimeout);
    written = static_cast<std::uint32_t>(result.bytes);
    return result.status == IoStatus::Done ? 1 : 0;
}

int TcpLanLibrary::RecvPort(std::int32_t handle, std::span<std::uint8_t> buffer,
                            std::uint32_t& received) {
    received = 0;
    Entry* entry = Find(handle, HandleKind::Port);
    if (entry == nullptr) {
        return 0;
    }
    // The caller polls with its own pauses in between, so nothing here waits.
    const std::size_t room =
        std::min<std::size_t>(buffer.size(), std::numeric_limits<std::uint32_t>::max());
    const IoResult result =
        entry->connection->Receive(buffer.first(room), std::chrono::milliseconds::zero());
    switch (result.status) {
        case IoStatus::Done:
            received = static_cast<std::uint32_t>(result.bytes);
            return 1;
        case IoStatus::TimedOut:
            return 1;
        case IoStatus::Failed:
            return 0;
    }
    return 0;
}

int TcpLanLibrary::SetUseICMP(int use) {
    if (use == 0) {
        return 1;
    }
    const Entry* entry = Find(lastOpenedPort_, HandleKind::Port);
    return entry != nullptr && entry->connection->IsUsable() ? 1 : 0;
}

std::int32_t TcpLanLibrary::OpenStatus(std::string_view ipAddress) {
    // A printer the running search found told its device ID already.
    if (std::optional<std::string> deviceId = FoundDeviceId(ipAddress)) {
        const std::int32_t handle = Add(HandleKind::Status, std::nullopt);
        entries_.at(handle).deviceId = std::move(deviceId);
        return handle;
    }
    std::optional<HostAndPort> target = platform::ParseHostAndPort(ipAddress);
    if (!target) {
        return -1;
    }
    // The status channel is the printing port too, whatever port the address names.
    target->port = printingPort_;
    std::error_code error;
    std::optional<TcpConnection> connection =
        TcpConnection::Connect(*target, connectTimeout_, error);
    if (!connection) {
        return -1;
    }
    return Add(HandleKind::Status, std::move(connection));
}

int TcpLanLibrary::GetDeviceID(std::int32_t handle, std::span<std::uint8_t> buffer,
                               std::uint32_t& length) {
    length = 0;
    const Entry* entry = Find(handle, HandleKind::Status);
    // Over the printing port no device ID is asked; callers treat this as an unknown model.
    if (entry == nullptr || !entry->deviceId || buffer.size() < deviceIdPrefixSize_) {
        return 0;
    }
    const std::size_t size = std::min(entry->deviceId->size(), buffer.size() - deviceIdPrefixSize_);
    const std::size_t total = deviceIdPrefixSize_ + size;
    if (deviceIdPrefixSize_ == kFirstSlotDeviceIdPrefix) {
        // Two bytes of the whole length, high byte first, as IEEE 1284 sends them.
        buffer[0] = static_cast<std::uint8_t>(total >> 8);
        buffer[1] = static_cast<std::uint8_t>(total & 0xFF);
    } else if (deviceIdPrefixSize_ == kSecondSlotDeviceIdPrefix) {
        // Four hexadecimal digits of the whole length and a blank.
        char digits[6];
        std::snprintf(digits, sizeof digits, "%04X ", static_cast<unsigned>(total & 0xFFFF));
        std::memcpy(buffer.data(), digits, kSecondSlotDeviceIdPrefix);
    } else {
        std::fill_n(buffer.begin(), deviceIdPrefixSize_, std::uint8_t{0});
    }
    std::memcpy(buffer.data() + deviceIdPrefixSize_, entry->deviceId->data(), size);
    length = static_cast<std::uint32_t>(total);
    return 1;
}

int TcpLanLibrary::CloseStatus(std::int32_t handle) {
    return Remove(handle, HandleKind::Status) ? 1 : 0;
}

std::int32_t TcpLanLibrary::OpenSearch() {
    return Add(HandleKind::Search, std::nullopt);
}

int TcpLanLibrary::SendSearch(std::int32_t handle, std::span<LanSearchAnswer> answers,
                              int maxAnswers, int /*retries*/, int /*flags*/,
                              std::uint32_t& count) {
    count = 0;
    Entry* entry = Find(handle, HandleKind::Search);
    if (entry == nullptr) {
        return 0;
    }
    entry->found.clear();
    if (finder_ == nullptr) {
        return 1;
    }
    std::string note;
    entry->found = finder_->Find(note);
    if (!note.empty() && note_) {
        note_(note);
    }
    const std::size_t room =
        std::min<std::size_t>(answers.size(), static_cast<std::size_t>(std::max(maxAnswers, 0)));
    entry->found.resize(std::min(entry->found.size(), room));
    const auto fill = [](char(&field)[32], std::string_view text) {
        const std::size_t size = std::min(text.size(), sizeof field - 1);
        std::memcpy(field, text.data(), size);
        field[size] = '\0';
    };
    for (std::size_t i = 0; i < entry->found.size(); ++i) {
        const FoundPrinter& printer = entry->found[i];
        fill(answers[i].ipAddress, printer.ipAddress);
        fill(answers[i].macAddress, printer.macAddress);
        fill(answers[i].machineName, DeviceIdModel(printer.deviceId).value_or(""));
    }
    count = static_cast<std::uint32_t>(entry->found.size());
    return 1;
}

int TcpLanLibrary::CloseSearch(std::int32_t handle) {
    Remove(handle, HandleKind::Search);
    return 1;
}

std::int32_t TcpLanLibrary::Add(HandleKind kind, std::optional<TcpConnection> connection) {
    // Handles are not reused soon, so a stale handle cannot reach a newer connection.
    std::int32_t handle = 0;
    do {
        handle = nextHandle_;
        nextHandle_ = handle == std::numeric_limits<std::int32_t>::max() ? 1 : handle + 1;
    } while (entries_.contains(handle));
    entries_.emplace(handle, Entry{kind, std::move(connection), {}, std::nullopt});
    return handle;
}

std::optional<std::string> TcpLanLibrary::FoundDeviceId(std::string_view ipAddress) const {
    for (const auto& [handle, entry] : entries_) {
        for (const FoundPrinter& printer : entry.found) {
            if (printer.ipAddress == ipAddress) {
                return printer.deviceId;
            }
        }
    }
    return std::nullopt;
}

TcpLanLibrary::Entry* TcpLanLibrary::Find(std::int32_t handle, HandleKind kind) {
    const auto found = entries_.find(handle);
    if (found == entries_.end() || found->second.kind != kind) {
        return nullptr;
    }
    return &found->second;
}

bool TcpLanLibrary::Remove(std::int32_t handle, HandleKind kind) {
    if (Find(handle, kind) == nullptr) {
        return false;
    }
    entries_.erase(handle);
    return true;
}

}  // namespace vrtruty::comm
