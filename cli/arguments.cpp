#include "cli/arguments.h"

#include "cli/commands.h"

namespace vrtruty::cli {

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
    ParsedArguments parsed;
    Arguments& a = parsed.arguments;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!a.command.empty()) {
            a.commandArguments.push_back(arg);
        } else if (arg == "--help" || arg == "-h") {
            a.help = true;
        } else if (arg == "--version") {
            a.version = true;
        } else if (arg == "--home" || arg.starts_with("--home=")) {
            std::string value;
            if (arg == "--home") {
                if (i + 1 >= args.size()) {
                    parsed.error = "--home needs a folder";
                    return parsed;
                }
                value = args[++i];
            } else {
                value = arg.substr(7);
            }
            if (value.empty()) {
                parsed.error = "--home needs a folder";
                return parsed;
            }
            a.home = value;
        } else if (arg.starts_with("-")) {
            parsed.error = "unknown option " + arg;
            return parsed;
        } else {
            a.command = arg;
        }
    }
    return parsed;
}

std::string UsageText() {
    std::string text =
        "Usage: vrtruty-cli [--home DIR] COMMAND [ARGS]\n"
        "       vrtruty-cli --help | --version\n"
        "\n"
        "Options:\n"
        "  --home DIR   folder of the configuration, logs and setting files\n"
        "               (default: $VRTRUTY_HOME, else the program's folder when it holds\n"
        "               the language files, else ~/.config/vrtruty)\n"
        "  --help       show this text\n"
        "  --version    show the utility's version\n"
        "\n"
        "Commands:\n";
    for (const Command& command : Commands()) {
        text += "  " + std::string(command.name);
        if (!command.usage.empty()) {
            text += " " + std::string(command.usage);
        }
        text += "\n      " + std::string(command.summary) + "\n";
    }
    return text;
}

}  // namespace vrtruty::cli
