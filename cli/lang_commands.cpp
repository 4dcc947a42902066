// `vrtruty-cli lang` and `vrtruty-cli message`: the language texts for translators and the
// message texts of result codes for service staff reading a log.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <optional>
#include <ostream>

#include "cli/commands.h"
#include "core/unicode.h"
#include "lang/language_files.h"
#include "lang/messages.h"
#include "platform/files.h"

namespace vrtruty::cli {
namespace {

// A result code: decimal, or hexadecimal after "0x", with one optional minus sign. A positive
// number may use all 32 bits (read error words are logged as 32-bit hexadecimal numbers); a
// negative one must fit a code. Anything else is refused rather than read as some other number.
std::optional<int> ParseCode(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (negative) {
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    // An unsigned parse takes no sign of its own, so "--5" and "-+5" are refused here.
    std::uint32_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    constexpr std::uint32_t kLowestCodeMagnitude = 0x80000000u;  // -2147483648
    if (negative) {
        if (magnitude > kLowestCodeMagnitude) {
            return std::nullopt;
        }
        return static_cast<int>(-static_cast<std::int64_t>(magnitude));
    }
    return static_cast<int>(magnitude);
}

int ListLanguages(CommandContext& context) {
    const lang::TextTable& texts = context.state.texts;
    for (std::size_t slot = 0; slot < texts.languageCount(); ++slot) {
        const auto& file = texts.languageFile(slot);
        context.out << (slot == texts.languageIndex() ? "* " : "  ") << "Slot " << slot << ": "
                    << texts.languageName(slot) << "\n"
                    << "    File:   " << (file.empty() ? "(built in)" : file.string()) << "\n"
                    << "    Manual: " << texts.manualPath(slot).string() << "\n";
    }
    return 0;
}

int ExportLanguage(CommandContext& context, const std::vector<std::string>& args) {
    const lang::TextTable& texts = context.state.texts;
    std::size_t slot = texts.languageIndex();
    std::optional<std::string> file;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--language") {
            if (i + 1 >= args.size()) {
                return UsageFailure(context, "--language needs a language name");
            }
            const std::string& name = args[++i];
            const auto names = texts.languageNames();
            const auto found = std::ranges::find_if(
                names, [&](const std::string& n) { return app::EqualsIgnoreCase(n, name); });
            if (found == names.end()) {
                return Failure(context, "no language named " + name);
            }
            slot = static_cast<std::size_t>(found - names.begin());
        } else if (!file && !args[i].starts_with("--")) {
            file = args[i];
        } else {
            return UsageFailure(context, "unexpected argument " + args[i]);
        }
    }
    const std::vector<std::uint8_t> bytes = lang::ExportLanguageFile(texts, slot);
    if (!file) {
        context.out.write(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<std::streamsize>(bytes.size()));
        return 0;
    }
    if (const std::error_code error = platform::ReplaceFileAtomically(*file, bytes)) {
        return Failure(context, "cannot write " + *file + ": " + error.message());
    }
    return 0;
}

}  // namespace

int RunLang(CommandContext& context, const std::vector<std::string>& args) {
    if (args.size() == 1 && args[0] == "list") {
        return ListLanguages(context);
    }
    if (!args.empty() && args[0] == "export") {
        return ExportLanguage(context, args);
    }
    return UsageFailure(context, "lang needs list or export");
}

int RunMessage(CommandContext& context, const std::vector<std::string>& args) {
    std::optional<int> code;
    std::string caller;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--text" && i + 1 < args.size()) {
            caller = args[++i];
        } else if (!code) {
            code = ParseCode(args[i]);
            if (!code) {
                return UsageFailure(context, "not a result code: " + args[i]);
            }
        } else {
            return UsageFailure(context, "unexpected argument " + args[i]);
        }
    }
    if (!code) {
        return UsageFailure(context, "message needs a result code");
    }
    context.out << lang::ComposeMessage(context.state.texts, *code, caller) << "\n";
    return 0;
}

}  // namespace vrtruty::cli
