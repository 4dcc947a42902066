#include "emulator/user_settings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

#include "core/catalogue.h"

namespace vrtruty::emulator {
namespace {

// GS ( E function numbers.
constexpr std::uint8_t kEnterSetupMode = 1;
constexpr std::uint8_t kEndSetupMode = 2;
constexpr std::uint8_t kWriteMemorySwitches = 3;
constexpr std::uint8_t kSendMemorySwitch = 4;
constexpr std::uint8_t kWriteCustomizeValues = 5;
constexpr std::uint8_t kSendCustomizeValue = 6;
constexpr std::uint8_t kWriteSerialItem = 11;
constexpr std::uint8_t kSendSerialItem = 12;
// Bytes before the function number: GS ( E pL pH.
constexpr std::size_t kHeaderBytes = 5;
// One switch of function 3: its number and eight characters; one value of function 5: its number
// and two bytes.
constexpr std::size_t kSwitchGroupBytes = 9;
constexpr std::size_t kValueGroupBytes = 3;
// A switch character that leaves its bit as it is.
constexpr std::uint8_t kKeepBit = '2';

constexpr std::array<std::uint8_t, 2> kEnterPassword = {'I', 'N'};
constexpr std::array<std::uint8_t, 3> kEndPassword = {'O', 'U', 'T'};

// Replies: 37 xx, then the value, then NUL; the number and value are parted by 1F.
constexpr std::uint8_t kReplyLead = 0x37;
constexpr std::uint8_t kMemorySwitchHeader = 0x21;
constexpr std::uint8_t kCustomizeValueHeader = 0x27;
constexpr std::uint8_t kSerialItemHeader = 0x33;
constexpr std::uint8_t kSeparator = 0x1F;

constexpr std::array<int, 6> kMemorySwitches = {1, 2, 8, 125, 126, 127};
constexpr std::array<int, 14> kCustomizeValues = {1,  2,   3,   5,   6,   53,  54,
                                                  97, 116, 118, 122, 125, 126, 127};

// Serial item numbers and what each takes.
constexpr int kBaudRate = 1;
constexpr int kParity = 2;      // '0' none, '1' odd, '2' even
constexpr int kHandshake = 3;   // '0' DSR/DTR, '1' XON/XOFF
constexpr int kDataLength = 4;  // '7' or '8'
constexpr std::array<std::string_view, 7> kBaudRates = {"2400",  "4800",  "9600",  "19200",
                                                        "38400", "57600", "115200"};
constexpr std::array<std::string_view, 3> kParities = {"0", "1", "2"};
constexpr std::array<std::string_view, 2> kHandshakes = {"0", "1"};
constexpr std::array<std::string_view, 2> kDataLengths = {"7", "8"};

std::span<const std::string_view> SerialChoices(int item) {
    switch (item) {
        case kBaudRate:
            return kBaudRates;
        case kParity:
            return kParities;
        case kHandshake:
            return kHandshakes;
        case kDataLength:
            return kDataLengths;
        default:
            return {};
    }
}

std::uint8_t ReplyHeader(SettingKind kind) {
    switch (kind) {
        case SettingKind::MemorySwitch:
            return kMemorySwitchHeader;
        case SettingKind::CustomizeValue:
            return kCustomizeValueHeader;
        case SettingKind::SerialItem:
            return kSerialItemHeader;
    }
    return 0;
}

// A header a confused printer might send instead: that of another reply form.
std::uint8_t WrongReplyHeader(SettingKind kind) {
    switch (kind) {
        case SettingKind::MemorySwitch:
            return kCustomizeValueHeader;
        case SettingKind::CustomizeValue:
            return kSerialItemHeader;
        case SettingKind::SerialItem:
            return kMemorySwitchHeader;
    }
    return 0;
}

std::optional<int> ParseInt(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint8_t> ParseSwitchBits(std::string_view text) {
    if (text.size() != 8) {
        return std::nullopt;
    }
    std::uint8_t bits = 0;
    for (const char c : text) {
        if (c != '0' && c != '1') {
            return std::nullopt;
        }
        bits = static_cast<std::uint8_t>(bits << 1 | (c == '1' ? 1 : 0));
    }
    return bits;
}

std::string SwitchBitsText(std::uint8_t bits) {
    std::string text;
    for (int bit = 8; bit >= 1; --bit) {
        text += (bits >> (bit - 1) & 1) != 0 ? '1' : '0';
    }
    return text;
}

void Append(std::vector<std::uint8_t>& bytes, std::string_view text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// How the models differ from the settings they share.
struct ModelFactory {
    std::string_view model;  // catalogue display name
    std::uint16_t maxSpeed;  // CV 6: the TR-770II's head runs up to step 11, the others up to 9
    bool blackMark;          // black-mark paper: the sensor is checked with every cut
    bool errorAlert;         // the K variants sound the error alert out of the box
};

constexpr std::array<ModelFactory, 5> kModelFactories = {{
    {"TR-770II", 11, false, false},
    {"TR-770", 9, false, false},
    {"TR-770 (PFBM)", 9, true, false},
    {"TR-770K", 9, false, true},
    {"TR-770K (WL)", 9, false, true},
}};

constexpr std::uint8_t Bit(int bit) {
    return static_cast<std::uint8_t>(1U << (bit - 1));
}

}  // namespace

bool UserSettings::Has(SettingId id) const {
    switch (id.kind) {
        case SettingKind::MemorySwitch:
            return memorySwitches.contains(id.number);
        case SettingKind::CustomizeValue:
            return customizeValues.contains(id.number);
        case SettingKind::SerialItem:
            return serialItems.contains(id.number);
    }
    return false;
}

bool UserSettings::Set(SettingId id, std::string_view text) {
    if (!Has(id)) {
        return false;
    }
    switch (id.kind) {
        case SettingKind::MemorySwitch:
            if (const auto bits = ParseSwitchBits(text)) {
                memorySwitches[id.number] = *bits;
                return true;
            }
            return false;
        case SettingKind::CustomizeValue:
            if (const auto value = ParseInt(text); value && *value >= -32768 && *value <= 65535) {
                customizeValues[id.number] = static_cast<std::uint16_t>(*value & 0xFFFF);
                return true;
            }
            return false;
        case SettingKind::SerialItem: {
            const auto choices = SerialChoices(id.number);
            if (std::find(choices.begin(), choices.end(), text) == choices.end()) {
                return false;
            }
            serialItems[id.number] = std::string(text);
            return true;
        }
    }
    return false;
}

std::string UserSettings::Text(SettingId id) const {
    if (!Has(id)) {
        return {};
    }
    switch (id.kind) {
        case SettingKind::MemorySwitch:
            return SwitchBitsText(memorySwitches.at(id.number));
        case SettingKind::CustomizeValue:
            return std::to_string(customizeValues.at(id.number));
        case SettingKind::SerialItem:
            return serialItems.at(id.number);
    }
    return {};
}

std::vector<SettingId> UserSettings::Ids() const {
    std::vector<SettingId> ids;
    for (const auto& [number, bits] : memorySwitches) {
        ids.push_back({SettingKind::MemorySwitch, number});
    }
    for (const auto& [number, value] : customizeValues) {
        ids.push_back({SettingKind::CustomizeValue, number});
    }
    for (const auto& [number, text] : serialItems) {
        ids.push_back({SettingKind::SerialItem, number});
    }
    return ids;
}

std::string_view KindPrefix(SettingKind kind) {
    switch (kind) {
        case SettingKind::MemorySwitch:
            return "msw";
        case SettingKind::CustomizeValue:
            return "cv";
        case SettingKind::SerialItem:
            return "si";
    }
    return {};
}

std::string SettingName(SettingId id) {
    return std::string(KindPrefix(id.kind)) + std::to_string(id.number);
}

std::optional<SettingId> ParseSettingName(std::string_view name) {
    for (const SettingKind kind :
         {SettingKind::MemorySwitch, SettingKind::CustomizeValue, SettingKind::SerialItem}) {
        const std::string_view prefix = KindPrefix(kind);
        if (!name.starts_with(prefix)) {
            continue;
        }
        const std::string_view digits = name.substr(prefix.size());
        // "cv05" would be a second spelling of the same setting; one is enough.
        if (const auto number = ParseInt(digits);
            number && *number >= 0 && *number <= 255 && std::to_string(*number) == digits) {
            return SettingId{kind, *number};
        }
        return std::nullopt;
    }
    return std::nullopt;
}

UserSettings FactoryUserSettings(std::string_view model) {
    ModelFactory factory = kModelFactories[0];
    if (const auto row = app::FindPrinterRow(model)) {
        const std::string_view displayName = app::PrinterNameTable()[*row].displayName;
        for (const ModelFactory& candidate : kModelFactories) {
            if (candidate.model == displayName) {
                factory = candidate;
            }
        }
    }

    UserSettings s;
    // Power-on status, busy on buffer full only.
    s.memorySwitches[1] = Bit(1) | Bit(3);
    // Reset by the INIT line of the 36-pin connector.
    s.memorySwitches[2] = Bit(1);
    // Black-mark check at power on is disabled on the models without black-mark paper.
    s.memorySwitches[8] = factory.blackMark ? 0 : Bit(6);
    // Automatic logo printing off.
    s.memorySwitches[125] = Bit(4);
    // USB printer class, serial number off, automatic error recovery, paper-near-end detection;
    // the full cut (bit 5) where the cutter mode is a switch.
    s.memorySwitches[126] = static_cast<std::uint8_t>(Bit(6) | Bit(3) | Bit(2) | Bit(1) |
                                                      (factory.blackMark ? 0 : Bit(5)) |
                                                      (factory.errorAlert ? Bit(8) : 0));
    // Batch processing on the serial interface; black-mark check with every cut.
    s.memorySwitches[127] = static_cast<std::uint8_t>(Bit(1) | (factory.blackMark ? Bit(5) : 0));

    s.customizeValues = {
        {1, 4},                 // user NV memory 192 KB
        {2, 7},                 // the largest NV graphics area
        {3, 48},                // 80 mm paper, 48 columns
        {5, 0},                 // print density 100 %
        {6, factory.maxSpeed},  // the fastest speed step
        {53, 5},                // grayscale density mode 5
        {54, 9},                // fastest speed at grayscale
        {97, 0},                // normal power
        {116, 1},               // mono
        {118, 0},               // black density 100 % in two colours
        {122, 115},             // 11.5 mm top of form at the automatic logo
        {125, 2},               // buzzer pattern 2
        {126, 3},               // three buzzer repetitions
        {127, static_cast<std::uint16_t>(factory.blackMark ? 0 : 1)},  // cut by command
    };
    s.serialItems = {{kBaudRate, "115200"}, {kParity, "0"}, {kHandshake, "0"}, {kDataLength, "8"}};
    return s;
}

std::optional<BadReplySwitch> ParseBadReply(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == text.npos) {
        return std::nullopt;
    }
    const auto setting = ParseSettingName(text.substr(0, colon));
    if (!setting || !FactoryUserSettings({}).Has(*setting)) {
        return std::nullopt;
    }
    const std::string_view kind = text.substr(colon + 1);
    constexpr std::string_view kValuePrefix = "value=";
    BadReply reply;
    if (kind == "short") {
        reply.kind = BadReplyKind::Short;
    } else if (kind == "none") {
        reply.kind = BadReplyKind::None;
    } else if (kind == "header") {
        reply.kind = BadReplyKind::Header;
    } else if (kind == "echo" && setting->kind != SettingKind::MemorySwitch) {
        reply.kind = BadReplyKind::Echo;
    } else if (kind.starts_with(kValuePrefix)) {
        reply.kind = BadReplyKind::Value;
        reply.value = std::string(kind.substr(kValuePrefix.size()));
    } else {
        return std::nullopt;
    }
    return BadReplySwitch{*setting, std::move(reply)};
}

UserSetup::UserSetup(UserSettings settings, BadReplies badReplies)
    : settings_(std::move(settings)), pending_(settings_), badReplies_(std::move(badReplies)) {}

UserSetupOutcome UserSetup::Handle(std::span<const std::uint8_t> command,
                                   std::vector<std::uint8_t>& reply) {
    if (command.size() <= kHeaderBytes) {
        return UserSetupOutcome::Nothing;
    }
    const std::size_t payload = command[3] | std::size_t{command[4]} << 8;
    if (payload == 0 || command.size() < kHeaderBytes + payload) {
        return UserSetupOutcome::Nothing;
    }
    const std::uint8_t function = command[kHeaderBytes];
    const auto parameters = command.subspan(kHeaderBytes + 1, payload - 1);
    const auto queried = [&parameters](SettingKind kind) -> std::optional<SettingId> {
        if (parameters.size() != 1) {
            return std::nullopt;
        }
        return SettingId{kind, parameters[0]};
    };

    switch (function) {
        case kEnterSetupMode:
            if (std::ranges::equal(parameters, kEnterPassword) && !setupMode_) {
                pending_ = settings_;
                setupMode_ = true;
            }
            break;
        case kEndSetupMode:
            if (std::ranges::equal(parameters, kEndPassword) && setupMode_) {
                settings_ = pending_;
                setupMode_ = false;
                return UserSetupOutcome::Applied;
            }
            break;
        case kWriteMemorySwitches:
            if (setupMode_) {
                WriteMemorySwitches(parameters);
            }
            break;
        case kWriteCustomizeValues:
            if (setupMode_) {
                WriteCustomizeValues(parameters);
            }
            break;
        case kWriteSerialItem:
            if (setupMode_) {
                WriteSerialItem(parameters);
            }
            break;
        case kSendMemorySwitch:
            if (const auto id = queried(SettingKind::MemorySwitch)) {
                Answer(*id, reply);
            }
            break;
        case kSendCustomizeValue:
            if (const auto id = queried(SettingKind::CustomizeValue)) {
                Answer(*id, reply);
            }
            break;
        case kSendSerialItem:
            if (const auto id = queried(SettingKind::SerialItem)) {
                Answer(*id, reply);
            }
            break;
        default:
            break;
    }
    return UserSetupOutcome::Nothing;
}

void UserSetup::Restart() {
    setupMode_ = false;
    pending_ = settings_;
}

void UserSetup::Answer(SettingId id, std::vector<std::uint8_t>& reply) const {
    if (!settings_.Has(id)) {
        return;  // a setting this printer does not have is not answered
    }
    const auto found = badReplies_.find(id);
    const BadReply* bad = found == badReplies_.end() ? nullptr : &found->second;
    const auto faulty = [bad](BadReplyKind kind) { return bad != nullptr && bad->kind == kind; };
    if (faulty(BadReplyKind::None)) {
        return;
    }
    std::vector<std::uint8_t> bytes = {kReplyLead, faulty(BadReplyKind::Header)
                                                       ? WrongReplyHeader(id.kind)
                                                       : ReplyHeader(id.kind)};
    if (id.kind != SettingKind::MemorySwitch) {
        Append(bytes, std::to_string(id.number + (faulty(BadReplyKind::Echo) ? 1 : 0)));
        bytes.push_back(kSeparator);
    }
    Append(bytes, faulty(BadReplyKind::Value) ? bad->value : settings_.Text(id));
    if (faulty(BadReplyKind::Short) && bytes.size() > 2) {
        bytes.pop_back();  // one byte short, still terminated: a reply of the wrong length
    }
    bytes.push_back(0x00);
    reply.insert(reply.end(), bytes.begin(), bytes.end());
}

void UserSetup::WriteMemorySwitches(std::span<const std::uint8_t> parameters) {
    // A command whose length does not fit its switches is not carried out at all.
    if (parameters.empty() || parameters.size() % kSwitchGroupBytes != 0) {
        return;
    }
    for (std::size_t at = 0; at < parameters.size(); at += kSwitchGroupBytes) {
        const auto it = pending_.memorySwitches.find(parameters[at]);
        if (it == pending_.memorySwitches.end()) {
            continue;
        }
        std::uint8_t bits = it->second;
        for (int i = 0; i < 8; ++i) {
            const std::uint8_t mask = Bit(8 - i);
            switch (parameters[at + 1 + static_cast<std::size_t>(i)]) {
                case '0':
                    bits = static_cast<std::uint8_t>(bits & ~mask);
                    break;
                case '1':
                    bits = static_cast<std::uint8_t>(bits | mask);
                    break;
                case kKeepBit:
                default:
                    break;
            }
        }
        it->second = bits;
    }
}

void UserSetup::WriteCustomizeValues(std::span<const std::uint8_t> parameters) {
    if (parameters.empty() || parameters.size() % kValueGroupBytes != 0) {
        return;
    }
    for (std::size_t at = 0; at < parameters.size(); at += kValueGroupBytes) {
        const auto it = pending_.customizeValues.find(parameters[at]);
        if (it != pending_.customizeValues.end()) {
            it->second = static_cast<std::uint16_t>(parameters[at + 1] | parameters[at + 2] << 8);
        }
    }
}

void UserSetup::WriteSerialItem(std::span<const std::uint8_t> parameters) {
    if (parameters.size() < 2) {
        return;
    }
    const std::string text(parameters.begin() + 1, parameters.end());
    pending_.Set({SettingKind::SerialItem, parameters[0]}, text);  // a value it lacks is ignored
}

std::vector<std::string> SettingListLines(const UserSettings& settings, std::string_view model) {
    const auto row = [](std::string_view label, std::string_view value) {
        constexpr std::size_t kValueColumn = 16;
        std::string line(label);
        line.resize(std::max(kValueColumn, line.size() + 1), ' ');
        line += value;
        return line.substr(0, 48);
    };
    std::vector<std::string> lines = {"*** Setting List ***", row("Model", model)};
    std::optional<SettingKind> group;
    for (const SettingId id : settings.Ids()) {
        if (id.kind != group) {
            group = id.kind;
            lines.emplace_back();
            lines.emplace_back(id.kind == SettingKind::MemorySwitch     ? "Memory Switch"
                               : id.kind == SettingKind::CustomizeValue ? "Customize Value"
                                                                        : "Serial Interface");
        }
        const std::string_view prefix = id.kind == SettingKind::MemorySwitch     ? "  MSW "
                                        : id.kind == SettingKind::CustomizeValue ? "  CV "
                                                                                 : "  SI ";
        lines.push_back(row(std::string(prefix) + std::to_string(id.number), settings.Text(id)));
    }
    return lines;
}

}  // namespace vrtruty::emulator
