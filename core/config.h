// The utility's configuration file ("Vrtrutys.ini"): region, language, printer model, port choice,
// the network printer list and the operating switches.
//
// The file is read once at start and written back only when the user confirms new port settings.
// Every read tells a missing key from an empty value, cleans the value (a ';' starts a comment,
// trailing blanks and tabs go) and compares names without regard to case. A damaged file never
// stops the start: each key that cannot be understood keeps its default.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/catalogue.h"
#include "core/port_kind.h"
#include "core/port_names.h"
#include "core/profile_file.h"
#include "core/serial_settings.h"

namespace vrtruty::app {

// Cuts the value at its first ';' and removes trailing blanks and tabs.
std::string CleanProfileValue(std::string_view value);
std::optional<std::string> ReadConfigValue(const ProfileFile& profile, std::string_view section,
                                           std::string_view key,
                                           std::size_t maxUnits = ProfileFile::kDefaultValueLimit);

// The word for "no selection" that a new configuration is written with: Japanese for the
// printer families sold with Japanese defaults.
std::string_view DefaultNoneWord(std::uint32_t family);

struct LanPrinterEntry {
    std::int32_t libraryMode = 0;  // which LAN library serves the printer
    std::string ipAddress;         // at most 31 characters
    std::string macAddress;        // at most 31 characters
    std::string model;             // the model a network search reported; not stored
};
inline constexpr std::size_t kMaxLanPrinters = 255;

struct Switches {
    bool statusCheck = true;        // STATUSCHECK: ask the printer's status before identifying it
    bool printerTest = false;       // PRINTERTEST: offer the Printer Test pane
    bool errorAutoRecover = false;  // ERRAUTO: send the error-recovery command first
    bool buzzer = true;             // BUZZER
};

// The read at the very start, before the log or the model exist.
struct EarlyConfig {
    bool logEnabled = false;                       // LOGOUT/MODE = "ON"
    std::optional<std::string> driverNameSetting;  // WINDRV/DRV_NO: read, not used further
    std::size_t printerRow = 0;                    // PRNAME/PR_NO, row 0 when unknown
};
EarlyConfig ReadEarlyConfig(const ProfileFile& profile);

// The configured serial device (COMPORT/COM_NO) when it is a device path. A USB-serial adapter
// that is unplugged at start is still this device: it is offered beside the ports found, so that
// confirming other settings does not replace it.
std::optional<std::string> ConfiguredSerialDevice(const ProfileFile& profile);

// Creates a missing configuration: the 18-byte UTF-16 header "[SPEC]" CR LF, then the creation
// defaults in table order. Creation fails when a file of that name appeared meanwhile; then (and
// on any other failure) the file as it is on disk is returned, possibly empty.
ProfileFile CreateConfigFile(const std::filesystem::path& path, const PrinterModelRow& row);

RegionResult ReadRegion(const ProfileFile& profile);

struct ChineseVariant {
    int variant = 2;       // 0 Simplified, 1 Traditional, 2 neither
    bool edition = false;  // the Chinese edition of the utility
};
ChineseVariant ReadChineseVariant(const ProfileFile& profile);

struct LanguageChoice {
    std::size_t index = 0;
    bool recognised = false;  // the configured name is one of the languages
};
LanguageChoice ReadLanguageChoice(const ProfileFile& profile,
                                  std::span<const std::string> languageNames);

// What the rest of the configuration is resolved against: the ports, printers and defaults that
// this machine offers.
struct ConfigContext {
    const PortNameList& comPorts;
    const PortNameList& lptPorts;
    std::span<const std::string> usbIdentifiers;  // first text field of each USB printer found
    std::span<const std::string> winPortNames;    // port name of each installed printer queue
    bool overseaMode = false;
    // The stored profile text of a serial port ("9600,n,8,1,p"), by its long name.
    std::function<std::string(std::string_view longName)> portProfileText;
};

// The port choice, network printers and switches, as the connection and the panes use them.
struct UtilityConfig {
    PortKind portKind = PortKind::PORT_NONE;
    std::size_t comIndex = 0;
    bool xonXoff = false;  // COMPORT/PROTOCOL = "XON/XOFF": consulted for the factory values
    SerialSettings serial{};
    std::size_t lptIndex = 0;
    std::vector<std::string> driverNames;  // drivers whose queues are offered as ports
    std::size_t winPrinterIndex = 0;
    std::size_t usbIndex = 0;
    std::vector<LanPrinterEntry> lanPrinters;
    std::size_t lanIndex = 0;
    bool lanKeysInUse = false;  // LANPORT/LAN_NO present: the network keys are read and written
    Switches switches{};
};
UtilityConfig ReadUtilityConfig(const ProfileFile& profile, const ConfigContext& context);

// Driver names offered when the configuration lists none of its own.
std::vector<std::string> DefaultDriverNames(bool overseaMode);

// What the save writes besides the configuration itself.
struct SaveContext {
    const PrinterModelRow& printerRow;
    std::string_view languageName;  // the current language's name
    std::string_view noneWord;      // the current language's "None" word
    const PortNameList& comPorts;
    const PortNameList& lptPorts;
    std::string_view usbIdentifier;  // the selected USB printer's identifier; empty: none
    std::string_view winPortName;    // the selected printer queue's port; empty: none or foreign
};

// Writes the keys the port settings dialog changes, in the original's order, keeping every other
// line of the file; surplus network printer keys from a longer old list are deleted. The file is
// replaced atomically.
std::error_code SaveUtilityConfig(const std::filesystem::path& path, const UtilityConfig& config,
                                  const SaveContext& context);

}  // namespace vrtruty::app
