// `vrtruty-cli settings ...`: the printer settings from a terminal. The record being edited is the
// utility's temporary settings, so a change made by one command is there for the next one.
#include <algorithm>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/connection.h"
#include "cli/progress.h"
#include "comm/error_codes.h"
#include "comm/send_operation.h"
#include "core/port_defaults.h"
#include "core/unicode.h"
#include "settings/factory_settings.h"
#include "settings/setting_encoding.h"
#include "settings/setting_files.h"
#include "settings/setting_items.h"
#include "settings/settings_reader.h"
#include "settings/settings_writer.h"

namespace vrtruty::cli {
namespace {

using settings::SettingItem;

std::string Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return std::string(text);
}

// The items the chosen model shows, in page order.
std::vector<const SettingItem*> ShownItems(const app::CurrentModel& model) {
    std::vector<const SettingItem*> items;
    for (const SettingItem& item : settings::SettingItems()) {
        if (settings::ItemShown(item, model)) {
            items.push_back(&item);
        }
    }
    return items;
}

int FileFailure(CommandContext& context, int code) {
    if (const auto text = settings::SettingFileMessage(code)) {
        context.err << context.state.texts.Text(*text) << "\n";
        if (const auto& failure = context.state.settings.lastFileFailure) {
            context.err << failure->path.string() << ": " << failure->reason << "\n";
        }
        return 1;
    }
    return PrinterFailure(context, code);
}

int SaveRecord(CommandContext& context) {
    app::AppState& state = context.state;
    const int saved =
        settings::SaveTemporarySettings(state.settings, state.model, state.temporarySettingsPath);
    return saved == 0 ? 0 : FileFailure(context, saved);
}

settings::FactoryInputs Factory(app::AppState& state) {
    return {state.config.xonXoff, state.texts, state.log};
}

int Show(CommandContext& context, bool factory) {
    app::AppState& state = context.state;
    const settings::ModelDefaults& defaults = state.settings.modelDefaults[state.model.printerRow];
    const std::string colon =
        state.texts.LabelColon().empty() ? std::string(": ") : state.texts.LabelColon();
    int page = -1;
    for (const SettingItem* item : ShownItems(state.model)) {
        if (item->page != page) {
            page = item->page;
            context.out << (page == settings::kPageMemorySwitch ? "" : "\n") << "["
                        << state.texts.PageName(page) << "]\n";
        }
        const int workingDefault = defaults.at(static_cast<std::size_t>(item->recordByte));
        const int value = factory ? workingDefault
                                  : settings::ShownChoice(*item, state.model,
                                                          state.settings.current, workingDefault);
        context.out << settings::ItemName(state.texts, *item, state.model) << colon
                    << settings::ItemChoice(state.texts, *item, state.model, value)
                    << (value == workingDefault ? " *" : "")
                    << (settings::ItemEnabled(*item, state.model) ? "" : " (fixed)") << "\n";
    }
    return 0;
}

int Set(CommandContext& context, const std::vector<std::string>& assignments) {
    app::AppState& state = context.state;
    const auto items = ShownItems(state.model);
    settings::SettingRecord record = state.settings.current;
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos) {
            return UsageFailure(context, "settings set takes \"LABEL=CHOICE\", not " + assignment);
        }
        const std::string label = Trim(std::string_view(assignment).substr(0, equals));
        const std::string choice = Trim(std::string_view(assignment).substr(equals + 1));
        const SettingItem* item = nullptr;
        std::string labels;
        for (const SettingItem* candidate : items) {
            const std::string name = settings::ItemName(state.texts, *candidate, state.model);
            labels += (labels.empty() ? "" : ", ") + name;
            if (app::EqualsIgnoreCase(name, label)) {
                item = candidate;
            }
        }
        if (item == nullptr) {
            return Failure(context, "no setting \"" + label + "\"; one of: " + labels);
        }
        if (!settings::ItemEnabled(*item, state.model)) {
            return Failure(context, "\"" + label + "\" cannot be changed on this model");
        }
        std::optional<int> index;
        std::string choices;
        for (int c = 0; c < settings::ShownChoiceCount(*item, state.model); ++c) {
            const std::string text = settings::ItemChoice(state.texts, *item, state.model, c);
            choices += (choices.empty() ? "" : ", ") + text;
            if (app::EqualsIgnoreCase(text, choice)) {
                index = c;
            }
        }
        if (!index) {
            return Failure(
                context, "no choice \"" + choice + "\" for \"" + label + "\"; one of: " + choices);
        }
        record[static_cast<std::size_t>(item->recordByte)] = static_cast<std::uint8_t>(*index);
    }
    state.settings.current = record;
    return SaveRecord(context);
}

int Get(CommandContext& context) {
    app::AppState& state = context.state;
    if (context.dryRun) {
        for (const auto& query : settings::ReadSettingsQueries(state.model)) {
            context.out << HexLine(query) << "\n";
        }
        return 0;
    }
    PrinterConnection connection(state, context.port);
    comm::PortAccess& port = connection.port();
    int result = 0;
    {
        const Progress progress(context, "Reading the settings from the printer");
        result = comm::WithQueuesHandedOver(port, [&] {
            return settings::GetPrinterSettings(port, state.settings, state.model,
                                                settings::kReadAllSettings, port.GetPortName(1),
                                                state.texts);
        });
        if (result == comm::PRT_SUCCESS) {
            result = comm::ConfirmLocalQueue(port);
        }
    }
    if (result != 0) {
        return PrinterFailure(context, result);
    }
    if (const int saved = SaveRecord(context)) {
        return saved;
    }
    context.out << "Settings read from the printer.\n";
    return 0;
}

int Send(CommandContext& context, int mode) {
    app::AppState& state = context.state;
    // What the window's pages would send: a "Cutter Mode" the model does not edit goes as its
    // working default, whatever a setting file held.
    settings::SettingRecord& record = state.settings.current;
    settings::CollectPage(
        record, settings::kPageOther, state.model,
        state.settings.modelDefaults[state.model.printerRow].at(settings::kCutterModeByte),
        [&](const SettingItem& item) { return record[static_cast<std::size_t>(item.recordByte)]; });
    PrinterConnection connection(state, context.port);
    comm::PortAccess& port = connection.port();
    if (context.dryRun) {
        return comm::ForEachTargetPrinter(port, [&] {
            context.out << HexLine(settings::BuildSendBlock(mode, state.settings, state.model,
                                                            port.switches().errorAutoRecover))
                        << "\n";
            return 0;
        });
    }
    const std::size_t blockSize = settings::BuildSendBlock(mode, state.settings, state.model,
                                                           port.switches().errorAutoRecover)
                                      .size();
    Progress progress(context,
                      mode == comm::kOperationSettingList ? "Printing the setting list"
                                                          : "Sending the settings to the printer",
                      blockSize * app::ListedPrinterCount(state));
    progress.Follow(port);
    const int result = settings::SendSettingsToTargets(
        port, state.settings, state.model, state.config.serial, mode, [&] {
            // The printer now talks with the serial parameters just sent: the port's stored
            // defaults follow, and this connection uses them from the next open on.
            if (state.settings.serialChanged) {
                const auto text =
                    app::ApplyComPortSettings(state.info.programFolder, port.context().portKind,
                                              port.GetPortName(1), state.config.serial);
                if (text) {
                    context.out << "The connection now uses " << *text << ".\n";
                }
            }
        });
    if (result != comm::PRT_SUCCESS) {
        return PrinterFailure(context, result);
    }
    context.out << (mode == comm::kOperationSendSettings ? "Settings sent to the printer.\n"
                                                         : "The setting list was printed.\n");
    return SaveRecord(context);
}

// Reads the settings back from every target printer and compares each setting the model shows
// with what was sent: a printer that ignored part of the block would otherwise pass unnoticed.
int Verify(CommandContext& context) {
    app::AppState& state = context.state;
    PrinterConnection connection(state, context.port);
    comm::PortAccess& port = connection.port();
    int differences = 0;
    const int result = comm::ForEachTargetPrinter(port, [&] {
        settings::SettingsState readBack = state.settings;
        const int read = comm::WithQueuesHandedOver(port, [&] {
            return settings::GetPrinterSettings(port, readBack, state.model,
                                                settings::kReadAllSettings, port.GetPortName(1),
                                                state.texts);
        });
        if (read != 0) {
            return read;
        }
        const std::string printer = port.GetPortName(0);
        for (const SettingItem* item : ShownItems(state.model)) {
            const auto at = static_cast<std::size_t>(item->recordByte);
            const int sent = state.settings.current[at];
            const int found = readBack.current[at];
            if (sent != found) {
                ++differences;
                context.err << printer << ": \""
                            << settings::ItemName(state.texts, *item, state.model)
                            << "\" was sent as \""
                            << settings::ItemChoice(state.texts, *item, state.model, sent)
                            << "\", the printer has \""
                            << settings::ItemChoice(state.texts, *item, state.model, found)
                            << "\"\n";
            }
        }
        return 0;
    });
    if (result != 0) {
        return PrinterFailure(context, result);
    }
    if (differences != 0) {
        return Failure(context,
                       std::to_string(differences) + " setting(s) differ from what was sent");
    }
    context.out << "Settings verified: the printer has what was sent.\n";
    return 0;
}

}  // namespace

int RunSettings(CommandContext& context, const std::vector<std::string>& args) {
    app::AppState& state = context.state;
    const std::string command = args.empty() ? std::string() : args[0];
    const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());

    if (command == "show" && (rest.empty() || rest == std::vector<std::string>{"--factory"})) {
        return Show(context, !rest.empty());
    }
    if (command == "set" && !rest.empty()) {
        return Set(context, rest);
    }
    if (command == "get" && rest.empty()) {
        return Get(context);
    }
    if (command == "send") {
        // A file to send, and changes to make first: the serial items among them take effect
        // only this way, since every start sets them to the connection's own parameters.
        std::vector<std::string> assignments = rest;
        const auto verifyFlag = std::ranges::find(assignments, "--verify");
        const bool verify = verifyFlag != assignments.end();
        if (verify) {
            assignments.erase(verifyFlag);
        }
        if (assignments.size() >= 2 && assignments[0] == "--file") {
            const int imported = settings::ImportSettingFile(state.settings, state.model,
                                                             Factory(state), assignments[1]);
            if (imported != 0) {
                return FileFailure(context, imported);
            }
            assignments.erase(assignments.begin(), assignments.begin() + 2);
        }
        if (!assignments.empty()) {
            if (const int set = Set(context, assignments)) {
                return set;
            }
        }
        const int sent = Send(context, comm::kOperationSendSettings);
        if (sent != 0 || !verify || context.dryRun) {
            return sent;
        }
        return Verify(context);
    }
    if (command == "print-list" && rest.empty()) {
        return Send(context, comm::kOperationSettingList);
    }
    if (command == "export" && (rest.size() == 1 || (rest.size() == 2 && rest[1] == "--force"))) {
        const int exported =
            settings::ExportSettingFile(state.settings, state.model, rest[0], rest.size() == 2);
        if (exported == settings::SET_ERR_EXISTS) {
            FileFailure(context, exported);
            return Failure(context, "give --force to replace " + rest[0]);
        }
        return exported == 0 ? SaveRecord(context) : FileFailure(context, exported);
    }
    if (command == "import" && rest.size() == 1) {
        const int imported =
            settings::ImportSettingFile(state.settings, state.model, Factory(state), rest[0]);
        return imported == 0 ? SaveRecord(context) : FileFailure(context, imported);
    }
    if (command == "revert" && rest.empty()) {
        settings::DefaultDataSet(state.settings, state.model, state.config.xonXoff, state.texts,
                                 state.log);
        return SaveRecord(context);
    }
    return UsageFailure(context,
                        "settings takes show [--factory], set \"LABEL=CHOICE\"..., get, "
                        "send [--file FILE] [--verify] [\"LABEL=CHOICE\"...], print-list, "
                        "export FILE [--force], import FILE, revert");
}

}  // namespace vrtruty::cli
