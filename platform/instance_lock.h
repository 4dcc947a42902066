#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/clock.h"

namespace vrtruty::platform {

// Held by the running copy of the utility for its whole run, so that a second copy can tell
// that it is not alone. The lock goes with the process: it is released when the holder is
// destroyed or the process ends in any way, so a crash never leaves a stale lock behind.
class InstanceLock {
  public:
    // Takes the lock named `name` without waiting. nullopt when someone else holds it, this
    // process included, or when the lock file cannot be opened.
    static std::optional<InstanceLock> TryAcquire(std::string_view name,
                                                  const std::filesystem::path& lockDirectory);

    struct Attempt;
    // Takes the lock `name`, waiting through the clock up to `patience` while another holder
    // has it. The error is std::errc::resource_unavailable_try_again when the holder kept it
    // longer, or why the lock file could not be opened.
    static Attempt Acquire(std::string_view name, const std::filesystem::path& lockDirectory,
                           Clock& clock, std::chrono::milliseconds patience);

    // The user's runtime folder when the session has one, else a private folder under /tmp.
    static std::filesystem::path DefaultLockDirectory();

    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    // The file that carries the lock; it stays when the lock is released.
    const std::filesystem::path& path() const { return path_; }

  private:
    InstanceLock(int fd, std::filesystem::path path);
    void release() noexcept;

    int fd_ = -1;
    std::filesystem::path path_;
};

struct InstanceLock::Attempt {
    std::optional<InstanceLock> lock;
    std::error_code error;  // when lock is empty
};

}  // namespace vrtruty::platform
