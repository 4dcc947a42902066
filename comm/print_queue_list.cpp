#include "comm/print_queue_list.h"

#include <array>
#include <utility>

#include "comm/error_codes.h"

namespace vrtruty::comm {
namespace {

using app::PortKind;

struct DriverRow {
    std::string_view driverName;
    int printerCode;
};

// Exact, case-sensitive names; the first match wins.
constexpr std::array<DriverRow, 27> kDriverTable = {{
    {"VRM TR-770 Raster", 18},
    {"VRM TR-770 Raster (FC)", 18},
    {"VRM TR-770 Raster (BM)", 19},
    {"VRM TR-770 Raster (BM/FC)", 19},
    {"VRM TR-770 Raster (PFBM)", 20},
    {"VRM TR-770K Raster", 21},
    {"VRM TR-770K Raster (WL)", 21},
    {"VRM TR-770II Raster", 22},
    {"VRM TR-720 Raster", 23},
    {"VRM TR-620 Raster", 24},
    {"VRM TR-1400 Raster", 25},
    {"VRM TR-1600 Raster", 26},
    {"VRM TR-1400 Series", 27},
    {"VRM DQR-260 Raster", 31},
    {"LS590 Raster", 32},
    {"LS530-531 Raster", 33},
    {"LS540-541 Raster", 34},
    {"HQ380", 35},
    {"GQR-350 Raster", 36},
    {"Tessora TQS5600", 47},
    {"DQR-260 Raster", 37},
    {"TR-1400 Raster", 38},
    {"TR-1600 Raster", 39},
    {"MX-300 Raster", 40},
    {"MX-310 Raster", 41},
    {"MX-300 Series", 42},
    {"MX-400 Raster", 46},
}};

// The printer row whose driver list also takes the next row's driver (TR-770K and its WL
// variant share one printer).
constexpr std::size_t kRowWithSiblingDriver = 3;

std::string_view Scheme(std::string_view uri) {
    const std::size_t colon = uri.find(':');
    return colon == std::string_view::npos ? std::string_view{} : uri.substr(0, colon);
}

// "host[:port]" of "scheme://[user@]host[:port]/path?query".
std::string_view Authority(std::string_view uri) {
    const std::size_t start = uri.find("://");
    if (start == std::string_view::npos) {
        return {};
    }
    std::string_view rest = uri.substr(start + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) {
        rest.remove_prefix(at + 1);
    }
    return rest;
}

std::string_view HostOf(std::string_view authority) {
    if (!authority.empty() && authority.front() == '[') {  // an IPv6 literal keeps its brackets
        const std::size_t close = authority.find(']');
        return close == std::string_view::npos ? authority : authority.substr(0, close + 1);
    }
    return authority.substr(0, authority.find(':'));
}

bool IsNetworkScheme(std::string_view scheme) {
    return scheme == "socket" || scheme == "lpd" || scheme == "ipp";
}

PortKind KindOfType(int type) {
    switch (type) {
        case kQueuePortSerial:
            return PortKind::PORT_COM;
        case kQueuePortUsb:
            return PortKind::PORT_USB;
        case kQueuePortParallel:
            return PortKind::PORT_LPT;
        case kQueuePortNetwork:
            return PortKind::PORT_LAN;
        default:
            return PortKind::PORT_NONE;
    }
}

}  // namespace

int ClassifyQueuePort(const platform::PrintQueueInfo& queue) {
    if (queue.remote) {
        return kQueuePortOther;
    }
    const std::string_view scheme = Scheme(queue.deviceUri);
    if (scheme == "serial") {
        return kQueuePortSerial;
    }
    if (scheme == "usb") {
        return kQueuePortUsb;
    }
    if (scheme == "parallel") {
        return kQueuePortParallel;
    }
    if (IsNetworkScheme(scheme)) {
        // Only a printer the LAN path can dial counts: a queue relayed to a print server on
        // this very machine is not one.
        const std::string_view host = HostOf(Authority(queue.deviceUri));
        return host.empty() || host == "localhost" ? kQueuePortOther : kQueuePortNetwork;
    }
    if (scheme == "file") {
        return kQueuePortFile;
    }
    return kQueuePortOther;
}

int PrinterCodeOfDriver(std::string_view driverName) {
    for (const DriverRow& row : kDriverTable) {
        if (row.driverName == driverName) {
            return row.printerCode;
        }
    }
    return kForeignDriverCode;
}

std::string StripNetworkPortPrefix(std::string_view portName) {
    if (portName.find(':') == std::string_view::npos) {
        for (const std::string_view prefix : {"TRr_", "TRl_", "NPr_"}) {
            if (portName.starts_with(prefix)) {
                return std::string(portName.substr(prefix.size()));
            }
        }
    }
    return std::string(portName);
}

std::string QueueDeviceName(std::string_view deviceUri) {
    const std::string_view scheme = Scheme(deviceUri);
    if (scheme == "serial" || scheme == "parallel") {
        std::string_view path = deviceUri.substr(scheme.size() + 1);
        return std::string(path.substr(0, path.find('?')));
    }
    if (IsNetworkScheme(scheme)) {
        // A raw socket's port is the printer's own; ipp and lpd ports speak other protocols,
        // so those printers are dialled on the raw printing port.
        const std::string_view authority = Authority(deviceUri);
        return std::string(scheme == "socket" ? authority : HostOf(authority));
    }
    return {};
}

std::string QueueUsbSerial(std::string_view deviceUri) {
    if (Scheme(deviceUri) != "usb") {
        return {};
    }
    const std::size_t query = deviceUri.find('?');
    if (query == std::string_view::npos) {
        return {};
    }
    std::string_view rest = deviceUri.substr(query + 1);
    while (!rest.empty()) {
        const std::size_t end = rest.find('&');
        const std::string_view pair = rest.substr(0, end);
        if (pair.starts_with("serial=")) {
            return std::string(pair.substr(7));
        }
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
    }
    return {};
}

std::vector<WinPrinterEntry> SelectPrinter(std::span<const platform::PrintQueueInfo> queues,
                                           app::Logger& log) {
    log.WriteLog("SelectPrinter Start");
    // Every queue has its own device, so there are as many ports as queues.
    log.WriteLog("Get Driver Cnt = " + std::to_string(queues.size()) +
                 "  Get Port Cnt = " + std::to_string(queues.size()));
    std::vector<WinPrinterEntry> list;
    list.reserve(queues.size());
    for (const platform::PrintQueueInfo& queue : queues) {
        WinPrinterEntry entry;
        entry.portName = queue.deviceUri;
        entry.portType = ClassifyQueuePort(queue);
        entry.portKind = KindOfType(entry.portType);
        entry.printerName = queue.name;
        entry.driverName = queue.makeAndModel;
        entry.printerCode =
            queue.remote ? kForeignDriverCode : PrinterCodeOfDriver(queue.makeAndModel);
        log.WriteLog("Get EnumPrinters [" + std::to_string(list.size() + 1) + "]");
        log.WriteLog("Get DriverName  = [" + entry.driverName + "]");
        log.WriteLog("Get PrinterName = [" + entry.printerName + "]");
        log.WriteLog("Get PortName =    [" + entry.portName + "]");
        list.push_back(std::move(entry));
    }
    log.WriteLog("SelectPrinter End");
    return list;
}

int GetWinPort(platform::PrintQueues* queues, std::string_view noneWord, app::Logger& log,
               std::vector<WinPrinterEntry>& list) {
    log.WriteLog("GetWinPort Start");
    std::optional<std::vector<platform::PrintQueueInfo>> found;
    if (queues != nullptr) {
        found = queues->List();
    }
    list = found ? SelectPrinter(*found, log) : std::vector<WinPrinterEntry>{};
    int result = PRT_SUCCESS;
    if (list.empty()) {
        WinPrinterEntry none;
        none.portName = none.printerName = none.driverName = std::string(noneWord);
        list.push_back(std::move(none));
        result = PRT_ERR_SEARCH;
    }
    log.WriteLog("GetWinPort End");
    return result;
}

bool IsModelDriver(std::string_view driverName, std::size_t printerRow) {
    const auto rows = app::PrinterNameTable();
    if (printerRow >= rows.size()) {
        return false;
    }
    if (driverName == rows[printerRow].driverName) {
        return true;
    }
    return printerRow == kRowWithSiblingDriver && printerRow + 1 < rows.size() &&
           driverName == rows[printerRow + 1].driverName;
}

std::vector<std::size_t> ModelQueueChoices(std::span<const WinPrinterEntry> list,
                                           std::size_t printerRow) {
    std::vector<std::size_t> choices;
    for (std::size_t i = 0; i < list.size() && choices.size() < kMaxQueueChoices; ++i) {
        if (list[i].portType != kQueuePortOther && IsModelDriver(list[i].driverName, printerRow)) {
            choices.push_back(i);
        }
    }
    return choices;
}

std::optional<std::size_t> ChosenQueue(std::span<const WinPrinterEntry> list,
                                       std::size_t printerRow, std::size_t winPrinterIndex) {
    const std::vector<std::size_t> choices = ModelQueueChoices(list, printerRow);
    if (choices.empty()) {
        return std::nullopt;
    }
    for (const std::size_t index : choices) {
        if (index == winPrinterIndex) {
            return index;
        }
    }
    return choices.front();
}

}  // namespace vrtruty::comm
