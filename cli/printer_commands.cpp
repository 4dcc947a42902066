// The commands that talk to the printer: the connection check, the status, the printer tests and
// the Extension 1 functions. Each job goes to every listed network printer in turn, as the panes
// send it, and stops at the first failure.
#include <algorithm>
#include <ostream>

#include "app/port_settings.h"
#include "cli/commands.h"
#include "cli/connection.h"
#include "cli/progress.h"
#include "comm/command_exchange.h"
#include "comm/error_codes.h"
#include "comm/send_operation.h"
#include "core/unicode.h"
#include "jobs/printer_jobs.h"
#include "lang/messages.h"

namespace vrtruty::cli {
namespace {

// Sends one job, or prints it in a dry run; doing names it for the progress display.
int RunJob(CommandContext& context, int operation, std::span<const std::uint8_t> buffer,
           std::string_view doing) {
    PrinterConnection connection(context.state, context.port);
    comm::PortAccess& port = connection.port();
    Progress progress(context, doing, buffer.size() * app::ListedPrinterCount(context.state));
    progress.Follow(port);
    const int result = comm::ForEachTargetPrinter(port, [&] {
        if (context.dryRun) {
            context.out << HexLine(buffer) << "\n";
            return comm::PRT_SUCCESS;
        }
        return comm::PrinterSendOperation(port, operation, buffer);
    });
    return result == comm::PRT_SUCCESS ? 0 : PrinterFailure(context, result);
}

// The index of a name in a list of choices (1-based: 0 is "Not Change"), ignoring case.
std::optional<int> ChoiceIndex(std::span<const std::string_view> names, std::string_view name) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (app::EqualsIgnoreCase(names[i], name)) {
            return static_cast<int>(i) + 1;
        }
    }
    return std::nullopt;
}

std::string JoinNames(std::span<const std::string_view> names) {
    std::string text;
    for (const std::string_view name : names) {
        text += (text.empty() ? "" : ", ") + std::string(name);
    }
    return text;
}

}  // namespace

int RunCheck(CommandContext& context, const std::vector<std::string>& args) {
    if (!args.empty()) {
        return UsageFailure(context, "check takes no arguments");
    }
    PrinterConnection connection(context.state, context.port);
    comm::PortAccess& port = connection.port();
    const bool usb = port.context().portKind == app::PortKind::PORT_USB;
    const std::string name = port.GetPortName(usb ? 1 : 0);
    const app::PrinterModelRow& row = app::PrinterNameTable()[context.state.model.printerRow];
    if (context.dryRun) {
        const auto& switches = port.switches();
        if (switches.errorAutoRecover) {
            context.out << HexLine(comm::kErrorRecoveryPreamble) << "\n";
        }
        if (port.context().portKind == app::PortKind::PORT_LAN) {
            context.out << HexLine(comm::kLanDummyByte) << "\n";
        }
        if (switches.statusCheck) {
            context.out << HexLine(comm::Command(comm::CommandId::CMD_BUFFERCLEAR).bytes) << "\n"
                        << HexLine(comm::Command(comm::CommandId::CMD_STATUS1).bytes) << "\n";
        }
        context.out << HexLine(comm::kPrinterIdRequest) << "\n"
                    << HexLine(comm::Command(comm::CommandId::CMD_RESET3).bytes) << "\n";
        return 0;
    }
    int result = comm::PRT_SUCCESS;
    {
        const Progress progress(
            context, "Checking that the " + std::string(row.displayName) + " answers on " + name);
        result = app::VerifyPrinterConnection(connection);
    }
    if (result != comm::PRT_SUCCESS) {
        return PrinterFailure(context, result);
    }
    context.out << row.displayName << " answers on " << name << "\n";
    return 0;
}

int RunStatus(CommandContext& context, const std::vector<std::string>& args) {
    if (!args.empty()) {
        return UsageFailure(context, "status takes no arguments");
    }
    PrinterConnection connection(context.state, context.port);
    comm::PortAccess& port = connection.port();
    if (context.dryRun) {
        context.out << HexLine(comm::Command(comm::CommandId::CMD_BUFFERCLEAR).bytes) << "\n"
                    << HexLine(comm::Command(comm::CommandId::CMD_STATUS1).bytes) << "\n";
        return 0;
    }
    const int result = comm::WithQueuesHandedOver(port, [&] {
        const int handle = port.PortOpen(port.GetPortName(1));
        if (handle == comm::PortAccess::kInvalidHandle) {
            return comm::PRT_ERR_OPEN;
        }
        comm::PrinterStatusClr(port, handle);
        const int status = comm::CheckPrinterStatus(port, handle);
        port.PortClose(handle);
        return status;
    });
    if (result != comm::PRT_SUCCESS) {
        return PrinterFailure(context, result);
    }
    context.out << "The printer is ready.\n";
    return 0;
}

int RunTest(CommandContext& context, const std::vector<std::string>& args) {
    using tools::PrinterTest;
    static const std::pair<std::string_view, PrinterTest> kTests[] = {
        {"head", PrinterTest::Head},       {"buzzer", PrinterTest::Buzzer},
        {"cutter", PrinterTest::Cutter},   {"drawer1", PrinterTest::Drawer1},
        {"drawer2", PrinterTest::Drawer2},
    };
    if (args.size() == 1) {
        for (const auto& [name, test] : kTests) {
            if (args[0] == name) {
                const auto buffer = tools::BuildPrinterTestBuffer(
                    test, context.state.config.switches.errorAutoRecover);
                return RunJob(context, tools::kOperationPrinterTest, buffer,
                              "Running the " + std::string(name) + " test");
            }
        }
    }
    return UsageFailure(context, "test needs one of head, buzzer, cutter, drawer1, drawer2");
}

int RunDefaults(CommandContext& context, const std::vector<std::string>& args) {
    tools::DefaultValueChoice choice;
    for (std::size_t i = 0; i < args.size(); ++i) {
        struct Option {
            std::string_view name;
            std::span<const std::string_view> names;
            int* target;
        };
        const Option options[] = {
            {"--code-page", tools::CodePageNames(), &choice.codePage},
            {"--charset", tools::InternationalCharacterNames(), &choice.internationalCharacter},
            {"--font", tools::FontNames(), &choice.font},
        };
        const Option* option = nullptr;
        for (const Option& o : options) {
            if (args[i] == o.name) {
                option = &o;
            }
        }
        if (option == nullptr || i + 1 >= args.size()) {
            return UsageFailure(context,
                                "defaults takes --code-page NAME, --charset NAME, --font NAME");
        }
        const auto index = ChoiceIndex(option->names, args[++i]);
        if (!index) {
            return UsageFailure(context, "unknown name \"" + args[i] + "\" for " +
                                             std::string(option->name) +
                                             "; one of: " + JoinNames(option->names));
        }
        *option->target = *index;
    }
    const auto buffer = tools::BuildChangeDefaultsBuffer(choice);
    if (buffer.empty()) {
        return UsageFailure(context, "nothing to change: give --code-page, --charset or --font");
    }
    return RunJob(context, tools::kOperationChangeDefaults, buffer,
                  "Changing the printer's stored defaults");
}

int RunCodeTable(CommandContext& context, const std::vector<std::string>& args) {
    if (!args.empty()) {
        return UsageFailure(context, "code-table takes no arguments");
    }
    return RunJob(context, tools::kOperationCodeTable, tools::BuildCodeTablePage(),
                  "Printing the code table");
}

int RunSendFile(CommandContext& context, const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return UsageFailure(context, "send-file needs one FILE");
    }
    const tools::SendFileResult file =
        tools::LoadSendFile(args[0], context.state.config.switches.errorAutoRecover);
    if (file.result != 0) {
        // Every reading failure of the sending file shows the same message, then which file and
        // why.
        const bool unread =
            file.result == tools::SEND_ERR_NOFILE || file.result == tools::SEND_ERR_NOPATH;
        PrinterFailure(context, unread ? tools::SEND_ERR_READ : file.result);
        context.err << args[0] << ": " << file.reason.message() << "\n";
        return 1;
    }
    return RunJob(context, tools::kOperationSendFile, file.buffer, "Sending " + args[0]);
}

}  // namespace vrtruty::cli

namespace vrtruty::cli {

int RunQueues(CommandContext& context, const std::vector<std::string>& args) {
    if (!args.empty()) {
        return UsageFailure(context, "queues takes no arguments");
    }
    app::AppState& state = context.state;
    if (app::RefreshPrintQueues(state) != comm::PRT_SUCCESS) {
        context.out << lang::ComposeMessage(state.texts, comm::PRT_ERR_SEARCH) << "\n";
        return 0;
    }
    const auto choices = comm::ModelQueueChoices(state.winPrinters, state.model.printerRow);
    context.out << "QUEUE\tPORT TYPE\tPRINTER CODE\tCHOICE\tDEVICE\tDRIVER\n";
    for (std::size_t i = 0; i < state.winPrinters.size(); ++i) {
        const comm::WinPrinterEntry& queue = state.winPrinters[i];
        const bool choice = std::ranges::find(choices, i) != choices.end();
        context.out << queue.printerName << "\t" << queue.portType << "\t" << queue.printerCode
                    << "\t" << (choice ? "yes" : "no") << "\t" << queue.portName << "\t"
                    << queue.driverName << "\n";
    }
    return 0;
}

}  // namespace vrtruty::cli
