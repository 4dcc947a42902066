// `vrtruty-cli logo ...`: bitmap logos in the printer's NV graphics memory — measure, convert and
// preview a bitmap, read what the printer holds, register, print and delete logos, and keep logo
// file lists (the window's list between runs, and .qlr files).
#include <algorithm>
#include <ostream>
#include <span>

#include "cli/commands.h"
#include "cli/connection.h"
#include "cli/progress.h"
#include "comm/error_codes.h"
#include "emulator/png_writer.h"
#include "lang/messages.h"
#include "logo/entry_conversion.h"
#include "logo/logo_list.h"
#include "logo/logo_list_file.h"
#include "logo/printer_logos.h"

namespace vrtruty::cli {
namespace {

struct LogoOptions {
    std::vector<std::string> files;
    std::optional<std::uint16_t> keycode;
    bool twoColours = false;
    bool gradation16 = false;
    bool cut = false;
    bool replace = false;  // register over keycodes the printer holds
    bool force = false;    // overwrite an existing list file
    std::optional<std::string> out;
    std::optional<std::string> list;  // register the checked rows of a list file
};

std::optional<LogoOptions> ParseOptions(CommandContext& context,
                                        const std::vector<std::string>& args, int& status) {
    LogoOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--two-colours" || arg == "--two-colors") {
            options.twoColours = true;
        } else if (arg == "--cut") {
            options.cut = true;
        } else if (arg == "--replace") {
            options.replace = true;
        } else if (arg == "--force") {
            options.force = true;
        } else if (arg == "--list" && hasValue) {
            options.list = args[++i];
        } else if (arg == "--gradation" && hasValue) {
            const std::string& value = args[++i];
            if (value != "2" && value != "16") {
                status = UsageFailure(context, "--gradation takes 2 or 16");
                return std::nullopt;
            }
            options.gradation16 = value == "16";
        } else if (arg == "--keycode" && hasValue) {
            options.keycode = logo::ParseKeycodeText(args[++i]);
            if (!options.keycode) {
                status = UsageFailure(context,
                                      "a keycode is four hexadecimal digits of two printable "
                                      "characters, e.g. 4120");
                return std::nullopt;
            }
        } else if (arg == "--out" && hasValue) {
            options.out = args[++i];
        } else if (arg.starts_with("--")) {
            status = UsageFailure(context, "unknown logo option " + arg);
            return std::nullopt;
        } else {
            options.files.push_back(arg);
        }
    }
    return options;
}

logo::LogoEntry Entry(const std::string& file, const LogoOptions& options) {
    logo::LogoEntry entry;
    entry.path = file;
    entry.nameOffset = logo::FileNameOffset(file);
    entry.keycode = options.keycode.value_or(0x3030);  // "00"
    entry.twoColours = options.twoColours && !options.gradation16;
    entry.gradation = options.gradation16 ? logo::kGradation16 : logo::kGradation2;
    entry.checked = true;
    return entry;
}

int LogoFailure(CommandContext& context, int code, const std::string& file) {
    return PrinterFailure(context, code, file);
}

// A keycode as the list shows it and as the two characters the printer stores: 4120 (" A").
std::string DescribeKeycode(std::uint16_t keycode) {
    const std::string characters{static_cast<char>(keycode & 0xFF),
                                 static_cast<char>(keycode >> 8)};
    return logo::FormatKeycode(keycode) + " (\"" + characters + "\")";
}

bool PrinterHolds(const logo::PrinterLogoInfo& info, std::uint16_t keycode) {
    return std::ranges::find(info.keycodes, keycode) != info.keycodes.end();
}

// Loads a list file into `list`. A row whose bitmap cannot be measured is reported on the error
// stream and left out, as answering OK in the window does. False (with the message written) when
// the file is no logo file list.
bool LoadList(CommandContext& context, logo::LogoList& list, const std::filesystem::path& file) {
    const lang::TextTable& texts = context.state.texts;
    const auto loaded = logo::LoadLogoList(
        list, false, file, context.state.model.flags.bGuppy, logo::MeasureLogoEntry,
        [&](int code, const std::string& path) {
            context.err << logo::ComposeLogoMessage(texts, logo::MeasureFailureMessage(code, path))
                        << "\n";
            return true;
        });
    if (loaded.outcome == logo::LogoListLoadOutcome::NotAListFile) {
        context.err << logo::ComposeLogoMessage(texts, *loaded.message) << "\n";
        return false;
    }
    if (loaded.rows.stopMessage) {
        context.err << logo::ComposeLogoMessage(texts, *loaded.rows.stopMessage) << "\n";
    }
    return true;
}

std::filesystem::path ProgramList(const CommandContext& context) {
    return logo::ProgramLogoListPath(context.state.info.programFolder);
}

// Everything a printer logo job needs, for the lifetime of one command.
struct LogoPrinter {
    LogoPrinter(CommandContext& context, std::vector<logo::LogoEntry> entries = {})
        : connection(context.state, context.port),
          rows(std::move(entries)),
          session{connection.port(), context.state.settings.printerInfoValid,
                  context.state.settings.nvCapacity} {
        app::AppState& state = context.state;
        session.printerRow = state.model.printerRow;
        session.caption = logo::ChooseLogoCaption(state.model.regionIndex, state.texts);
        session.rows = rows;
        const bool errorAutoRecover = state.config.switches.errorAutoRecover;
        session.convert = [errorAutoRecover](logo::LogoEntry& entry) {
            return logo::BuildRegistrationCommand(entry, errorAutoRecover);
        };
    }

    int Read() {
        return logo::RefreshPrinterLogoInfo(session, logo::LogoPortMode::ReplaceAndRestore,
                                            logo::kInfoTextReading, {}, true);
    }

    PrinterConnection connection;
    std::vector<logo::LogoEntry> rows;
    logo::LogoSession session;
};

int Size(CommandContext& context, const LogoOptions& options) {
    if (options.files.size() != 1) {
        return UsageFailure(context, "logo size needs one FILE");
    }
    logo::LogoEntry entry = Entry(options.files[0], options);
    if (const int result = logo::MeasureLogoEntry(entry)) {
        return LogoFailure(context, result, entry.path);
    }
    context.out << entry.size << " bytes\n";
    return 0;
}

int ConvertCommand(CommandContext& context, const LogoOptions& options) {
    if (options.files.size() != 1 || !options.keycode) {
        return UsageFailure(context, "logo convert needs one FILE and --keycode XXXX");
    }
    logo::LogoEntry entry = Entry(options.files[0], options);
    if (const int result =
            logo::BuildRegistrationCommand(entry, context.state.config.switches.errorAutoRecover)) {
        return LogoFailure(context, result, entry.path);
    }
    WriteHexLine(context.out, entry.command);
    return 0;
}

int Preview(CommandContext& context, const LogoOptions& options) {
    if (options.files.size() != 1 || !options.out) {
        return UsageFailure(context, "logo preview needs one FILE and --out PNG");
    }
    const logo::LogoPicture picture = logo::RenderLogoPicture(Entry(options.files[0], options));
    if (picture.result != 0) {
        return LogoFailure(context, picture.result, options.files[0]);
    }
    // What the printer prints, written row by row in the picture's own colours.
    std::vector<emulator::PngRgb> colours;
    for (const logo::LogoColour& colour : picture.palette) {
        colours.push_back({colour.red, colour.green, colour.blue});
    }
    const auto width = static_cast<std::size_t>(picture.width);
    emulator::PngFileWriter writer(*options.out, static_cast<std::uint32_t>(picture.width),
                                   static_cast<std::uint32_t>(picture.height), std::move(colours));
    for (std::size_t y = 0; y < static_cast<std::size_t>(picture.height); ++y) {
        writer.WriteRow(std::span(picture.dots).subspan(y * width, width));
    }
    if (const auto error = writer.Finish()) {
        return Failure(context, "cannot write " + *options.out + ": " + error.message());
    }
    return 0;
}

int Info(CommandContext& context) {
    if (context.dryRun) {
        context.out << HexLine(logo::kCapacityQuery) << "\n"
                    << HexLine(logo::kFreeSpaceQuery) << "\n"
                    << HexLine(logo::kKeycodeListQuery) << "\n";
        return 0;
    }
    LogoPrinter printer(context);
    if (const int result = printer.Read()) {
        return PrinterFailure(context, result);
    }
    const logo::PrinterLogoInfo& info = printer.session.printer;
    context.out << "Capacity: " << info.capacity << " bytes\nFree:     " << info.free
                << " bytes\nLogos:   ";
    for (const std::uint16_t keycode : info.keycodes) {
        context.out << " " << logo::FormatKeycode(keycode);
    }
    context.out << (info.keycodes.empty() ? " none\n" : "\n");
    return 0;
}

// Keycodes for the files of one register command: from --keycode on, or the first free ones
// from 2020 on that the printer does not hold.
void AssignKeycodes(std::span<logo::LogoEntry> rows, const LogoOptions& options,
                    std::span<const std::uint16_t> printerKeycodes) {
    logo::LogoList free;
    free.SetPrinterKeycodes(printerKeycodes);
    std::uint16_t next = options.keycode.value_or(logo::kFirstKeycode);
    for (logo::LogoEntry& entry : rows) {
        entry.keycode = options.keycode ? next : free.NextFreeKeycode(next);
        next = logo::StepKeycode(entry.keycode);
    }
}

int Register(CommandContext& context, const LogoOptions& options) {
    if (options.files.empty() == !options.list) {
        return UsageFailure(context, "logo register needs one or more FILE, or --list FILE");
    }
    std::vector<logo::LogoEntry> rows;
    if (options.list) {
        logo::LogoList list;
        if (!LoadList(context, list, *options.list)) {
            return 1;
        }
        rows.assign(list.entries().begin(), list.entries().end());
        std::erase_if(rows, [](const logo::LogoEntry& entry) { return !entry.checked; });
        if (rows.empty()) {
            return Failure(context, "the list " + *options.list + " has no checked rows");
        }
    } else {
        for (const std::string& file : options.files) {
            rows.push_back(Entry(file, options));
        }
    }
    const bool errorAutoRecover = context.state.config.switches.errorAutoRecover;
    if (context.dryRun) {
        if (!options.list) {
            AssignKeycodes(rows, options, {});
        }
        for (logo::LogoEntry& entry : rows) {
            if (const int result = logo::BuildRegistrationCommand(entry, errorAutoRecover)) {
                return LogoFailure(context, result, entry.path);
            }
            WriteHexLine(context.out, entry.command);
        }
        return 0;
    }
    LogoPrinter printer(context, std::move(rows));
    int read = 0;
    {
        const Progress progress(context, "Asking the printer for its logos");
        read = printer.Read();
    }
    if (read != 0) {
        return PrinterFailure(context, read);
    }
    if (!options.list) {
        AssignKeycodes(printer.rows, options, printer.session.printer.keycodes);
    }
    for (const logo::LogoEntry& entry : printer.rows) {
        if (!options.replace && PrinterHolds(printer.session.printer, entry.keycode)) {
            return Failure(context, "the printer already holds a logo " +
                                        DescribeKeycode(entry.keycode) +
                                        "; add --replace to register over it");
        }
    }
    if (const int refused = logo::CheckLogoRegistration(printer.session)) {
        return PrinterFailure(context, refused);
    }
    std::size_t registering = 0;
    if (context.errIsTerminal && !context.dryRun) {
        printer.session.onWait = [&](const logo::LogoWaitNotice& notice) {
            if (notice.text == logo::LogoWaitNotice::Text::Registering) {
                const logo::LogoEntry& entry = printer.rows[registering++];
                context.err << "Registering logo " << registering << " of " << printer.rows.size()
                            << ": " << notice.fileName << " as " << DescribeKeycode(entry.keycode)
                            << "\n";
            }
        };
    }
    if (const int result = logo::RegisterCheckedLogos(printer.session)) {
        const std::size_t failed =
            std::min(registering == 0 ? 0 : registering - 1, printer.rows.size() - 1);
        return PrinterFailure(context, result, printer.rows[failed].path);
    }
    for (const logo::LogoEntry& entry : printer.rows) {
        context.out << "Registered " << entry.path << " as " << DescribeKeycode(entry.keycode)
                    << "\n";
    }
    return 0;
}

// `logo list show [FILE] | load FILE | save FILE [--force]`: the window's list, kept in the home
// folder between runs, and list files.
int ListCommand(CommandContext& context, const LogoOptions& options) {
    const std::vector<std::string>& args = options.files;
    const std::string verb = args.empty() ? "" : args[0];
    const bool withFile = args.size() == 2;
    if (!((verb == "show" && args.size() <= 2) ||
          ((verb == "load" || verb == "save") && withFile))) {
        return UsageFailure(context,
                            "logo list takes show [FILE], load FILE or save FILE [--force]");
    }
    // show and save read the window's list unless show names a file; load reads the file.
    const std::filesystem::path named = withFile ? args[1] : "";
    const std::filesystem::path source = verb == "save" || !withFile ? ProgramList(context) : named;
    logo::LogoList list;
    if (!LoadList(context, list, source)) {
        return 1;
    }
    if (verb == "show") {
        for (const logo::LogoEntry& entry : list.entries()) {
            context.out << (entry.checked ? "[x] " : "[ ] ") << DescribeKeycode(entry.keycode)
                        << (entry.twoColours ? "  two colours" : "  monochrome") << "  gradation "
                        << (entry.gradation == logo::kGradation16 ? "16" : "2") << "  "
                        << entry.size << " bytes  " << entry.path << "\n";
        }
        if (list.count() == 0) {
            context.out << "no logo files\n";
        }
        return 0;
    }
    const std::filesystem::path target = verb == "load" ? ProgramList(context) : named;
    const auto saved = logo::SaveLogoList(target, list.entries(), verb == "load" || options.force);
    if (saved.status == logo::LogoListSaveStatus::Exists) {
        return Failure(context, target.string() + " exists; add --force to replace it");
    }
    if (saved.status != logo::LogoListSaveStatus::Saved) {
        return Failure(context, "cannot write " + target.string() + ": " + saved.error.message());
    }
    context.out << list.count() << (list.count() == 1 ? " logo file" : " logo files") << " in "
                << target.string() << "\n";
    return 0;
}

int Job(CommandContext& context, const std::string& command, const LogoOptions& options) {
    const bool needsKeycode = command == "delete" || command == "print";
    std::optional<std::uint16_t> keycode;
    if (needsKeycode) {
        if (options.files.size() != 1 || !(keycode = logo::ParseKeycodeText(options.files[0]))) {
            return UsageFailure(context, "logo " + command + " needs a keycode XXXX, e.g. 4120");
        }
    } else if (!options.files.empty()) {
        return UsageFailure(context, "logo " + command + " takes no file or keycode");
    }
    LogoPrinter printer(context);
    const bool errorAutoRecover = context.state.config.switches.errorAutoRecover;
    if (context.dryRun) {
        std::vector<std::uint8_t> bytes;
        if (command == "delete") {
            bytes = logo::BuildDeleteLogoCommand(*keycode, errorAutoRecover);
        } else if (command == "delete-all") {
            bytes = logo::BuildDeleteAllLogosCommand(errorAutoRecover);
        } else if (command == "print") {
            bytes = logo::BuildPrintLogoCommand(*keycode, options.cut, options.twoColours,
                                                printer.session.caption, errorAutoRecover);
        } else {
            return Failure(context, "print-all has no dry run: it asks the printer its logos");
        }
        WriteHexLine(context.out, bytes);
        return 0;
    }
    if (const int read = printer.Read()) {
        return PrinterFailure(context, read);
    }
    if (keycode && !PrinterHolds(printer.session.printer, *keycode)) {
        return Failure(context, "the printer holds no logo " + DescribeKeycode(*keycode));
    }
    int result = 0;
    if (command == "delete") {
        result = logo::DeletePrinterLogo(printer.session, *keycode);
    } else if (command == "delete-all") {
        result = logo::DeleteAllPrinterLogos(printer.session);
    } else if (command == "print") {
        result = logo::RunLogoJob(printer.session, logo::LogoJob::Print, *keycode, options.cut,
                                  options.twoColours);
    } else {
        result = logo::PrintAllPrinterLogos(printer.session, options.twoColours);
    }
    return result == 0 ? 0 : PrinterFailure(context, result);
}

}  // namespace

int RunLogo(CommandContext& context, const std::vector<std::string>& args) {
    if (args.empty()) {
        return UsageFailure(
            context,
            "logo takes size, convert, preview, info, register, delete, delete-all, "
            "print, print-all, list");
    }
    const std::string command = args[0];
    int status = 0;
    const auto options =
        ParseOptions(context, std::vector<std::string>(args.begin() + 1, args.end()), status);
    if (!options) {
        return status;
    }
    if (command == "size") {
        return Size(context, *options);
    }
    if (command == "convert") {
        return ConvertCommand(context, *options);
    }
    if (command == "preview") {
        return Preview(context, *options);
    }
    if (command == "info") {
        return Info(context);
    }
    if (command == "register") {
        return Register(context, *options);
    }
    if (command == "list") {
        return ListCommand(context, *options);
    }
    if (command == "delete" || command == "delete-all" || command == "print" ||
        command == "print-all") {
        return Job(context, command, *options);
    }
    return UsageFailure(context, "unknown logo command " + command);
}

}  // namespace vrtruty::cli
