// How a LAN library slot finds printers on the network: a finder asks the network its own way
// and hands back, per printer, what the search answer and the device ID carry.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/tcp_socket.h"

namespace vrtruty::comm {

struct FoundPrinter {
    std::string ipAddress;
    std::string macAddress;  // "00:00:5E:00:53:01"; empty when it could not be learnt
    std::string deviceId;    // IEEE 1284 key/value pairs; empty when the printer told none
};

// Where a search asks and how long it waits.
struct SearchOptions {
    // Hosts to ask one by one; empty: the local networks (broadcast, multicast).
    std::vector<platform::HostAndPort> targets;
    std::string community = "public";  // SNMP community
    // How long answers are collected; the SNMP follow-up questions to each printer that
    // answered (its MAC address) wait at most as long again.
    std::chrono::milliseconds timeout{2000};
    std::stop_token stop;  // a requested stop ends the search within half a second
};

class PrinterFinder {
  public:
    virtual ~PrinterFinder() = default;
    // The printers that answered, one per address, in the order they answered. `note` receives
    // a line for the log when something went wrong on the way (nothing was sent, a daemon is
    // missing).
    virtual std::vector<FoundPrinter> Find(std::string& note) = 0;
};

// The device ID for a printer that describes itself in free text: the text itself when it holds
// a MODEL or MDL field, else the text as its model ("MDL:<text>;"); nothing for empty text.
std::string DeviceIdFromDescription(std::string_view description);

// "00:00:5E:00:53:01" of the 6 bytes of an Ethernet address; empty for any other length.
std::string FormatMacAddress(std::string_view octets);

// Slot 1: SNMP. Asks each target, or the broadcast address of each network, for the printer's
// IEEE 1284 device ID (else its device description) and then the MAC address of the interface
// that answered.
std::unique_ptr<PrinterFinder> MakeSnmpPrinterFinder(SearchOptions options);

// The service type of printers that take raw print data on a TCP port (9100).
inline constexpr std::string_view kRawPrinterServiceType = "_pdl-datastream._tcp";

// The model a DNS-SD TXT record names: usb_MDL, else product (without the parentheses it is
// written in), else ty; empty when none is there.
std::string TxtModel(const std::vector<std::pair<std::string, std::string>>& txt);

// Slot 2: DNS-SD through the Avahi daemon. Browses the raw printers announced on the local
// networks; with targets it keeps those at the targets' addresses. The MAC address comes from
// the neighbour table when it holds the printer.
std::unique_ptr<PrinterFinder> MakeDnsSdPrinterFinder(SearchOptions options);

// Why the second slot cannot search: the Avahi daemon cannot be reached. Empty when it can.
std::string DnsSdUnavailable();

}  // namespace vrtruty::comm
