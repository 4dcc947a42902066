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
    bool errIsTerminal = false;      // progress lines go to the error stream (unless --quiet)
};

// An option of a command: a switch ("--force"), or one that takes the next argument as its value
// (`value` names it: "FILE").
struct CommandOption {
    std::string_view name;
    std::string_view value;
};

// What a command's arguments may be. The one table of commands drives the parser (which rejects
// an unknown word or option before anything starts), every command's --help and the shell
// completion.
struct Command {
    std::string_view name;
    std::string_view usage;    // arguments, for the usage text
    std::string_view summary;  // one line
    int (*run)(CommandContext& context, const std::vector<std::string>& args);
    std::span<const std::string_view> words;  // one of them comes first; none: anything
    std::span<const CommandOption> options;   // every option of the command and its words
    bool takesFiles = false;                  // further arguments name files
};

std::span<const Command> Commands();
const Command* FindCommand(std::string_view name);

// The options every command takes before its name.
std::span<const CommandOption> GlobalOptions();

// Checks the arguments of a command against its row of the table, and writes an option's
// "--name=VALUE" form as "--name" "VALUE", the form the commands read. An empty error: fine.
struct CheckedArguments {
    std::vector<std::string> args;
    std::string error;
};
CheckedArguments CheckArguments(const Command& command, const std::vector<std::string>& args);

// The --help text of one command.
std::string CommandUsage(const Command& command);

// A bash completion script for vrtruty-cli, made from the table of commands.
std::string BashCompletionScript();

// Writes "vrtruty-cli: <message>" to the error stream and returns the failure status.
int Failure(CommandContext& context, std::string_view message);
// The same for a command line that cannot be understood: the usage-error status, 2.
int UsageFailure(CommandContext& context, std::string_view message);
inline constexpr int kUsageErrorStatus = 2;

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
int RunCompletion(CommandContext& context, const std::vector<std::string>& args);
int RunQueues(CommandContext& context, const std::vector<std::string>& args);
int RunSearch(CommandContext& context, const std::vector<std::string>& args);

// A printer failure: its message in the user's language on the error stream, failure status.
int PrinterFailure(CommandContext& context, int code, std::string_view callerText = {});

}  // namespace vrtruty::cli
