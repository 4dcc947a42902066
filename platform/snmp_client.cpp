#include "platform/snmp_client.h"

// net-snmp's headers need its configuration header first.
// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/library/snmp_transport.h>
// clang-format on

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/select.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace vrtruty::platform {
namespace {

using Steady = std::chrono::steady_clock;

// The library keeps some state of its own that its first session sets up.
void InitialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        netsnmp_session unused;
        snmp_sess_init(&unused);
    });
}

// ".1.3.6.1.2.1.1.1.0" as the library's object identifier; nothing when it is not numeric.
std::optional<std::vector<oid>> NumericOid(std::string_view text) {
    std::vector<oid> parts;
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
    }
    while (!text.empty()) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        unsigned long value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || error != std::errc{} || end != part.data() + part.size()) {
            return std::nullopt;
        }
        parts.push_back(static_cast<oid>(value));
        text.remove_prefix(dot == std::string_view::npos ? text.size() : dot + 1);
    }
    if (parts.size() < 2 || parts.size() > MAX_OID_LEN) {
        return std::nullopt;
    }
    return parts;
}

struct SessionCloser {
    void operator()(void* session) const { snmp_sess_close(session); }
};
using Session = std::unique_ptr<void, SessionCloser>;

// What the answer callback of one request writes into.
struct Pending {
    std::size_t request = 0;
    bool broadcast = false;
    bool answered = false;
    std::vector<SnmpAnswer>* answers = nullptr;
};

SnmpValue ValueOf(const netsnmp_variable_list& variable) {
    SnmpValue value;
    if (variable.type == ASN_OCTET_STR && variable.val.string != nullptr) {
        value.octets =
            std::string(reinterpret_cast<const char*>(variable.val.string), variable.val_len);
    } else if (variable.type == ASN_INTEGER && variable.val.integer != nullptr) {
        value.integer = *variable.val.integer;
    }
    return value;
}

int OnAnswer(int operation, netsnmp_session* /*session*/, int /*requestId*/, netsnmp_pdu* pdu,
             void* magic) {
    auto& pending = *static_cast<Pending*>(magic);
    if (operation != NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE || pdu == nullptr) {
        return 1;
    }
    SnmpAnswer answer;
    answer.request = pending.request;
    if (pdu->transport_data != nullptr &&
        pdu->transport_data_length >= static_cast<int>(sizeof(netsnmp_indexed_addr_pair))) {
        const auto* pair = static_cast<const netsnmp_indexed_addr_pair*>(pdu->transport_data);
        if (pair->remote_addr.sa.sa_family == AF_INET) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &pair->remote_addr.sin.sin_addr, text, sizeof text);
            answer.address = text;
            answer.port = ntohs(pair->remote_addr.sin.sin_port);
        }
    }
    for (const netsnmp_variable_list* variable = pdu->variables; variable != nullptr;
         variable = variable->next_variable) {
        answer.values.push_back(pdu->errstat == SNMP_ERR_NOERROR ? ValueOf(*variable)
                                                                 : SnmpValue{});
    }
    pending.answered = true;
    pending.answers->push_back(std::move(answer));
    // A broadcast request stays open for the answers of the other agents.
    return pending.broadcast ? 0 : 1;
}

std::string SessionError(netsnmp_session& session) {
    int libraryError = 0;
    int systemError = 0;
    char* text = nullptr;
    snmp_error(&session, &libraryError, &systemError, &text);
    std::string message = text != nullptr ? text : "unknown error";
    std::free(text);
    return message;
}

}  // namespace

SnmpOutcome SnmpGet(std::span<const SnmpRequest> requests, const std::string& community,
                    bool version1, std::chrono::milliseconds wait, std::stop_token stop) {
    InitialiseLibrary();
    SnmpOutcome outcome;
    std::vector<Session> sessions;
    // Each callback keeps a pointer to its entry: the entries must not move.
    std::vector<std::unique_ptr<Pending>> pending;
    const auto deadline = Steady::now() + wait;
    const auto failed = [&outcome](const SnmpRequest& request, const std::string& why) {
        outcome.error += (outcome.error.empty() ? "" : "; ") + request.host + ": " + why;
    };
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const SnmpRequest& request = requests[i];
        netsnmp_session settings;
        snmp_sess_init(&settings);
        std::string peer = "udp:" + request.host + ":" + std::to_string(request.port);
        std::string name = community;
        settings.peername = peer.data();
        settings.version = version1 ? SNMP_VERSION_1 : SNMP_VERSION_2c;
        settings.community = reinterpret_cast<u_char*>(name.data());
        settings.community_len = name.size();
        settings.retries = 0;
        settings.timeout =
            static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(wait).count());
        Session session(snmp_sess_open(&settings));
        if (!session) {
            failed(request, SessionError(settings));
            continue;
        }
        if (request.broadcast) {
            const int on = 1;
            const netsnmp_transport* transport = snmp_sess_transport(session.get());
            if (transport == nullptr ||
                ::setsockopt(transport->sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
                failed(request, "broadcast refused");
                continue;
            }
        }
        netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
        bool objectsValid = true;
        for (const std::string& text : request.oids) {
            const auto objectId = NumericOid(text);
            if (!objectId) {
                objectsValid = false;
                break;
            }
            snmp_add_null_var(pdu, objectId->data(), objectId->size());
        }
        if (!objectsValid) {
            snmp_free_pdu(pdu);
            failed(request, "not a numeric object identifier");
            continue;
        }
        auto entry =
            std::make_unique<Pending>(Pending{i, request.broadcast, false, &outcome.answers});
        // On success the library owns the request and frees it.
        if (snmp_sess_async_send(session.get(), pdu, OnAnswer, entry.get()) == 0) {
            snmp_free_pdu(pdu);
            failed(request, snmp_api_errstring(snmp_sess_session(session.get())->s_snmp_errno));
            continue;
        }
        sessions.push_back(std::move(session));
        pending.push_back(std::move(entry));
    }

    const auto allAnswered = [&pending] {
        return std::all_of(pending.begin(), pending.end(),
                           [](const auto& p) { return p->broadcast ? false : p->answered; });
    };
    while (!sessions.empty() && !allAnswered() && !stop.stop_requested()) {
        const auto now = Steady::now();
        if (now >= deadline) {
            break;
        }
        const auto step = std::min<Steady::duration>(deadline - now, kSnmpPollStep);
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(step).count();
        int descriptors = 0;
        fd_set readable;
        FD_ZERO(&readable);
        for (const Session& session : sessions) {
            timeval unusedTimeout{};
            int block = 1;
            snmp_sess_select_info(session.get(), &descriptors, &readable, &unusedTimeout, &block);
        }
        timeval timeout{static_cast<time_t>(micros / 1000000),
                        static_cast<suseconds_t>(micros % 1000000)};
        const int ready = ::select(descriptors, &readable, nullptr, nullptr, &timeout);
        if (ready > 0) {
            for (const Session& session : sessions) {
                snmp_sess_read(session.get(), &readable);
            }
        }
    }
    return outcome;
}

std::vector<std::string> Ipv4BroadcastAddresses() {
    std::vector<std::string> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return addresses;
    }
    const std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> owner(list, ::freeifaddrs);
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        const unsigned flags = entry->ifa_flags;
        // Point-to-point links keep their peer where other interfaces keep the broadcast address.
        if ((flags & IFF_UP) == 0 || (flags & IFF_POINTOPOINT) != 0 || entry->ifa_addr == nullptr ||
            entry->ifa_addr->sa_family != AF_INET || entry->ifa_broadaddr == nullptr ||
            entry->ifa_broadaddr->sa_family != AF_INET) {
            continue;
        }
        const auto* broadcast = reinterpret_cast<const sockaddr_in*>(entry->ifa_broadaddr);
        if (broadcast->sin_addr.s_addr == htonl(INADDR_ANY)) {
            continue;
        }
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &broadcast->sin_addr, text, sizeof text);
        if (std::find(addresses.begin(), addresses.end(), text) == addresses.end()) {
            addresses.emplace_back(text);
        }
    }
    return addresses;
}

}  // namespace vrtruty::platform
