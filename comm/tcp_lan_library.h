// A LAN library slot served by this program itself: every printer is reached over a raw TCP
// connection to its printing port, and found on the network by the slot's finder.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "comm/lan_library.h"
#include "comm/printer_finder.h"
#include "platform/tcp_socket.h"

namespace vrtruty::comm {

// Length prefix in front of the device ID of the first slot's library (binary length).
inline constexpr std::size_t kFirstSlotDeviceIdPrefix = 2;
// Length prefix of the second slot's: 4 hexadecimal digits of the length and one more byte.
inline constexpr std::size_t kSecondSlotDeviceIdPrefix = 5;
// How long a connection to a printer may take to be set up.
inline constexpr std::chrono::milliseconds kLanConnectTimeout{3000};
// How long one WritePort may wait for the printer to accept its bytes.
inline constexpr std::chrono::milliseconds kLanWriteTimeout{5000};
// Bytes one WritePort call takes at most.
inline constexpr std::size_t kLanMaxWrite = 1024;

class TcpLanLibrary final : public LanLibrary {
  public:
    // printingPort: the TCP port of printers whose address names none; printers listen on 9100,
    // the virtual printer of tests and demonstrations on any port.
    explicit TcpLanLibrary(std::size_t deviceIdPrefixSize,
                           std::uint16_t printingPort = platform::kRawPrinterPort,
                           std::chrono::milliseconds connectTimeout = kLanConnectTimeout);

    std::size_t deviceIdPrefixSize() const { return deviceIdPrefixSize_; }

    // The way SendSearch finds printers; without a finder a search finds nothing. `note` hears
    // what the finder has to say about a search (for the log).
    void setFinder(std::unique_ptr<PrinterFinder> finder,
                   std::function<void(std::string_view)> note = {});

    int Startup() override;
    void Cleanup() override;

    std::int32_t OpenPort(std::string_view address) override;
    std::error_code LastOpenError() const override { return lastOpenError_; }
    int ClosePort(std::int32_t handle) override;
    int WritePort(std::int32_t handle, std::span<const std::uint8_t> data,
                  std::uint32_t& written) override;
    int RecvPort(std::int32_t handle, std::span<std::uint8_t> buffer,
                 std::uint32_t& received) override;
    int SetUseICMP(int use) override;

    std::int32_t OpenStatus(std::string_view ipAddress) override;
    int GetDeviceID(std::int32_t handle, std::span<std::uint8_t> buffer,
                    std::uint32_t& length) override;
    int CloseStatus(std::int32_t handle) override;

    std::int32_t OpenSearch() override;
    int SendSearch(std::int32_t handle, std::span<LanSearchAnswer> answers, int maxAnswers,
                   int retries, int flags, std::uint32_t& count) override;
    int CloseSearch(std::int32_t handle) override;

  private:
    // What a handle stands for; a handle of one kind is unknown to the calls of the others.
    enum class HandleKind {
        Port,    // a printing connection (OpenPort)
        Status,  // a device status connection (OpenStatus)
        Search,  // a network search (OpenSearch)
    };
    struct Entry {
        HandleKind kind;
        std::optional<platform::TcpConnection> connection;  // none for a search
        std::vector<FoundPrinter> found;                    // a search's printers
        std::optional<std::string> deviceId;  // a status handle of a printer the search found
    };

    std::int32_t Add(HandleKind kind, std::optional<platform::TcpConnection> connection);
    // The device ID an open search learnt of the printer at that address.
    std::optional<std::string> FoundDeviceId(std::string_view ipAddress) const;
    Entry* Find(std::int32_t handle, HandleKind kind);
    bool Remove(std::int32_t handle, HandleKind kind);

    std::size_t deviceIdPrefixSize_;
    std::uint16_t printingPort_;
    std::chrono::milliseconds connectTimeout_;
    std::map<std::int32_t, Entry> entries_;
    std::int32_t nextHandle_ = 1;
    std::int32_t lastOpenedPort_ = -1;
    std::error_code lastOpenError_;
    std::unique_ptr<PrinterFinder> finder_;
    std::function<void(std::string_view)> note_;
};

}  // namespace vrtruty::comm
