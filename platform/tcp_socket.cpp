#include "platform/tcp_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <memory>
#include <utility>

#include "platform/file_descriptor.h"
#include "platform/timed_io.h"

namespace vrtruty::platform {
namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// Errors of the host name look-up, which has its own numbering.
class AddressLookupCategory final : public std::error_category {
  public:
    const char* name() const noexcept override { return "getaddrinfo"; }
    std::string message(int code) const override { return ::gai_strerror(code); }
};

std::error_code LookupError(int code) {
    static const AddressLookupCategory category;
    if (code == EAI_SYSTEM) {
        return LastError();
    }
    return {code, category};
}

struct AddressListDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListDeleter>;

// A host a user may mean: an IPv4 address in dotted decimal, an IPv6 address, or a host name of
// letters, digits, '-' and '.' (labels of 1 to 63 characters, not beginning or ending with '-').
// Digits and dots alone must make an IPv4 address: "192.168.1.300" is a mistyped address, not a
// name to look up.
bool IsValidHost(std::string_view host) {
    if (host.empty() || host.size() > 253) {
        return false;
    }
    const std::string text(host);
    if (host.find(':') != std::string_view::npos) {
        in6_addr v6{};
        return ::inet_pton(AF_INET6, text.c_str(), &v6) == 1;
    }
    const auto digitOrDot = [](char c) { return (c >= '0' && c <= '9') || c == '.'; };
    if (std::all_of(host.begin(), host.end(), digitOrDot)) {
        in_addr v4{};
        return ::inet_pton(AF_INET, text.c_str(), &v4) == 1;
    }
    std::size_t labelStart = 0;
    for (std::size_t i = 0; i <= host.size(); ++i) {
        if (i < host.size() && host[i] != '.') {
            const char c = host[i];
            const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                 (c >= '0' && c <= '9') || c == '-';
            if (!allowed) {
                return false;
            }
            continue;
        }
        const std::string_view label = host.substr(labelStart, i - labelStart);
        const bool lastAndEmpty = i == host.size() && label.empty() && labelStart > 0;
        if (!lastAndEmpty &&
            (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')) {
            return false;
        }
        labelStart = i + 1;
    }
    return true;
}

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

int PollMilliseconds(milliseconds duration) {
    return static_cast<int>(std::clamp<milliseconds::rep>(duration.count(), 0, INT_MAX));
}

// One attempt on one address; the socket stays non-blocking, as every later call waits by poll().
FileDescriptor ConnectTo(const addrinfo& address, Steady::time_point deadline,
                         std::error_code& error) {
    FileDescriptor fd(::socket(address.ai_family,
                               address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                               address.ai_protocol));
    if (!fd.valid()) {
        error = LastError();
        return {};
    }
    if (::connect(fd.get(), address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            error = LastError();
            return {};
        }
        for (;;) {
            const auto left = std::chrono::ceil<milliseconds>(deadline - Steady::now());
            pollfd entry{fd.get(), POLLOUT, 0};
            const int ready = ::poll(&entry, 1, PollMilliseconds(left));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0) {
                error = LastError();
                return {};
            }
            if (ready == 0) {
                error = std::make_error_code(std::errc::timed_out);
                return {};
            }
            break;
        }
        int outcome = 0;
        socklen_t size = sizeof outcome;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &outcome, &size) != 0) {
            error = LastError();
            return {};
        }
        if (outcome != 0) {
            error = {outcome, std::generic_category()};
            return {};
        }
    }
    // Commands are small and each waits for its answer; delaying them to fill packets would only
    // add latency to every exchange. A refusal costs speed, not function.
    const int on = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

}  // namespace

std::optional<HostAndPort> ParseHostAndPort(std::string_view address, std::uint16_t defaultPort) {
    HostAndPort result;
    result.port = defaultPort;
    std::string_view host = address;
    std::string_view port;
    bool hasPort = false;
    if (address.starts_with('[')) {
        const std::size_t close = address.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = address.substr(1, close - 1);
        const std::string_view rest = address.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                return std::nullopt;
            }
            port = rest.substr(1);
            hasPort = true;
        }
    } else if (const std::size_t colon = address.find(':');
               colon != std::string_view::npos &&
               address.find(':', colon + 1) == std::string_view::npos) {
        // More than one colon is an IPv6 address written without brackets, which cannot carry a
        // port.
        host = address.substr(0, colon);
        port = address.substr(colon + 1);
        hasPort = true;
    }
    if (!IsValidHost(host)) {
        return std::nullopt;
    }
    result.host = std::string(host);
    if (hasPort) {
        const std::optional<std::uint16_t> number = ParsePort(port);
        if (!number) {
            return std::nullopt;
        }
        result.port = *number;
    }
    return result;
}

std::optional<TcpConnection> TcpConnection::Connect(const HostAndPort& address,
                                                    milliseconds timeout, std::error_code& error) {
    error.clear();
    const Steady::time_point deadline = Steady::now() + std::max(timeout, milliseconds::zero());

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(address.port);
    // The look-up itself is not bounded by the time-out: the resolver has its own.
    if (const int failed = ::getaddrinfo(address.host.c_str(), service.c_str(), &hints, &found);
        failed != 0) {
        error = LookupError(failed);
        return std::nullopt;
    }
    const AddressList addresses(found);

    error = std::make_error_code(std::errc::host_unreachable);
    for (const addrinfo* entry = addresses.get(); entry != nullptr; entry = entry->ai_next) {
        if (Steady::now() >= deadline) {
            error = std::make_error_code(std::errc::timed_out);
            break;
        }
        FileDescriptor fd = ConnectTo(*entry, deadline, error);
        if (fd.valid()) {
            error.clear();
            return TcpConnection(fd.release());
        }
    }
    return std::nullopt;
}

TcpConnection::TcpConnection(TcpConnection&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

TcpConnection::~TcpConnection() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool TcpConnection::IsUsable() const {
    if (fd_ < 0) {
        return false;
    }
    int pending = 0;
    socklen_t size = sizeof pending;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &pending, &size) != 0 || pending != 0) {
        return false;
    }
    // Looks at the next byte without taking it: data or nothing yet means the connection stands,
    // an end of stream means the peer has closed its side.
    std::uint8_t next = 0;
    ssize_t got = 0;
    do {
        got = ::recv(fd_, &next, 1, MSG_PEEK | MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    if (got > 0) {
        return true;
    }
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

IoResult TcpConnection::Send(std::span<const std::uint8_t> data, milliseconds timeout) {
    if (fd_ < 0) {
        return {IoStatus::Failed, 0, std::make_error_code(std::errc::not_connected)};
    }
    return WriteWithin(fd_, data, timeout, DescriptorKind::Socket);
}

IoResult TcpConnection::Receive(std::span<std::uint8_t> buffer, milliseconds timeout) {
    if (fd_ < 0) {
        return {IoStatus::Failed, 0, std::make_error_code(std::errc::not_connected)};
    }
    return ReadWithin(fd_, buffer, timeout, DescriptorKind::Socket);
}

}  // namespace vrtruty::platform
