// DNS-SD service discovery through the Avahi daemon (its client library), and the neighbour
// table that tells the MAC address of a host on the local network.
#pragma once

#include <chrono>
#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vrtruty::platform {

struct DnsSdService {
    std::string name;     // the instance name ("Shop printer")
    std::string address;  // IPv4 address of the resolved service
    std::uint16_t port = 0;
    std::vector<std::pair<std::string, std::string>> txt;  // TXT record, key and value
};

struct DnsSdBrowseResult {
    std::vector<DnsSdService> services;  // in the order they were resolved
    std::string error;                   // why the browse could not run; empty when it ran
};

// Whether the Avahi daemon can be reached: empty when it can, else why not.
std::string DnsSdDaemonProblem();

// Browses the service type ("_pdl-datastream._tcp") in every local domain over IPv4 and resolves
// what is announced, until the daemon has told all it knows and every service is resolved, `wait`
// has passed, or a stop is requested (looked at every 100 ms).
DnsSdBrowseResult BrowseDnsSd(std::string_view serviceType, std::chrono::milliseconds wait,
                              std::stop_token stop = {});

// The MAC address the neighbour (ARP) table holds for an IPv4 address ("00:00:5E:00:53:01");
// empty when it holds none.
std::string NeighbourMacAddress(std::string_view ipv4Address);

}  // namespace vrtruty::platform
