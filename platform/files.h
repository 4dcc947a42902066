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

// Writes a new content under the target's name so that a reader sees either the old file or the
// new one, never a mixture: on any failure the old target stays as it was and nothing else is
// left behind. An existing target's permission bits carry over to the new content.
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
