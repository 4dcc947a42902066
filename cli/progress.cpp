#include "cli/progress.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace vrtruty::cli {

Progress::Progress(CommandContext& context, std::string_view doing, std::size_t totalBytes)
    : context_(context), shown_(context.errIsTerminal && !context.dryRun), total_(totalBytes) {
    if (shown_) {
        context_.err << doing << "...\n" << std::flush;
    }
}

Progress::~Progress() {
    if (shown_ && percent_ >= 0) {
        context_.err << "\n" << std::flush;  // the progress line stays as it ended
    }
}

void Progress::Follow(comm::PortAccess& port) {
    if (shown_ && total_ > 0) {
        port.setWriteProgressSink([this](std::size_t bytes) { Written(bytes); });
    }
}

void Progress::Written(std::size_t bytes) {
    written_ += bytes;
    const std::size_t done = std::min(written_, total_);
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent == percent_) {
        return;
    }
    percent_ = percent;
    // One line, written over: carriage return, then the line cleared to its end.
    context_.err << "\r\x1b[K" << std::to_string(percent) << " % (" << done << " of " << total_
                 << " bytes)" << std::flush;
}

}  // namespace vrtruty::cli
