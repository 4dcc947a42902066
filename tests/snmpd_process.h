// net-snmp's snmpd run by a test on a loopback address with a configuration of the test's own.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "platform/snmp_client.h"

namespace vrtruty::test {

inline constexpr const char* kSnmpdPath = "/usr/sbin/snmpd";
// sysUpTime.0: every agent has it, so it tells when the agent is up.
inline constexpr const char* kSysUpTimeOid = ".1.3.6.1.2.1.1.3.0";

// A UDP port on the address that nothing listens on at the moment.
inline std::uint16_t FreeUdpPort(const std::string& address) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    socklen_t size = sizeof local;
    ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size);
    ::close(fd);
    return ntohs(local.sin_port);
}

class SnmpdProcess {
  public:
    // Starts snmpd with the configuration text on address:port (a free port when 0) and waits
    // until it answers; nothing, with the reason in `why`, when it cannot be started.
    static std::unique_ptr<SnmpdProcess> Start(const std::filesystem::path& folder,
                                               const std::string& configuration, std::string& why,
                                               const std::string& address = "127.0.0.1",
                                               std::uint16_t port = 0) {
        if (::access(kSnmpdPath, X_OK) != 0) {
            why = std::string(kSnmpdPath) + " is not installed (scripts/install-deps)";
            return nullptr;
        }
        auto daemon = std::unique_ptr<SnmpdProcess>(new SnmpdProcess);
        daemon->address_ = address;
        daemon->port_ = port != 0 ? port : FreeUdpPort(address);
        const std::string tag = address + "-" + std::to_string(daemon->port_);
        const std::filesystem::path config = folder / ("snmpd-" + tag + ".conf");
        daemon->logPath_ = folder / ("snmpd-" + tag + ".log");
        std::ofstream(config) << configuration;
        daemon->pid_ = Spawn({kSnmpdPath, "-f", "-Lo", "-C", "-c", config.string(),
                              "udp:" + address + ":" + std::to_string(daemon->port_)},
                             {-1, daemon->logPath_.string()});
        if (daemon->pid_ < 0) {
            why = "snmpd cannot be started";
            return nullptr;
        }
        // snmpd needs a moment to read its configuration and open its port.
        const platform::SnmpRequest ping{address, daemon->port_, false, {kSysUpTimeOid}};
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (!platform::SnmpGet({&ping, 1}, "public", false, std::chrono::milliseconds(100))
                     .answers.empty()) {
                return daemon;
            }
            if (::waitpid(daemon->pid_, nullptr, WNOHANG) == daemon->pid_) {
                daemon->pid_ = -1;
                break;
            }
        }
        why = "snmpd did not answer on " + tag + "; its log: " + daemon->logPath_.string();
        return nullptr;
    }

    SnmpdProcess(const SnmpdProcess&) = delete;
    SnmpdProcess& operator=(const SnmpdProcess&) = delete;
    ~SnmpdProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    std::uint16_t port() const { return port_; }
    std::string target() const { return address_ + ":" + std::to_string(port_); }

  private:
    SnmpdProcess() = default;
    pid_t pid_ = -1;
    std::string address_;
    std::uint16_t port_ = 0;
    std::filesystem::path logPath_;
};

}  // namespace vrtruty::test
