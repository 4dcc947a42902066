// An Avahi daemon of a test's own: it runs with its own D-Bus in a private network namespace
// (only the loopback interface, made multicast) and mount namespace (its own /run), so its
// multicast never reaches a real network. The test talks to it over the D-Bus socket in its
// folder; DBUS_SYSTEM_BUS_ADDRESS points there while the object lives.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace vrtruty::test {

// Where the D-Bus system bus is while no test daemon runs: nowhere. A search in a test must never
// reach the machine's own Avahi daemon, which would ask the real networks.
inline constexpr const char* kNoSystemBus = "unix:path=/nonexistent/vrtruty-test-bus";
inline const bool kSystemBusHidden = [] {
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", kNoSystemBus, 1);
    return true;
}();

class AvahiNamespace {
  public:
    // libdbus reads DBUS_SYSTEM_BUS_ADDRESS once per process: a test that ran a search before
    // in the same process cannot reach this daemon (ctest runs every test in its own process).
    static constexpr const char* kBusAddressReadOnce =
        "this process read the D-Bus address before the test's daemon started; run the test on "
        "its own: ";

    // One announced raw printer: its host (and the address the host record gives), and its TXT
    // record as "key=value" items.
    struct Service {
        std::string name;
        std::string host;  // empty: the daemon's own host name, at 127.0.0.1
        std::string address;
        std::vector<std::string> txt;
    };

    // Starts the daemon and announces the services; nothing, with the reason in `why`, when the
    // daemon cannot run here.
    static std::unique_ptr<AvahiNamespace> Start(const std::filesystem::path& folder,
                                                 const std::vector<Service>& services,
                                                 std::string& why) {
        for (const char* program : {"/usr/bin/unshare", "/usr/bin/dbus-daemon",
                                    "/usr/sbin/avahi-daemon", "/usr/bin/avahi-publish"}) {
            if (::access(program, X_OK) != 0) {
                why = std::string(program) + " is not installed (scripts/install-deps)";
                return nullptr;
            }
        }
        const std::string dir = folder.string();
        auto daemon = std::unique_ptr<AvahiNamespace>(new AvahiNamespace);
        // A socket's path must stay short (108 bytes), shorter than test folders are.
        char shortFolder[] = "/tmp/vrtruty-bus-XXXXXX";
        if (::mkdtemp(shortFolder) == nullptr) {
            why = "no folder for the D-Bus socket";
            return nullptr;
        }
        daemon->busFolder_ = shortFolder;
        const std::string bus = daemon->busFolder_.string() + "/bus";
        std::ofstream(folder / "dbus.conf")
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\""
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>system</type><listen>unix:path="
            << bus
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow user=\"*\"/><allow own=\"*\"/><allow send_destination=\"*\"/>"
               "<allow receive_sender=\"*\"/></policy></busconfig>\n";
        std::ofstream(folder / "avahi.conf")
            << "[server]\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=lo\n"
               "ratelimit-interval-usec=0\n[wide-area]\nenable-wide-area=no\n"
               "[publish]\npublish-hinfo=no\npublish-workstation=no\n";
        std::string script =
            "T=" + dir +
            "\n"
            "exec 2>$T/script.log\n"
            "set -ex\n"
            "ip link set lo up\n"
            "ip link set lo multicast on\n"
            "mount -t tmpfs tmpfs /run\n"
            "mkdir -p /run/avahi-daemon /run/dbus\n"
            "dbus-daemon --config-file=$T/dbus.conf --nofork --nopidfile >$T/dbus.log 2>&1 &\n"
            "i=0; until [ -S " +
            bus +
            " ]; do i=$((i+1)); [ $i -lt 200 ]; sleep 0.02; done\n"
            "export DBUS_SYSTEM_BUS_ADDRESS=unix:path=" +
            bus +
            "\n"
            "avahi-daemon --no-drop-root --no-chroot --no-rlimits -f $T/avahi.conf "
            ">$T/avahi.log 2>&1 &\n"
            "i=0; until grep -q 'Server startup complete' $T/avahi.log; do "
            "i=$((i+1)); [ $i -lt 500 ]; sleep 0.02; done\n";
        int n = 0;
        for (const Service& service : services) {
            const std::string log = "$T/publish" + std::to_string(++n) + ".log";
            if (!service.host.empty()) {
                script += "avahi-publish -a -R " + service.host + " " + service.address + " >" +
                          log + ".a 2>&1 &\n";
            }
            script += "avahi-publish -s " +
                      (service.host.empty() ? "" : "-H " + service.host + " ") + "'" +
                      service.name + "' _pdl-datastream._tcp 9100";
            for (const std::string& item : service.txt) {
                script += " '" + item + "'";
            }
            script += " >" + log + " 2>&1 &\n";
            script += "i=0; until grep -q Established " + log +
                      "; do i=$((i+1)); "
                      "[ $i -lt 500 ]; sleep 0.02; done\n";
        }
        script += "echo READY\nwait\n";
        std::ofstream(folder / "avahi.sh") << script;

        std::array<int, 2> pipe{};
        if (::pipe2(pipe.data(), O_CLOEXEC) != 0) {
            why = "no pipe";
            return nullptr;
        }
        const std::string scriptPath = (folder / "avahi.sh").string();
        daemon->pid_ = Spawn({"/usr/bin/unshare", "--net", "--mount", "--pid", "--fork",
                              "--kill-child", "/bin/sh", scriptPath},
                             {pipe[1], {}});
        ::close(pipe[1]);
        const int output = pipe[0];
        if (daemon->pid_ < 0) {
            ::close(output);
            why = "unshare cannot be started";
            return nullptr;
        }
        // The script says READY once every service is announced; it ends early when the
        // namespace or a daemon cannot be set up.
        std::string said;
        pollfd fd{output, POLLIN, 0};
        while (said.find("READY") == std::string::npos && ::poll(&fd, 1, 20000) > 0) {
            char chunk[64];
            const ssize_t got = ::read(output, chunk, sizeof chunk);
            if (got <= 0) {
                break;
            }
            said.append(chunk, static_cast<std::size_t>(got));
        }
        ::close(output);
        if (said.find("READY") == std::string::npos) {
            std::ifstream trace(folder / "script.log");
            const std::string steps((std::istreambuf_iterator<char>(trace)),
                                    std::istreambuf_iterator<char>());
            why =
                "Avahi cannot run in a private network namespace here; the set-up went:\n" + steps;
            return nullptr;
        }
        daemon->busAddress_ = "unix:path=" + bus;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", daemon->busAddress_.c_str(), 1);
        return daemon;
    }

    AvahiNamespace(const AvahiNamespace&) = delete;
    AvahiNamespace& operator=(const AvahiNamespace&) = delete;
    ~AvahiNamespace() {
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", kNoSystemBus, 1);
        if (pid_ > 0) {
            // unshare ignores SIGTERM while it waits; when it is killed, its child (the
            // namespace's first process) is killed with it, and the rest of the namespace too.
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(busFolder_, ignored);
    }

  private:
    AvahiNamespace() = default;
    pid_t pid_ = -1;
    std::string busAddress_;
    std::filesystem::path busFolder_;
};

}  // namespace vrtruty::test
