// `vrtruty-cli logo ...`: bitmap logos in the printer's NV graphics memory — measure, convert and
// preview a bitmap, read what the printer holds, register, print and delete logos.
#include <ostream>

#include "cli/commands.h"
#include "cli/connection.h"
#include "comm/error_codes.h"
#include "emulator/png_writer.h"
#include "lang/messages.h"
#include "logo/gradation_conversion.h"
#include "logo/logo_conversion.h"
#include "logo/logo_list.h"
#include "logo/printer_logos.h"

namespace vrtruty::cli {
namespace {

struct LogoOptions {
    std::vector<std::string> files;
    std::optional<std::uint16_t> keycode;
    bool twoColours = false;
    bool gradation16 = false;
    bool cut = false;
    std::optional<std::string> out;
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
        } else if (arg == "--gradation" && hasValue) {
            const std::string& value = args[++i];
            if (value != "2" && value != "16") {
                status = Failure(context, "--gradation takes 2 or 16");
                return std::nullopt;
            }
            options.gradation16 = value == "16";
        } else if (arg == "--keycode" && hasValue) {
            options.keycode = logo::ParseKeycodeText(args[++i]);
            if (!options.keycode) {
                status = Failure(context,
                                 "a keycode is four hexadecimal digits of two printable "
                                 "characters, e.g. 4120");
                return std::nullopt;
            }
        } else if (arg == "--out" && hasValue) {
            options.out = args[++i];
        } else if (arg.starts_with("--")) {
            status = Failure(context, "unknown logo option " + arg);
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

// The registration command of a row, as the registration builds it.
int Convert(logo::LogoEntry& entry, bool errorAutoRecover) {
    if (entry.gradation == logo::kGradation16) {
        return logo::ConvertGradationLogo(logo::GradationMode::Register, entry);
    }
    return logo::ConvertLogoForRegistration(entry, errorAutoRecover);
}

int LogoFailure(CommandContext& context, int code, const std::string& file) {
    return PrinterFailure(context, code, file);
}

// Everything a printer logo job needs, for the lifetime of one command.
struct LogoPrinter {
    LogoPrinter(CommandContext& context, std::vector<logo::LogoEntry> entries = {})
        : connection(context.state, context.port),
          rows(std::move(entries)),
          session{connection.port(), context.state.settings.printerInfoValid,
                  context.state.settings.nvCapacity} {
        app::AppState& state = context.state;
        const lang::TextTable& texts = state.texts;
        session.printerRow = state.model.printerRow;
        const bool japanese = texts.japaneseSlot() == texts.languageIndex();
        session.caption = logo::ChooseLogoCaption(
            state.model.regionIndex, japanese, logo::FixedJapaneseCaptionTexts(),
            {texts.Text(lang::LOGO_P_NO), texts.Text(lang::LOGO_P_MONO),
             texts.Text(lang::LOGO_P_COLOR)});
        session.rows = rows;
        const bool errorAutoRecover = state.config.switches.errorAutoRecover;
        session.convert = [errorAutoRecover](logo::LogoEntry& entry) {
            return Convert(entry, errorAutoRecover);
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
        return Failure(context, "logo size needs one FILE");
    }
    logo::LogoEntry entry = Entry(options.files[0], options);
    int result = 0;
    if (entry.gradation == logo::kGradation16) {
        result = logo::ConvertGradationLogo(logo::GradationMode::Measure, entry);
    } else {
        const logo::LogoSize size = logo::ComputeLogoSize(entry, entry.twoColours);
        result = size.result;
        entry.size = size.size;
    }
    if (result != 0) {
        return LogoFailure(context, result, entry.path);
    }
    context.out << entry.size << " bytes\n";
    return 0;
}

int ConvertCommand(CommandContext& context, const LogoOptions& options) {
    if (options.files.size() != 1 || !options.keycode) {
        return Failure(context, "logo convert needs one FILE and --keycode XXXX");
    }
    logo::LogoEntry entry = Entry(options.files[0], options);
    if (const int result = Convert(entry, context.state.config.switches.errorAutoRecover)) {
        return LogoFailure(context, result, entry.path);
    }
    context.out << HexLine(entry.command) << "\n";
    return 0;
}

int Preview(CommandContext& context, const LogoOptions& options) {
    if (options.files.size() != 1 || !options.out) {
        return Failure(context, "logo preview needs one FILE and --out PNG");
    }
    const logo::LogoBitmap bitmap =
        logo::LoadLogoBitmap(logo::LogoLoadMode::Convert, options.files[0], options.twoColours);
    if (bitmap.result != 0) {
        return LogoFailure(context, bitmap.result, options.files[0]);
    }
    const auto planes = logo::PackRasterPlanes(
        bitmap.first, bitmap.second ? &*bitmap.second : nullptr, bitmap.width);
    if (!planes) {
        return LogoFailure(context, logo::LOGO_ERR_MEMORY, options.files[0]);
    }
    // What the printer prints: black dots, the second colour in red, written row by row.
    const auto width = static_cast<std::size_t>(bitmap.width);
    const auto rows = static_cast<std::size_t>(planes->rows);
    const std::size_t rowBytes = (width + 7) / 8;
    const auto dot = [&](const std::vector<std::uint8_t>& plane, std::size_t x, std::size_t y) {
        return !plane.empty() && (plane[y * rowBytes + x / 8] & (0x80 >> (x % 8))) != 0;
    };
    constexpr std::uint8_t kWhite = 0;
    constexpr std::uint8_t kBlack = 1;
    constexpr std::uint8_t kRed = 2;
    std::vector<emulator::PngRgb> colours = {emulator::kPngWhite, emulator::kPngBlack};
    if (!planes->plane2.empty()) {
        colours.push_back({255, 0, 0});
    }
    emulator::PngFileWriter writer(*options.out, static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(rows), std::move(colours));
    std::vector<std::uint8_t> row(width);
    for (std::size_t y = 0; y < rows; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            row[x] = dot(planes->plane1, x, y) ? kBlack : dot(planes->plane2, x, y) ? kRed : kWhite;
        }
        writer.WriteRow(row);
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

int Register(CommandContext& context, const LogoOptions& options) {
    if (options.files.empty()) {
        return Failure(context, "logo register needs one or more FILE");
    }
    std::vector<logo::LogoEntry> rows;
    std::uint16_t keycode = options.keycode.value_or(0x3130);  // "01"
    for (const std::string& file : options.files) {
        logo::LogoEntry entry = Entry(file, options);
        entry.keycode = keycode;
        keycode = logo::StepKeycode(keycode);
        rows.push_back(std::move(entry));
    }
    if (context.dryRun) {
        for (logo::LogoEntry& entry : rows) {
            if (const int result = Convert(entry, context.state.config.switches.errorAutoRecover)) {
                return LogoFailure(context, result, entry.path);
            }
            context.out << HexLine(entry.command) << "\n";
        }
        return 0;
    }
    LogoPrinter printer(context, std::move(rows));
    if (const int read = printer.Read()) {
        return PrinterFailure(context, read);
    }
    if (const int refused = logo::CheckLogoRegistration(printer.session)) {
        return PrinterFailure(context, refused);
    }
    if (const int result = logo::RegisterCheckedLogos(printer.session)) {
        return PrinterFailure(context, result, printer.rows.front().path);
    }
    for (const logo::LogoEntry& entry : printer.rows) {
        context.out << "Registered " << entry.path << " as " << logo::FormatKeycode(entry.keycode)
                    << "\n";
    }
    return 0;
}

int Job(CommandContext& context, const std::string& command, const LogoOptions& options) {
    const bool needsKeycode = command == "delete" || command == "print";
    std::optional<std::uint16_t> keycode;
    if (needsKeycode) {
        if (options.files.size() != 1 || !(keycode = logo::ParseKeycodeText(options.files[0]))) {
            return Failure(context, "logo " + command + " needs a keycode XXXX, e.g. 4120");
        }
    } else if (!options.files.empty()) {
        return Failure(context, "logo " + command + " takes no file or keycode");
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
        context.out << HexLine(bytes) << "\n";
        return 0;
    }
    if (const int read = printer.Read()) {
        return PrinterFailure(context, read);
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
        return Failure(context,
                       "logo takes size, convert, preview, info, register, delete, delete-all, "
                       "print, print-all");
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
    if (command == "delete" || command == "delete-all" || command == "print" ||
        command == "print-all") {
        return Job(context, command, *options);
    }
    return Failure(context, "unknown logo command " + command);
}

}  // namespace vrtruty::cli
