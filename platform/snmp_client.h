// SNMP GET requests through net-snmp: one request to each target (a host, or the broadcast
// address of a network), and every answer that arrives within the waiting time.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

namespace vrtruty::platform {

// The port SNMP agents listen on.
inline constexpr std::uint16_t kSnmpPort = 161;

struct SnmpRequest {
    std::string host;  // a name or an IPv4 address; a broadcast address asks a whole network
    std::uint16_t port = kSnmpPort;
    bool broadcast = false;         // more than one agent may answer
    std::vector<std::string> oids;  // numeric, ".1.3.6.1.2.1.1.1.0"
};

// One value of an answer, in the order the request named the objects. An object the agent does
// not have (or an error answer) leaves both empty.
struct SnmpValue {
    std::optional<std::string> octets;  // OCTET STRING
    std::optional<long> integer;        // INTEGER
};

struct SnmpAnswer {
    std::size_t request = 0;  // index of the request answered
    std::string address;      // IPv4 address of the agent that answered
    std::uint16_t port = 0;   // its UDP port
    std::vector<SnmpValue> values;
};

struct SnmpOutcome {
    std::vector<SnmpAnswer> answers;  // in the order they arrived
    std::string error;                // why a request could not be sent; empty when all went out
};

// The step at which a wait looks at the stop token.
inline constexpr std::chrono::milliseconds kSnmpPollStep{100};

// Sends every request (SNMP v2c, or v1 when version1 is set) and collects answers until each
// request that is not a broadcast has been answered, `wait` has passed, or a stop is requested.
SnmpOutcome SnmpGet(std::span<const SnmpRequest> requests, const std::string& community,
                    bool version1, std::chrono::milliseconds wait, std::stop_token stop = {});

// The IPv4 broadcast addresses of the interfaces that are up ("192.168.1.255"), each once.
std::vector<std::string> Ipv4BroadcastAddresses();

}  // namespace vrtruty::platform
