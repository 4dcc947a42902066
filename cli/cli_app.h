// The command line as a function, so that tests can run it in-process with their own clock.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace vrtruty::cli {

// Runs one command line (without the program name); returns the exit status. Long operations
// report their progress on err when errIsTerminal says a person watches it.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           platform::Clock& clock, bool errIsTerminal = false);

}  // namespace vrtruty::cli
