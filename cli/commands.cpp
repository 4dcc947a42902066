#include "cli/commands.h"

#include <array>
#include <ostream>

#include "lang/messages.h"

namespace vrtruty::cli {
namespace {

constexpr std::array<Command, 12> kCommands = {{
    {"info", "", "show the configuration, the printer model and its capabilities", RunInfo},
    {"check", "", "check that the chosen model answers on the port", RunCheck},
    {"status", "", "ask whether the printer is ready (on line, cover closed, paper present)",
     RunStatus},
    {"test", "head | buzzer | cutter | drawer1 | drawer2", "run a printer test", RunTest},
    {"defaults", "[--code-page NAME] [--charset NAME] [--font NAME]",
     "change the printer's stored code page, international character set and font", RunDefaults},
    {"code-table", "", "print the code table of the current code page", RunCodeTable},
    {"send-file", "FILE", "send a file to the printer unchanged", RunSendFile},
    {"settings",
     "show [--factory] | set \"LABEL=CHOICE\"... | get |\n"
     "      send [--file FILE] [--verify] [\"LABEL=CHOICE\"...] | print-list |\n"
     "      export FILE [--force] | import FILE | revert",
     "the printer settings: show or change them, read them from or send them to the printer,\n"
     "      print the printer's setting list, keep them in setting files, go back to the "
     "factory values",
     RunSettings},
    {"logo",
     "size FILE [--two-colours] [--gradation 16] |\n"
     "      convert FILE --keycode XXXX [--two-colours] [--gradation 16] |\n"
     "      preview FILE [--two-colours] [--gradation 16] --out PNG | info |\n"
     "      register FILE... [--keycode XXXX] [--two-colours] [--gradation 16] [--replace] |\n"
     "      register --list FILE [--replace] |\n"
     "      delete XXXX | delete-all | print XXXX [--two-colours] [--cut] | print-all "
     "[--two-colours] |\n"
     "      list show [FILE] | list load FILE | list save FILE [--force]",
     "bitmap logos in the printer's NV graphics memory", RunLogo},
    {"search", "[--target HOST[:PORT]]... [--timeout SECONDS] [--community NAME] [--all]",
     "search the network for printers of the chosen model (SNMP, DNS-SD): IP MAC MODEL SLOT;\n"
     "      --all lists printers of other models too",
     RunSearch},
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

int PrinterFailure(CommandContext& context, int code, std::string_view callerText) {
    context.err << lang::ComposeMessage(context.state.texts, code, callerText) << "\n";
    if (const auto& failure = context.state.lastPortOpenFailure) {
        context.err << failure->device << ": " << failure->reason << "\n";
    }
    return 1;
}

int Failure(CommandContext& context, std::string_view message) {
    context.err << "vrtruty-cli: " << message << "\n";
    return 1;
}

}  // namespace vrtruty::cli
