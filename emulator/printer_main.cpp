// vrtruty-printer: one virtual printer, reachable over TCP (the LAN connection) and/or a
// pseudo-terminal (the serial connection), printing into PNG pages.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "emulator/nv_graphics.h"
#include "emulator/paper.h"
#include "emulator/printer_engine.h"
#include "emulator/state_file.h"

namespace {

namespace fs = std::filesystem;
using vrtruty::emulator::PrinterEngine;
using vrtruty::emulator::PrinterEngineOptions;

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // could not set up a connection, a file or the paper folder
constexpr int kExitUsage = 2;    // bad command line
// Bytes taken from a connection per read.
constexpr std::size_t kReadChunk = 65536;
// How long the printer is gone when it restarts with new settings.
constexpr std::chrono::milliseconds kRestartTime{1000};

constexpr std::string_view kUsage =
    R"(Usage: vrtruty-printer [OPTIONS]
A virtual thermal receipt printer that speaks the printer's command language.

  --model NAME        printer model (display name), default "TR-770II"
  --model-tag TEXT    answer this model tag to the printer ID request instead
  --listen HOST:PORT  serve TCP on HOST (loopback); port 0 takes a free port;
                      the first line printed is "PORT n"
  --pty PATH          create a pseudo-terminal and a symbolic link PATH to it;
                      prints "PTY DEVICE" when it is ready
  --state FILE        file for the printer's non-volatile memory: the user settings
                      are read from it at start and written to it when they change;
                      a missing file is created with the factory settings, a
                      damaged one is ignored (factory settings) until rewritten
  --paper DIR         write printed pages as DIR/page-0001.png, ...
  --idle-timeout SECONDS
                      close a TCP connection that sent nothing for this long
                      (default 10; 0: never), so that a silent client does not
                      block the printer; a command left unfinished by a closed
                      connection is dropped
  --capture FILE      append every byte received (TCP and pseudo-terminal, in
                      order of arrival) to FILE, created empty at start and
                      flushed after every read
  --offline           off line (no cause given)
  --cover-open        cover open
  --paper-end         roll paper end
  --cutter-error      auto-cutter error
  --no-reply CMD      do not answer CMD: reset3, buffer-clear, status1..status4, id
                      (repeatable)
  --bad-reply SETTING:KIND
                      answer the query of SETTING wrongly; SETTING is mswN, cvN or
                      siN (msw1, cv5, si4); KIND is short (one byte short), none
                      (no reply), header (wrong header byte), value=TEXT (TEXT as
                      the value, the eight bits of a switch), echo (a wrong number
                      echoed; cv and si only) (repeatable)
  --help              show this text

Events (buzzer, drawer 1, drawer 2, cut, page FILE, settings applied, restart,
setting list printed) are printed one per line. After "restart" the printer
takes nothing for one second: the TCP connection is closed, new ones are closed
at once, serial input is lost; then it prints "ready".
SIGINT or SIGTERM stops the printer; the page in progress is written first.
)";

struct Arguments {
    PrinterEngineOptions engine;
    std::optional<std::string> listen;
    std::optional<fs::path> pty;
    std::optional<fs::path> state;
    std::optional<fs::path> paper;
    std::optional<fs::path> capture;
    std::chrono::milliseconds idleTimeout{10000};
    bool help = false;
};

// The arguments, or the reason they are not usable.
struct ParsedArguments {
    std::optional<Arguments> arguments;
    std::string error;
};

ParsedArguments ParseArguments(std::span<char* const> argv) {
    Arguments result;
    const auto fail = [](std::string message) { return ParsedArguments{{}, std::move(message)}; };
    for (std::size_t i = 1; i < argv.size(); ++i) {
        std::string_view option = argv[i];
        std::optional<std::string_view> inlineValue;
        if (const auto equals = option.find('=');
            option.starts_with("--") && equals != option.npos) {
            inlineValue = option.substr(equals + 1);
            option = option.substr(0, equals);
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) {
                return std::string(*inlineValue);
            }
            if (i + 1 < argv.size()) {
                return std::string(argv[++i]);
            }
            return std::nullopt;
        };
        const auto flag = [&](bool& target) {
            target = true;
            return !inlineValue.has_value();
        };

        bool ok = true;
        if (option == "--help" || option == "-h") {
            ok = flag(result.help);
        } else if (option == "--offline") {
            ok = flag(result.engine.faults.offline);
        } else if (option == "--cover-open") {
            ok = flag(result.engine.faults.coverOpen);
        } else if (option == "--paper-end") {
            ok = flag(result.engine.faults.paperEnd);
        } else if (option == "--cutter-error") {
            ok = flag(result.engine.faults.cutterError);
        } else {
            const bool known = option == "--model" || option == "--model-tag" ||
                               option == "--listen" || option == "--pty" || option == "--state" ||
                               option == "--paper" || option == "--capture" ||
                               option == "--no-reply" || option == "--bad-reply" ||
                               option == "--idle-timeout";
            if (!known) {
                return fail("unknown option " + std::string(option));
            }
            const auto text = value();
            if (!text) {
                return fail(std::string(option) + " needs a value");
            }
            if (option == "--model") {
                result.engine.model = *text;
            } else if (option == "--model-tag") {
                result.engine.modelTag = *text;
            } else if (option == "--listen") {
                result.listen = *text;
            } else if (option == "--pty") {
                result.pty = fs::path(*text);
            } else if (option == "--state") {
                result.state = fs::path(*text);
            } else if (option == "--paper") {
                result.paper = fs::path(*text);
            } else if (option == "--capture") {
                result.capture = fs::path(*text);
            } else if (option == "--idle-timeout") {
                char* end = nullptr;
                const double seconds = std::strtod(text->c_str(), &end);
                if (text->empty() || end != text->c_str() + text->size() || !(seconds >= 0) ||
                    seconds > 86400) {
                    return fail("--idle-timeout: not a number of seconds: \"" + *text + "\"");
                }
                result.idleTimeout = std::chrono::milliseconds(std::llround(seconds * 1000));
            } else if (option == "--bad-reply") {
                auto bad = vrtruty::emulator::ParseBadReply(*text);
                if (!bad) {
                    return fail("--bad-reply: not understood: \"" + *text +
                                "\" (SETTING:KIND, SETTING msw1, msw2, msw8, msw125..msw127, "
                                "cvN, si1..si4, KIND short, none, header, value=TEXT, echo)");
                }
                result.engine.badReplies[bad->setting] = std::move(bad->reply);
            } else {
                const auto query = vrtruty::emulator::ParseQueryName(*text);
                if (!query) {
                    return fail("--no-reply: unknown command \"" + *text +
                                "\" (reset3, buffer-clear, status1..status4, id)");
                }
                result.engine.noReply.insert(*query);
            }
        }
        if (!ok) {
            return fail(std::string(option) + " takes no value");
        }
    }
    if (result.help) {
        return {std::move(result), {}};
    }
    if (!vrtruty::emulator::CatalogueModelTag(result.engine.model)) {
        return fail("unknown model \"" + result.engine.model + "\"");
    }
    if (!result.listen && !result.pty) {
        return fail("nothing to serve: give --listen and/or --pty");
    }
    return {std::move(result), {}};
}

// Owns one file descriptor.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
};

std::string ErrnoText(std::string_view what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// A listening socket and the port it got.
struct Listener {
    UniqueFd socket;
    std::uint16_t port = 0;
};

std::optional<Listener> Listen(std::string_view address, std::string& error) {
    const auto colon = address.rfind(':');
    if (colon == address.npos) {
        error = "--listen needs HOST:PORT";
        return std::nullopt;
    }
    std::string host(address.substr(0, colon));
    const std::string_view portText = address.substr(colon + 1);
    unsigned port = 0;
    const auto [end, ec] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (ec != std::errc() || end != portText.data() + portText.size() || port > 65535) {
        error = "--listen: bad port \"" + std::string(portText) + "\"";
        return std::nullopt;
    }
    if (host == "localhost") {
        host = "127.0.0.1";
    }
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, host.c_str(), &socketAddress.sin_addr) != 1) {
        error = "--listen: not an IPv4 address: \"" + host + "\"";
        return std::nullopt;
    }

    Listener listener{UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), 0};
    if (!listener.socket.valid()) {
        error = ErrnoText("socket");
        return std::nullopt;
    }
    // A printer restarted on the same port must not wait for the old connection to time out.
    const int reuse = 1;
    ::setsockopt(listener.socket.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    if (::bind(listener.socket.get(), reinterpret_cast<const sockaddr*>(&socketAddress),
               sizeof socketAddress) != 0) {
        error = ErrnoText("bind " + std::string(address));
        return std::nullopt;
    }
    if (::listen(listener.socket.get(), 4) != 0) {
        error = ErrnoText("listen");
        return std::nullopt;
    }
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(listener.socket.get(), reinterpret_cast<sockaddr*>(&bound), &length);
    listener.port = ntohs(bound.sin_port);
    return listener;
}

// The serial side: a pseudo-terminal whose slave device the utility opens through a link.
class PseudoTerminal {
  public:
    static std::unique_ptr<PseudoTerminal> Create(const fs::path& link, std::string& error) {
        UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!master.valid() || ::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0) {
            error = ErrnoText("posix_openpt");
            return nullptr;
        }
        std::array<char, 128> name{};
        if (::ptsname_r(master.get(), name.data(), name.size()) != 0) {
            error = ErrnoText("ptsname");
            return nullptr;
        }
        // Holding the slave open keeps the pseudo-terminal alive while the utility has it
        // closed between two operations; otherwise the master would report a hang-up.
        UniqueFd slave(::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!slave.valid()) {
            error = ErrnoText(std::string("open ") + name.data());
            return nullptr;
        }
        termios settings{};
        if (::tcgetattr(slave.get(), &settings) == 0) {
            ::cfmakeraw(&settings);
            ::tcsetattr(slave.get(), TCSANOW, &settings);
        }
        // Replies nobody reads must not stop the printer: they are dropped when the queue is full.
        ::fcntl(master.get(), F_SETFL, ::fcntl(master.get(), F_GETFL) | O_NONBLOCK);

        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(link, ec))) {
            fs::remove(link, ec);  // left behind by an earlier run that did not stop cleanly
        }
        fs::create_symlink(name.data(), link, ec);
        if (ec) {
            error = "cannot create the link " + link.string() + ": " + ec.message();
            return nullptr;
        }
        return std::make_unique<PseudoTerminal>(std::move(master), std::move(slave), name.data(),
                                                link);
    }

    PseudoTerminal(UniqueFd master, UniqueFd slave, std::string device, fs::path link)
        : master_(std::move(master)),
          slave_(std::move(slave)),
          device_(std::move(device)),
          link_(std::move(link)) {}
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal() {
        std::error_code ec;
        if (fs::read_symlink(link_, ec) == fs::path(device_)) {
            fs::remove(link_, ec);
        }
    }

    int master() const { return master_.get(); }
    const std::string& device() const { return device_; }

  private:
    UniqueFd master_;
    UniqueFd slave_;
    std::string device_;
    fs::path link_;
};

// SIGINT and SIGTERM arrive as readable data on a descriptor, so the serving loop can stop
// cleanly between two reads.
UniqueFd StopSignals(std::string& error) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    if (::sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
        error = ErrnoText("sigprocmask");
        return {};
    }
    UniqueFd fd(::signalfd(-1, &signals, SFD_CLOEXEC));
    if (!fd.valid()) {
        error = ErrnoText("signalfd");
    }
    return fd;
}

void PrintLine(std::string_view line) {
    std::cout << line << '\n' << std::flush;
}

// Sends the whole reply over a socket; false when the peer is gone.
bool SendAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(sent));
    }
    return true;
}

// Writes a reply into the pseudo-terminal; what does not fit is lost, as on a serial line
// nobody listens to.
void WriteTerminal(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

// Keeps a copy of everything received, for tests that check the exact bytes of a job. Flushed
// after every read: whoever sees the printer react finds the bytes that caused it in the file.
class Capture {
  public:
    Capture() = default;
    explicit Capture(const fs::path& path)
        : file_(path, std::ios::binary | std::ios::out | std::ios::trunc) {}
    bool good() const { return file_.is_open() && file_.good(); }
    void Append(std::span<const std::uint8_t> bytes) {
        if (!file_.is_open()) {
            return;
        }
        file_.write(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<std::streamsize>(bytes.size()));
        file_.flush();
    }

  private:
    std::ofstream file_;
};

int Serve(PrinterEngine& engine, const Listener* listener, const PseudoTerminal* terminal,
          int stopSignals, Capture& capture, std::chrono::milliseconds idleTimeout) {
    using Clock = std::chrono::steady_clock;
    UniqueFd connection;
    Clock::time_point lastReceived;
    const auto closeConnection = [&connection, &engine] {
        if (connection.valid()) {
            connection.Reset();
            engine.EndOfConnection();
        }
    };
    std::vector<std::uint8_t> buffer(kReadChunk);
    // Set while the printer restarts with new settings; it comes back at that time.
    std::optional<Clock::time_point> restartEnds;
    while (true) {
        if (engine.Restarting() && !restartEnds) {
            // A restarting printer drops its network connection like any other.
            restartEnds = Clock::now() + kRestartTime;
            closeConnection();
        }
        int timeout = -1;
        if (connection.valid() && idleTimeout.count() > 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                lastReceived + idleTimeout - Clock::now());
            if (left.count() <= 0) {
                closeConnection();
                continue;
            }
            timeout = static_cast<int>(left.count());
        }
        if (restartEnds) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*restartEnds - Clock::now());
            if (left.count() <= 0) {
                restartEnds.reset();
                engine.FinishRestart();
                PrintLine("ready");
                continue;
            }
            timeout = timeout < 0 ? static_cast<int>(left.count())
                                  : std::min(timeout, static_cast<int>(left.count()));
        }

        std::array<pollfd, 3> fds{};
        std::size_t count = 0;
        fds[count++] = {stopSignals, POLLIN, 0};
        // One TCP connection at a time, as on a printer's raw port: the next one is accepted
        // once the current peer has closed.
        std::optional<std::size_t> network;
        if (connection.valid() || listener != nullptr) {
            network = count;
            fds[count++] = {connection.valid() ? connection.get() : listener->socket.get(), POLLIN,
                            0};
        }
        std::optional<std::size_t> serial;
        if (terminal != nullptr) {
            serial = count;
            fds[count++] = {terminal->master(), POLLIN, 0};
        }
        if (::poll(fds.data(), count, timeout) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::cerr << "vrtruty-printer: " << ErrnoText("poll") << '\n';
            return kExitFailure;
        }
        if (fds[0].revents != 0) {
            return kExitOk;
        }
        if (network && fds[*network].revents != 0) {
            if (connection.valid()) {
                const ssize_t received = ::recv(connection.get(), buffer.data(), buffer.size(), 0);
                if (received > 0) {
                    lastReceived = Clock::now();
                    const auto chunk = std::span(buffer).first(static_cast<std::size_t>(received));
                    capture.Append(chunk);
                    const auto reply = engine.Feed(chunk);
                    if (!SendAll(connection.get(), reply)) {
                        closeConnection();
                    }
                } else if (received == 0 || (errno != EINTR && errno != EAGAIN)) {
                    closeConnection();
                }
            } else {
                connection =
                    UniqueFd(::accept4(listener->socket.get(), nullptr, nullptr, SOCK_CLOEXEC));
                lastReceived = Clock::now();
                if (restartEnds) {
                    connection.Reset();  // nobody is there to answer yet
                }
            }
        }
        if (serial && fds[*serial].revents != 0) {
            const ssize_t received = ::read(terminal->master(), buffer.data(), buffer.size());
            // While the printer restarts the engine takes nothing, so serial input is lost.
            if (received > 0) {
                const auto chunk = std::span(buffer).first(static_cast<std::size_t>(received));
                capture.Append(chunk);
                WriteTerminal(terminal->master(), engine.Feed(chunk));
            }
        }
    }
}

// Reads the user settings from the state file, or creates it with the factory settings. False
// when the file cannot be used at all.
bool PrepareStateFile(const fs::path& path, PrinterEngineOptions& engine, std::string& error) {
    std::error_code ec;
    if (fs::exists(path, ec) && !fs::is_regular_file(path, ec)) {
        error = "--state: not a file: " + path.string();
        return false;
    }
    vrtruty::emulator::LoadedState loaded = vrtruty::emulator::LoadStateFile(path, engine.model);
    switch (loaded.status) {
        case vrtruty::emulator::StateFileStatus::Loaded:
            break;
        case vrtruty::emulator::StateFileStatus::Missing:
            if (const auto saved =
                    vrtruty::emulator::SaveStateFile(path, loaded.settings, engine.model)) {
                error = "--state: cannot create " + path.string() + ": " + saved.message();
                return false;
            }
            break;
        case vrtruty::emulator::StateFileStatus::Damaged:
        case vrtruty::emulator::StateFileStatus::OtherModel:
            // Kept as it is until new settings are written, so that it can still be looked at.
            std::cerr << "vrtruty-printer: " << path.string() << " is not used (" << loaded.problem
                      << "); the printer starts with its factory settings\n";
            break;
    }
    engine.settings = std::move(loaded.settings);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ParsedArguments parsed = ParseArguments(std::span(argv, static_cast<std::size_t>(argc)));
    if (!parsed.arguments) {
        std::cerr << "vrtruty-printer: " << parsed.error << "\nTry --help.\n";
        return kExitUsage;
    }
    Arguments& arguments = *parsed.arguments;
    if (arguments.help) {
        std::cout << kUsage;
        return kExitOk;
    }
    // A reader of the event lines that goes away must not end the printer.
    ::signal(SIGPIPE, SIG_IGN);

    std::string error;
    const UniqueFd stopSignals = StopSignals(error);
    if (!stopSignals.valid() ||
        (arguments.state && !PrepareStateFile(*arguments.state, arguments.engine, error))) {
        std::cerr << "vrtruty-printer: " << error << '\n';
        return kExitFailure;
    }

    Capture capture;
    if (arguments.capture) {
        capture = Capture(*arguments.capture);
        if (!capture.good()) {
            std::cerr << "vrtruty-printer: --capture: cannot create " << arguments.capture->string()
                      << '\n';
            return kExitFailure;
        }
    }

    std::unique_ptr<vrtruty::emulator::PaperSink> paper;
    if (arguments.paper) {
        paper = std::make_unique<vrtruty::emulator::PngPaper>(
            *arguments.paper, [](const fs::path& page, std::error_code ec) {
                if (ec) {
                    std::cerr << "vrtruty-printer: cannot write " << page.string() << ": "
                              << ec.message() << '\n';
                } else {
                    PrintLine("page " + page.string());
                }
            });
        std::error_code ec;
        if (!fs::is_directory(*arguments.paper, ec)) {
            std::cerr << "vrtruty-printer: --paper: cannot create " << arguments.paper->string()
                      << '\n';
            return kExitFailure;
        }
    } else {
        paper = std::make_unique<vrtruty::emulator::DiscardPaper>();
    }
    PrinterEngine engine(arguments.engine, *paper, [](vrtruty::emulator::EventKind kind) {
        PrintLine(vrtruty::emulator::EventName(kind));
    });
    if (arguments.state) {
        engine.SetSettingsStore([&arguments](const vrtruty::emulator::UserSettings& settings) {
            if (const auto ec = vrtruty::emulator::SaveStateFile(*arguments.state, settings,
                                                                 arguments.engine.model)) {
                std::cerr << "vrtruty-printer: cannot write " << arguments.state->string() << ": "
                          << ec.message() << '\n';
            }
        });
    }

    // NV graphics (logos), kept beside the state file.
    const auto nvGraphics = vrtruty::emulator::AttachNvGraphics(
        engine, *paper, arguments.engine.model,
        arguments.state ? std::optional(vrtruty::emulator::LogoFilePath(*arguments.state))
                        : std::nullopt,
        [](const std::string& problem) { std::cerr << "vrtruty-printer: " << problem << '\n'; });

    std::optional<Listener> listener;
    if (arguments.listen) {
        listener = Listen(*arguments.listen, error);
        if (!listener) {
            std::cerr << "vrtruty-printer: " << error << '\n';
            return kExitFailure;
        }
        PrintLine("PORT " + std::to_string(listener->port));
    }
    std::unique_ptr<PseudoTerminal> terminal;
    if (arguments.pty) {
        terminal = PseudoTerminal::Create(*arguments.pty, error);
        if (!terminal) {
            std::cerr << "vrtruty-printer: " << error << '\n';
            return kExitFailure;
        }
        PrintLine("PTY " + terminal->device());
    }

    const int status = Serve(engine, listener ? &*listener : nullptr, terminal.get(),
                             stopSignals.get(), capture, arguments.idleTimeout);
    paper->Flush();
    return status;
}
