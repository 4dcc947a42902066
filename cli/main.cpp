// vrtruty-cli: the utility's operations from a terminal, for scripts and service work.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "lang/messages.h"
#include "platform/clock.h"
#include "platform/home_folder.h"
#include "platform/port_enumeration.h"

namespace {

using namespace vrtruty;

int UsageError(const std::string& message) {
    std::cerr << "vrtruty-cli: " << message << "\n\n" << cli::UsageText();
    return 2;
}

int Run(const std::vector<std::string>& args) {
    const cli::ParsedArguments parsed = cli::ParseArguments(args);
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    const cli::Arguments& arguments = parsed.arguments;
    if (arguments.help) {
        std::cout << cli::UsageText();
        return 0;
    }
    const cli::Command* command = nullptr;
    if (!arguments.version) {
        if (arguments.command.empty()) {
            return UsageError("no command given");
        }
        command = cli::FindCommand(arguments.command);
        if (command == nullptr) {
            return UsageError("unknown command " + arguments.command);
        }
    }

    const platform::HomeFolder home =
        platform::ResolveHomeFolder(platform::HomeFolderInputsFromEnvironment(arguments.home));
    if (home.error) {
        std::cerr << "vrtruty-cli: cannot use the home folder " << home.folder.string() << ": "
                  << home.error.message() << "\n";
        return 1;
    }

    platform::RealClock clock;
    app::StartupOptions options;
    options.home = home.folder;
    // The shipped files lie beside the executable; VRTRUTY_RESOURCES points elsewhere (used when
    // the shipped language files are made from the built-in texts).
    const char* resources = std::getenv("VRTRUTY_RESOURCES");
    options.resourceFolder = resources != nullptr && *resources != '\0'
                                 ? std::filesystem::path(resources)
                                 : platform::ExecutableDirectory();
    options.clock = &clock;
    options.libraryAvailable = app::MarkerLibraryProbe(platform::ExecutableDirectory() / "lib");
    options.serialDevices = platform::FindSerialDevices();
    options.parallelDevices = platform::FindParallelDevices();

    app::StartupResult started = app::RunStartup(options);
    if (started.status != app::StartupStatus::Running) {
        if (started.message) {
            std::cerr << started.message->text << "\n";
        }
        return started.status == app::StartupStatus::AlreadyRunning ? 0 : 1;
    }
    app::AppState& state = *started.state;

    int status = 0;
    if (arguments.version) {
        std::cout << lang::ComposeVersionText(state.texts, app::VersionTextNumber(state.model),
                                              state.info.legalNotice)
                  << "\n";
    } else {
        cli::CommandContext context{state, std::cout, std::cerr};
        status = command->run(context, arguments.commandArguments);
    }
    app::Shutdown(state);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "vrtruty-cli: " << e.what() << "\n";
        return 1;
    }
}
