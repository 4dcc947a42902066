// vrtruty-cli: the utility's operations from a terminal, for scripts and service work.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "platform/clock.h"
#include "platform/os_info.h"

int main(int argc, char** argv) {
    try {
        vrtruty::platform::RealClock clock;
        return vrtruty::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                    std::cerr, clock, vrtruty::platform::StandardErrorIsTerminal());
    } catch (const std::exception& e) {
        std::cerr << "vrtruty-cli: " << e.what() << "\n";
        return 1;
    }
}
