// vrtruty-cli search: the network search of the port settings, one line per printer found.
#include <charconv>
#include <cmath>
#include <ostream>

#include "app/port_settings.h"
#include "cli/commands.h"
#include "cli/connection.h"
#include "comm/error_codes.h"

namespace vrtruty::cli {
namespace {

// The longest wait for answers that --timeout takes, in seconds.
constexpr double kMaxTimeoutSeconds = 60;

std::optional<std::chrono::milliseconds> ParseSeconds(std::string_view text) {
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc{} || end != text.data() + text.size() || !(seconds > 0) ||
        seconds > kMaxTimeoutSeconds) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(std::lround(seconds * 1000));
}

}  // namespace

int RunSearch(CommandContext& context, const std::vector<std::string>& args) {
    std::string environmentError;
    comm::SearchOptions options = app::SearchOptionsFromEnvironment(environmentError);
    if (!environmentError.empty()) {
        return Failure(context, environmentError);
    }
    bool all = false;
    std::vector<platform::HostAndPort> targets;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const bool valued =
            option == "--target" || option == "--timeout" || option == "--community";
        if (option == "--all") {
            all = true;
        } else if (!valued || i + 1 >= args.size()) {
            return UsageFailure(context,
                                "search takes --target HOST[:PORT], --timeout SECONDS, "
                                "--community NAME and --all");
        } else if (const std::string& value = args[++i]; option == "--target") {
            const auto parsed = app::ParseSearchTargets(value);
            if (!parsed || parsed->empty()) {
                return UsageFailure(context, "--target needs HOST[:PORT], not \"" + value + "\"");
            }
            targets.insert(targets.end(), parsed->begin(), parsed->end());
        } else if (option == "--timeout") {
            const auto timeout = ParseSeconds(value);
            if (!timeout) {
                return UsageFailure(
                    context, "--timeout needs seconds above 0 and up to 60, not \"" + value + "\"");
            }
            options.timeout = *timeout;
        } else if (!value.empty()) {
            options.community = value;
        }
    }
    // Targets of the command line replace those of the environment.
    if (!targets.empty()) {
        options.targets = std::move(targets);
    }
    if (context.dryRun) {
        return Failure(context, "search sends nothing to a printer: it has no dry run");
    }
    PrinterConnection connection(context.state, context.port);
    std::vector<app::LanPrinterEntry> found;
    std::vector<app::LanPrinterEntry> others;
    const int result =
        app::SearchNetworkPrinters(connection, options, found, all ? &others : nullptr);
    // One line per address, the chosen model's printers first.
    std::vector<app::LanPrinterEntry> rows;
    app::MergeFoundPrinters(rows, found);
    app::MergeFoundPrinters(rows, others);
    for (const app::LanPrinterEntry& printer : rows) {
        context.out << printer.ipAddress << ' '
                    << (printer.macAddress.empty() ? "-" : printer.macAddress) << ' '
                    << printer.model << ' ' << printer.libraryMode + 1 << "\n";
    }
    if (found.empty()) {
        return PrinterFailure(context, result == comm::PRT_SUCCESS ? comm::PRT_ERR_SEARCH : result);
    }
    return 0;
}

}  // namespace vrtruty::cli
