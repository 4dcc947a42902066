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
#include "test_support.h"

namespace vrtruty::test {

// Waits a tenth of the protocol's time: real enough for loopback replies to arrive in order,
// fast enough for many end-to-end runs.
class ScaledClock final : public platform::Clock {
  public:
    std::chrono::milliseconds now() const override { return real_.now(); }
    void sleepFor(std::chrono::milliseconds duration) override {
        std::this_thread::sleep_for(duration / 10);
    }
    platform::LocalTime localTime() const override { return real_.localTime(); }

  private:
    platform::RealClock real_;
};

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
    CliRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--home", home.path().string()});
        std::ostringstream out;
        std::ostringstream err;
        ScaledClock clock;
        const int status = cli::RunCli(args, out, err, clock);
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
