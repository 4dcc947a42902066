// Runs the command line in-process against the virtual printer run as a program.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_app.h"
#include "platform/clock.h"
#include "printer_process.h"
#include "scaled_clock.h"
#include "test_support.h"

namespace vrtruty::test {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

class CliAgainstPrinter : public ::testing::Test {
  protected:
    // Starts the virtual printer on a free loopback port; returns "lan:127.0.0.1:PORT".
    std::string StartPrinter(std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--listen", "127.0.0.1:0"});
        printer = std::make_unique<PrinterProcess>(arguments);
        const auto line = printer->ReadLine();
        if (!line || !line->starts_with("PORT ")) {
            ADD_FAILURE() << "the virtual printer did not start";
            return {};
        }
        return "lan:127.0.0.1:" + line->substr(5);
    }
    // errIsTerminal: as if a person watched the error stream.
    CliRun Run(std::vector<std::string> args, bool errIsTerminal = false) {
        args.insert(args.begin(), {"--home", home.path().string()});
        std::ostringstream out;
        std::ostringstream err;
        ScaledClock clock;
        const int status = cli::RunCli(args, out, err, clock, errIsTerminal);
        return {status, out.str(), err.str()};
    }
    std::string Log() {
        const auto bytes = ReadBytes(home / "_DEBUG.LOG");
        return {bytes.begin(), bytes.end()};
    }

    TempFolder home;
    std::unique_ptr<PrinterProcess> printer;
};

}  // namespace vrtruty::test
