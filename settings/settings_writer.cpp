#include "settings/settings_writer.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>

#include "comm/command_exchange.h"
#include "comm/error_codes.h"
#include "comm/send_operation.h"
#include "settings/setting_encoding.h"

namespace vrtruty::settings {
namespace {

using Buffer = std::vector<std::uint8_t>;

// The block of this catalogue stays below 200 bytes; one allocation holds it.
constexpr std::size_t kBlockReserve = 256;

constexpr std::uint8_t kEscAt[] = {0x1B, 0x40};
// GS ( E function 1 "IN": enter the user-setting mode.
constexpr std::uint8_t kEnterSetupMode[] = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E};
// GS ( E function 2 "OUT": leave it; the printer restarts with the new settings.
constexpr std::uint8_t kLeaveSetupMode[] = {0x1D, 0x28, 0x45, 0x04, 0x00, 0x02, 0x4F, 0x55, 0x54};
// GS ( A: test print of the basic sheet with the printer status, i.e. the setting list.
constexpr std::uint8_t kPrintSettingList[] = {0x1D, 0x28, 0x41, 0x02, 0x00, 0x00, 0x02};

// ESC p 3: the melody of the buzzer patterns. Each "Buzzer Interval" pattern is a pair of on and
// off times; "Buzzer Repetition" is the count.
struct MelodyTiming {
    std::uint8_t on;
    std::uint8_t off;
};
constexpr std::array<MelodyTiming, 5> kMelodyTimings = {{
    {0x14, 0x3C},
    {0x46, 0x46},
    {0x64, 0x64},
    {0x05, 0x19},
    {0x0F, 0x19},
}};
constexpr std::size_t kBuzzerIntervalByte = 68;
constexpr std::size_t kBuzzerRepetitionByte = 69;

// GS ( E function 3 with three switches, and with one.
constexpr std::uint8_t kThreeSwitches[] = {0x1D, 0x28, 0x45, 0x1C, 0x00, 0x03};
constexpr std::uint8_t kOneSwitch[] = {0x1D, 0x28, 0x45, 0x0A, 0x00, 0x03};
// GS ( E function 5 with eight, two, three and one customise values.
constexpr std::uint8_t kEightValues[] = {0x1D, 0x28, 0x45, 0x19, 0x00, 0x05};
constexpr std::uint8_t kTwoValues[] = {0x1D, 0x28, 0x45, 0x07, 0x00, 0x05};
constexpr std::uint8_t kThreeValues[] = {0x1D, 0x28, 0x45, 0x0A, 0x00, 0x05};
constexpr std::uint8_t kOneValue[] = {0x1D, 0x28, 0x45, 0x04, 0x00, 0x05};
// GS ( E function 11 with one serial item of one character, and the start of the baud item.
constexpr std::uint8_t kSerialItemLength[] = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x0B, 0x04};
constexpr std::uint8_t kSerialItemParity[] = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x0B, 0x02};
constexpr std::uint8_t kSerialItemProtocol[] = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x0B, 0x03};
constexpr std::uint8_t kSerialFunction = 0x0B;
constexpr std::uint8_t kSerialItemBaud = 0x01;

// The switch character that leaves a bit as the printer has it.
constexpr std::uint8_t kBitUnchanged = '2';
constexpr int kNoByte = 0;

// A memory switch: the record byte of each bit, from bit 8 down to bit 1.
struct SwitchLayout {
    std::uint8_t number;
    std::array<int, 8> bytes;
};
constexpr SwitchLayout kSwitch1 = {1, {55, 54, kNoByte, 53, 52, 51, 50, 49}};
constexpr SwitchLayout kSwitch2 = {
    2, {kNoByte, kNoByte, kNoByte, kNoByte, kNoByte, kNoByte, kNoByte, 56}};
constexpr SwitchLayout kSwitch8 = {8,
                                   {58, kNoByte, 57, kNoByte, kNoByte, kNoByte, kNoByte, kNoByte}};
constexpr SwitchLayout kSwitch126 = {126, {84, 77, 74, kCutterModeByte, kFontBByte, 75, 78, 76}};
constexpr SwitchLayout kSwitch127 = {127, {82, kNoByte, 73, 83, 94, kNoByte, kNoByte, 80}};
constexpr SwitchLayout kSwitch125 = {125, {kNoByte, kNoByte, 86, kNoByte, 93, kNoByte, 85, 81}};

// Customise-value numbers.
constexpr std::uint8_t kCvUserNvMemory = 1;
constexpr std::uint8_t kCvNvGraphicMemory = 2;
constexpr std::uint8_t kCvPaperWidth = 3;
constexpr std::uint8_t kCvPrintDensity = 5;
constexpr std::uint8_t kCvMaxSpeed = 6;
constexpr std::uint8_t kCvGrayscaleDensity = 53;
constexpr std::uint8_t kCvSpeedAtGrayscale = 54;
constexpr std::uint8_t kCvLowPower = 97;
constexpr std::uint8_t kCvPrintColor = 116;
constexpr std::uint8_t kCvBlackDensity = 118;
constexpr std::uint8_t kCvTofAtAutoLogo = 122;
constexpr std::uint8_t kCvBuzzerInterval = 125;
constexpr std::uint8_t kCvBuzzerRepetition = 126;
constexpr std::uint8_t kCvCutterMode = 127;

constexpr int kNvGraphicByte = 60;
constexpr int kPaperWidthByte = 61;
constexpr int kBaudByte = 70;
constexpr int kFormatByte = 71;
constexpr int kProtocolByte = 72;

void Append(Buffer& buffer, std::span<const std::uint8_t> bytes) {
    buffer.insert(buffer.end(), bytes.begin(), bytes.end());
}

// The entry of a value table a record byte chooses; a byte beyond the table takes its last entry.
template <typename T, std::size_t N>
const T& Pick(const std::array<T, N>& table, std::uint8_t index) {
    return table[std::min<std::size_t>(index, N - 1)];
}

class CommandWriter {
  public:
    CommandWriter(Buffer& buffer, const SettingRecord& record, const app::CurrentModel& model)
        : buffer_(buffer), record_(record), model_(model) {}

    void Switch(const SwitchLayout& layout) {
        buffer_.push_back(layout.number);
        for (const int recordByte : layout.bytes) {
            buffer_.push_back(Writes(recordByte) ? (At(recordByte) != 0 ? '1' : '0')
                                                 : kBitUnchanged);
        }
    }

    // Number, then the 16-bit value little-endian.
    void Value(std::uint8_t number, int value) {
        const auto word = static_cast<std::uint16_t>(value);
        buffer_.push_back(number);
        buffer_.push_back(static_cast<std::uint8_t>(word & 0xFF));
        buffer_.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    // Values that are the choice index plus an offset.
    void IndexValue(std::uint8_t number, int recordByte, int offset) {
        Value(number, At(recordByte) + offset);
    }

    void SerialItems() {
        const std::string rate = std::to_string(Pick(kBaudRates, At(kBaudByte)));
        Append(buffer_, std::initializer_list<std::uint8_t>{
                            0x1D, 0x28, 0x45, static_cast<std::uint8_t>(2 + rate.size()), 0x00,
                            kSerialFunction, kSerialItemBaud});
        buffer_.insert(buffer_.end(), rate.begin(), rate.end());

        // A 7-bit format is given its parity before its data length.
        const SerialFormat& format = Pick(kSerialFormats, At(kFormatByte));
        const auto item = [this](std::span<const std::uint8_t> command, char value) {
            Append(buffer_, command);
            buffer_.push_back(static_cast<std::uint8_t>(value));
        };
        if (format.dataLength == '8') {
            item(kSerialItemLength, format.dataLength);
            item(kSerialItemParity, format.parity);
        } else {
            item(kSerialItemParity, format.parity);
            item(kSerialItemLength, format.dataLength);
        }
        item(kSerialItemProtocol, At(kProtocolByte) != 0 ? '1' : '0');
    }

    std::uint8_t At(int recordByte) const { return record_[static_cast<std::size_t>(recordByte)]; }

  private:
    // Whether the bit of that record byte is written for the model; others stay unchanged.
    bool Writes(int recordByte) const {
        if (recordByte == kNoByte || !ModelHasSetting(recordByte, model_)) {
            return false;
        }
        if (recordByte == kCutterModeByte) {
            return !CutterIsCustomizeValue(model_);
        }
        if (recordByte == kFontBByte) {
            return model_.flags.bFontb;
        }
        return true;
    }

    Buffer& buffer_;
    const SettingRecord& record_;
    const app::CurrentModel& model_;
};

// The host's serial format coding: data bits 0 = 7, 1 = 8; parity 0 none, 1 even, 2 odd.
struct HostFormat {
    std::uint16_t dataBits;
    std::uint16_t parity;
};
constexpr std::array<HostFormat, 5> kHostFormats = {{{0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}}};

// The host talks to the printer with the parameters it has just been given.
void FollowSentSerialItems(SettingsState& state, app::SerialSettings& host) {
    const SettingRecord& record = state.current;
    if (record[kBaudByte] != host.baudIndex) {
        host.baudIndex = record[kBaudByte];
        state.serialChanged = true;
    }
    if (record[kFormatByte] != host.formatIndex) {
        host.formatIndex = record[kFormatByte];
        const HostFormat& format = Pick(kHostFormats, record[kFormatByte]);
        host.dataBits = format.dataBits;
        host.parity = format.parity;
        state.serialChanged = true;
    }
    if (record[kProtocolByte] != host.protocolIndex) {
        host.protocolIndex = record[kProtocolByte];
        state.serialChanged = true;
    }
}

}  // namespace

std::size_t BuildSettingCommands(std::vector<std::uint8_t>& buffer, SettingsState& state,
                                 const app::CurrentModel& model) {
    const SettingRecord& record = state.current;
    if (record[kNvGraphicByte] != state.rememberedNvChoice) {
        // The printer's NV graphics are about to be resized; what was read of them is void.
        state.printerInfoValid = false;
    }
    CommandWriter out(buffer, record, model);

    Append(buffer, kThreeSwitches);
    out.Switch(kSwitch1);
    out.Switch(kSwitch2);
    out.Switch(kSwitch8);

    Append(buffer, kEightValues);
    out.IndexValue(kCvUserNvMemory, 59, 1);
    out.IndexValue(kCvNvGraphicMemory, kNvGraphicByte, 1);
    out.Value(kCvPaperWidth, Pick(kPaperColumns, out.At(kPaperWidthByte)));
    out.IndexValue(kCvPrintDensity, 63, -kDensityCentre);
    out.IndexValue(kCvMaxSpeed, 65, 1);
    out.IndexValue(kCvLowPower, 66, 0);
    out.Value(kCvPrintColor, Pick(kPrintColorValues, out.At(62)));
    out.IndexValue(kCvBlackDensity, 64, -kDensityCentre);

    if (ModelHasSetting(68, model)) {  // the buzzer pattern of the melody models
        Append(buffer, kTwoValues);
        out.IndexValue(kCvBuzzerInterval, 68, 1);
        out.IndexValue(kCvBuzzerRepetition, 69, 0);
    }
    if (ModelHasSetting(90, model)) {  // grayscale printing and the auto logo of the TR-770II
        Append(buffer, kThreeValues);
        out.IndexValue(kCvGrayscaleDensity, 90, 1);
        out.IndexValue(kCvSpeedAtGrayscale, 91, 1);
        out.Value(kCvTofAtAutoLogo, Pick(kTofTenthsMm, out.At(92)));
    }
    if (CutterIsCustomizeValue(model)) {
        Append(buffer, kOneValue);
        out.IndexValue(kCvCutterMode, kCutterModeByte, 0);
    }

    out.SerialItems();

    Append(buffer, kOneSwitch);
    out.Switch(kSwitch126);
    Append(buffer, kOneSwitch);
    out.Switch(kSwitch127);
    Append(buffer, kOneSwitch);
    out.Switch(kSwitch125);
    return buffer.size();
}

std::vector<std::uint8_t> BuildSendBlock(int mode, SettingsState& state,
                                         const app::CurrentModel& model, bool errorAutoRecover) {
    Buffer block;
    block.reserve(kBlockReserve);
    if (errorAutoRecover) {
        Append(block, comm::kErrorRecoveryPreamble);
    }
    Append(block, kEscAt);
    if (mode == comm::kOperationSettingList) {
        Append(block, kPrintSettingList);
    } else if (mode == comm::kOperationSendSettings) {
        Append(block, kEnterSetupMode);
        BuildSettingCommands(block, state, model);
        Append(block, kLeaveSetupMode);
    }
    return block;
}

std::array<std::uint8_t, 6> BuildSoundCheckCommand(const SettingRecord& record) {
    const std::size_t pattern =
        std::min<std::size_t>(record[kBuzzerIntervalByte], kMelodyTimings.size() - 1);
    const MelodyTiming timing = kMelodyTimings[pattern];
    return {0x1B, 0x70, 0x03, timing.on, timing.off, record[kBuzzerRepetitionByte]};
}

int SendSettings(comm::PortAccess& port, SettingsState& state, const app::CurrentModel& model,
                 app::SerialSettings& hostSerial, int mode) {
    app::Logger& log = port.log();
    log.Start("SendSettings");
    const Buffer block = BuildSendBlock(mode, state, model, port.switches().errorAutoRecover);
    const int result = comm::PrinterSendOperation(port, mode, block);
    if (result == comm::PRT_SUCCESS && mode == comm::kOperationSendSettings) {
        FollowSentSerialItems(state, hostSerial);
        const SettingRecord& record = state.current;
        state.lastSent = {record[kPaperWidthByte], record[kNvGraphicByte], record[kBaudByte],
                          record[kFormatByte], record[kProtocolByte]};
        // The printer now has this NV-graphics size.
        state.rememberedNvChoice = record[kNvGraphicByte];
    }
    port.PumpMessages();
    log.End("SendSettings");
    return result;
}

int SendSettingsToTargets(comm::PortAccess& port, SettingsState& state,
                          const app::CurrentModel& model, app::SerialSettings& hostSerial, int mode,
                          const std::function<void()>& afterTarget) {
    return comm::ForEachTargetPrinter(port, [&] {
        const int result = SendSettings(port, state, model, hostSerial, mode);
        if (result == comm::PRT_SUCCESS) {
            if (afterTarget) {
                afterTarget();
            }
            state.serialChanged = false;
        }
        return result;
    });
}

}  // namespace vrtruty::settings
