// The SNMP finder of the first LAN library slot.
#include <algorithm>
#include <cstdio>

#include "comm/printer_finder.h"
#include "comm/printer_search.h"
#include "platform/snmp_client.h"

namespace vrtruty::comm {
namespace {

// ppmPrinterIEEE1284DeviceId of the first printer of the PWG printer port monitor MIB.
constexpr std::string_view kDeviceIdOid = ".1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1";
// hrDeviceDescr of the first device: printers keep themselves there.
constexpr std::string_view kDeviceDescriptionOid = ".1.3.6.1.2.1.25.3.2.1.3.1";
// ipAdEntIfIndex.<address>: the interface that holds an address.
constexpr std::string_view kAddressInterfaceOid = ".1.3.6.1.2.1.4.20.1.2.";
// ifPhysAddress.<interface>: its MAC address.
constexpr std::string_view kPhysicalAddressOid = ".1.3.6.1.2.1.2.2.1.6.";

struct Agent {
    std::string address;
    std::uint16_t port = platform::kSnmpPort;
    std::string deviceId;
};

std::string Text(const platform::SnmpValue& value) {
    std::string text = value.octets.value_or(std::string());
    // Some agents count a terminating zero into the string.
    return text.substr(0, text.find('\0'));
}

class SnmpPrinterFinder final : public PrinterFinder {
  public:
    explicit SnmpPrinterFinder(SearchOptions options) : options_(std::move(options)) {}

    std::vector<FoundPrinter> Find(std::string& note) override {
        std::vector<platform::SnmpRequest> requests;
        const std::vector<std::string> identity = {std::string(kDeviceIdOid),
                                                   std::string(kDeviceDescriptionOid)};
        if (options_.targets.empty()) {
            for (const std::string& address : platform::Ipv4BroadcastAddresses()) {
                requests.push_back({address, platform::kSnmpPort, true, identity});
            }
            if (requests.empty()) {
                note = "SNMP: no network interface with a broadcast address is up";
                return {};
            }
        } else {
            for (const platform::HostAndPort& target : options_.targets) {
                requests.push_back({target.host, target.port, false, identity});
            }
        }
        const platform::SnmpOutcome asked = Ask(requests);
        std::string silent;
        for (std::size_t i = 0; i < requests.size(); ++i) {
            if (std::none_of(asked.answers.begin(), asked.answers.end(),
                             [i](const platform::SnmpAnswer& a) { return a.request == i; })) {
                silent += " " + requests[i].host + ":" + std::to_string(requests[i].port);
            }
        }
        note = asked.error.empty() ? std::string() : "SNMP: " + asked.error;
        if (!silent.empty() && !options_.stop.stop_requested()) {
            note += (note.empty() ? "" : "\n") + std::string("SNMP: no answer from") + silent;
        }

        std::vector<Agent> agents;
        for (const platform::SnmpAnswer& answer : asked.answers) {
            if (answer.address.empty() ||
                std::any_of(agents.begin(), agents.end(),
                            [&](const Agent& a) { return a.address == answer.address; })) {
                continue;
            }
            std::string deviceId = answer.values.size() > 0 ? Text(answer.values[0]) : "";
            if (deviceId.empty() && answer.values.size() > 1) {
                deviceId = DeviceIdFromDescription(Text(answer.values[1]));
            }
            agents.push_back({answer.address, answer.port, std::move(deviceId)});
        }
        const std::vector<std::string> macs = MacAddresses(agents);
        std::vector<FoundPrinter> found;
        for (std::size_t i = 0; i < agents.size(); ++i) {
            found.push_back({agents[i].address, macs[i], agents[i].deviceId});
        }
        return found;
    }

  private:
    platform::SnmpOutcome Ask(std::span<const platform::SnmpRequest> requests) const {
        return platform::SnmpGet(requests, options_.community, false, options_.timeout,
                                 options_.stop);
    }

    // The MAC address of the interface each agent answered from: the interface that holds the
    // address comes first, then its physical address. An agent that does not list its
    // addresses is taken to have one interface, the first.
    std::vector<std::string> MacAddresses(const std::vector<Agent>& agents) const {
        std::vector<std::string> macs(agents.size());
        if (agents.empty() || options_.stop.stop_requested()) {
            return macs;
        }
        std::vector<platform::SnmpRequest> requests;
        for (const Agent& agent : agents) {
            requests.push_back({agent.address,
                                agent.port,
                                false,
                                {std::string(kAddressInterfaceOid) + agent.address,
                                 std::string(kPhysicalAddressOid) + "1"}});
        }
        std::vector<long> interfaces(agents.size(), 1);
        for (const platform::SnmpAnswer& answer : Ask(requests).answers) {
            if (answer.values.size() != 2) {
                continue;
            }
            interfaces[answer.request] = answer.values[0].integer.value_or(1);
            macs[answer.request] = FormatMacAddress(answer.values[1].octets.value_or(""));
        }
        // Agents whose address sits on another interface are asked once more.
        requests.clear();
        std::vector<std::size_t> asked;
        for (std::size_t i = 0; i < agents.size(); ++i) {
            if (interfaces[i] != 1 && interfaces[i] > 0) {
                requests.push_back(
                    {agents[i].address,
                     agents[i].port,
                     false,
                     {std::string(kPhysicalAddressOid) + std::to_string(interfaces[i])}});
                asked.push_back(i);
            }
        }
        if (!requests.empty() && !options_.stop.stop_requested()) {
            for (const platform::SnmpAnswer& answer : Ask(requests).answers) {
                if (answer.values.size() == 1) {
                    macs[asked[answer.request]] =
                        FormatMacAddress(answer.values[0].octets.value_or(""));
                }
            }
        }
        return macs;
    }

    SearchOptions options_;
};

}  // namespace

std::string DeviceIdFromDescription(std::string_view description) {
    if (description.empty()) {
        return {};
    }
    if (DeviceIdModel(description)) {
        return std::string(description);
    }
    return "MDL:" + std::string(description) + ";";
}

std::string FormatMacAddress(std::string_view octets) {
    if (octets.size() != 6) {
        return {};
    }
    std::string text;
    for (const char byte : octets) {
        char part[4];
        std::snprintf(part, sizeof part, "%02X", static_cast<unsigned char>(byte));
        text += (text.empty() ? "" : ":") + std::string(part);
    }
    return text;
}

std::unique_ptr<PrinterFinder> MakeSnmpPrinterFinder(SearchOptions options) {
    return std::make_unique<SnmpPrinterFinder>(std::move(options));
}

}  // namespace vrtruty::comm
