#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

namespace vrtruty::platform {

// The whole content of a file of any size; nullopt when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path);

// Why a file was refused beyond what the system reports.
enum class FileError {
    NotRegularFile = 1,  // a folder, FIFO, socket or device where a file was expected
    TooLarge,            // larger than any real file of its format
    NotCharacterDevice,  // a port's name that is no device
};
const std::error_category& FileErrorCategory();
std::error_code make_error_code(FileError error);

struct FileContent {
    std::vector<std::uint8_t> bytes;
    std::error_code error;  // the file was not read; bytes is empty
};

// Reads a regular file of at most maxBytes. Opening never blocks (a FIFO or a device in the
// file's place is refused, not waited on), and no more than maxBytes + 1 bytes are ever held, so a
// link to an endless device or a huge file costs neither time nor memory.
FileContent ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes);

// True when the descriptor is open on a character device (a terminal, a USB printer, a parallel
// port), not a file, FIFO or socket that happens to sit where a device was expected.
bool IsCharacterDevice(int fd);

// Writes a new content under the target's name so that a reader sees either the old file or the
// new one, never a mixture: on any failure the old target stays as it was and nothing else is
// left behind. An existing target's permission bits carry over to the new content. A symbolic
// link is followed: the file it points to is replaced and the link stays. A target that exists
// but is no regular file (a FIFO, a device, a folder) is refused with FileError::NotRegularFile.
std::error_code ReplaceFileAtomically(const std::filesystem::path& target,
                                      std::span<const std::uint8_t> bytes);

// Creates a file that must not exist yet (std::errc::file_exists otherwise). A file that could
// not be written completely is removed again.
std::error_code CreateFileExclusively(const std::filesystem::path& path,
                                      std::span<const std::uint8_t> bytes);

// A regular file nobody may write to. It counts as read-only even where the permission check
// would let this process through (as it does for root): replacing it by renaming would undo the
// owner's choice.
bool IsReadOnlyFile(const std::filesystem::path& path);

// Adds the bytes at the end of the file, creating it when it is missing.
bool AppendToFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace vrtruty::platform

template <>
struct std::is_error_code_enum<vrtruty::platform::FileError> : std::true_type {};
