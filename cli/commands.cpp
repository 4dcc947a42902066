#include "cli/commands.h"

#include <array>
#include <ostream>

namespace vrtruty::cli {
namespace {

constexpr std::array<Command, 3> kCommands = {{
    {"info", "", "show the configuration, the printer model and its capabilities", RunInfo},
    {"lang", "list | export [--language NAME] [FILE]",
     "list the languages, or write a complete language file (standard output without FILE)",
     RunLang},
    {"message", "CODE [--text CALLER]",
     "show the message of a result code (decimal, negative or 0x hexadecimal)", RunMessage},
}};

}  // namespace

std::span<const Command> Commands() {
    return kCommands;
}

const Command* FindCommand(std::string_view name) {
    for (const Command& command : kCommands) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

int Failure(CommandContext& context, std::string_view message) {
    context.err << "vrtruty-cli: " << message << "\n";
    return 1;
}

}  // namespace vrtruty::cli
