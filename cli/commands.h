// The commands of vrtruty-cli. Each runs on a started utility and returns the exit status.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"

namespace vrtruty::cli {

struct PortSpec;

struct CommandContext {
    app::AppState& state;
    std::ostream& out;
    std::ostream& err;
    bool dryRun = false;             // --dry-run
    const PortSpec* port = nullptr;  // --port, or null for the configured port
    bool errIsTerminal = false;      // progress lines go to the error stream
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
int RunCheck(CommandContext& context, const std::vector<std::string>& args);
int RunStatus(CommandContext& context, const std::vector<std::string>& args);
int RunTest(CommandContext& context, const std::vector<std::string>& args);
int RunDefaults(CommandContext& context, const std::vector<std::string>& args);
int RunCodeTable(CommandContext& context, const std::vector<std::string>& args);
int RunSendFile(CommandContext& context, const std::vector<std::string>& args);
int RunSettings(CommandContext& context, const std::vector<std::string>& args);
int RunLogo(CommandContext& context, const std::vector<std::string>& args);
int RunSearch(CommandContext& context, const std::vector<std::string>& args);

// A printer failure: its message in the user's language on the error stream, failure status.
int PrinterFailure(CommandContext& context, int code, std::string_view callerText = {});

}  // namespace vrtruty::cli
