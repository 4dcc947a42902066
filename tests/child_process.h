// Starting a helper program of a test (a daemon) with its standard output sent somewhere.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace vrtruty::test {

// Where a spawned program's standard output (and standard error with it) goes: a descriptor
// (outputFd), or a file created anew (outputPath).
struct SpawnOutput {
    int outputFd = -1;
    std::string outputPath;
};

// The argument vector of a program to spawn; it points into `arguments`.
inline std::vector<char*> ArgumentVector(std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return argv;
}

// Starts arguments[0] with the arguments; its process id, or -1 when it could not be started.
inline pid_t Spawn(std::vector<std::string> arguments, const SpawnOutput& output) {
    std::vector<char*> argv = ArgumentVector(arguments);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output.outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output.outputFd, STDOUT_FILENO);
    } else if (!output.outputPath.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

}  // namespace vrtruty::test
