#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <string_view>
#include <utility>

#include "platform/file_descriptor.h"

namespace vrtruty::platform {
namespace {

// Mode of a new file before the process's umask takes its share.
constexpr mode_t kNewFileMode = 0644;
// How often a fresh temporary name is tried before giving up.
constexpr int kTemporaryNameAttempts = 100;
// Length of the random part of a temporary name.
constexpr std::size_t kTemporarySuffixLength = 6;
// Size of one read when the final size is not known in advance.
constexpr std::size_t kReadChunk = 64 * 1024;

std::error_code LastError() {
    return {errno, std::generic_category()};
}

// Removes a file that an unfinished operation created, unless the operation completed.
class RemoveUnlessKept {
  public:
    explicit RemoveUnlessKept(std::filesystem::path path) : path_(std::move(path)) {}
    RemoveUnlessKept(const RemoveUnlessKept&) = delete;
    RemoveUnlessKept& operator=(const RemoveUnlessKept&) = delete;
    ~RemoveUnlessKept() {
        if (!kept_) {
            ::unlink(path_.c_str());
        }
    }
    void keep() { kept_ = true; }

  private:
    std::filesystem::path path_;
    bool kept_ = false;
};

FileDescriptor OpenFile(const std::filesystem::path& path, int flags, mode_t mode = 0) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return FileDescriptor(fd);
}

std::error_code WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return {};
}

std::error_code SyncFile(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) {
            return LastError();
        }
    }
    return {};
}

std::string RandomSuffix() {
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string suffix(kTemporarySuffixLength, '\0');
    for (char& c : suffix) {
        c = kAlphabet[pick(source)];
    }
    return suffix;
}

struct TemporaryFile {
    FileDescriptor fd;
    std::filesystem::path path;
};

// A hidden file beside the target: the final rename must not cross file systems, and the
// leading dot keeps it out of sight should a crash leave it behind. The file is opened with
// the ordinary new-file mode (rather than mkstemp's fixed 0600) so that the umask decides
// a new target's permissions exactly as it would for a file created directly.
std::optional<TemporaryFile> CreateTemporaryBeside(const std::filesystem::path& target,
                                                   std::error_code& error) {
    const std::filesystem::path folder = target.parent_path();
    const std::string prefix = "." + target.filename().string() + ".";
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::filesystem::path candidate = folder / (prefix + RandomSuffix());
        FileDescriptor fd = OpenFile(candidate, O_WRONLY | O_CREAT | O_EXCL, kNewFileMode);
        if (fd.valid()) {
            return TemporaryFile{std::move(fd), std::move(candidate)};
        }
        if (errno != EEXIST) {
            error = LastError();
            return std::nullopt;
        }
    }
    error = std::make_error_code(std::errc::file_exists);
    return std::nullopt;
}

// Makes the rename itself durable; the replacement has already happened when this runs, so a
// failure here is no reason to report the whole operation as failed.
void SyncFolder(const std::filesystem::path& folder) {
    const FileDescriptor fd =
        OpenFile(folder.empty() ? std::filesystem::path(".") : folder, O_RDONLY | O_DIRECTORY);
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path) {
    const FileDescriptor fd = OpenFile(path, O_RDONLY);
    if (!fd.valid()) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }

    // The size from fstat is only a hint: files under /proc report 0 and others may grow
    // while being read, so read until the end. The one byte more than expected lets the end of
    // an unchanged file show without growing the buffer.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 0) +
                                    1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            bytes.resize(filled + kReadChunk);
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            bytes.resize(filled);
            return bytes;
        }
        filled += static_cast<std::size_t>(got);
    }
}

std::error_code ReplaceFileAtomically(const std::filesystem::path& target,
                                      std::span<const std::uint8_t> bytes) {
    if (!target.has_filename()) {
        return std::make_error_code(std::errc::invalid_argument);
    }

    std::error_code error;
    std::optional<TemporaryFile> temporary = CreateTemporaryBeside(target, error);
    if (!temporary) {
        return error;
    }
    RemoveUnlessKept cleanup(temporary->path);

    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        ::fchmod(temporary->fd.get(), existing.st_mode & 07777) != 0) {
        return LastError();
    }
    if (const std::error_code written = WriteAll(temporary->fd.get(), bytes)) {
        return written;
    }
    if (const std::error_code synced = SyncFile(temporary->fd.get())) {
        return synced;
    }
    if (const std::error_code closed = temporary->fd.close()) {
        return closed;
    }
    if (::rename(temporary->path.c_str(), target.c_str()) != 0) {
        return LastError();
    }
    cleanup.keep();
    SyncFolder(target.parent_path());
    return {};
}

std::error_code CreateFileExclusively(const std::filesystem::path& path,
                                      std::span<const std::uint8_t> bytes) {
    FileDescriptor fd = OpenFile(path, O_WRONLY | O_CREAT | O_EXCL, kNewFileMode);
    if (!fd.valid()) {
        return LastError();
    }
    RemoveUnlessKept cleanup(path);
    if (std::error_code error = WriteAll(fd.get(), bytes)) {
        return error;
    }
    if (std::error_code error = fd.close()) {
        return error;
    }
    cleanup.keep();
    return {};
}

bool AppendToFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    FileDescriptor fd = OpenFile(path, O_WRONLY | O_CREAT | O_APPEND, kNewFileMode);
    if (!fd.valid()) {
        return false;
    }
    if (WriteAll(fd.get(), bytes)) {
        return false;
    }
    return !fd.close();
}

bool IsReadOnlyFile(const std::filesystem::path& path) {
    std::error_code ignored;
    const std::filesystem::file_status status = std::filesystem::status(path, ignored);
    if (!std::filesystem::is_regular_file(status)) {
        return false;
    }
    using std::filesystem::perms;
    constexpr perms kAnyWrite = perms::owner_write | perms::group_write | perms::others_write;
    return (status.permissions() & kAnyWrite) == perms::none;
}

}  // namespace vrtruty::platform
