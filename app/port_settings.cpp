#include "app/port_settings.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <optional>

#include "comm/error_codes.h"
#include "comm/printer_search.h"
#include "core/home_lock.h"
#include "core/unicode.h"
#include "core/usb_list.h"
#include "lang/text_numbers.h"
#include "platform/snmp_client.h"

namespace vrtruty::app {
namespace {

using Address = std::array<int, 4>;

// "a.b.c.d" with each number 0 to 255 and nothing else.
std::optional<Address> ParseAddress(std::string_view text) {
    Address numbers{};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::size_t dot = i + 1 < numbers.size() ? text.find('.') : text.size();
        if (dot == std::string_view::npos || dot == 0 || dot > 3) {
            return std::nullopt;
        }
        const auto [end, error] = std::from_chars(text.data(), text.data() + dot, numbers[i]);
        if (error != std::errc{} || end != text.data() + dot || numbers[i] < 0 ||
            numbers[i] > 255) {
            return std::nullopt;
        }
        text.remove_prefix(std::min(dot + 1, text.size()));
    }
    return numbers;
}

bool SameAddress(std::string_view a, std::string_view b) {
    const auto left = ParseAddress(a);
    const auto right = ParseAddress(b);
    return left && right ? *left == *right : a == b;
}

bool Listed(std::span<const LanPrinterEntry> list, std::string_view address) {
    for (const LanPrinterEntry& entry : list) {
        if (SameAddress(entry.ipAddress, address)) {
            return true;
        }
    }
    return false;
}

}  // namespace

int CheckNewLanAddress(std::string_view address, std::span<const LanPrinterEntry> list) {
    const auto numbers = ParseAddress(address);
    if (!numbers || (*numbers)[3] == 0 || (*numbers)[3] == 255) {
        return comm::LAN_ERR_IPADDRESS;
    }
    if (Listed(list, address)) {
        return comm::LAN_ERR_IPDUPLICATE;
    }
    if (list.size() >= kMaxLanPrinters) {
        return comm::LAN_ERR_IPMAX;
    }
    return comm::PRT_SUCCESS;
}

int MergeFoundPrinters(std::vector<LanPrinterEntry>& list, std::span<const LanPrinterEntry> found) {
    for (const LanPrinterEntry& printer : found) {
        LanPrinterEntry entry{printer.libraryMode,
                              TruncateToUtf16Units(printer.ipAddress, kLanFieldLimit),
                              TruncateToUtf16Units(printer.macAddress, kLanFieldLimit),
                              TruncateToUtf16Units(printer.model, kLanFieldLimit)};
        if (Listed(list, entry.ipAddress)) {
            continue;
        }
        if (list.size() >= kMaxLanPrinters) {
            return comm::LAN_ERR_IPMAX;
        }
        list.push_back(std::move(entry));
    }
    return comm::PRT_SUCCESS;
}

void SelectSerialFormat(SerialSettings& serial, std::uint16_t formatIndex) {
    // Rows of the format table: 7E1, 7O1, 8N1, 8E1, 8O1. Data bits 0 = 7, 1 = 8; parity 0 none,
    // 1 even, 2 odd.
    static constexpr std::array<std::array<std::uint16_t, 2>, 5> kBitsAndParity = {
        {{0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}}};
    const std::size_t row = formatIndex < kBitsAndParity.size() ? formatIndex : 2;
    serial.formatIndex = static_cast<std::uint16_t>(row);
    serial.dataBits = kBitsAndParity[row][0];
    serial.parity = kBitsAndParity[row][1];
}

int SearchNetworkPrinters(PrinterConnection& connection, const comm::SearchOptions& options,
                          std::vector<LanPrinterEntry>& found,
                          std::vector<LanPrinterEntry>* otherModels) {
    const PrinterModelRow& row = PrinterNameTable()[connection.context().model];
    Logger& log = connection.port().log();
    std::array<comm::LanLibrary*, 2> libraries = connection.lanLibraries();
    if (comm::TcpLanLibrary* first = connection.lanSlot(0)) {
        first->setFinder(comm::MakeSnmpPrinterFinder(options), [&log](std::string_view note) {
            log.WriteLog("SXMODE " + std::string(note));
        });
    }
    if (comm::TcpLanLibrary* second = connection.lanSlot(1)) {
        if (const std::string problem = comm::DnsSdUnavailable(); !problem.empty()) {
            log.WriteLog("QKMODE DNS-SD: the Avahi daemon cannot be reached (" + problem + ")");
            libraries[1] = nullptr;
        } else {
            second->setFinder(comm::MakeDnsSdPrinterFinder(options), [&log](std::string_view note) {
                log.WriteLog("QKMODE " + std::string(note));
            });
        }
    }
    return comm::SearchPrinter(libraries, row.searchModelName, log, found, otherModels);
}

std::optional<std::vector<platform::HostAndPort>> ParseSearchTargets(std::string_view text) {
    std::vector<platform::HostAndPort> targets;
    constexpr std::string_view kSeparators = ", \t\n";
    while (true) {
        const std::size_t start = text.find_first_not_of(kSeparators);
        if (start == std::string_view::npos) {
            return targets;
        }
        text.remove_prefix(start);
        const std::size_t end = std::min(text.find_first_of(kSeparators), text.size());
        const auto target = platform::ParseHostAndPort(text.substr(0, end), platform::kSnmpPort);
        if (!target) {
            return std::nullopt;
        }
        targets.push_back(*target);
        text.remove_prefix(end);
    }
}

comm::SearchOptions SearchOptionsFromEnvironment(std::string& error) {
    comm::SearchOptions options;
    if (const char* targets = std::getenv("VRTRUTY_SEARCH_TARGETS")) {
        if (auto parsed = ParseSearchTargets(targets)) {
            options.targets = std::move(*parsed);
        } else {
            error = std::string("VRTRUTY_SEARCH_TARGETS is not a list of HOST[:PORT]: ") + targets;
        }
    }
    if (const char* community = std::getenv("VRTRUTY_SNMP_COMMUNITY");
        community != nullptr && *community != '\0') {
        options.community = community;
    }
    return options;
}

std::string_view SelectedQueuePort(std::span<const comm::WinPrinterEntry> list, std::size_t index) {
    if (index >= list.size() || list[index].printerCode == comm::kForeignDriverCode) {
        return {};
    }
    return list[index].portName;
}

std::optional<std::string> SerialDefaultsPort(const AppState& state) {
    const UtilityConfig& config = state.config;
    if (config.portKind == PortKind::PORT_COM) {
        return state.comPorts.Selected(config.comIndex).longName;
    }
    if (config.portKind == PortKind::PORT_WINDRV &&
        config.winPrinterIndex < state.winPrinters.size()) {
        const comm::WinPrinterEntry& queue = state.winPrinters[config.winPrinterIndex];
        if (queue.portType == comm::kQueuePortSerial) {
            return comm::QueueDeviceName(queue.portName);
        }
    }
    return std::nullopt;
}

int RefreshPrintQueues(AppState& state) {
    // The choice is remembered by queue name, which stays when other queues come and go.
    const std::size_t old = state.config.winPrinterIndex;
    const std::string chosen =
        old < state.winPrinters.size() ? state.winPrinters[old].printerName : std::string{};
    const int result = comm::GetWinPort(state.printQueues.get(), state.texts.Text(lang::MSG_NONE),
                                        state.log, state.winPrinters);
    std::size_t index = 0;
    for (std::size_t i = 0; i < state.winPrinters.size(); ++i) {
        if (state.winPrinters[i].printerName == chosen) {
            index = i;
            break;
        }
    }
    state.config.winPrinterIndex =
        comm::ChosenQueue(state.winPrinters, state.model.printerRow, index).value_or(index);
    return result;
}

std::error_code SavePortSettings(const AppState& state) {
    const lang::TextTable& texts = state.texts;
    const SaveContext context{
        .printerRow = PrinterNameTable()[state.model.printerRow],
        .languageName = texts.languageName(texts.languageIndex()),
        .noneWord = texts.Text(lang::MSG_NONE),
        .comPorts = state.comPorts,
        .lptPorts = state.lptPorts,
        .usbIdentifier = SelectedUsbIdentifier(state.usbDevices, state.config.usbIndex),
        .winPortName = SelectedQueuePort(state.winPrinters, state.config.winPrinterIndex),
    };
    // The configuration is read again and updated key by key: another copy must not write it
    // in between.
    const HomeLock lock = LockHomeFolder(state.info.programFolder, state.clock);
    if (!lock.lock) {
        return std::make_error_code(std::errc::resource_unavailable_try_again);
    }
    return SaveUtilityConfig(state.configPath, state.config, context);
}

}  // namespace vrtruty::app
