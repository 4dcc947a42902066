#include "cli/cli_app.h"

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

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
    return 2;
}

// Commands that read the temporary settings (or the port defaults), change them and write them
// back. They hold the home folder's lock from before start-up reads the files until they end, so
// that a second copy changing the same files waits instead of losing one of the changes.
bool ChangesHomeFiles(const Arguments& arguments) {
    return arguments.command == "settings" &&
           !(arguments.commandArguments.empty() || arguments.commandArguments[0] == "show");
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           platform::Clock& clock, bool errIsTerminal) {
    const ParsedArguments parsed = ParseArguments(args);
    if (!parsed.error.empty()) {
        return UsageError(err, parsed.error);
    }
    const Arguments& arguments = parsed.arguments;
    if (arguments.help) {
        out << UsageText();
        return 0;
    }
    const Command* command = nullptr;
    if (!arguments.version) {
        if (arguments.command.empty()) {
            return UsageError(err, "no command given");
        }
        command = FindCommand(arguments.command);
        if (command == nullptr) {
            return UsageError(err, "unknown command " + arguments.command);
        }
    }

    const platform::HomeFolder home =
        platform::ResolveHomeFolder(platform::HomeFolderInputsFromEnvironment(arguments.home));
    if (home.error) {
        err << "vrtruty-cli: cannot use the home folder " << home.folder.string() << ": "
            << home.error.message() << "\n";
        return 1;
    }

    app::HomeLock homeLock;
    if (command != nullptr && ChangesHomeFiles(arguments)) {
        homeLock = app::LockHomeFolder(home.folder, clock);
        if (!homeLock.lock) {
            err << "vrtruty-cli: " << homeLock.error << "\n";
            return 1;
        }
    }

    app::StartupOptions options = app::MachineStartupOptions(home.folder, clock);

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

    int status = 0;
    if (arguments.version) {
        out << lang::ComposeVersionText(state.texts, app::VersionTextNumber(state.model),
                                        state.info.legalNotice)
            << "\n";
    } else {
        CommandContext context{state,        out, err, arguments.dryRun, port ? &*port : nullptr,
                               errIsTerminal};
        status = command->run(context, arguments.commandArguments);
    }
    app::Shutdown(state);
    return status;
}

}  // namespace vrtruty::cli
