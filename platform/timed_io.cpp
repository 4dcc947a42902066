#include "platform/timed_io.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>

namespace vrtruty::platform {
namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Pause before retrying a call that found nothing to do although poll() reported the descriptor
// ready. Drivers without poll support (the parallel printer driver) always report ready, and
// retrying them at once would spin the processor until the time-out.
constexpr milliseconds kNotReadyPause{10};

std::error_code LastError() {
    return {errno, std::generic_category()};
}

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

class Deadline {
  public:
    explicit Deadline(milliseconds timeout)
        : end_(Steady::now() + std::max(timeout, milliseconds::zero())) {}

    // Rounded up, so that a wait never ends a fraction of a millisecond before the deadline and
    // leaves the caller to spin through the rest.
    milliseconds remaining() const {
        const auto left = std::chrono::ceil<milliseconds>(end_ - Steady::now());
        return std::max(left, milliseconds::zero());
    }
    bool passed() const { return Steady::now() >= end_; }

  private:
    Steady::time_point end_;
};

int PollMilliseconds(milliseconds duration) {
    return static_cast<int>(std::min<milliseconds::rep>(duration.count(), INT_MAX));
}

enum class Readiness { Ready, TimedOut, Failed };

// Waits until the descriptor reports one of the events, or an error or hang-up, which the call
// that follows then reports in its own terms.
Readiness WaitFor(int fd, short events, const Deadline& deadline, std::error_code& error) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, PollMilliseconds(deadline.remaining()));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = LastError();
            return Readiness::Failed;
        }
        if (ready == 0) {
            return Readiness::TimedOut;
        }
        if ((entry.revents & POLLNVAL) != 0) {
            error = std::make_error_code(std::errc::bad_file_descriptor);
            return Readiness::Failed;
        }
        return Readiness::Ready;
    }
}

void PauseWithin(const Deadline& deadline) {
    ::poll(nullptr, 0, PollMilliseconds(std::min(deadline.remaining(), kNotReadyPause)));
}

ssize_t Put(int fd, std::span<const std::uint8_t> data, DescriptorKind kind) {
    if (kind == DescriptorKind::Socket) {
        // A peer that has gone away must show as an error here, not end the program by SIGPIPE.
        return ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    }
    return ::write(fd, data.data(), data.size());
}

ssize_t Get(int fd, std::span<std::uint8_t> buffer, DescriptorKind kind) {
    if (kind == DescriptorKind::Socket) {
        return ::recv(fd, buffer.data(), buffer.size(), 0);
    }
    return ::read(fd, buffer.data(), buffer.size());
}

IoResult Failure(std::size_t bytes, std::error_code error) {
    return {IoStatus::Failed, bytes, error};
}

}  // namespace

IoResult WriteWithin(int fd, std::span<const std::uint8_t> data, milliseconds timeout,
                     DescriptorKind kind) {
    const Deadline deadline(timeout);
    std::size_t done = 0;
    bool reportedReady = false;
    while (done < data.size()) {
        const ssize_t written = Put(fd, data.subspan(done), kind);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            reportedReady = false;
            continue;
        }
        if (written == 0) {
            // The device took nothing although it had room; waiting would only repeat that.
            return Failure(done, std::make_error_code(std::errc::io_error));
        }
        if (errno == EINTR) {
            continue;
        }
        if (!WouldBlock(errno)) {
            return Failure(done, LastError());
        }
        if (reportedReady) {
            if (deadline.passed()) {
                return {IoStatus::TimedOut, done, {}};
            }
            PauseWithin(deadline);
            reportedReady = false;
            continue;
        }
        std::error_code error;
        switch (WaitFor(fd, POLLOUT, deadline, error)) {
            case Readiness::Ready:
                reportedReady = true;
                break;
            case Readiness::TimedOut:
                return {IoStatus::TimedOut, done, {}};
            case Readiness::Failed:
                return Failure(done, error);
        }
    }
    return {IoStatus::Done, done, {}};
}

IoResult ReadWithin(int fd, std::span<std::uint8_t> buffer, milliseconds timeout,
                    DescriptorKind kind) {
    if (buffer.empty()) {
        return {};
    }
    const Deadline deadline(timeout);
    for (;;) {
        std::error_code error;
        switch (WaitFor(fd, POLLIN, deadline, error)) {
            case Readiness::Ready:
                break;
            case Readiness::TimedOut:
                return {IoStatus::TimedOut, 0, {}};
            case Readiness::Failed:
                return Failure(0, error);
        }
        ssize_t got = 0;
        do {
            got = Get(fd, buffer, kind);
        } while (got < 0 && errno == EINTR);
        if (got > 0) {
            return {IoStatus::Done, static_cast<std::size_t>(got), {}};
        }
        if (got == 0) {
            if (kind == DescriptorKind::Socket) {
                return Failure(0, std::make_error_code(std::errc::connection_reset));
            }
            return {IoStatus::Done, 0, {}};
        }
        if (!WouldBlock(errno)) {
            return Failure(0, LastError());
        }
        if (deadline.passed()) {
            return {IoStatus::TimedOut, 0, {}};
        }
        PauseWithin(deadline);
    }
}

}  // namespace vrtruty::platform
