#include "cli/commands.h"

#include <algorithm>
#include <ostream>

#include "app/printer_connection.h"
#include "lang/messages.h"

namespace vrtruty::cli {
namespace {

constexpr CommandOption kGlobalOptions[] = {
    {"--home", "DIR"}, {"--model", "NAME"}, {"--port", "SPEC"}, {"--dry-run", ""},
    {"--quiet", ""},   {"--help", ""},      {"--version", ""},
};

constexpr std::string_view kTestWords[] = {"head", "buzzer", "cutter", "drawer1", "drawer2"};
constexpr CommandOption kInfoOptions[] = {{"--verbose", ""}};
constexpr CommandOption kDefaultsOptions[] = {
    {"--code-page", "NAME"}, {"--charset", "NAME"}, {"--font", "NAME"}};
constexpr std::string_view kSettingsWords[] = {"show",       "set",    "get",    "send",
                                               "print-list", "export", "import", "revert"};
constexpr CommandOption kSettingsOptions[] = {
    {"--factory", ""}, {"--file", "FILE"}, {"--verify", ""}, {"--force", ""}};
constexpr std::string_view kLogoWords[] = {"size",      "convert", "preview",    "info",
                                           "register",  "delete",  "delete-all", "print",
                                           "print-all", "list"};
constexpr CommandOption kLogoOptions[] = {
    {"--two-colours", ""}, {"--two-colors", ""}, {"--gradation", "2|16"},
    {"--keycode", "XXXX"}, {"--out", "PNG"},     {"--replace", ""},
    {"--list", "FILE"},    {"--cut", ""},        {"--force", ""}};
constexpr std::string_view kLangWords[] = {"list", "export"};
constexpr CommandOption kLangOptions[] = {{"--language", "NAME"}};
constexpr CommandOption kMessageOptions[] = {{"--text", "CALLER"}};
constexpr std::string_view kCompletionWords[] = {"bash"};
constexpr CommandOption kSearchOptions[] = {
    {"--target", "HOST[:PORT]"}, {"--timeout", "SECONDS"}, {"--community", "NAME"}, {"--all", ""}};

// The commands in the order of the usage text. Room for more: a new row is all a command needs
// to be parsed, helped and completed.
constexpr Command kCommands[] = {
    {"info",
     "[--verbose]",
     "show the configuration, the printer model and what it offers (--verbose: the internal names)",
     RunInfo,
     {},
     kInfoOptions,
     false},
    {"check", "", "check that the chosen model answers on the port", RunCheck, {}, {}, false},
    {"queues",
     "",
     "list the printer queues: port type, printer code, whether the model can use it",
     RunQueues,
     {},
     {},
     false},
    {"status",
     "",
     "ask whether the printer is ready (on line, cover closed, paper present)",
     RunStatus,
     {},
     {},
     false},
    {"test",
     "head | buzzer | cutter | drawer1 | drawer2",
     "run a printer test",
     RunTest,
     kTestWords,
     {},
     false},
    {"defaults",
     "[--code-page NAME] [--charset NAME] [--font NAME]",
     "change the printer's stored code page, international character set and font",
     RunDefaults,
     {},
     kDefaultsOptions,
     false},
    {"code-table",
     "",
     "print the code table of the current code page",
     RunCodeTable,
     {},
     {},
     false},
    {"send-file", "FILE", "send a file to the printer unchanged", RunSendFile, {}, {}, true},
    {"settings",
     "show [--factory] | set \"LABEL=CHOICE\"... | get |\n"
     "      send [--file FILE] [--verify] [\"LABEL=CHOICE\"...] | print-list |\n"
     "      export FILE [--force] | import FILE | revert",
     "the printer settings: show or change them, read them from or send them to the printer,\n"
     "      print the printer's setting list, keep them in setting files, go back to the "
     "factory values",
     RunSettings, kSettingsWords, kSettingsOptions, true},
    {"logo",
     "size FILE [--two-colours] [--gradation 16] |\n"
     "      convert FILE --keycode XXXX [--two-colours] [--gradation 16] |\n"
     "      preview FILE [--two-colours] [--gradation 16] --out PNG | info |\n"
     "      register FILE... [--keycode XXXX] [--two-colours] [--gradation 16] [--replace] |\n"
     "      register --list FILE [--replace] |\n"
     "      delete XXXX | delete-all | print XXXX [--two-colours] [--cut] | print-all "
     "[--two-colours] |\n"
     "      list show [FILE] | list load FILE | list save FILE [--force]",
     "bitmap logos in the printer's NV graphics memory", RunLogo, kLogoWords, kLogoOptions, true},
    {"search",
     "[--target HOST[:PORT]]... [--timeout SECONDS] [--community NAME] [--all]",
     "search the network for printers of the chosen model (SNMP, DNS-SD): IP MAC MODEL SLOT;\n"
     "      --all lists printers of other models too",
     RunSearch,
     {},
     kSearchOptions,
     false},
    {"lang", "list | export [--language NAME] [FILE]",
     "list the languages, or write a complete language file (standard output without FILE)",
     RunLang, kLangWords, kLangOptions, true},
    {"message",
     "CODE [--text CALLER]",
     "show the message of a result code (decimal, negative or 0x hexadecimal)",
     RunMessage,
     {},
     kMessageOptions,
     false},
    {"completion",
     "bash",
     "print the bash completion script of vrtruty-cli (source it, or install it as\n"
     "      /usr/share/bash-completion/completions/vrtruty-cli)",
     RunCompletion,
     kCompletionWords,
     {},
     false},
};

const CommandOption* FindOption(std::span<const CommandOption> options, std::string_view name) {
    const auto found = std::ranges::find(options, name, &CommandOption::name);
    return found == options.end() ? nullptr : &*found;
}

std::string Join(std::span<const std::string_view> words, std::string_view separator) {
    std::string text;
    for (const std::string_view word : words) {
        text += (text.empty() ? "" : std::string(separator)) + std::string(word);
    }
    return text;
}

}  // namespace

std::span<const Command> Commands() {
    return kCommands;
}

std::span<const CommandOption> GlobalOptions() {
    return kGlobalOptions;
}

const Command* FindCommand(std::string_view name) {
    const auto found = std::ranges::find(kCommands, name, &Command::name);
    return found == std::end(kCommands) ? nullptr : &*found;
}

CheckedArguments CheckArguments(const Command& command, const std::vector<std::string>& args) {
    CheckedArguments checked;
    const std::string name(command.name);
    if (!command.words.empty() &&
        (args.empty() || std::ranges::find(command.words, args[0]) == command.words.end())) {
        checked.error = name + " needs one of: " + Join(command.words, ", ");
        return checked;
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) {
            checked.args.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string optionName = arg.substr(0, equals);
        const CommandOption* option = FindOption(command.options, optionName);
        if (option == nullptr) {
            checked.error = "unknown option " + optionName + " for " + name;
            return checked;
        }
        checked.args.push_back(optionName);
        if (option->value.empty()) {
            if (equals != std::string::npos) {
                checked.error = optionName + " takes no value";
                return checked;
            }
        } else if (equals != std::string::npos) {
            checked.args.push_back(arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            checked.args.push_back(args[++i]);
        } else {
            checked.error = optionName + " needs a value (" + std::string(option->value) + ")";
            return checked;
        }
    }
    return checked;
}

std::string CommandUsage(const Command& command) {
    std::string text =
        "Usage: vrtruty-cli [--home DIR] [--model NAME] [--port SPEC] [--dry-run] "
        "[--quiet]\n       " +
        std::string(command.name);
    if (!command.usage.empty()) {
        text += " " + std::string(command.usage);
    }
    text += "\n\n      " + std::string(command.summary) + "\n";
    if (!command.options.empty()) {
        text += "\nOptions:\n";
        for (const CommandOption& option : command.options) {
            text += "  " + std::string(option.name);
            if (!option.value.empty()) {
                text += " " + std::string(option.value);
            }
            text += "\n";
        }
    }
    return text;
}

std::string BashCompletionScript() {
    // Options with a value: what the value completes to.
    std::string valueCases;
    const auto addValueCase = [&](const CommandOption& option) {
        if (option.value.empty() ||
            valueCases.find(" " + std::string(option.name) + ")") != std::string::npos) {
            return;
        }
        const std::string_view value = option.value;
        std::string action = "return";  // a name or a number: nothing to offer
        if (value == "DIR") {
            action = "COMPREPLY=($(compgen -d -- \"$cur\")); return";
        } else if (value == "FILE" || value == "PNG") {
            action = "COMPREPLY=($(compgen -f -- \"$cur\")); return";
        } else if (option.name == "--model") {
            action = "COMPREPLY=($(compgen -W 'TR-770II TR-770 TR-770K' -- \"$cur\")); return";
        } else if (option.name == "--port") {
            action = "COMPREPLY=($(compgen -W 'lan: com: usb: lpt: queue:' -- \"$cur\")); return";
        }
        valueCases += "        " + std::string(option.name) + ") " + action + " ;;\n";
    };
    std::string globalNames;
    for (const CommandOption& option : kGlobalOptions) {
        globalNames += (globalNames.empty() ? "" : " ") + std::string(option.name);
        addValueCase(option);
    }
    std::string globalValues;
    for (const CommandOption& option : kGlobalOptions) {
        if (!option.value.empty()) {
            globalValues += (globalValues.empty() ? "" : "|") + std::string(option.name);
        }
    }
    std::string commandNames;
    std::string commandCases;
    for (const Command& command : kCommands) {
        commandNames += (commandNames.empty() ? "" : " ") + std::string(command.name);
        std::string options;
        for (const CommandOption& option : command.options) {
            options += (options.empty() ? "" : " ") + std::string(option.name);
            addValueCase(option);
        }
        commandCases += "        " + std::string(command.name) + ")\n";
        if (!command.words.empty()) {
            commandCases +=
                "            if [[ $position -eq 1 ]]; then\n"
                "                COMPREPLY=($(compgen -W '" +
                Join(command.words, " ") +
                "' -- \"$cur\"))\n"
                "                return\n"
                "            fi\n";
        }
        commandCases +=
            "            if [[ $cur == -* ]]; then\n"
            "                COMPREPLY=($(compgen -W '" +
            options + " --help' -- \"$cur\"))\n            fi\n";
        if (command.takesFiles) {
            commandCases +=
                "            [[ $cur == -* ]] || COMPREPLY=($(compgen -f -- \"$cur\"))\n";
        }
        commandCases += "            ;;\n";
    }
    return "# bash completion for vrtruty-cli; made by \"vrtruty-cli completion bash\"\n"
           "_vrtruty_cli() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    COMPREPLY=()\n"
           "    case $prev in\n" +
           valueCases +
           "    esac\n"
           "    # The command is the first word that is neither an option nor an option's value.\n"
           "    local i command='' position=0\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        local word=${COMP_WORDS[i]}\n"
           "        if [[ -n $command ]]; then\n"
           "            position=$((position + 1))\n"
           "        elif [[ $word == @(" +
           globalValues +
           ") ]]; then\n"
           "            i=$((i + 1))\n"
           "        elif [[ $word != -* ]]; then\n"
           "            command=$word\n"
           "        fi\n"
           "    done\n"
           "    position=$((position + 1))\n"
           "    if [[ -z $command ]]; then\n"
           "        if [[ $cur == -* ]]; then\n"
           "            COMPREPLY=($(compgen -W '" +
           globalNames +
           "' -- \"$cur\"))\n"
           "        else\n"
           "            COMPREPLY=($(compgen -W '" +
           commandNames +
           "' -- \"$cur\"))\n"
           "        fi\n"
           "        return\n"
           "    fi\n"
           "    case $command in\n" +
           commandCases +
           "    esac\n"
           "}\n"
           "complete -F _vrtruty_cli vrtruty-cli\n";
}

int RunCompletion(CommandContext& context, const std::vector<std::string>&) {
    context.out << BashCompletionScript();
    return 0;
}

int PrinterFailure(CommandContext& context, int code, std::string_view callerText) {
    context.err << lang::ComposeMessage(context.state.texts, code, callerText) << "\n";
    if (const auto& failure = context.state.lastPortOpenFailure) {
        context.err << app::PortOpenFailureText(context.state.texts, *failure) << "\n";
    }
    return 1;
}

int Failure(CommandContext& context, std::string_view message) {
    context.err << "vrtruty-cli: " << message << "\n";
    return 1;
}

int UsageFailure(CommandContext& context, std::string_view message) {
    Failure(context, message);
    return kUsageErrorStatus;
}

}  // namespace vrtruty::cli
