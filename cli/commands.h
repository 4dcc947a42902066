// The commands of vrtruty-cli. Each runs on a started utility and returns the exit status.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"

namespace vrtruty::cli {

struct CommandContext {
    app::AppState& state;
    std::ostream& out;
    std::ostream& err;
};

struct Command {
    std::string_view name;
    std::string_view usage;    // arguments, for the usage text
    std::string_view summary;  // one line
    int (*run)(CommandContext& context, const std::vector<std::string>& args);
};

std::span<const Command> Commands();
const Command* FindCommand(std::string_view name);

// Writes "vrtruty-cli: <message>" to the error stream and returns the failure status.
int Failure(CommandContext& context, std::string_view message);

int RunInfo(CommandContext& context, const std::vector<std::string>& args);
int RunLang(CommandContext& context, const std::vector<std::string>& args);
int RunMessage(CommandContext& context, const std::vector<std::string>& args);

}  // namespace vrtruty::cli
