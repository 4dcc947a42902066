// The byte buffers of the Extension 1 functions (stored defaults, code table, sending a file) and
// of the printer tests. Each buffer is sent as one job through the one-shot send operation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

namespace vrtruty::tools {

// Result codes of LoadSendFile (beside the printer error codes, e.g. PRT_ERR_MEMORY -13).
inline constexpr int SEND_ERR_NOFILE = -36;  // the file does not exist or cannot be opened
inline constexpr int SEND_ERR_NOPATH = -37;  // no path given
inline constexpr int SEND_ERR_READ = -38;    // the file could not be read completely

// Operation numbers of the one-shot send operation for these jobs.
inline constexpr int kOperationChangeDefaults = 14;
inline constexpr int kOperationCodeTable = 15;
inline constexpr int kOperationSendFile = 16;
inline constexpr int kOperationPrinterTest = 17;

// The error-recovery prefix sent first when the ERRAUTO switch is on.
inline constexpr std::uint8_t kErrorRecoveryPrefix[] = {0x1D, 0x65, 0x75, 0x45, 0x00};

// Choices of the three Extension 1 lists: 0 is "Not Change", 1... the entries of the lists.
struct DefaultValueChoice {
    int codePage = 0;                // 0..22
    int internationalCharacter = 0;  // 0..16
    int font = 0;                    // 0..3
};

// Names of the list entries in index order (index 0 is "Not Change" and is not listed here):
// code pages "PC437" ... "TCVN 5712", characters "America" ... "China", fonts "Font A" ...
std::span<const std::string_view> CodePageNames();
std::span<const std::string_view> InternationalCharacterNames();
std::span<const std::string_view> FontNames();

// The command block that changes the printer's stored defaults; empty when every list is on
// "Not Change" (nothing is sent then). Never carries the error-recovery prefix.
std::vector<std::uint8_t> BuildChangeDefaultsBuffer(const DefaultValueChoice& choice);

// The fixed 649-byte code-table check page.
std::vector<std::uint8_t> BuildCodeTablePage();

enum class PrinterTest { Head, Buzzer, Cutter, Drawer1, Drawer2 };
// The test's bytes, after the error-recovery prefix when errorAutoRecover is set.
std::vector<std::uint8_t> BuildPrinterTestBuffer(PrinterTest test, bool errorAutoRecover);

// A file to send unchanged, after the error-recovery prefix when errorAutoRecover is set.
struct SendFileResult {
    int result = 0;  // 0, SEND_ERR_NOPATH, SEND_ERR_NOFILE, SEND_ERR_READ or PRT_ERR_MEMORY
    std::vector<std::uint8_t> buffer;
    std::error_code reason;  // the system's reason of a file that could not be read
};
SendFileResult LoadSendFile(const std::filesystem::path& path, bool errorAutoRecover);

}  // namespace vrtruty::tools
