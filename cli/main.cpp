// vrtruty-cli: the utility's operations from a terminal, for scripts and service work.
#include <iostream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "cli/arguments.h"
#include "cli/info_command.h"
#include "platform/clock.h"
#include "platform/home_folder.h"
#include "platform/port_enumeration.h"

namespace {

using namespace vrtruty;

int Fail(const std::string& message) {
    std::cerr << message << "\n";
    return 1;
}

int Run(const std::vector<std::string>& args) {
    const cli::ParsedArguments parsed = cli::ParseArguments(args);
    if (!parsed.error.empty()) {
        return Fail("vrtruty-cli: " + parsed.error + "\n\n" + cli::UsageText());
    }
    const cli::Arguments& arguments = parsed.arguments;
    if (arguments.help) {
        std::cout << cli::UsageText();
        return 0;
    }
    if (!arguments.version && arguments.command.empty()) {
        return Fail(cli::UsageText());
    }
    if (!arguments.command.empty() && arguments.command != "info") {
        return Fail("vrtruty-cli: unknown command " + arguments.command + "\n\n" +
                    cli::UsageText());
    }

    const platform::HomeFolder home =
        platform::ResolveHomeFolder(platform::HomeFolderInputsFromEnvironment(arguments.home));
    if (home.error) {
        return Fail("vrtruty-cli: cannot use the home folder " + home.folder.string() + ": " +
                    home.error.message());
    }

    platform::RealClock clock;
    app::StartupOptions options;
    options.home = home.folder;
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

    if (arguments.version) {
        std::cout << state.texts.Text(lang::TXT_TITLE) << "\n"
                  << state.info.versionString << "\n"
                  << state.info.legalNotice << "\n";
    } else {
        std::cout << cli::FormatInfo(state);
    }
    app::Shutdown(state);
    return 0;
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
