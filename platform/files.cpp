#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
    std::filesystem::path path;  // empty while the file has no name
};

// An unnamed file in the target's folder (the final rename must not cross file systems). It gets
// a name only when its content is complete, just before it replaces the target, so a process
// killed while writing leaves nothing behind. It is opened with the ordinary new-file mode (rather
// than mkstemp's fixed 0600) so that the umask decides a new target's permissions exactly as it
// would for a file created directly.
std::optional<TemporaryFile> CreateAnonymousBeside(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.parent_path();
    FileDescriptor fd = OpenFile(folder.empty() ? std::filesystem::path(".") : folder,
                                 O_WRONLY | O_TMPFILE, kNewFileMode);
    if (!fd.valid()) {
        return std::nullopt;
    }
    return TemporaryFile{std::move(fd), {}};
}

// A hidden file beside the target, for file systems without unnamed files; the leading dot keeps
// it out of sight should a crash leave it behind.
std::optional<TemporaryFile> CreateNamedBeside(const std::filesystem::path& target,
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

// Gives an unnamed temporary file a hidden name beside the target, so that it can be renamed over
// the target. A named one keeps its name.
std::error_code NameTemporary(TemporaryFile& temporary, const std::filesystem::path& target) {
    if (!temporary.path.empty()) {
        return {};
    }
    const std::string self = "/proc/self/fd/" + std::to_string(temporary.fd.get());
    const std::string prefix = "." + target.filename().string() + ".";
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::filesystem::path candidate = target.parent_path() / (prefix + RandomSuffix());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary.path = std::move(candidate);
            return {};
        }
        if (errno != EEXIST) {
            return LastError();
        }
    }
    return std::make_error_code(std::errc::file_exists);
}

// The file a target path stands for: symbolic links are followed (a link's own folder is where a
// relative link starts), so that replacing the file keeps the link.
std::filesystem::path FollowLinks(std::filesystem::path target) {
    constexpr int kMaxLinks = 40;  // as many as the system follows before ELOOP
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, error))) {
            break;
        }
        const std::filesystem::path link = std::filesystem::read_symlink(target, error);
        if (error) {
            break;
        }
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target;
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

// The texts of FileError, in the words of the system's own error messages.
class FileErrorCategoryImpl final : public std::error_category {
  public:
    const char* name() const noexcept override { return "vrtruty.file"; }
    std::string message(int value) const override {
        switch (static_cast<FileError>(value)) {
            case FileError::NotRegularFile:
                return "not a regular file";
            case FileError::TooLarge:
                return "file too large";
            case FileError::NotCharacterDevice:
                return "not a character device";
        }
        return "file error";
    }
};

}  // namespace

const std::error_category& FileErrorCategory() {
    static const FileErrorCategoryImpl category;
    return category;
}

std::error_code make_error_code(FileError error) {
    return {static_cast<int>(error), FileErrorCategory()};
}

FileContent ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever.
    const FileDescriptor fd = OpenFile(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (!fd.valid()) {
        return {{}, LastError()};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return {{}, LastError()};
    }
    if (!S_ISREG(info.st_mode)) {
        return {{}, FileError::NotRegularFile};
    }
    if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        return {{}, FileError::TooLarge};
    }
    // The size is only a hint (a file may grow while it is read): read to the end, but never
    // beyond the cap.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxBytes) {
                return {{}, FileError::TooLarge};
            }
            bytes.resize(std::min(filled + kReadChunk, maxBytes + 1));
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {{}, LastError()};
        }
        if (got == 0) {
            if (filled > maxBytes) {
                return {{}, FileError::TooLarge};
            }
            bytes.resize(filled);
            return {std::move(bytes), {}};
        }
        filled += static_cast<std::size_t>(got);
    }
}

bool IsCharacterDevice(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode);
}

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

std::error_code ReplaceFileAtomically(const std::filesystem::path& link,
                                      std::span<const std::uint8_t> bytes) {
    const std::filesystem::path target = FollowLinks(link);
    if (!target.has_filename()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        return FileError::NotRegularFile;
    }

    std::error_code error;
    std::optional<TemporaryFile> temporary = CreateAnonymousBeside(target);
    if (!temporary) {
        temporary = CreateNamedBeside(target, error);
    }
    if (!temporary) {
        return error;
    }
    std::optional<RemoveUnlessKept> cleanup;
    if (!temporary->path.empty()) {
        cleanup.emplace(temporary->path);
    }

    if (exists && ::fchmod(temporary->fd.get(), existing.st_mode & 07777) != 0) {
        return LastError();
    }
    if (const std::error_code written = WriteAll(temporary->fd.get(), bytes)) {
        return written;
    }
    if (const std::error_code synced = SyncFile(temporary->fd.get())) {
        return synced;
    }
    if (const std::error_code named = NameTemporary(*temporary, target)) {
        return named;
    }
    if (!cleanup) {
        cleanup.emplace(temporary->path);
    }
    if (const std::error_code closed = temporary->fd.close()) {
        return closed;
    }
    if (::rename(temporary->path.c_str(), target.c_str()) != 0) {
        return LastError();
    }
    cleanup->keep();
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
