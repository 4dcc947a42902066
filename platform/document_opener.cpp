#include "platform/document_opener.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/file_descriptor.h"

extern char** environ;

namespace vrtruty::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// xdg-mime is a script that may call the desktop's own tools; one that hangs must not hang the
// Help button with it.
constexpr auto kQueryTimeout = 5s;
// An answer is the name of one desktop file; anything longer is kept only up to this size.
constexpr std::size_t kMaxAnswerSize = 4096;
// The shell starts the opener in the background and ends at once: the opener (and the viewer it
// starts) is then nobody's child here, the system reaps it, and waiting for the shell is short.
// Program and document are the shell's arguments, never part of the script.
constexpr const char* kDetachScript = "\"$1\" \"$2\" </dev/null >/dev/null 2>&1 &";
constexpr const char* kShell = "/bin/sh";

bool IsExecutableFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

// Where the shell would find the program; an empty PATH entry is the current folder.
std::optional<fs::path> FindProgram(std::string_view program) {
    if (program.empty()) {
        return std::nullopt;
    }
    if (program.find('/') != std::string_view::npos) {
        return IsExecutableFile(program) ? std::optional<fs::path>(program) : std::nullopt;
    }
    const char* searchPath = std::getenv("PATH");
    std::string_view entries = searchPath != nullptr ? searchPath : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const auto colon = entries.find(':');
        const std::string_view entry = entries.substr(0, colon);
        fs::path candidate = fs::path(entry.empty() ? "." : entry) / program;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        entries.remove_prefix(colon + 1);
    }
}

// How a child starts: default handling of every signal and an empty mask, whatever this process
// ignores or blocks (a broken pipe is ignored for the network code, and exec keeps that).
class SpawnSetup {
  public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attributes_);
        sigset_t signals;
        ::sigemptyset(&signals);
        ::posix_spawnattr_setsigmask(&attributes_, &signals);
        ::sigfillset(&signals);
        ::posix_spawnattr_setsigdefault(&attributes_, &signals);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attributes_);
    }

    void Redirect(int from, int to) { ::posix_spawn_file_actions_adddup2(&actions_, from, to); }
    void DiscardStream(int stream, int openFlags) {
        ::posix_spawn_file_actions_addopen(&actions_, stream, "/dev/null", openFlags, 0);
    }
    // Without a terminal of its own, a viewer is not closed by a Ctrl+C meant for the utility.
    void NewSession() { extraFlags_ = POSIX_SPAWN_SETSID; }

    // The child's id, or -1 when it could not be started.
    pid_t Start(const fs::path& program, std::vector<std::string> arguments) {
        ::posix_spawnattr_setflags(
            &attributes_,
            static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extraFlags_));
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (::posix_spawn(&pid, program.c_str(), &actions_, &attributes_, argv.data(), environ) !=
            0) {
            return -1;
        }
        return pid;
    }

  private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
    int extraFlags_ = 0;
};

// A started child, always reaped; one still running when its owner gives up is killed first.
class Child {
  public:
    explicit Child(pid_t pid) : pid_(pid) {}
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
    }

    bool started() const { return pid_ > 0; }

    // The exit status; -1 when the child ended by a signal.
    int Wait() {
        const pid_t pid = std::exchange(pid_, -1);
        int status = 0;
        pid_t reaped = -1;
        do {
            reaped = ::waitpid(pid, &status, 0);
        } while (reaped < 0 && errno == EINTR);
        return reaped == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_;
};

std::string_view TrimmedWhitespace(std::string_view text) {
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The desktop file of the program associated with the type; empty when there is none, the
// query failed, or it did not finish in time.
std::string QueryDefaultViewer(const fs::path& program, const std::string& mimeType) {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
        return {};
    }
    const FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);
    SpawnSetup setup;
    setup.DiscardStream(STDIN_FILENO, O_RDONLY);
    setup.Redirect(writeEnd.get(), STDOUT_FILENO);
    setup.DiscardStream(STDERR_FILENO, O_WRONLY);
    Child child(setup.Start(program, {program.filename().string(), "query", "default", mimeType}));
    // Only the child may hold the writing end, or the end of its output would never be seen.
    writeEnd = FileDescriptor();
    if (!child.started()) {
        return {};
    }

    std::string answer;
    const auto deadline = std::chrono::steady_clock::now() + kQueryTimeout;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left <= 0ms) {
            return {};
        }
        pollfd ready{readEnd.get(), POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            return {};
        }
        std::array<char, 512> chunk{};
        const ssize_t got = ::read(readEnd.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return {};
        }
        if (got == 0) {
            break;
        }
        const auto kept = std::min(static_cast<std::size_t>(got), kMaxAnswerSize - answer.size());
        answer.append(chunk.data(), kept);
    }
    if (child.Wait() != 0) {
        return {};
    }
    return std::string(TrimmedWhitespace(answer));
}

// True when the opener was handed the document; what the viewer does then is its own affair.
bool StartDetached(const fs::path& openProgram, const fs::path& document) {
    SpawnSetup setup;
    setup.DiscardStream(STDIN_FILENO, O_RDONLY);
    setup.DiscardStream(STDOUT_FILENO, O_WRONLY);
    setup.DiscardStream(STDERR_FILENO, O_WRONLY);
    setup.NewSession();
    Child shell(setup.Start(
        kShell, {"sh", "-c", kDetachScript, "sh", openProgram.string(), document.string()}));
    return shell.started() && shell.Wait() == 0;
}

}  // namespace

DocumentOpener::~DocumentOpener() = default;

std::string MimeTypeOf(const fs::path& document) {
    std::string extension = document.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".pdf" ? "application/pdf" : "application/octet-stream";
}

DesktopDocumentOpener::DesktopDocumentOpener(std::string mimeQueryProgram, std::string openProgram)
    : mimeQueryProgram_(std::move(mimeQueryProgram)), openProgram_(std::move(openProgram)) {}

OpenDocumentResult DesktopDocumentOpener::Open(const fs::path& document) {
    std::error_code error;
    if (!fs::is_regular_file(document, error)) {
        return OpenDocumentResult::NotFound;
    }
    // An absolute path cannot be taken for an option of the opener ("-manual.pdf").
    const fs::path absolute = fs::absolute(document, error);
    if (error) {
        return OpenDocumentResult::NotFound;
    }
    const auto query = FindProgram(mimeQueryProgram_);
    const auto opener = FindProgram(openProgram_);
    if (!query || !opener || QueryDefaultViewer(*query, MimeTypeOf(document)).empty()) {
        return OpenDocumentResult::NoViewer;
    }
    return StartDetached(*opener, absolute) ? OpenDocumentResult::Opened
                                            : OpenDocumentResult::NoViewer;
}

}  // namespace vrtruty::platform
