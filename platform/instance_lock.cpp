#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

namespace vrtruty::platform {
namespace {

// Folder for the lock when the session has no runtime folder.
constexpr const char* kFallbackLockParent = "/tmp";
// Appended to the sanitised name to form the lock file's name.
constexpr std::string_view kLockFileExtension = ".lock";
// How often a held lock is tried again while waiting for it.
constexpr std::chrono::milliseconds kLockRetryInterval{20};
// Only the owner needs to open the lock file.
constexpr mode_t kLockFileMode = 0600;

bool IsPortableFileNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

// Lock names are free text (they contain spaces, and could contain separators), but they must
// end up as one plain file name inside the lock folder.
std::string LockFileName(std::string_view name) {
    std::string fileName;
    fileName.reserve(name.size() + kLockFileExtension.size());
    for (const char c : name) {
        fileName.push_back(IsPortableFileNameCharacter(c) ? c : '_');
    }
    fileName.append(kLockFileExtension);
    return fileName;
}

}  // namespace

std::optional<InstanceLock> InstanceLock::TryAcquire(std::string_view name,
                                                     const std::filesystem::path& lockDirectory) {
    RealClock unused;
    return Acquire(name, lockDirectory, unused, std::chrono::milliseconds::zero()).lock;
}

InstanceLock::Attempt InstanceLock::Acquire(std::string_view name,
                                            const std::filesystem::path& lockDirectory,
                                            Clock& clock, std::chrono::milliseconds patience) {
    std::filesystem::path path = lockDirectory / LockFileName(name);
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, kLockFileMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return {std::nullopt, {errno, std::generic_category()}};
    }
    // The holder owns the descriptor from here on, so every way out below closes it.
    InstanceLock lock(fd, std::move(path));

    // flock locks belong to the open file description, so a second open of the same file in
    // this process conflicts just like another process would. The file is never removed:
    // unlinking it while another copy has just opened it would let two copies lock two
    // different files of the same name.
    const std::chrono::milliseconds deadline = clock.now() + patience;
    for (;;) {
        if (::flock(lock.fd_, LOCK_EX | LOCK_NB) == 0) {
            return {std::move(lock), {}};
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            return {std::nullopt, {errno, std::generic_category()}};
        }
        if (clock.now() >= deadline) {
            return {std::nullopt, std::make_error_code(std::errc::resource_unavailable_try_again)};
        }
        clock.sleepFor(std::min(kLockRetryInterval, deadline - clock.now()));
    }
}

std::filesystem::path InstanceLock::DefaultLockDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && *runtime != '\0') {
        std::error_code error;
        if (std::filesystem::is_directory(runtime, error)) {
            return std::filesystem::path(runtime);
        }
    }
    // Without a runtime folder, each user gets a private folder of their own: the lock belongs to
    // one user's session, and another user's lock file must not be able to shut this user out.
    const std::filesystem::path own =
        std::filesystem::path(kFallbackLockParent) / ("vrtruty-" + std::to_string(::getuid()));
    ::mkdir(own.c_str(), 0700);
    return own;
}

InstanceLock::InstanceLock(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    release();
}

// Closing the only descriptor of the open file description drops the lock.
void InstanceLock::release() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace vrtruty::platform
