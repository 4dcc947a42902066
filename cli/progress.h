// What a long command says while it works: a line naming what it does and, where the length is
// known, a progress line driven by the bytes the printer took. All of it goes to the error stream,
// and only when a person watches it there (a terminal, without --quiet); standard output stays
// what scripts read.
#pragma once

#include <cstddef>
#include <string_view>

#include "cli/commands.h"
#include "comm/port_access.h"

namespace vrtruty::cli {

class Progress {
  public:
    // doing: "Checking the connection", without the dots. totalBytes: what the sends will take
    // altogether, 0 when not known.
    Progress(CommandContext& context, std::string_view doing, std::size_t totalBytes = 0);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Counts what the port sends from now on.
    void Follow(comm::PortAccess& port);

  private:
    void Written(std::size_t bytes);

    CommandContext& context_;
    bool shown_;
    std::size_t total_;
    std::size_t written_ = 0;
    int percent_ = -1;
};

}  // namespace vrtruty::cli
