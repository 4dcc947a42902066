// The lock that every read-modify-write of the home folder's files holds: the temporary
// settings, the configuration, the serial port defaults and the logo list. The window and any
// number of command lines may run at once; without the lock, two of them reading the same file,
// changing it and writing it back would silently lose one of the changes.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/instance_lock.h"

namespace vrtruty::app {

// How long a second writer waits for the first one to finish before it gives up: far longer
// than any update of these files takes, short enough not to look hung.
inline constexpr std::chrono::milliseconds kHomeLockPatience{5000};

struct HomeLock {
    std::optional<platform::InstanceLock> lock;
    std::string error;  // why the lock was not taken, when it was not
};

// Takes the home folder's lock, waiting through the clock while another copy holds it.
HomeLock LockHomeFolder(const std::filesystem::path& home, platform::Clock& clock);

}  // namespace vrtruty::app
