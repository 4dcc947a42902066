#include "core/config.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

#include "core/unicode.h"
#include "platform/files.h"

namespace vrtruty::app {
namespace {

constexpr std::size_t kLanAddressLimit = 31;
constexpr std::size_t kDriverNameLimit = 220;

std::string NumberedKey(const char* format, std::size_t n) {
    char key[32];
    std::snprintf(key, sizeof key, format, static_cast<int>(n));
    return key;
}

// Reads a count the way the original's decimal conversion does: leading digits, else 0.
long ParseCount(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    long value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        return text.front() == '-' ? 0 : std::numeric_limits<long>::max();
    }
    return ec == std::errc{} ? value : 0;
}

bool SwitchIs(const ProfileFile& profile, std::string_view section, std::string_view word) {
    const auto value = ReadConfigValue(profile, section, "MODE");
    return value && EqualsIgnoreCase(*value, word);
}

// The selection pattern: first entry whose name matches the cleaned value.
std::optional<std::size_t> FindSelection(const std::optional<std::string>& value,
                                         std::span<const std::string> names) {
    if (!value) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (EqualsIgnoreCase(names[i], *value)) {
            return i;
        }
    }
    return std::nullopt;
}

std::vector<std::string> FoundShortNames(const PortNameList& list) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list.count; ++i) {
        names.push_back(list.entries[i].shortName);
    }
    return names;
}

std::vector<std::string> ReadDriverNames(const ProfileFile& profile, bool overseaMode) {
    const auto count = ReadConfigValue(profile, "WINDRV", "CNT");
    const long n = count ? ParseCount(*count) : 0;
    if (n <= 0) {
        return DefaultDriverNames(overseaMode);
    }
    std::vector<std::string> names;
    for (long i = 1; i <= n; ++i) {
        auto name =
            ReadConfigValue(profile, "WINDRV", NumberedKey("NAME%02d", i), kDriverNameLimit);
        if (!name || name->empty()) {
            return DefaultDriverNames(overseaMode);  // one gap spoils the whole list
        }
        names.push_back(std::move(*name));
    }
    return names;
}

std::vector<LanPrinterEntry> ReadLanPrinters(const ProfileFile& profile) {
    const auto count = ReadConfigValue(profile, "IPADDRESSLIST", "CNT");
    const long n = std::clamp(count ? ParseCount(*count) : 0L, 0L, long{kMaxLanPrinters});
    std::vector<LanPrinterEntry> printers;
    for (long i = 1; i <= n; ++i) {
        const auto mode =
            ReadConfigValue(profile, "IPADDRESSLIST", NumberedKey("USED_DLLMD%03d", i));
        auto ip = ReadConfigValue(profile, "IPADDRESSLIST", NumberedKey("IP_ADDRESS%03d", i),
                                  kLanAddressLimit);
        auto mac = ReadConfigValue(profile, "IPADDRESSLIST", NumberedKey("MACADDRESS%03d", i),
                                   kLanAddressLimit);
        if (!mode || !ip || !mac) {
            break;  // a missing key ends the list at the last complete entry
        }
        printers.push_back(
            {static_cast<std::int32_t>(ParseCount(*mode)), std::move(*ip), std::move(*mac), {}});
    }
    return printers;
}

bool IsJapaneseFamily(std::uint32_t family) {
    return family == 18 || family == 20 || family == 21 || family == 22;
}

std::string_view DefaultRegionName(std::uint32_t family) {
    if (family == 21) {
        return "JAPANK";
    }
    return IsJapaneseFamily(family) ? "JAPAN" : "OVERSEA";
}

// Surplus keys are deleted up to the old count; a count beyond what three-digit keys can name
// was never written by the utility.
constexpr long kHighestNumberedKey = 999;

}  // namespace

std::string CleanProfileValue(std::string_view value) {
    value = value.substr(0, value.find(';'));
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
        value.remove_suffix(1);
    }
    return std::string(value);
}

std::optional<std::string> ReadConfigValue(const ProfileFile& profile, std::string_view section,
                                           std::string_view key, std::size_t maxUnits) {
    const auto value = profile.Read(section, key, maxUnits);
    if (!value) {
        return std::nullopt;
    }
    return CleanProfileValue(*value);
}

std::string_view DefaultNoneWord(std::uint32_t family) {
    return IsJapaneseFamily(family) ? "なし" : "None";
}

EarlyConfig ReadEarlyConfig(const ProfileFile& profile) {
    EarlyConfig early;
    early.logEnabled = SwitchIs(profile, "LOGOUT", "ON");
    early.driverNameSetting = ReadConfigValue(profile, "WINDRV", "DRV_NO");
    if (const auto name = ReadConfigValue(profile, "PRNAME", "PR_NO")) {
        early.printerRow = FindPrinterRow(*name).value_or(0);
    }
    return early;
}

std::optional<std::string> ConfiguredSerialDevice(const ProfileFile& profile) {
    auto name = ReadConfigValue(profile, "COMPORT", "COM_NO");
    if (!name || !name->starts_with('/')) {
        return std::nullopt;
    }
    return name;
}

ProfileFile CreateConfigFile(const std::filesystem::path& path, const PrinterModelRow& row) {
    // The UTF-16 header makes every later write keep the file in UTF-16.
    static constexpr std::uint8_t kHeader[] = {0xFF, 0xFE, '[', 0,   'S', 0,    'P', 0,    'E',
                                               0,    'C',  0,   ']', 0,   '\r', 0,   '\n', 0};
    if (platform::CreateFileExclusively(path, kHeader)) {
        return ProfileFile::Load(path);
    }
    ProfileFile profile = ProfileFile::Parse(kHeader);
    const std::string_view none = DefaultNoneWord(row.family);
    profile.Write("SPEC", "SPECKEY", DefaultRegionName(row.family));
    profile.Write("PORT", "PORTNAME", none);
    profile.Write("COMPORT", "COM_NO", "COM1");
    profile.Write("USBPORT", "USB_NO", none);
    profile.Write("LPTPORT", "LPT_NO", "LPT1");
    profile.Write("PRNAME", "PR_NO", row.displayName);
    profile.Write("WINDRV", "DRV_NO", PrinterNameTable()[0].driverName);
    profile.Write("WINPORT", "WIN_NO", none);
    profile.Write("LANPORT", "LAN_NO", none);
    profile.Write("IPADDRESSLIST", "CNT", "0");
    if (profile.Save(path)) {
        return ProfileFile::Load(path);  // the header alone, or whatever is there now
    }
    return profile;
}

RegionResult ReadRegion(const ProfileFile& profile) {
    const auto value = ReadConfigValue(profile, "SPEC", "SPECKEY");
    return ResolveRegion(value ? std::optional<std::string_view>(*value) : std::nullopt);
}

ChineseVariant ReadChineseVariant(const ProfileFile& profile) {
    const auto value = ReadConfigValue(profile, "LANGUAGESPEC", "SPEC");
    if (value && EqualsIgnoreCase(*value, "Simplified Chinese")) {
        return {0, true};
    }
    if (value && EqualsIgnoreCase(*value, "TraditionalChinese")) {
        return {1, true};
    }
    return {2, false};
}

LanguageChoice ReadLanguageChoice(const ProfileFile& profile,
                                  std::span<const std::string> languageNames) {
    const auto index =
        FindSelection(ReadConfigValue(profile, "COUNTRY", "LANGUAGE"), languageNames);
    return index ? LanguageChoice{*index, true} : LanguageChoice{};
}

std::vector<std::string> DefaultDriverNames(bool overseaMode) {
    std::vector<std::string> names;
    for (const PrinterModelRow& row : PrinterNameTable()) {
        names.push_back(row.driverName);
        if (overseaMode) {
            break;
        }
    }
    return names;
}

UtilityConfig ReadUtilityConfig(const ProfileFile& profile, const ConfigContext& context) {
    UtilityConfig config;
    if (const auto word = ReadConfigValue(profile, "PORT", "PORTNAME")) {
        config.portKind = PortKindFromWord(*word);
    }

    const auto comNames = FoundShortNames(context.comPorts);
    config.comIndex =
        FindSelection(ReadConfigValue(profile, "COMPORT", "COM_NO"), comNames).value_or(0);
    const auto protocol = ReadConfigValue(profile, "COMPORT", "PROTOCOL");
    config.xonXoff = protocol && EqualsIgnoreCase(*protocol, "XON/XOFF");
    const std::string profileText =
        context.portProfileText
            ? context.portProfileText(context.comPorts.Selected(config.comIndex).longName)
            : std::string(kDefaultPortProfileText);
    config.serial = ParsePortProfileText(profileText);

    const auto lptNames = FoundShortNames(context.lptPorts);
    config.lptIndex =
        FindSelection(ReadConfigValue(profile, "LPTPORT", "LPT_NO"), lptNames).value_or(0);

    config.driverNames = ReadDriverNames(profile, context.overseaMode);
    config.winPrinterIndex =
        FindSelection(ReadConfigValue(profile, "WINPORT", "WIN_NO"), context.winPortNames)
            .value_or(0);
    config.usbIndex =
        FindSelection(ReadConfigValue(profile, "USBPORT", "USB_NO"), context.usbIdentifiers)
            .value_or(0);

    config.lanPrinters = ReadLanPrinters(profile);
    const auto lanNo = ReadConfigValue(profile, "LANPORT", "LAN_NO");
    config.lanKeysInUse = lanNo.has_value();
    std::vector<std::string> addresses;
    for (const auto& printer : config.lanPrinters) {
        addresses.push_back(printer.ipAddress);
    }
    config.lanIndex = FindSelection(lanNo, addresses).value_or(config.lanIndex);

    config.switches.statusCheck = !SwitchIs(profile, "STATUSCHECK", "OFF");
    config.switches.printerTest = SwitchIs(profile, "PRINTERTEST", "ON");
    config.switches.errorAutoRecover = SwitchIs(profile, "ERRAUTO", "ON");
    config.switches.buzzer = !SwitchIs(profile, "BUZZER", "OFF");
    return config;
}

std::error_code SaveUtilityConfig(const std::filesystem::path& path, const UtilityConfig& config,
                                  const SaveContext& context) {
    ProfileFile profile = ProfileFile::Load(path);
    if (!profile.missingOrLoaded()) {
        return profile.loadError();  // saving would replace the file's content with the keys alone
    }
    const auto oldCountText = ReadConfigValue(profile, "IPADDRESSLIST", "CNT");
    const long oldCount = oldCountText ? ParseCount(*oldCountText) : 0;
    const bool speckeyPresent = ReadConfigValue(profile, "SPEC", "SPECKEY").has_value();

    const auto orNone = [&](std::string_view text) {
        return text.empty() ? context.noneWord : text;
    };

    // Always written: a configuration the utility created has no language key, and the language
    // chosen in the dialog must survive the next start.
    profile.Write("COUNTRY", "LANGUAGE", context.languageName);
    if (!speckeyPresent) {
        profile.Write("SPEC", "SPECKEY", "OVERSEA");
    }
    profile.Write("PORT", "PORTNAME", orNone(PortKindWord(config.portKind)));
    profile.Write("COMPORT", "COM_NO", context.comPorts.Selected(config.comIndex).shortName);
    profile.Write("USBPORT", "USB_NO", orNone(context.usbIdentifier));
    if (config.lanKeysInUse) {
        profile.Write("LPTPORT", "LPT_NO", context.lptPorts.Selected(config.lptIndex).shortName);
    }
    profile.Write("PRNAME", "PR_NO", context.printerRow.displayName);
    profile.Write("WINDRV", "DRV_NO", context.printerRow.driverName);
    profile.Write("WINPORT", "WIN_NO", orNone(context.winPortName));
    if (config.lanKeysInUse) {
        const std::string lanNo = config.lanIndex < config.lanPrinters.size()
                                      ? config.lanPrinters[config.lanIndex].ipAddress
                                      : std::string{};
        profile.Write("LANPORT", "LAN_NO", orNone(lanNo));
        const std::size_t count = std::min(config.lanPrinters.size(), kMaxLanPrinters);
        profile.Write("IPADDRESSLIST", "CNT", std::to_string(count));
        for (std::size_t i = 1; i <= count; ++i) {
            const LanPrinterEntry& printer = config.lanPrinters[i - 1];
            profile.Write("IPADDRESSLIST", NumberedKey("USED_DLLMD%03d", i),
                          std::to_string(printer.libraryMode));
            profile.Write("IPADDRESSLIST", NumberedKey("IP_ADDRESS%03d", i), printer.ipAddress);
            profile.Write("IPADDRESSLIST", NumberedKey("MACADDRESS%03d", i), printer.macAddress);
        }
        const auto last = static_cast<std::size_t>(std::min(oldCount, kHighestNumberedKey));
        for (std::size_t i = count + 1; i <= last; ++i) {
            profile.Delete("IPADDRESSLIST", NumberedKey("USED_DLLMD%03d", i));
            profile.Delete("IPADDRESSLIST", NumberedKey("IP_ADDRESS%03d", i));
            profile.Delete("IPADDRESSLIST", NumberedKey("MACADDRESS%03d", i));
        }
    }
    return profile.Save(path);
}

}  // namespace vrtruty::app
