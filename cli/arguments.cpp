#include "cli/arguments.h"

#include <string_view>

#include "cli/commands.h"

namespace vrtruty::cli {

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
    ParsedArguments parsed;
    Arguments& a = parsed.arguments;
    // An option that takes a value, as "--name VALUE" or "--name=VALUE".
    const auto takeValue = [&](std::size_t& i, std::string_view name, auto& target) -> bool {
        const std::string& arg = args[i];
        std::string value;
        if (arg == name) {
            if (i + 1 >= args.size()) {
                parsed.error = std::string(name) + " needs a value";
                return false;
            }
            value = args[++i];
        } else {
            value = arg.substr(name.size() + 1);
        }
        if (value.empty()) {
            parsed.error = std::string(name) + " needs a value";
            return false;
        }
        target = value;
        return true;
    };
    const auto is = [](const std::string& arg, std::string_view name) {
        return arg == name ||
               (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=');
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!a.command.empty()) {
            a.commandArguments.push_back(arg);
        } else if (arg == "--help" || arg == "-h") {
            a.help = true;
        } else if (arg == "--version") {
            a.version = true;
        } else if (arg == "--dry-run") {
            a.dryRun = true;
        } else if (arg == "--quiet" || arg == "-q") {
            a.quiet = true;
        } else if (is(arg, "--home")) {
            if (!takeValue(i, "--home", a.home)) {
                return parsed;
            }
        } else if (is(arg, "--model")) {
            if (!takeValue(i, "--model", a.model)) {
                return parsed;
            }
        } else if (is(arg, "--port")) {
            if (!takeValue(i, "--port", a.port)) {
                return parsed;
            }
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
        "Usage: vrtruty-cli [--home DIR] [--model NAME] [--port SPEC] [--dry-run] [--quiet]\n"
        "                   COMMAND [ARGS]\n"
        "       vrtruty-cli --help | --version\n"
        "\n"
        "Options:\n"
        "  --home DIR    folder of the configuration, logs and setting files\n"
        "                (default: $VRTRUTY_HOME, else the program's folder when it holds\n"
        "                the language files, else ~/.config/vrtruty)\n"
        "  --model NAME  the printer model (default: the configured one): TR-770II, TR-770,\n"
        "                \"TR-770 (PFBM)\", TR-770K, \"TR-770K (WL)\"\n"
        "  --port SPEC   lan:HOST[:PORT] | com:DEVICE[:BAUD:FORMAT:PROTOCOL] | usb:DEVICE |\n"
        "                lpt:DEVICE | queue:NAME (a printer queue; see the queues command)\n"
        "                (default: the configured port). FORMAT 7E1 7O1 8N1 8E1 8O1,\n"
        "                PROTOCOL dsr or xon, e.g. com:/dev/ttyUSB0:9600:8N1:dsr\n"
        "  --dry-run     open nothing; print every buffer that would be sent, one line per job\n"
        "  --quiet       no progress on standard error (shown only when it is a terminal)\n"
        "  --help        show this text; COMMAND --help shows the command's own\n"
        "  --version     show the utility's version\n"
        "\n"
        "Exit status: 0 success, 1 failure, 2 a command line that cannot be understood.\n"
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
