// The virtual printer's user settings: memory switches, customise values and serial-interface
// items, with the GS ( E functions that read and change them. A printer changes its settings only
// inside user-setting mode, into a pending copy that takes effect when the mode ends and the
// printer restarts; the queries can be made at any time.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vrtruty::emulator {

// Where a setting lives in the printer.
enum class SettingKind : std::uint8_t {
    MemorySwitch,    // eight bits; GS ( E functions 3 and 4
    CustomizeValue,  // a 16-bit number; GS ( E functions 5 and 6
    SerialItem,      // ASCII text; GS ( E functions 11 and 12
};

// One setting of the printer: memory switch 126, customise value 5, serial item 1.
struct SettingId {
    SettingKind kind = SettingKind::MemorySwitch;
    int number = 0;

    auto operator<=>(const SettingId&) const = default;
};

// The settings a printer keeps in its non-volatile memory.
struct UserSettings {
    std::map<int, std::uint8_t> memorySwitches;    // bit k (1..8) of a switch is 1 << (k - 1)
    std::map<int, std::uint16_t> customizeValues;  // negative values as 16-bit two's complement
    std::map<int, std::string> serialItems;        // as the printer sends them: "115200", "0"

    bool Has(SettingId id) const;
    // Sets the value when the printer has the setting and the text is a value it takes: eight
    // characters '0'/'1' (bits 8 to 1) for a switch, a decimal number from -32768 to 65535 for a
    // customise value, one of the item's choices for a serial item. False otherwise.
    bool Set(SettingId id, std::string_view text);
    // The value as the printer reports it ("00110111", "65530", "115200"); empty when unknown.
    std::string Text(SettingId id) const;
    // Every setting the printer has, switches first, each kind in ascending number.
    std::vector<SettingId> Ids() const;

    bool operator==(const UserSettings&) const = default;
};

// "msw", "cv", "si": the kind's word in setting names ("cv5") and in the state file ("cv 5 65530").
std::string_view KindPrefix(SettingKind kind);

// "msw126", "cv5", "si1": the names on the command line and in messages.
std::string SettingName(SettingId id);
std::optional<SettingId> ParseSettingName(std::string_view name);

// The settings a printer of the model (a catalogue display name, any case) leaves the factory
// with; an unknown name gets those of the TR-770II. Every model has the same set of settings.
UserSettings FactoryUserSettings(std::string_view model);

// Ways a reply to a settings query can be made wrong, to test how the utility copes.
enum class BadReplyKind : std::uint8_t {
    Short,   // "short": the last character before the NUL is missing
    None,    // "none": no reply at all
    Header,  // "header": the second header byte is that of another reply form
    Value,   // "value=TEXT": TEXT instead of the value (the eight bits of a memory switch)
    Echo,    // "echo": the echoed number is one more than the one asked for
};

struct BadReply {
    BadReplyKind kind = BadReplyKind::Short;
    std::string value;  // for Value

    bool operator==(const BadReply&) const = default;
};

using BadReplies = std::map<SettingId, BadReply>;

struct BadReplySwitch {
    SettingId setting;
    BadReply reply;
};

// "cv5:value=7", "msw1:short", "si4:echo": the setting, a colon and the kind. Nothing for a setting
// the printer does not have, an unknown kind, or "echo" for a memory switch (its reply carries no
// number).
std::optional<BadReplySwitch> ParseBadReply(std::string_view text);

// What a GS ( E command did to the printer.
enum class UserSetupOutcome : std::uint8_t {
    Nothing,  // a query, a write, a command of no effect
    Applied,  // function 2 ended user-setting mode: the pending settings are now in force
};

// The user-setting memory and the GS ( E functions that read and change it.
class UserSetup {
  public:
    UserSetup(UserSettings settings, BadReplies badReplies);

    // Runs one complete GS ( E command (1D 28 45 pL pH fn ...) and appends its answer to `reply`.
    UserSetupOutcome Handle(std::span<const std::uint8_t> command,
                            std::vector<std::uint8_t>& reply);
    // A restart without function 2: user-setting mode ends and the pending changes are lost.
    void Restart();

    // The settings in force; queries answer these, also while changes are pending.
    const UserSettings& Settings() const { return settings_; }
    // The settings that function 2 will put in force.
    const UserSettings& Pending() const { return pending_; }
    bool InSetupMode() const { return setupMode_; }

  private:
    void Answer(SettingId id, std::vector<std::uint8_t>& reply) const;
    void WriteMemorySwitches(std::span<const std::uint8_t> parameters);
    void WriteCustomizeValues(std::span<const std::uint8_t> parameters);
    void WriteSerialItem(std::span<const std::uint8_t> parameters);

    UserSettings settings_;
    UserSettings pending_;
    BadReplies badReplies_;
    bool setupMode_ = false;
};

// The setting list a printer prints for GS ( A with n = 0, m = 2: its model, every memory switch
// as its eight bits, every customise value and serial item; lines of at most 48 characters.
std::vector<std::string> SettingListLines(const UserSettings& settings, std::string_view model);

}  // namespace vrtruty::emulator
