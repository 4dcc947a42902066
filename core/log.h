// The diagnostic log: a plain text trace for service staff, appended to one file beside the
// program. It is switched on by configuration only and never reaches the user interface; when it
// is off an entry costs one flag test and no file is ever created.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace vrtruty::app {

// Name of the log file in the program's home folder.
inline constexpr std::string_view kLogFileName = "_DEBUG.LOG";
// First entry of every logged operation and of every early-failure report (17 '>').
inline constexpr std::string_view kLogOpenLine = ">>>>>>>>>>>>>>>>>";
// Last entry of every logged operation and of every early-failure report (17 '<').
inline constexpr std::string_view kLogCloseLine = "<<<<<<<<<<<<<<<<<";

// One entry as it is meant to read: "[hh:mm:ss:mmm] message\n". Line breaks inside the message are
// kept, so only the first line carries the time stamp. The file stores each LF of it as CR LF.
std::string FormatLogEntry(const platform::LocalTime& time, std::string_view message);

// The hex dump of one received block, written as a single entry after "PrinterReceiveData
// Success". Rows of 16 bytes end with CR (not LF), so the whole dump stays one entry.
std::string FormatReceivedDataDump(std::span<const std::uint8_t> data);

// The bytes the file receives for an entry: every LF becomes CR LF, as a text-mode stream writes
// it on the platform the log format comes from; a CR on its own stays as it is.
std::string ToTextModeLineEnds(std::string_view text);

class Logger {
  public:
    // Switched off: every call returns at once.
    Logger() = default;
    Logger(std::filesystem::path file, const platform::Clock& clock, bool enabled);

    bool enabled() const { return enabled_; }

    // Appends one time-stamped entry. The file is opened and closed for every entry so another
    // program can read it between entries; an entry that cannot be written is dropped silently,
    // because the log must never disturb the operation it traces.
    void WriteLog(std::string_view message);

    // ">>>>>>>>>>>>>>>>>" and "<name> Start".
    void Start(std::string_view name);
    // "<name> End" and "<<<<<<<<<<<<<<<<<".
    void End(std::string_view name);
    // An operation that ends early: ">>>>>>>>>>>>>>>>>", the text, "<<<<<<<<<<<<<<<<<".
    void Failure(std::string_view text);
    // "PrinterReceiveData Success" and the dump of the block.
    void ReceivedData(std::span<const std::uint8_t> data);

  private:
    std::filesystem::path file_;
    const platform::Clock* clock_ = nullptr;
    bool enabled_ = false;
};

}  // namespace vrtruty::app
