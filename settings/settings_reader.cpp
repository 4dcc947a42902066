#include "settings/settings_reader.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

#include "comm/command_exchange.h"
#include "comm/error_codes.h"
#include "settings/factory_settings.h"
#include "settings/setting_encoding.h"

namespace vrtruty::settings {
namespace {

using comm::PRT_SUCCESS;

constexpr std::size_t kReplyBufferSize = 256;
constexpr std::array<std::uint8_t, 2> kInitialise = {0x1B, 0x40};  // ESC @
// The printer needs this long after ESC @ before it answers queries.
constexpr std::chrono::milliseconds kAfterInitialise{100};

// GS ( E transmit functions.
constexpr std::uint8_t kFunctionSwitch = 4;   // memory switch
constexpr std::uint8_t kFunctionValue = 6;    // customise value
constexpr std::uint8_t kFunctionSerial = 12;  // serial-interface item

// First two bytes of each reply form.
constexpr std::array<std::uint8_t, 2> kSwitchHeader = {0x37, 0x21};
constexpr std::array<std::uint8_t, 2> kValueHeader = {0x37, 0x27};
constexpr std::array<std::uint8_t, 2> kSerialHeader = {0x37, 0x33};
// Separates the echoed number from the value.
constexpr std::uint8_t kSeparator = 0x1F;
// Header, the characters of bits 8 down to 1, NUL.
constexpr std::size_t kSwitchReplyLength = 11;
// Longer numbers than this are no value of any set and would overflow.
constexpr std::size_t kMaxDigits = 9;

// Codes of the failures that name a group but no item.
struct GroupCodes {
    int send;
    int noReply;
    int format;
};
// The very first query reports its send and receive failures as the port layer's own codes.
constexpr GroupCodes kFirstQuery = {comm::PRT_ERR_SEND, comm::PRT_ERR_NOREPLY,
                                    kReadErrorMemorySwitch | kReadErrorFormat};
constexpr GroupCodes kSwitchGroup = {kReadErrorMemorySwitch | kReadErrorSend,
                                     kReadErrorMemorySwitch | kReadErrorNoReply,
                                     kReadErrorMemorySwitch | kReadErrorFormat};
constexpr GroupCodes kOtherGroup = {kReadErrorOther | kReadErrorSend,
                                    kReadErrorOther | kReadErrorNoReply,
                                    kReadErrorOther | kReadErrorFormat};
// Customise values and serial items alike: both are on the "Customize Value" page.
constexpr GroupCodes kValueGroup = {kReadErrorCustomizeValue | kReadErrorSend,
                                    kReadErrorCustomizeValue | kReadErrorNoReply,
                                    kReadErrorCustomizeValue | kReadErrorFormat};

constexpr int SwitchData(int detail) {
    return kReadErrorMemorySwitch | kReadErrorData | detail;
}
constexpr int OtherData(int detail) {
    return kReadErrorOther | kReadErrorData | detail;
}
constexpr int ValueData(int detail) {
    return kReadErrorCustomizeValue | kReadErrorData | detail;
}

// One bit of a memory-switch reply and the record byte it goes to.
struct BitStore {
    int bit;  // 1..8
    int recordByte;
    int dataCode;  // returned when the bit's character is neither '0' nor '1'
};

struct SwitchQuery {
    std::uint8_t number;
    const GroupCodes& codes;
    std::span<const BitStore> stores;
};

constexpr BitStore kSwitch1[] = {
    {1, 49, SwitchData(0)}, {2, 50, SwitchData(1)}, {3, 51, SwitchData(2)}, {4, 52, SwitchData(3)},
    {5, 53, SwitchData(5)}, {7, 54, SwitchData(6)}, {8, 55, SwitchData(7)},
};
constexpr BitStore kSwitch2[] = {{1, 56, SwitchData(8)}};
constexpr BitStore kSwitch8[] = {{8, 58, SwitchData(9)}, {6, 57, SwitchData(9)}};
constexpr BitStore kSwitch125[] = {
    {1, 81, OtherData(0x08)},
    {2, 85, OtherData(0x0E)},
    {6, 86, OtherData(0x0E)},
    {4, 93, OtherData(0x0F)},
};
constexpr BitStore kSwitch126[] = {
    {8, 84, OtherData(0x0C)}, {7, 77, OtherData(0x04)},
    {6, 74, OtherData(0x01)}, {5, kCutterModeByte, OtherData(0x0D)},
    {4, 79, OtherData(0x06)}, {3, 75, OtherData(0x02)},
    {2, 78, OtherData(0x05)}, {1, 76, OtherData(0x03)},
};
// "Font" (94) is on the "Memory Switch" page although its bit lives in switch 127.
constexpr BitStore kSwitch127[] = {
    {6, 73, OtherData(0x00)}, {1, 80, OtherData(0x07)},  {8, 82, OtherData(0x0A)},
    {5, 83, OtherData(0x0B)}, {4, 94, SwitchData(0x0B)},
};

const SwitchQuery kSwitchQueries[] = {
    {1, kFirstQuery, kSwitch1},     {2, kSwitchGroup, kSwitch2},    {8, kSwitchGroup, kSwitch8},
    {125, kOtherGroup, kSwitch125}, {126, kOtherGroup, kSwitch126}, {127, kOtherGroup, kSwitch127},
};

// The values each query accepts, in the order of the choice indexes they stand for.
constexpr int kOneToFour[] = {1, 2, 3, 4};
constexpr int kOneToFive[] = {1, 2, 3, 4, 5};
constexpr int kOneToSeven[] = {1, 2, 3, 4, 5, 6, 7};
constexpr int kOneToNine[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
constexpr int kOneToEleven[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr int kZeroToTwo[] = {0, 1, 2};
constexpr int kZeroToFive[] = {0, 1, 2, 3, 4, 5};
constexpr int kZeroOrOne[] = {0, 1};
constexpr int kDataLengths[] = {7, 8};
// -6 .. +6 as the printer sends them: 16-bit two's complement in decimal.
constexpr int kDensities[] = {65530, 65531, 65532, 65533, 65534, 65535, 0, 1, 2, 3, 4, 5, 6};

struct ValueQuery {
    std::uint8_t function;  // kFunctionValue or kFunctionSerial
    std::uint8_t number;
    std::size_t capacity;  // the longest reply the value allows
    bool fixedLength;      // single-digit values: the reply must be exactly `capacity` long
    int recordByte;
    int dataCode;
    std::span<const int> accepted;
};

constexpr int kMaxSpeedByte = 65;

const ValueQuery kValueQueries[] = {
    {kFunctionValue, 1, 6, true, 59, ValueData(0x00), kOneToFour},
    {kFunctionValue, 2, 6, true, 60, ValueData(0x01), kOneToSeven},
    {kFunctionValue, 3, 7, true, 61, ValueData(0x03), kPaperColumns},
    {kFunctionValue, 5, 10, false, 63, ValueData(0x06), kDensities},
    {kFunctionValue, 53, 11, false, 90, ValueData(0x0A), kOneToNine},
    {kFunctionValue, 6, 7, false, kMaxSpeedByte, ValueData(0x0A), kOneToEleven},
    {kFunctionValue, 54, 8, false, 91, ValueData(0x0A), kOneToNine},
    {kFunctionValue, 97, 7, true, 66, ValueData(0x0C), kZeroToTwo},
    {kFunctionValue, 116, 10, false, 62, ValueData(0x04), kPrintColorValues},
    {kFunctionValue, 118, 12, false, 64, ValueData(0x09), kDensities},
    {kFunctionValue, 122, 10, false, 92, ValueData(0x04), kTofTenthsMm},
    {kFunctionValue, 125, 8, true, 68, ValueData(0x0E), kOneToFive},
    {kFunctionValue, 126, 8, true, 69, ValueData(0x0F), kZeroToFive},
    {kFunctionValue, 127, 8, true, kCutterModeByte, ValueData(0x0D), kZeroToTwo},
    {kFunctionSerial, 1, 11, false, 70, ValueData(0x11), kBaudRates},
};

constexpr int kFormatByte = 71;
constexpr int kNvGraphicByte = 60;
constexpr int kNoRecordByte = -1;

// Parity and data length are asked separately but make one "Format" choice together.
const ValueQuery kFormatQueries[] = {
    {kFunctionSerial, 2, 6, true, kNoRecordByte, ValueData(0x12), kZeroToTwo},
    {kFunctionSerial, 3, 6, true, 72, ValueData(0x13), kZeroOrOne},
    {kFunctionSerial, 4, 6, true, kFormatByte, ValueData(0x12), kDataLengths},
};
const ValueQuery& kParityQuery = kFormatQueries[0];
const ValueQuery& kProtocolQuery = kFormatQueries[1];
const ValueQuery& kDataLengthQuery = kFormatQueries[2];

// The PNE length of the six-page layout: hundreds, tens, units.
constexpr std::size_t kPneLengthByte = 41;

// A decimal number of digits only; nothing for an empty, signed or overlong text.
std::optional<int> ParseDecimal(std::span<const std::uint8_t> text) {
    if (text.empty() || text.size() > kMaxDigits) {
        return std::nullopt;
    }
    int value = 0;
    for (const std::uint8_t c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// "Format" (byte 71) from the data length and the parity item ('0' none, '1' odd, '2' even).
std::optional<int> FormatIndex(int dataLength, int parity) {
    for (std::size_t i = 0; i < kSerialFormats.size(); ++i) {
        if (kSerialFormats[i].dataLength - '0' == dataLength &&
            kSerialFormats[i].parity - '0' == parity) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

// Whether the model is asked for the value: items it does not have are not asked, and "Cutter
// Mode" is a customise value of the TR-770 (PFBM) only (the other rows read it from switch 126).
bool Queried(const ValueQuery& query, const app::CurrentModel& model) {
    if (query.recordByte == kCutterModeByte) {
        return CutterIsCustomizeValue(model);
    }
    return ModelHasSetting(query.recordByte, model);
}

std::vector<std::uint8_t> QueryBytes(std::uint8_t function, std::uint8_t number) {
    return {0x1D, 0x28, 0x45, 0x02, 0x00, function, number};
}

class Reader {
  public:
    Reader(comm::PortAccess& port, SettingsState& state, const app::CurrentModel& model, int handle)
        : port_(port), state_(state), model_(model), handle_(handle) {}

    int Switch(const SwitchQuery& query) {
        std::span<const std::uint8_t> reply;
        if (const int failed =
                Exchange(kFunctionSwitch, query.number, kSwitchReplyLength, query.codes, reply)) {
            return failed;
        }
        if (reply.size() != kSwitchReplyLength || !HasHeader(reply, kSwitchHeader) ||
            reply.back() != 0x00) {
            return query.codes.format;
        }
        for (const BitStore& store : query.stores) {
            if (!ModelHasSetting(store.recordByte, model_)) {
                Keep(store.recordByte);
                continue;
            }
            if (store.recordByte == kCutterModeByte && CutterIsCustomizeValue(model_)) {
                continue;  // read as customise value 127
            }
            // The characters run from bit 8 down to bit 1.
            const std::uint8_t c = reply[kSwitchHeader.size() + 8 - store.bit];
            if (c != '0' && c != '1') {
                return store.dataCode;
            }
            Store(store.recordByte, c - '0');
        }
        return PRT_SUCCESS;
    }

    // The index of the received value among the accepted ones.
    int Value(const ValueQuery& query, std::span<const int> accepted, int& index) {
        std::span<const std::uint8_t> reply;
        if (const int failed =
                Exchange(query.function, query.number, query.capacity, kValueGroup, reply)) {
            return failed;
        }
        const auto& header = query.function == kFunctionSerial ? kSerialHeader : kValueHeader;
        const bool lengthGood =
            query.fixedLength ? reply.size() == query.capacity : reply.size() <= query.capacity;
        if (!lengthGood || reply.size() < header.size() + 1 || !HasHeader(reply, header) ||
            reply.back() != 0x00) {
            return kValueGroup.format;
        }
        const auto body = reply.subspan(header.size(), reply.size() - header.size() - 1);
        const auto separator = std::ranges::find(body, kSeparator);
        if (separator == body.end()) {
            return kValueGroup.format;
        }
        const auto numberLength = static_cast<std::size_t>(separator - body.begin());
        if (ParseDecimal(body.first(numberLength)) != query.number) {
            return kValueGroup.format;
        }
        const std::optional<int> value = ParseDecimal(body.subspan(numberLength + 1));
        const auto found = value ? std::ranges::find(accepted, *value) : accepted.end();
        if (found == accepted.end()) {
            return query.dataCode;
        }
        index = static_cast<int>(found - accepted.begin());
        return PRT_SUCCESS;
    }

    void Store(int recordByte, int index) {
        state_.reception[static_cast<std::size_t>(recordByte)] = static_cast<std::uint8_t>(index);
    }
    // A setting the model does not have keeps what the current record holds, so that taking
    // the reception record over changes nothing there.
    void Keep(int recordByte) {
        const auto at = static_cast<std::size_t>(recordByte);
        state_.reception[at] = state_.current[at];
    }

  private:
    static bool HasHeader(std::span<const std::uint8_t> reply,
                          const std::array<std::uint8_t, 2>& header) {
        return reply.size() >= header.size() && std::ranges::equal(reply.first(2), header);
    }

    int Exchange(std::uint8_t function, std::uint8_t number, std::size_t capacity,
                 const GroupCodes& codes, std::span<const std::uint8_t>& reply) {
        const std::vector<std::uint8_t> query = QueryBytes(function, number);
        if (port_.PrinterSendData(handle_, query) != PRT_SUCCESS) {
            return codes.send;
        }
        port_.context().replyMode = comm::ReplyMode::REPLY_TEXT;
        buffer_.fill(0);
        std::size_t length = 0;
        // A failed receive, and one that never saw its terminator, both count as no reply.
        if (port_.PrinterReceiveData(handle_, std::span(buffer_).first(capacity), length) !=
            PRT_SUCCESS) {
            return codes.noReply;
        }
        reply = std::span(buffer_).first(length);
        return PRT_SUCCESS;
    }

    comm::PortAccess& port_;
    SettingsState& state_;
    const app::CurrentModel& model_;
    int handle_;
    std::array<std::uint8_t, kReplyBufferSize> buffer_{};
};

}  // namespace

int ReadSettings(comm::PortAccess& port, SettingsState& state, const app::CurrentModel& model,
                 [[maybe_unused]] int mode, int handle) {
    // Every model of this catalogue uses the three-page layout, which reads everything in
    // every mode.
    if (port.PrinterSendData(handle, kInitialise) != PRT_SUCCESS) {
        return comm::PRT_ERR_SEND;
    }
    port.WaitWithMessages(kAfterInitialise);
    Reader reader(port, state, model, handle);

    for (const SwitchQuery& query : kSwitchQueries) {
        if (const int failed = reader.Switch(query)) {
            return failed;
        }
    }

    for (const ValueQuery& query : kValueQueries) {
        if (!Queried(query, model)) {
            if (query.recordByte != kCutterModeByte) {
                reader.Keep(query.recordByte);
            }
            continue;
        }
        std::span<const int> accepted = query.accepted;
        if (query.recordByte == kMaxSpeedByte) {
            accepted = accepted.first(static_cast<std::size_t>(MaxSpeedLimit(model.family)));
        }
        int index = 0;
        if (const int failed = reader.Value(query, accepted, index)) {
            return failed;
        }
        reader.Store(query.recordByte, index);
    }

    int parity = 0;
    if (const int failed = reader.Value(kParityQuery, kParityQuery.accepted, parity)) {
        return failed;
    }
    int protocol = 0;
    if (const int failed = reader.Value(kProtocolQuery, kProtocolQuery.accepted, protocol)) {
        return failed;
    }
    reader.Store(kProtocolQuery.recordByte, protocol);
    int lengthIndex = 0;
    if (const int failed = reader.Value(kDataLengthQuery, kDataLengthQuery.accepted, lengthIndex)) {
        return failed;
    }
    // Seven data bits without parity is no format the printer offers.
    const std::optional<int> format = FormatIndex(kDataLengths[lengthIndex], parity);
    if (!format) {
        return kDataLengthQuery.dataCode;
    }
    reader.Store(kFormatByte, *format);
    return PRT_SUCCESS;
}

std::vector<std::vector<std::uint8_t>> ReadSettingsQueries(const app::CurrentModel& model) {
    std::vector<std::vector<std::uint8_t>> queries = {
        std::vector<std::uint8_t>(std::begin(kInitialise), std::end(kInitialise))};
    for (const SwitchQuery& query : kSwitchQueries) {
        queries.push_back(QueryBytes(kFunctionSwitch, query.number));
    }
    for (const ValueQuery& query : kValueQueries) {
        if (Queried(query, model)) {
            queries.push_back(QueryBytes(query.function, query.number));
        }
    }
    for (const ValueQuery& query : kFormatQueries) {
        queries.push_back(QueryBytes(query.function, query.number));
    }
    return queries;
}

int GetPrinterSettings(comm::PortAccess& port, SettingsState& state, const app::CurrentModel& model,
                       int mode, const std::string& portName, const lang::TextTable& texts) {
    app::Logger& log = port.log();
    log.Start("GetPrinterSettings");
    const int handle = port.PortOpen(portName);
    if (handle == comm::PortAccess::kInvalidHandle) {
        log.End("GetPrinterSettings");
        return comm::PRT_ERR_OPEN;
    }
    comm::PrinterStatusClr(port, handle);
    int result = PRT_SUCCESS;
    if (port.switches().statusCheck) {
        result = comm::CheckPrinterStatus(port, handle);
    }
    // The recovery request clears the error a status check may have found, so its own result
    // is what counts.
    if (port.switches().errorAutoRecover) {
        result = port.PrinterSendData(handle, comm::kErrorRecoveryPreamble);
    }
    if (result == PRT_SUCCESS) {
        result = ReadSettings(port, state, model, mode, handle);
        if (result == PRT_SUCCESS) {
            if (mode == kReadAllSettings) {
                const std::uint8_t nvChoice = state.reception[kNvGraphicByte];
                if (nvChoice != state.rememberedNvChoice) {
                    // The printer's NV graphics were read for another memory size.
                    state.printerInfoValid = false;
                    state.rememberedNvChoice = nvChoice;
                }
                // Only what was read is taken over: the reception record starts out empty, and
                // copying its other bytes would wipe the model name and the six-page values
                // (16-48, 87-89) that every read must leave as they are.
                for (std::size_t at = settings::kPagesBegin; at < kSettingRecordSize; ++at) {
                    if (at < 87 || at > 89) {
                        state.current[at] = state.reception[at];
                    }
                }
            } else {
                std::copy_n(state.reception.bytes.begin() + kPneLengthByte, 3,
                            state.current.bytes.begin() + kPneLengthByte);
            }
            state.pneLengthText = PneLengthText(state.current, texts);
        }
        // Leaves the printer in its normal state whether the read succeeded or not.
        comm::PrinterCommand(port, comm::CommandId::CMD_RESET3, handle);
    }
    port.PortClose(handle);
    log.End("GetPrinterSettings");
    return result;
}

}  // namespace vrtruty::settings
