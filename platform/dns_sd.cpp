#include "platform/dns_sd.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/simple-watch.h>
#include <avahi-common/strlst.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>

namespace vrtruty::platform {
namespace {

using Steady = std::chrono::steady_clock;

// The step at which a browse looks at its stop token.
constexpr std::chrono::milliseconds kPollStep{100};

struct PollDeleter {
    void operator()(AvahiSimplePoll* poll) const { avahi_simple_poll_free(poll); }
};
struct ClientDeleter {
    void operator()(AvahiClient* client) const { avahi_client_free(client); }
};
struct BrowserDeleter {
    void operator()(AvahiServiceBrowser* browser) const { avahi_service_browser_free(browser); }
};
using Poll = std::unique_ptr<AvahiSimplePoll, PollDeleter>;
using Client = std::unique_ptr<AvahiClient, ClientDeleter>;
using Browser = std::unique_ptr<AvahiServiceBrowser, BrowserDeleter>;

// What the callbacks of one browse write into.
struct Browse {
    AvahiClient* client = nullptr;
    int resolving = 0;  // resolvers started and not yet done
    bool allForNow = false;
    std::string error;
    std::vector<DnsSdService> services;
};

void ClientChanged(AvahiClient* /*client*/, AvahiClientState /*state*/, void* /*userdata*/) {}

std::vector<std::pair<std::string, std::string>> TxtPairs(AvahiStringList* list) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (AvahiStringList* item = list; item != nullptr; item = avahi_string_list_get_next(item)) {
        char* key = nullptr;
        char* value = nullptr;
        std::size_t size = 0;
        if (avahi_string_list_get_pair(item, &key, &value, &size) != 0) {
            continue;
        }
        pairs.emplace_back(key, value != nullptr ? std::string(value, size) : std::string());
        avahi_free(key);
        avahi_free(value);
    }
    return pairs;
}

void Resolved(AvahiServiceResolver* resolver, AvahiIfIndex /*interface*/,
              AvahiProtocol /*protocol*/, AvahiResolverEvent event, const char* name,
              const char* /*type*/, const char* /*domain*/, const char* /*hostName*/,
              const AvahiAddress* address, std::uint16_t port, AvahiStringList* txt,
              AvahiLookupResultFlags /*flags*/, void* userdata) {
    auto& browse = *static_cast<Browse*>(userdata);
    if (event == AVAHI_RESOLVER_FOUND && address != nullptr && address->proto == AVAHI_PROTO_INET) {
        char text[AVAHI_ADDRESS_STR_MAX] = {};
        avahi_address_snprint(text, sizeof text, address);
        browse.services.push_back({name != nullptr ? name : "", text, port, TxtPairs(txt)});
    }
    avahi_service_resolver_free(resolver);
    --browse.resolving;
}

void Browsed(AvahiServiceBrowser* /*browser*/, AvahiIfIndex interface, AvahiProtocol protocol,
             AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
             AvahiLookupResultFlags /*flags*/, void* userdata) {
    auto& browse = *static_cast<Browse*>(userdata);
    switch (event) {
        case AVAHI_BROWSER_NEW:
            if (avahi_service_resolver_new(browse.client, interface, protocol, name, type, domain,
                                           AVAHI_PROTO_INET, static_cast<AvahiLookupFlags>(0),
                                           Resolved, userdata) != nullptr) {
                ++browse.resolving;
            }
            break;
        case AVAHI_BROWSER_ALL_FOR_NOW:
            browse.allForNow = true;
            break;
        case AVAHI_BROWSER_FAILURE:
            browse.error = avahi_strerror(avahi_client_errno(browse.client));
            break;
        case AVAHI_BROWSER_REMOVE:
        case AVAHI_BROWSER_CACHE_EXHAUSTED:
            break;
    }
}

}  // namespace

std::string DnsSdDaemonProblem() {
    const Poll poll(avahi_simple_poll_new());
    if (!poll) {
        return "out of memory";
    }
    int error = 0;
    const Client client(avahi_client_new(avahi_simple_poll_get(poll.get()),
                                         static_cast<AvahiClientFlags>(0), ClientChanged, nullptr,
                                         &error));
    return client ? std::string() : std::string(avahi_strerror(error));
}

DnsSdBrowseResult BrowseDnsSd(std::string_view serviceType, std::chrono::milliseconds wait,
                              std::stop_token stop) {
    DnsSdBrowseResult result;
    const Poll poll(avahi_simple_poll_new());
    if (!poll) {
        result.error = "out of memory";
        return result;
    }
    // Outlives the client: freeing the client ends the lookups that write into it.
    Browse browse;
    int error = 0;
    const Client client(avahi_client_new(avahi_simple_poll_get(poll.get()),
                                         static_cast<AvahiClientFlags>(0), ClientChanged, nullptr,
                                         &error));
    if (!client) {
        result.error = avahi_strerror(error);
        return result;
    }
    browse.client = client.get();
    const std::string type(serviceType);
    const Browser browser(
        avahi_service_browser_new(client.get(), AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, type.c_str(),
                                  nullptr, static_cast<AvahiLookupFlags>(0), Browsed, &browse));
    if (!browser) {
        result.error = avahi_strerror(avahi_client_errno(client.get()));
        return result;
    }
    const auto deadline = Steady::now() + wait;
    while (!stop.stop_requested() && browse.error.empty() &&
           !(browse.allForNow && browse.resolving == 0)) {
        const auto now = Steady::now();
        if (now >= deadline) {
            break;
        }
        const auto step = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::min<Steady::duration>(deadline - now, kPollStep));
        if (avahi_simple_poll_iterate(poll.get(), static_cast<int>(step.count())) != 0) {
            break;
        }
    }
    result.error = browse.error;
    result.services = std::move(browse.services);
    return result;
}

std::string NeighbourMacAddress(std::string_view ipv4Address) {
    // "IP address  HW type  Flags  HW address  Mask  Device", one neighbour per line.
    std::ifstream table("/proc/net/arp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string address;
        std::string hardwareType;
        std::string flags;
        std::string mac;
        fields >> address >> hardwareType >> flags >> mac;
        // Flags 0x0: an incomplete entry, whose address is all zeros.
        if (address == ipv4Address && flags != "0x0" && mac.size() == 17) {
            std::transform(mac.begin(), mac.end(), mac.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            return mac;
        }
    }
    return {};
}

}  // namespace vrtruty::platform
