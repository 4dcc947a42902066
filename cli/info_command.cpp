#include "cli/info_command.h"

#include <array>
#include <sstream>
#include <string_view>
#include <utility>

#include "cli/commands.h"
#include "lang/text_table.h"

namespace vrtruty::cli {
namespace {

constexpr std::array<std::string_view, 6> kPortKindNames = {"PORT_COM",    "PORT_USB", "PORT_LPT",
                                                            "PORT_WINDRV", "PORT_LAN", "PORT_NONE"};

// The name of the chosen port of the configured kind, as the port settings show it.
std::string PortName(const app::AppState& state) {
    const app::UtilityConfig& config = state.config;
    const std::string& none = state.texts.Text(lang::MSG_NONE);
    switch (config.portKind) {
        case app::PortKind::PORT_COM:
            return state.comPorts.Selected(config.comIndex).shortName;
        case app::PortKind::PORT_LPT:
            return state.lptPorts.Selected(config.lptIndex).shortName;
        case app::PortKind::PORT_LAN:
            return config.lanIndex < config.lanPrinters.size()
                       ? config.lanPrinters[config.lanIndex].ipAddress
                       : none;
        default:
            return none;
    }
}

std::string Aligned(std::string_view name, std::string_view value) {
    std::string line(name);
    line.resize(std::max<std::size_t>(line.size(), 14), ' ');
    return line + "= " + std::string(value);
}

}  // namespace

int RunInfo(CommandContext& context, const std::vector<std::string>& args) {
    if (!args.empty()) {
        return Failure(context, "info takes no arguments");
    }
    context.out << FormatInfo(context.state);
    return 0;
}

std::string FormatInfo(const app::AppState& state) {
    const app::CurrentModel& model = state.model;
    const app::PrinterModelRow& row = app::PrinterNameTable()[model.printerRow];
    const app::Switches& switches = state.config.switches;
    const auto onOff = [](bool on) { return on ? "ON" : "OFF"; };

    std::ostringstream out;
    out << state.texts.Text(lang::TXT_TITLE) << "\n"
        << state.info.versionString << "\n"
        << "Home folder:        " << state.info.programFolder.string() << "\n"
        << "Configuration file: " << state.configPath.string() << "\n"
        << "Model:              " << row.displayName << " (row " << model.printerRow << ", ModelId "
        << model.modelId << ")\n"
        << "Region:             " << app::kRegionNames[static_cast<std::size_t>(model.regionIndex)]
        << " (index " << model.regionIndex << ")\n"
        << "Language:           " << state.texts.languageName(state.texts.languageIndex()) << "\n"
        << "Port kind:          " << kPortKindNames[static_cast<std::size_t>(state.config.portKind)]
        << " (" << static_cast<int>(state.config.portKind) << ")\n"
        << "Port name:          " << PortName(state) << "\n"
        << "\nSwitches:\n";
    const std::array<std::pair<std::string_view, bool>, 5> switchLines = {{
        {"STATUSCHECK", switches.statusCheck},
        {"PRINTERTEST", switches.printerTest},
        {"ERRAUTO", switches.errorAutoRecover},
        {"BUZZER", switches.buzzer},
        {"LOGOUT", state.log.enabled()},
    }};
    for (const auto& [name, on] : switchLines) {
        out << Aligned(name, onOff(on)) << "\n";
    }
    out << "\nCapability flags:\n";
    for (const std::string& line : app::CapabilityFlagLines(model.flags)) {
        out << line << "\n";
    }
    return out.str();
}

}  // namespace vrtruty::cli
