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
// The same kinds in plain words.
constexpr std::array<std::string_view, 6> kPortKindWords = {
    "serial port", "USB printer", "parallel port", "printer queue", "network printer", "none"};

std::string_view FullCutWords(app::FullCutMode mode) {
    switch (mode) {
        case app::FullCutMode::CustomizeOn:
            return "on the \"Customize Value\" page";
        case app::FullCutMode::Other:
            return "on the \"Other\" page";
        case app::FullCutMode::CustomizeOff:
            return "fixed by the model";
        case app::FullCutMode::None:
            break;
    }
    return "none";
}

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
    const bool verbose = args == std::vector<std::string>{"--verbose"};
    if (!args.empty() && !verbose) {
        return UsageFailure(context, "info takes only --verbose");
    }
    context.out << FormatInfo(context.state, verbose);
    return 0;
}

std::string FormatInfo(const app::AppState& state, bool verbose) {
    const app::CurrentModel& model = state.model;
    const app::PrinterModelRow& row = app::PrinterNameTable()[model.printerRow];
    const app::Switches& switches = state.config.switches;
    const auto onOff = [](bool on) { return on ? "ON" : "OFF"; };
    const std::string_view region = app::kRegionNames[static_cast<std::size_t>(model.regionIndex)];
    const auto kind = static_cast<std::size_t>(state.config.portKind);

    std::ostringstream out;
    out << state.texts.Text(lang::TXT_TITLE) << "\n";
    if (verbose) {
        out << state.info.versionString << "\n";
    } else {
        const std::string& version = state.info.versionString;
        out << version.substr(version.find_first_not_of(' ')) << "\n";
    }
    out << "Home folder:        " << state.info.programFolder.string() << "\n"
        << "Configuration file: " << state.configPath.string() << "\n";
    if (!verbose) {
        const std::array<std::pair<std::string_view, bool>, 5> switchLines = {{
            {"Status check before each job", switches.statusCheck},
            {"Printer Test pane", switches.printerTest},
            {"Error recovery before each job", switches.errorAutoRecover},
            {"Buzzer", switches.buzzer},
            {"Diagnostic log (_DEBUG.LOG)", state.log.enabled()},
        }};
        const app::CapabilityFlags& flags = model.flags;
        out << "Model:              " << row.displayName << "\n"
            << "Region:             " << region << "\n"
            << "Language:           " << state.texts.languageName(state.texts.languageIndex())
            << "\n"
            << "Connection:         " << kPortKindWords[kind] << "\n"
            << "Port:               " << PortName(state) << "\n"
            << "\nSwitches:\n";
        for (const auto& [name, on] : switchLines) {
            out << "  " << name << ": " << (on ? "on" : "off") << "\n";
        }
        const auto yesNo = [](bool yes) { return yes ? "yes" : "no"; };
        out << "\nThe model offers:\n"
            << "  Customisable layout settings: " << yesNo(flags.bGuppy) << "\n"
            << "  Black-mark paper: " << yesNo(flags.bBlachmark) << "\n"
            << "  Font typeface setting: " << yesNo(flags.bFontTypeFace) << "\n"
            << "  Buzzer at the cut: " << yesNo(flags.bCutBuzzer) << "\n"
            << "  Font B: " << yesNo(flags.bFontb) << "\n"
            << "  Buzzer patterns: " << yesNo(flags.bMelody) << "\n"
            << "  Full cut setting: " << FullCutWords(flags.FULLCUT_Mode) << "\n"
            << "  Overseas settings: " << yesNo(flags.bOverseaMode) << "\n"
            << "\nThe internal names: vrtruty-cli info --verbose\n";
        return out.str();
    }
    out << "Model:              " << row.displayName << " (row " << model.printerRow << ", ModelId "
        << model.modelId << ")\n"
        << "Region:             " << region << " (index " << model.regionIndex << ")\n"
        << "Language:           " << state.texts.languageName(state.texts.languageIndex()) << "\n"
        << "Port kind:          " << kPortKindNames[kind] << " ("
        << static_cast<int>(state.config.portKind) << ")\n"
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
