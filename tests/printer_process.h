// The virtual printer run as a child process by tests, its standard output read line by line.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"

namespace vrtruty::test {

using namespace std::chrono_literals;

// vrtruty-printer run as a child process, its standard output read line by line.
class PrinterProcess {
  public:
    explicit PrinterProcess(std::vector<std::string> arguments) {
        std::array<int, 2> pipe{};
        if (::pipe2(pipe.data(), O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe2");
        }
        arguments.insert(arguments.begin(), VRTRUTY_PRINTER_PATH);
        pid_ = Spawn(std::move(arguments), {pipe[1], {}});
        ::close(pipe[1]);
        output_ = pipe[0];
        if (pid_ < 0) {
            throw std::runtime_error("cannot start " + std::string(VRTRUTY_PRINTER_PATH));
        }
    }
    PrinterProcess(const PrinterProcess&) = delete;
    PrinterProcess& operator=(const PrinterProcess&) = delete;
    ~PrinterProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(output_);
    }

    // The next line of output; nothing at the end of the output or when the time is up.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            if (const auto newline = buffered_.find('\n'); newline != std::string::npos) {
                std::string line = buffered_.substr(0, newline);
                buffered_.erase(0, newline + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd fd{output_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
                return std::nullopt;
            }
            char chunk[512];
            const ssize_t got = ::read(output_, chunk, sizeof chunk);
            if (got <= 0) {
                return std::nullopt;
            }
            buffered_.append(chunk, static_cast<std::size_t>(got));
        }
    }

    // Sends the signal and collects the rest of the output; the exit status, or -1 when the
    // program did not end by itself.
    int Stop(int signal, std::vector<std::string>& lastLines) {
        ::kill(pid_, signal);
        while (const auto line = ReadLine()) {
            lastLines.push_back(*line);
        }
        int status = 0;
        if (::waitpid(pid_, &status, 0) != pid_) {
            return -1;
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string buffered_;
};

}  // namespace vrtruty::test
