// Ownership of one open file descriptor: closed when the owner goes away.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace vrtruty::platform {

class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }

    // Hands the descriptor to an owner that closes it itself.
    int release() { return std::exchange(fd_, -1); }

    // Closes now and reports the outcome: on some file systems a failed close is the first
    // sign that written data did not reach the disk.
    std::error_code close() {
        const int fd = std::exchange(fd_, -1);
        if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) {
            return {errno, std::generic_category()};
        }
        return {};
    }

  private:
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    int fd_ = -1;
};

}  // namespace vrtruty::platform
