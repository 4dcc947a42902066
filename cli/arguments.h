// The command line of vrtruty-cli: global options, then one command with its arguments.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vrtruty::cli {

struct Arguments {
    std::optional<std::filesystem::path> home;  // --home DIR
    std::optional<std::string> model;           // --model NAME: a printer of the catalogue
    std::optional<std::string> port;            // --port SPEC, see PortSpec
    bool dryRun = false;                        // --dry-run: open nothing, print the buffers
    bool quiet = false;                         // --quiet: no progress on the error stream
    bool help = false;                          // --help, -h
    bool version = false;                       // --version
    std::string command;                        // empty when only options were given
    std::vector<std::string> commandArguments;
};

struct ParsedArguments {
    Arguments arguments;
    std::string error;  // non-empty when the command line cannot be understood
};

ParsedArguments ParseArguments(const std::vector<std::string>& args);

// The usage text printed by --help and after a command-line error.
std::string UsageText();

}  // namespace vrtruty::cli
