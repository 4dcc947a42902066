#include "cli/connection.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ostream>
#include <vector>

#include "comm/port_tables.h"
#include "core/unicode.h"
#include "lang/text_numbers.h"
#include "platform/tcp_socket.h"
#include "settings/setting_files.h"

namespace vrtruty::cli {
namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

// "9600:8N1:dsr" into the serial record.
std::optional<app::SerialSettings> ParseSerial(std::string_view baud, std::string_view format,
                                               std::string_view protocol, std::string& error) {
    app::SerialSettings serial;
    unsigned rate = 0;
    if (const auto [end, ec] = std::from_chars(baud.data(), baud.data() + baud.size(), rate);
        ec != std::errc{} || end != baud.data() + baud.size()) {
        rate = 0;
    }
    const auto baudRow = std::ranges::find_if(
        comm::BaudTable, [&](const comm::BaudRow& row) { return row.rate == rate; });
    if (baudRow == comm::BaudTable.end()) {
        error = "unknown baud rate " + std::string(baud);
        return std::nullopt;
    }
    serial.baudIndex = static_cast<std::uint16_t>(baudRow - comm::BaudTable.begin());

    // "8N1" or the table's own label "8NONE1".
    const auto formatRow = std::ranges::find_if(comm::FormatTable, [&](const comm::FormatRow& row) {
        const std::string shortLabel =
            std::to_string(row.dataBits) + static_cast<char>(row.label[1]) + "1";
        return app::EqualsIgnoreCase(format, row.label) ||
               app::EqualsIgnoreCase(format, shortLabel);
    });
    if (formatRow == comm::FormatTable.end()) {
        error = "unknown serial format " + std::string(format);
        return std::nullopt;
    }
    serial.formatIndex = static_cast<std::uint16_t>(formatRow - comm::FormatTable.begin());
    serial.dataBits = formatRow->dataBits == 7 ? 0 : 1;
    serial.parity = formatRow->parity == 'e' ? 1 : formatRow->parity == 'o' ? 2 : 0;

    if (app::EqualsIgnoreCase(protocol, "dsr") || app::EqualsIgnoreCase(protocol, "DSR/DTR")) {
        serial.protocolIndex = 0;
    } else if (app::EqualsIgnoreCase(protocol, "xon") ||
               app::EqualsIgnoreCase(protocol, "XON/XOFF")) {
        serial.protocolIndex = 1;
    } else {
        error = "unknown serial protocol " + std::string(protocol);
        return std::nullopt;
    }
    return serial;
}

}  // namespace

std::optional<PortSpec> ParsePortSpec(std::string_view text, std::string& error) {
    const std::size_t colon = text.find(':');
    const std::string_view kind = text.substr(0, colon);
    const std::string_view rest =
        colon == std::string_view::npos ? std::string_view{} : text.substr(colon + 1);
    PortSpec port;
    if (rest.empty()) {
        error = "--port needs KIND:DEVICE, e.g. lan:192.168.0.20 or com:/dev/ttyUSB0";
        return std::nullopt;
    }
    if (app::EqualsIgnoreCase(kind, "lan")) {
        // Checked now, like a com: spec, rather than failing later as a printer that does not
        // answer.
        if (!platform::ParseHostAndPort(rest)) {
            error = "lan: takes HOST or HOST:PORT with a port from 1 to 65535, not " +
                    std::string(rest);
            return std::nullopt;
        }
        port.kind = app::PortKind::PORT_LAN;
        port.device = std::string(rest);
    } else if (app::EqualsIgnoreCase(kind, "usb")) {
        port.kind = app::PortKind::PORT_USB;
        port.device = std::string(rest);
    } else if (app::EqualsIgnoreCase(kind, "lpt")) {
        port.kind = app::PortKind::PORT_LPT;
        port.device = std::string(rest);
    } else if (app::EqualsIgnoreCase(kind, "com")) {
        port.kind = app::PortKind::PORT_COM;
        const auto parts = Split(rest, ':');
        port.device = std::string(parts[0]);
        if (parts.size() == 4) {
            port.serial = ParseSerial(parts[1], parts[2], parts[3], error);
            if (!port.serial) {
                return std::nullopt;
            }
        } else if (parts.size() != 1) {
            error = "com: takes DEVICE or DEVICE:BAUD:FORMAT:PROTOCOL";
            return std::nullopt;
        }
    } else if (app::EqualsIgnoreCase(kind, "queue")) {
        port.kind = app::PortKind::PORT_WINDRV;
        port.device = std::string(rest);
    } else {
        error = "unknown port kind " + std::string(kind);
        return std::nullopt;
    }
    if (port.device.empty()) {
        error = "--port needs a device";
        return std::nullopt;
    }
    return port;
}

void UsePort(app::AppState& state, const PortSpec& port) {
    app::UtilityConfig& config = state.config;
    config.portKind = port.kind;
    switch (port.kind) {
        case app::PortKind::PORT_COM:
            app::FillPortNameList(state.comPorts, {port.device});
            config.comIndex = 0;
            if (port.serial) {
                // The record's serial items follow the port at once: a send must not give the
                // printer the configured parameters instead of the ones asked for.
                config.serial = *port.serial;
                settings::PutHostSerialSettings(state.settings.current, config.serial);
            }
            break;
        case app::PortKind::PORT_LPT:
            app::FillPortNameList(state.lptPorts, {port.device});
            config.lptIndex = 0;
            break;
        case app::PortKind::PORT_LAN:
            config.lanPrinters = {{0, port.device, {}, {}}};
            config.lanIndex = 0;
            break;
        case app::PortKind::PORT_WINDRV: {
            const auto queue = std::ranges::find(state.winPrinters, port.device,
                                                 &comm::WinPrinterEntry::printerName);
            config.winPrinterIndex = static_cast<std::size_t>(queue - state.winPrinters.begin());
            break;
        }
        default:
            config.usbIndex = 0;
            break;
    }
}

std::string QueueChoiceProblem(const app::AppState& state, const PortSpec& spec) {
    const std::size_t index = state.config.winPrinterIndex;
    if (index >= state.winPrinters.size() || state.winPrinters[index].printerName != spec.device) {
        return "no printer queue " + spec.device + " (vrtruty-cli queues lists them)";
    }
    const auto choices = comm::ModelQueueChoices(state.winPrinters, state.model.printerRow);
    if (std::ranges::find(choices, index) == choices.end()) {
        const comm::WinPrinterEntry& queue = state.winPrinters[index];
        return "printer queue " + spec.device + " (driver \"" + queue.driverName +
               "\", port type " + std::to_string(queue.portType) + ") is not one of the " +
               app::PrinterNameTable()[state.model.printerRow].displayName + "'s queues";
    }
    return {};
}

namespace {

// Writes each byte as two upper-case digits, with a blank before every byte but a line's first;
// returns the end of what it wrote (three characters a byte at most).
char* PutHex(std::span<const std::uint8_t> bytes, bool lineStart, char* out) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    for (const std::uint8_t b : bytes) {
        if (!lineStart) {
            *out++ = ' ';
        }
        lineStart = false;
        *out++ = kDigits[b >> 4];
        *out++ = kDigits[b & 0x0F];
    }
    return out;
}

}  // namespace

std::string HexLine(std::span<const std::uint8_t> bytes) {
    std::string line(bytes.empty() ? 0 : bytes.size() * 3 - 1, ' ');
    PutHex(bytes, true, line.data());
    return line;
}

void WriteHexLine(std::ostream& out, std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kBlockBytes = 16384;
    std::array<char, kBlockBytes * 3 + 1> text;
    for (std::size_t at = 0; at < bytes.size(); at += kBlockBytes) {
        const auto block = bytes.subspan(at, std::min(kBlockBytes, bytes.size() - at));
        const char* end = PutHex(block, at == 0, text.data());
        out.write(text.data(), end - text.data());
    }
    out.put('\n');
}

namespace {

std::optional<app::UsbDeviceEntry> CommandLineUsbDevice(const PortSpec* port) {
    if (port == nullptr || port->kind != app::PortKind::PORT_USB) {
        return std::nullopt;
    }
    return app::UsbDeviceEntry{"USB(" + port->device + ")", port->device, "USB"};
}

}  // namespace

PrinterConnection::PrinterConnection(app::AppState& state, const PortSpec* commandLinePort)
    : app::PrinterConnection(state, app::LanPrintingPortFromEnvironment(),
                             CommandLineUsbDevice(commandLinePort)) {}

}  // namespace vrtruty::cli
