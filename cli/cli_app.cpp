#include "cli/cli_app.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/app_info.h"
#include "app/machine_startup.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/connection.h"
#include "core/home_lock.h"
#include "core/port_defaults.h"
#include "core/profile_file.h"
#include "lang/messages.h"
#include "platform/clock.h"
#include "platform/home_folder.h"

namespace vrtruty::cli {
namespace {

int UsageError(std::ostream& err, const std::string& message) {
    err << "vrtruty-cli: " << message << "\n\n" << UsageText();
    return kUsageErrorStatus;
}

// Commands that read the home folder's files (temporary settings, port defaults, the logo list),
// change them and write them back. They hold the home folder's lock from before start-up reads
// the files until they end, so that a second copy changing the same files waits instead of
// losing one of the changes.
bool ChangesHomeFiles(const Arguments& arguments) {
    const std::vector<std::string>& args = arguments.commandArguments;
    if (arguments.command == "settings") {
        return !(args.empty() || args[0] == "show");
    }
    return arguments.command == "logo" && args.size() >= 2 && args[0] == "list" &&
           args[1] == "load";
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           platform::Clock& clock, bool errIsTerminal) {
    const ParsedArguments parsed = ParseArguments(args);
    if (!parsed.error.empty()) {
        return UsageError(err, parsed.error);
    }
    const Arguments& arguments = parsed.arguments;
    // Help, the version and the completion script need neither the home folder nor a start.
    if (arguments.version) {
        out << app::VersionLine("vrtruty-cli") << "\n";
        return 0;
    }
    const Command* command = nullptr;
    if (!arguments.command.empty()) {
        command = FindCommand(arguments.command);
        if (command == nullptr) {
            return UsageError(err, "unknown command " + arguments.command);
        }
    }
    if (arguments.help && command == nullptr) {
        out << UsageText();
        return 0;
    }
    if (command == nullptr) {
        return UsageError(err, "no command given");
    }
    const std::vector<std::string>& given = arguments.commandArguments;
    if (arguments.help || std::ranges::find(given, "--help") != given.end() ||
        std::ranges::find(given, "-h") != given.end()) {
        out << CommandUsage(*command);
        return 0;
    }
    const CheckedArguments checked = CheckArguments(*command, given);
    if (!checked.error.empty()) {
        err << "vrtruty-cli: " << checked.error << "\n\n" << CommandUsage(*command);
        return kUsageErrorStatus;
    }
    if (command->run == RunCompletion) {
        out << BashCompletionScript();
        return 0;
    }

    const platform::HomeFolder home =
        platform::ResolveHomeFolder(platform::HomeFolderInputsFromEnvironment(arguments.home));
    if (home.error) {
        err << "vrtruty-cli: cannot use the home folder " << home.folder.string() << ": "
            << home.error.message() << "\n";
        return 1;
    }

    app::HomeLock homeLock;
    const bool changesHomeFiles = command != nullptr && ChangesHomeFiles(arguments);
    if (changesHomeFiles) {
        homeLock = app::LockHomeFolder(home.folder, clock);
        if (!homeLock.lock) {
            err << "vrtruty-cli: " << homeLock.error << "\n";
            return 1;
        }
    }

    app::StartupOptions options = app::MachineStartupOptions(home.folder, clock);
    // Start-up puts damaged temporary settings back to factory values on disk only under the
    // lock; a command that only reads works with the factory values and leaves the file alone.
    options.repairsTemporarySettings = changesHomeFiles;

    app::StartupResult started = app::RunStartup(options);
    if (started.status != app::StartupStatus::Running) {
        if (started.message) {
            err << started.message->text << "\n";
        }
        return started.status == app::StartupStatus::AlreadyRunning ? 0 : 1;
    }
    app::AppState& state = *started.state;
    // Start-up goes on with the defaults when a file cannot be read; the user learns why.
    for (const auto& file : {state.configPath, home.folder / app::kPortDefaultsFileName}) {
        const app::ProfileFile profile = app::ProfileFile::Load(file);
        if (!profile.missingOrLoaded()) {
            err << "vrtruty-cli: " << file.string() << ": " << profile.loadError().message()
                << "; its settings are not used\n";
        }
    }

    std::optional<PortSpec> port;
    if (arguments.port) {
        std::string error;
        port = ParsePortSpec(*arguments.port, error);
        if (!port) {
            app::Shutdown(state);
            return UsageError(err, error);
        }
        UsePort(state, *port);
    }
    if (arguments.model) {
        const auto row = app::FindPrinterRow(*arguments.model);
        if (!row) {
            app::Shutdown(state);
            return UsageError(err, "unknown printer model " + *arguments.model +
                                       "; one of: TR-770II, TR-770, \"TR-770 (PFBM)\", TR-770K, "
                                       "\"TR-770K (WL)\"");
        }
        if (*row != state.model.printerRow) {
            app::ChangePrinterModel(state, *row);
        }
    }
    if (port && port->kind == app::PortKind::PORT_WINDRV) {
        if (const std::string problem = QueueChoiceProblem(state, *port); !problem.empty()) {
            app::Shutdown(state);
            return UsageError(err, problem);
        }
    }

    CommandContext context{state,
                           out,
                           err,
                           arguments.dryRun,
                           port ? &*port : nullptr,
                           errIsTerminal && !arguments.quiet};
    const int status = command->run(context, checked.args);
    app::Shutdown(state);
    return status;
}

}  // namespace vrtruty::cli
