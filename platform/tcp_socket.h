// A TCP connection to a network printer's raw port.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/device_channel.h"

namespace vrtruty::platform {

// The raw printing port of network printers.
inline constexpr std::uint16_t kRawPrinterPort = 9100;

// "HOST" or "HOST:PORT" ("[v6-address]:PORT" for IPv6); nothing when the text is no address. An
// address without a port gets defaultPort.
struct HostAndPort {
    std::string host;
    std::uint16_t port = kRawPrinterPort;
};
std::optional<HostAndPort> ParseHostAndPort(std::string_view address,
                                            std::uint16_t defaultPort = kRawPrinterPort);

class TcpConnection {
  public:
    // Connects within the time-out; nothing on failure (error says why).
    static std::optional<TcpConnection> Connect(const HostAndPort& address,
                                                std::chrono::milliseconds timeout,
                                                std::error_code& error);

    TcpConnection(TcpConnection&& other) noexcept;
    TcpConnection& operator=(TcpConnection&& other) noexcept;
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;
    ~TcpConnection();

    // True while the connection is established and the peer has not closed it.
    bool IsUsable() const;
    // Sends all bytes within the time-out.
    IoResult Send(std::span<const std::uint8_t> data, std::chrono::milliseconds timeout);
    // Receives what is there, waiting at most `timeout` (0: do not wait) for the first byte.
    // A peer that closed the connection gives Failed.
    IoResult Receive(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout);

  private:
    explicit TcpConnection(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace vrtruty::platform
