#include "core/log.h"

#include <cstdio>
#include <utility>

#include "platform/files.h"

namespace vrtruty::app {
namespace {

// Width of the star rules that frame a dump.
constexpr std::size_t kDumpRuleWidth = 47;
// Bytes per dump row.
constexpr std::size_t kDumpRowBytes = 16;
// A short last row of n bytes is 3n - 1 characters wide ("xx" and a comma between bytes); padding
// it with kDumpPadBase - 3n blanks brings it to 47, the width of a full row, so the character
// columns line up.
constexpr std::size_t kDumpPadBase = 48;
// Every character column starts with this gap after the hexadecimal text.
constexpr std::string_view kDumpColumnGap = "     ";

}  // namespace

std::string FormatLogEntry(const platform::LocalTime& time, std::string_view message) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "[%02d:%02d:%02d:%03d] ", time.hour, time.minute,
                  time.second, time.millisecond);
    std::string entry(stamp);
    entry.append(message);
    entry.push_back('\n');
    return entry;
}

// The original built the dump in a fixed buffer of 10,240 bytes, which cuts off blocks of more
// than about 3,300 bytes. Service staff read the log to see what the printer actually sent, so a
// partial dump is worse than a long one: the whole block is written, nothing is dropped.
std::string FormatReceivedDataDump(std::span<const std::uint8_t> data) {
    const std::string rule(kDumpRuleWidth, '*');
    char header[64];
    std::snprintf(header, sizeof header, "ReceiveData = %ld Byte\n",
                  static_cast<long>(data.size()));

    std::string dump(header);
    dump += rule;
    dump += '\n';

    std::string column(kDumpColumnGap);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint8_t byte = data[i];
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(byte));
        dump += hex;
        // Control bytes would break the row apart (0x0A, 0x0D) or be invisible.
        column += byte < 0x20 ? '.' : static_cast<char>(byte);

        if ((i + 1) % kDumpRowBytes == 0) {
            dump += column;
            // CR, not LF: the text-mode write would turn an LF into a new line without a time
            // stamp, and the dump must stay one entry.
            dump += '\r';
            column = kDumpColumnGap;
        } else if (i + 1 < data.size()) {
            dump += ',';
        }
    }
    const std::size_t inLastRow = data.size() % kDumpRowBytes;
    if (inLastRow != 0) {
        dump.append(kDumpPadBase - 3 * inLastRow, ' ');
        dump += column;
    }

    dump += '\n';
    dump += rule;
    return dump;
}

std::string ToTextModeLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

Logger::Logger(std::filesystem::path file, const platform::Clock& clock, bool enabled)
    : file_(std::move(file)), clock_(&clock), enabled_(enabled) {}

void Logger::WriteLog(std::string_view message) {
    if (!enabled_ || clock_ == nullptr) {
        return;
    }
    const std::string bytes = ToTextModeLineEnds(FormatLogEntry(clock_->localTime(), message));
    // An unwritable log is not an error of the operation being traced: the entry is dropped.
    static_cast<void>(platform::AppendToFile(
        file_, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
}

void Logger::Start(std::string_view name) {
    if (!enabled_) {
        return;
    }
    WriteLog(kLogOpenLine);
    WriteLog(std::string(name) + " Start");
}

void Logger::End(std::string_view name) {
    if (!enabled_) {
        return;
    }
    WriteLog(std::string(name) + " End");
    WriteLog(kLogCloseLine);
}

void Logger::Failure(std::string_view text) {
    if (!enabled_) {
        return;
    }
    WriteLog(kLogOpenLine);
    WriteLog(text);
    WriteLog(kLogCloseLine);
}

void Logger::ReceivedData(std::span<const std::uint8_t> data) {
    if (!enabled_) {
        return;
    }
    WriteLog("PrinterReceiveData Success");
    WriteLog(FormatReceivedDataDump(data));
}

}  // namespace vrtruty::app
