#include "logo/printer_logos.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <optional>
#include <utility>

#include "comm/command_exchange.h"
#include "comm/error_codes.h"
#include "comm/send_operation.h"
#include "core/unicode.h"
#include "lang/text_numbers.h"

namespace vrtruty::logo {
namespace {

using comm::PRT_SUCCESS;
using Bytes = std::vector<std::uint8_t>;

// The printer needs this long after a query before its reply is complete.
constexpr std::chrono::milliseconds kReplyWait{300};

constexpr std::uint8_t kCapacityReplyForm = 0x30;
constexpr std::uint8_t kFreeSpaceReplyForm = 0x31;
constexpr std::uint8_t kKeycodeReplyForm = 0x72;
constexpr std::uint8_t kReplyHeader = 0x37;
constexpr std::uint8_t kLastBlock = 0x40;
constexpr std::uint8_t kMoreBlocks = 0x41;
// Keycode bytes are printable ASCII.
constexpr std::uint8_t kKeycodeByteLow = 0x20;
constexpr std::uint8_t kKeycodeByteHigh = 0x7E;

// The printer rows that print 16 gradation levels.
constexpr std::size_t kGradationRows[] = {0, 29};
// Port type of a queue on one of the maker's network monitors: it takes no empty job after a
// registration.
constexpr int kMonitorPortType = 4;

constexpr std::uint8_t kEscAt[] = {0x1B, 0x40};
constexpr std::uint8_t kFirstColour[] = {0x1D, 0x65, 0x75, 0x43, 0x01};
constexpr std::uint8_t kSecondColour[] = {0x1D, 0x65, 0x75, 0x43, 0x02};
constexpr std::uint8_t kKanjiShiftJis[] = {0x1C, 0x43, 0x01};  // FS C 1
constexpr std::uint8_t kKanjiJis[] = {0x1C, 0x43, 0x00};       // FS C 0
constexpr std::uint8_t kFeedAndCut[] = {0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x1B, 0x6D};
constexpr std::uint8_t kLineFeed = 0x0A;
constexpr std::uint8_t kDeleteAllLong[] = {0x1D, 0x28, 0x4C, 0x05, 0x00,
                                           0x30, 0x41, 0x43, 0x4C, 0x52};
constexpr std::uint8_t kDeleteAllShort[] = {0x1D, 0x28, 0x4C, 0x04, 0x00,
                                            0x30, 0x41, 0x43, 0x4C, 0x52};

std::uint8_t Low(std::uint16_t keycode) {
    return static_cast<std::uint8_t>(keycode & 0xFF);
}
std::uint8_t High(std::uint16_t keycode) {
    return static_cast<std::uint8_t>(keycode >> 8);
}

void Append(Bytes& bytes, std::span<const std::uint8_t> more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
}

Bytes StartCommand(bool errorAutoRecover) {
    Bytes bytes;
    if (errorAutoRecover) {
        Append(bytes, comm::kErrorRecoveryPreamble);
    }
    return bytes;
}

// ---- Captions ----

// Windows-1252 positions 0x80..0x9F; 0 where the code page has no character.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::optional<std::uint8_t> ToWindows1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<std::uint8_t>(c);
    }
    for (std::size_t i = 0; i < std::size(kWindows1252High); ++i) {
        if (kWindows1252High[i] != 0 && kWindows1252High[i] == c) {
            return static_cast<std::uint8_t>(0x80 + i);
        }
    }
    return std::nullopt;
}

// The Shift-JIS double-byte codes of the full-width signs and kanji that captions are written
// with; letters, digits, kana and half-width kana follow from their ranges below.
struct ShiftJisCode {
    char16_t character;
    std::uint16_t code;
};
constexpr ShiftJisCode kShiftJisSigns[] = {
    {0x3000, 0x8140},  // ideographic space
    {0x3001, 0x8141},  // 、
    {0x3002, 0x8142},  // 。
    {0xFF0C, 0x8143},  // ，
    {0xFF0E, 0x8144},  // ．
    {0x30FB, 0x8145},  // ・
    {0xFF1A, 0x8146},  // ：
    {0xFF1B, 0x8147},  // ；
    {0xFF1F, 0x8148},  // ？
    {0xFF01, 0x8149},  // ！
    {0x30FC, 0x815B},  // ー
    {0xFF0F, 0x815E},  // ／
    {0xFF08, 0x8169},  // （
    {0xFF09, 0x816A},  // ）
    {0x300C, 0x8175},  // 「
    {0x300D, 0x8176},  // 」
    {0x3010, 0x8179},  // 【
    {0x3011, 0x817A},  // 】
    {0xFF0B, 0x817B},  // ＋
    {0xFF0D, 0x817C},  // －
    {0xFF1D, 0x8181},  // ＝
    {0xFF05, 0x8193},  // ％
    {0xFF03, 0x8194},  // ＃
    {0xFF06, 0x8195},  // ＆
    {0xFF0A, 0x8196},  // ＊
    {0x4E8C, 0x93F1},  // 二
    {0x5358, 0x9250},  // 単
    {0x5370, 0x88F3},  // 印
    {0x5237, 0x8DFC},  // 刷
    {0x767D, 0x9492},  // 白
    {0x8272, 0x9046},  // 色
    {0x8D64, 0x90D4},  // 赤
    {0x9ED2, 0x8D95},  // 黒
};

std::optional<std::uint16_t> ToShiftJis(char16_t c) {
    if (c < 0x80) {
        return c;
    }
    if (c >= 0xFF61 && c <= 0xFF9F) {  // half-width katakana
        return static_cast<std::uint16_t>(c - 0xFF61 + 0xA1);
    }
    if (c >= 0xFF10 && c <= 0xFF19) {  // full-width digits
        return static_cast<std::uint16_t>(c - 0xFF10 + 0x824F);
    }
    if (c >= 0xFF21 && c <= 0xFF3A) {  // full-width capitals
        return static_cast<std::uint16_t>(c - 0xFF21 + 0x8260);
    }
    if (c >= 0xFF41 && c <= 0xFF5A) {  // full-width small letters
        return static_cast<std::uint16_t>(c - 0xFF41 + 0x8281);
    }
    if (c >= 0x3041 && c <= 0x3093) {  // hiragana
        return static_cast<std::uint16_t>(c - 0x3041 + 0x829F);
    }
    if (c >= 0x30A1 && c <= 0x30DF) {  // katakana up to ミ; the trail byte 7F is never used
        return static_cast<std::uint16_t>(c - 0x30A1 + 0x8340);
    }
    if (c >= 0x30E0 && c <= 0x30F6) {
        return static_cast<std::uint16_t>(c - 0x30E0 + 0x8380);
    }
    for (const ShiftJisCode& sign : kShiftJisSigns) {
        if (sign.character == c) {
            return sign.code;
        }
    }
    return std::nullopt;
}

Bytes Encode(std::u16string_view text, CaptionCodePage codePage) {
    Bytes bytes;
    for (const char16_t c : text) {
        if (codePage == CaptionCodePage::Windows1252) {
            bytes.push_back(ToWindows1252(c).value_or('?'));
            continue;
        }
        const std::uint16_t code = ToShiftJis(c).value_or('?');
        if (code > 0xFF) {
            bytes.push_back(static_cast<std::uint8_t>(code >> 8));
        }
        bytes.push_back(static_cast<std::uint8_t>(code & 0xFF));
    }
    return bytes;
}

// ---- Replies ----

// The decimal number of a capacity or free-space reply: 37 form, digits, 00.
std::optional<std::uint32_t> ParseNumberReply(std::span<const std::uint8_t> reply,
                                              std::uint8_t form) {
    if (reply.size() < 2 || reply[0] != kReplyHeader || reply[1] != form) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 2; i < reply.size(); ++i) {
        const std::uint8_t c = reply[i];
        if (c == 0x00 && i + 1 == reply.size()) {
            break;
        }
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(value);
}

// The conversation of one information read on an open port.
class InfoReader {
  public:
    InfoReader(comm::PortAccess& port, int handle, PrinterLogoInfo& info)
        : port_(port), handle_(handle), info_(info) {}

    int Read() {
        if (port_.switches().errorAutoRecover) {
            if (const int sent = port_.PrinterSendData(handle_, comm::kErrorRecoveryPreamble)) {
                return sent;
            }
        }
        if (const int failed = Number(kCapacityQuery, kCapacityReplyForm, info_.capacity)) {
            return failed;
        }
        if (const int failed = Number(kFreeSpaceQuery, kFreeSpaceReplyForm, info_.free)) {
            return failed;
        }
        return Keycodes();
    }

  private:
    // Sends the query and receives its reply into the buffer's first `limit` bytes.
    int Exchange(std::span<const std::uint8_t> query, std::size_t limit,
                 std::span<const std::uint8_t>& reply) {
        if (const int sent = port_.PrinterSendData(handle_, query)) {
            return sent;
        }
        return Receive(limit, reply);
    }

    int Receive(std::size_t limit, std::span<const std::uint8_t>& reply) {
        port_.WaitWithMessages(kReplyWait);
        port_.context().replyMode = comm::ReplyMode::REPLY_TEXT;
        buffer_.fill(0);
        std::size_t length = 0;
        // A reply that does not end within the limit never completes, so its receive fails.
        if (const int received =
                port_.PrinterReceiveData(handle_, std::span(buffer_).first(limit), length)) {
            return received;
        }
        reply = std::span(buffer_).first(length);
        return PRT_SUCCESS;
    }

    int Number(std::span<const std::uint8_t> query, std::uint8_t form, std::uint32_t& value) {
        std::span<const std::uint8_t> reply;
        if (const int failed = Exchange(query, kNumberReplyLimit, reply)) {
            return failed;
        }
        const std::optional<std::uint32_t> number = ParseNumberReply(reply, form);
        if (!number) {
            port_.log().WriteLog("Receive Err(PRT_ERR_DATA)");
            return comm::PRT_ERR_DATA;
        }
        value = *number;
        return PRT_SUCCESS;
    }

    int Keycodes() {
        if (const int sent = port_.PrinterSendData(handle_, kKeycodeListQuery)) {
            return sent;
        }
        bool first = true;
        std::uint8_t status = kMoreBlocks;
        while (status == kMoreBlocks) {
            std::span<const std::uint8_t> block;
            if (const int failed = Receive(kKeycodeBlockLimit, block)) {
                return failed;
            }
            if (!TakeBlock(block, first, status)) {
                port_.log().WriteLog("Receive Err(PRT_ERR_DATA)");
                return comm::PRT_ERR_DATA;
            }
            if (const int sent = port_.PrinterSendData(handle_, std::span(&kAck, 1))) {
                return sent;
            }
            if (info_.count > kMaxPrinterKeycodes) {
                info_.valid = false;
                return LOGO_ERR_KEYCODEMAX;
            }
            first = false;
        }
        info_.valid = true;
        return PRT_SUCCESS;
    }

    // Adds the block's keycodes; false when the block is malformed.
    bool TakeBlock(std::span<const std::uint8_t> block, bool first, std::uint8_t& status) {
        if (block.size() < 4 || block[0] != kReplyHeader || block[1] != kKeycodeReplyForm ||
            block.back() != 0x00) {
            return false;
        }
        status = block[2];
        if (status != kLastBlock && status != kMoreBlocks) {
            return false;
        }
        // After a full block the printer may close the list with a block that names no keycode.
        if (!first && block.size() == 6 && status == kLastBlock && block[3] == 0xFF &&
            block[4] == 0xFF) {
            return true;
        }
        const auto pairs = block.subspan(3, block.size() - 4);
        if (pairs.size() % 2 != 0 || !std::ranges::all_of(pairs, [](std::uint8_t b) {
                return b >= kKeycodeByteLow && b <= kKeycodeByteHigh;
            })) {
            return false;
        }
        for (std::size_t i = 0; i < pairs.size(); i += 2) {
            if (info_.keycodes.size() < kMaxPrinterKeycodes) {
                info_.keycodes.push_back(static_cast<std::uint16_t>(pairs[i] | pairs[i + 1] << 8));
            }
            ++info_.count;
        }
        return true;
    }

    comm::PortAccess& port_;
    int handle_;
    PrinterLogoInfo& info_;
    std::array<std::uint8_t, kKeycodeBlockLimit> buffer_{};
};

// ---- Jobs ----

bool QueuePort(const LogoSession& session) {
    return session.port.context().portKind == app::PortKind::PORT_WINDRV;
}

std::string FileNameOf(const LogoEntry& entry) {
    if (entry.nameOffset > 0 && entry.nameOffset <= entry.path.size()) {
        return entry.path.substr(entry.nameOffset);
    }
    const auto slash = entry.path.find_last_of("/\\");
    return slash == std::string::npos ? entry.path : entry.path.substr(slash + 1);
}

void Announce(const LogoSession& session, LogoWaitNotice::Text text, std::string fileName = {},
              std::uint16_t keycode = 0) {
    if (session.onWait) {
        session.onWait(LogoWaitNotice{text, std::move(fileName), keycode});
    }
}

int Send(LogoSession& session, LogoJobKind kind, std::span<const std::uint8_t> command) {
    return comm::PrinterSendOperation(session.port, static_cast<int>(kind), command);
}

int RegisterRow(LogoSession& session, std::size_t row) {
    // Without a row or a way to convert it there is no image to register: a missing argument.
    if (row >= session.rows.size() || !session.convert) {
        return LOGO_ERR_SIZE;
    }
    LogoEntry& entry = session.rows[row];
    int result = session.convert(entry);
    if (result == PRT_SUCCESS) {
        Announce(session, LogoWaitNotice::Text::Registering, FileNameOf(entry), entry.keycode);
        const auto length = std::min<std::size_t>(static_cast<std::size_t>(std::max(entry.size, 0)),
                                                  entry.command.size());
        result = Send(session, LogoJobKind::Register, std::span(entry.command).first(length));
    }
    // The command is only needed while it is sent.
    entry.command.clear();
    entry.command.shrink_to_fit();
    return result;
}

bool HasGradationRow(std::span<const LogoEntry> rows) {
    return std::ranges::any_of(
        rows, [](const LogoEntry& entry) { return entry.gradation == kGradation16; });
}

bool Contains(const std::vector<std::uint16_t>& keycodes, std::uint16_t keycode) {
    return std::ranges::find(keycodes, keycode) != keycodes.end();
}

// Registers the checked rows on the current printer.
int RegisterOnPrinter(LogoSession& session, std::size_t lastChecked) {
    for (std::size_t row = 0; row < session.rows.size(); ++row) {
        if (!session.rows[row].checked) {
            continue;
        }
        const bool last = row == lastChecked;
        if (const int failed = RunLogoJob(session, LogoJob::Register, row, last, false)) {
            return failed;
        }
        const LogoEntry& entry = session.rows[row];
        const LogoPortMode mode =
            QueuePort(session) || last ? LogoPortMode::ReplaceAndRestore : LogoPortMode::Neither;
        PrinterLogoInfo info;
        if (const int failed = GetLogoInfoWithWaitBox(session, mode, kInfoTextAfterRegistering,
                                                      info, FileNameOf(entry), last)) {
            session.printer.capacity = info.capacity;
            session.printer.free = info.free;
            return failed;
        }
        if (!Contains(info.keycodes, entry.keycode)) {
            return LOGO_ERR_VERIFY;
        }
        session.printer = std::move(info);
        session.printerInfoValid = true;
    }
    if (QueuePort(session) && session.queuePortType != kMonitorPortType) {
        // Every other queue gets an empty job once the registration is over.
        return comm::PrinterSendOperation(session.port, comm::kOperationConnectionCheck, {});
    }
    return PRT_SUCCESS;
}

}  // namespace

// ---- Captions ----

CaptionTexts FixedJapaneseCaptionTexts() {
    return {"ロゴxxxx", "（単色）", "（２色）"};
}

LogoCaption ChooseLogoCaption(int regionIndex, bool japaneseInterface,
                              const CaptionTexts& japaneseEntry,
                              const CaptionTexts& interfaceTexts) {
    if (regionIndex == 0 || regionIndex == 1) {
        return {japaneseEntry, CaptionCodePage::ShiftJis, true};
    }
    if (japaneseInterface) {
        return {FixedJapaneseCaptionTexts(), CaptionCodePage::ShiftJis, false};
    }
    return {interfaceTexts, CaptionCodePage::Windows1252, false};
}

LogoCaption ChooseLogoCaption(int regionIndex, const lang::TextTable& texts) {
    const bool japanese = texts.japaneseSlot() == texts.languageIndex();
    return ChooseLogoCaption(regionIndex, japanese, FixedJapaneseCaptionTexts(),
                             {texts.Text(lang::LOGO_P_NO), texts.Text(lang::LOGO_P_MONO),
                              texts.Text(lang::LOGO_P_COLOR)});
}

std::vector<std::uint8_t> EncodeCaption(std::string_view text, CaptionCodePage codePage) {
    return Encode(app::Utf8ToUtf16(text), codePage);
}

std::vector<std::uint8_t> LogoCaptionBytes(const LogoCaption& caption, std::uint16_t keycode,
                                           bool twoColours) {
    std::u16string number = app::Utf8ToUtf16(caption.texts.number);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(keycode));
    number.resize(number.size() - std::min<std::size_t>(4, number.size()));
    number.append(digits, digits + 4);
    Bytes bytes = Encode(number, caption.codePage);
    Append(bytes, EncodeCaption(twoColours ? caption.texts.twoColours : caption.texts.monochrome,
                                caption.codePage));
    return bytes;
}

// ---- Commands ----

std::vector<std::uint8_t> BuildDeleteLogoCommand(std::uint16_t keycode, bool errorAutoRecover) {
    Bytes bytes = StartCommand(errorAutoRecover);
    Append(bytes, Bytes{0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x42, Low(keycode), High(keycode)});
    return bytes;
}

std::vector<std::uint8_t> BuildDeleteAllLogosCommand(bool errorAutoRecover) {
    // Printers take one form or the other; each ignores the form it does not know.
    Bytes bytes = StartCommand(errorAutoRecover);
    Append(bytes, kDeleteAllLong);
    Append(bytes, kDeleteAllShort);
    Append(bytes, kEscAt);
    return bytes;
}

LogoJobKind PrintJobKind(bool cut, bool twoColours) {
    if (cut) {
        return twoColours ? LogoJobKind::PrintTwoColoursCut : LogoJobKind::PrintMonochromeCut;
    }
    return twoColours ? LogoJobKind::PrintTwoColours : LogoJobKind::PrintMonochrome;
}

std::vector<std::uint8_t> BuildPrintLogoCommand(std::uint16_t keycode, bool cut, bool twoColours,
                                                const LogoCaption& caption, bool errorAutoRecover) {
    Bytes bytes = StartCommand(errorAutoRecover);
    Append(bytes, kEscAt);
    Append(bytes, kFirstColour);
    if (caption.japaneseRegion) {
        Append(bytes, kKanjiShiftJis);
    }
    Append(bytes, LogoCaptionBytes(caption, keycode, twoColours));
    if (caption.japaneseRegion) {
        Append(bytes, kKanjiJis);
    }
    bytes.push_back(kLineFeed);
    if (twoColours) {
        Append(bytes, kSecondColour);
    }
    Append(bytes, Bytes{0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, Low(keycode), High(keycode), 0x01,
                        0x01});
    if (twoColours) {
        Append(bytes, kFirstColour);
    }
    if (cut) {
        Append(bytes, kFeedAndCut);
    } else {
        bytes.push_back(kLineFeed);
    }
    return bytes;
}

// ---- Reading ----

int ReadPrinterLogoInfo(comm::PortAccess& port, PrinterLogoInfo& info, bool reset3) {
    app::Logger& log = port.log();
    log.Start("ReadPrinterLogoInfo");
    info = PrinterLogoInfo{};
    const int handle = port.PortOpen(port.GetPortName(1));
    if (handle == comm::PortAccess::kInvalidHandle) {
        log.End("ReadPrinterLogoInfo");
        return comm::PRT_ERR_OPEN;
    }
    comm::PrinterStatusClr(port, handle);
    if (port.switches().statusCheck) {
        if (const int status = comm::CheckPrinterStatus(port, handle)) {
            port.PortClose(handle);
            log.End("ReadPrinterLogoInfo");
            return status;
        }
    }
    const int result = InfoReader(port, handle, info).Read();
    if (reset3) {
        comm::PrinterCommand(port, comm::CommandId::CMD_RESET3, handle);
    }
    port.PortClose(handle);
    log.End("ReadPrinterLogoInfo");
    return result;
}

int GetLogoInfoWithWaitBox(LogoSession& session, LogoPortMode portMode, int textKind,
                           PrinterLogoInfo& info, std::string_view fileName, bool reset3) {
    LogoWaitNotice::Text text = LogoWaitNotice::Text::GettingInformation;
    if (textKind == kInfoTextAfterRegistering) {
        text = LogoWaitNotice::Text::CheckingRegistered;
    } else if (textKind == kInfoTextAfterDeleting) {
        text = LogoWaitNotice::Text::CheckingDeleted;
    }
    Announce(session, text, std::string(fileName));

    int result = PRT_SUCCESS;
    if (portMode == LogoPortMode::ReplaceAndRestore || portMode == LogoPortMode::ReplaceOnly) {
        result = comm::PortReplace(session.port, 1);
    }
    if (result == PRT_SUCCESS) {
        result = ReadPrinterLogoInfo(session.port, info, reset3);
    }
    if (portMode == LogoPortMode::ReplaceAndRestore || portMode == LogoPortMode::RestoreOnly) {
        comm::PortReplace(session.port, 0);
    }
    if (result != PRT_SUCCESS) {
        info.capacity = session.nominalCapacity;
        info.free = session.nominalCapacity;
    }
    return result;
}

int RefreshPrinterLogoInfo(LogoSession& session, LogoPortMode portMode, int textKind,
                           std::string_view fileName, bool reset3) {
    PrinterLogoInfo info;
    const int result = GetLogoInfoWithWaitBox(session, portMode, textKind, info, fileName, reset3);
    if (result == PRT_SUCCESS) {
        session.printer = std::move(info);
    } else {
        session.printer.capacity = info.capacity;
        session.printer.free = info.free;
    }
    session.printerInfoValid = result == PRT_SUCCESS;
    return result;
}

// ---- Jobs ----

int RunLogoJob(LogoSession& session, LogoJob job, std::size_t keycodeOrRow, bool cutFlag,
               bool twoColours) {
    if (job == LogoJob::Register) {
        return RegisterRow(session, keycodeOrRow);
    }
    const bool recover = session.port.switches().errorAutoRecover;
    const auto keycode = static_cast<std::uint16_t>(keycodeOrRow);
    switch (job) {
        case LogoJob::DeleteOne: {
            const Bytes command = BuildDeleteLogoCommand(keycode, recover);
            Announce(session, LogoWaitNotice::Text::DeletingOne, {}, keycode);
            return Send(session, LogoJobKind::DeleteOne, command);
        }
        case LogoJob::DeleteAll: {
            const Bytes command = BuildDeleteAllLogosCommand(recover);
            Announce(session, LogoWaitNotice::Text::DeletingAll);
            return Send(session, LogoJobKind::DeleteAll, command);
        }
        default: {
            const Bytes command =
                BuildPrintLogoCommand(keycode, cutFlag, twoColours, session.caption, recover);
            Announce(session, LogoWaitNotice::Text::Printing, {}, keycode);
            return Send(session, PrintJobKind(cutFlag, twoColours), command);
        }
    }
}

bool PrintsSixteenLevels(std::size_t printerRow) {
    return std::ranges::find(kGradationRows, printerRow) != std::end(kGradationRows);
}

int CheckLogoRegistration(const LogoSession& session) {
    if (!PrintsSixteenLevels(session.printerRow) && HasGradationRow(session.rows)) {
        return LOGO_ERR_GRADATION;
    }
    if (session.printer.keycodes.size() >= kMaxPrinterKeycodes) {
        return LOGO_ERR_KEYCODEMAX;
    }
    return PRT_SUCCESS;
}

int RegisterCheckedLogos(LogoSession& session) {
    if (session.rows.empty()) {
        return PRT_SUCCESS;
    }
    if (const int refused = CheckLogoRegistration(session)) {
        return refused;
    }
    std::optional<std::size_t> lastChecked;
    for (std::size_t row = 0; row < session.rows.size(); ++row) {
        if (session.rows[row].checked) {
            lastChecked = row;
        }
    }
    if (!lastChecked) {
        return PRT_SUCCESS;
    }
    const int result = comm::ForEachTargetPrinter(session.port, [&session, &lastChecked] {
        return RegisterOnPrinter(session, *lastChecked);
    });
    if (result != PRT_SUCCESS) {
        session.printerInfoValid = false;
    }
    return result;
}

int DeletePrinterLogo(LogoSession& session, std::uint16_t keycode) {
    const int result = comm::ForEachTargetPrinter(session.port, [&session, keycode] {
        if (const int failed = RunLogoJob(session, LogoJob::DeleteOne, keycode, false, false)) {
            return failed;
        }
        return RefreshPrinterLogoInfo(session, LogoPortMode::ReplaceAndRestore,
                                      kInfoTextAfterDeleting, {}, false);
    });
    if (result != PRT_SUCCESS) {
        session.printerInfoValid = false;
    }
    return result;
}

int DeleteAllPrinterLogos(LogoSession& session) {
    const int result = comm::ForEachTargetPrinter(session.port, [&session] {
        if (const int failed = RunLogoJob(session, LogoJob::DeleteAll, 0, false, false)) {
            return failed;
        }
        return RefreshPrinterLogoInfo(session, LogoPortMode::ReplaceAndRestore,
                                      kInfoTextAfterDeleting, {}, false);
    });
    if (result != PRT_SUCCESS) {
        session.printerInfoValid = false;
    }
    return result;
}

int PrintPrinterLogo(LogoSession& session, std::uint16_t keycode, bool twoColours) {
    return comm::ForEachTargetPrinter(session.port, [&session, keycode, twoColours] {
        return RunLogoJob(session, LogoJob::Print, keycode, true, twoColours);
    });
}

int PrintAllPrinterLogos(LogoSession& session, bool twoColours) {
    std::size_t printerNumber = 0;
    return comm::ForEachTargetPrinter(session.port, [&session, &printerNumber, twoColours] {
        std::vector<std::uint16_t> keycodes = session.printer.keycodes;
        if (printerNumber++ > 0) {
            PrinterLogoInfo info;
            if (const int failed = GetLogoInfoWithWaitBox(session, LogoPortMode::ReplaceOnly,
                                                          kInfoTextReading, info, {}, false)) {
                return failed;
            }
            keycodes = std::move(info.keycodes);
        }
        for (std::size_t i = 0; i < keycodes.size(); ++i) {
            const bool last = i + 1 == keycodes.size();
            if (const int failed =
                    RunLogoJob(session, LogoJob::Print, keycodes[i], last, twoColours)) {
                return failed;
            }
        }
        return PRT_SUCCESS;
    });
}

}  // namespace vrtruty::logo
