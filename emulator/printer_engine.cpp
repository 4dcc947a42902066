#include "emulator/printer_engine.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "core/catalogue.h"

namespace vrtruty::emulator {
namespace {

constexpr std::uint8_t DLE = 0x10;
constexpr std::uint8_t ESC = 0x1B;
constexpr std::uint8_t FS = 0x1C;
constexpr std::uint8_t GS = 0x1D;
constexpr std::uint8_t HT = 0x09;
constexpr std::uint8_t LF = 0x0A;

// ESC = 2, "RESET3", ESC = 3: the printer's own reset, honoured wherever it appears in the stream.
constexpr std::array<std::uint8_t, 12> kReset3Sequence = {0x1B, 0x3D, 0x02, 'R',  'E',  'S',
                                                          'E',  'T',  '3',  0x1B, 0x3D, 0x03};
// DLE DC4 fn 8: clear the buffers; a real-time command, honoured wherever it appears.
constexpr std::array<std::uint8_t, 10> kBufferClearSequence = {0x10, 0x14, 0x08, 0x01, 0x03,
                                                               0x14, 0x01, 0x06, 0x02, 0x08};
constexpr std::array<std::uint8_t, 3> kReset3Reply = {0x3B, 0x33, 0x00};
constexpr std::array<std::uint8_t, 3> kBufferClearReply = {0x37, 0x25, 0x00};

// Real-time status bytes. Bits 1 and 4 are set in every one of them.
constexpr std::uint8_t kStatusFixedBits = 0x12;
constexpr std::uint8_t kStatusOffLine = 0x08;      // DLE EOT 1
constexpr std::uint8_t kCauseCoverOpen = 0x04;     // DLE EOT 2
constexpr std::uint8_t kCausePaperEndStop = 0x20;  // DLE EOT 2: printing stopped by paper end
constexpr std::uint8_t kCauseError = 0x40;         // DLE EOT 2: an error occurred
constexpr std::uint8_t kErrorAutoCutter = 0x08;    // DLE EOT 3
constexpr std::uint8_t kPaperNearEnd = 0x0C;       // DLE EOT 4
constexpr std::uint8_t kPaperEnd = 0x60;           // DLE EOT 4

// GS I n: n asking for the model name.
constexpr std::uint8_t kPrinterIdModelName = 0x43;
// ESC p m: outputs driven by the pulse.
constexpr std::uint8_t kPulseDrawer1 = 0x30;
constexpr std::uint8_t kPulseDrawer2 = 0x31;
constexpr std::uint8_t kPulseBuzzer = 0x32;
// GS ( M functions (stored defaults) and the number of storage areas besides the factory one.
constexpr std::uint8_t kDefaultsSave = 1;
constexpr std::uint8_t kDefaultsLoad = 2;
constexpr std::uint8_t kDefaultsSelectPowerOn = 3;
constexpr std::uint8_t kStorageAreas = 2;
// FS ( A function selecting the font.
constexpr std::uint8_t kFontFunction = 0x30;
// Tab stops stand every eight characters.
constexpr int kTabColumns = 8;
// The most data bytes of the NUL-terminated commands (tab positions, bar code data).
constexpr std::size_t kMaxTabPositions = 32;
constexpr std::size_t kMaxBarCodeData = 255;

constexpr std::array<std::pair<Query, std::string_view>, 7> kQueryNames = {{
    {Query::Reset3, "reset3"},
    {Query::BufferClear, "buffer-clear"},
    {Query::Status1, "status1"},
    {Query::Status2, "status2"},
    {Query::Status3, "status3"},
    {Query::Status4, "status4"},
    {Query::PrinterId, "id"},
}};

// Parameters may be given as numbers or as digits ('0' = 0x30 and 0 mean the same).
std::uint8_t DigitOrNumber(std::uint8_t n) {
    return n >= '0' && n <= '9' ? static_cast<std::uint8_t>(n - '0') : n;
}

std::uint64_t LittleEndian(std::span<const std::uint8_t> bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i > 0; --i) {
        value = (value << 8) | bytes[i - 1];
    }
    return value;
}

// A command ending at a NUL after `header` bytes, or after `maxData` data bytes.
ExtentRule NulTerminatedExtent(std::size_t header, std::size_t maxData) {
    return [header, maxData](std::span<const std::uint8_t> s) -> std::uint64_t {
        if (s.size() > header && (s.back() == 0 || s.size() >= header + maxData + 1)) {
            return s.size();
        }
        return std::max(s.size(), header) + (s.size() < header ? 0 : 1);
    };
}

// ESC * m nL nH d...: bit image, three bytes per column in the 24-dot modes.
std::uint64_t BitImageExtent(std::span<const std::uint8_t> s) {
    if (s.size() < 5) {
        return 5;
    }
    const std::uint64_t columns = LittleEndian(s.subspan(3, 2));
    return 5 + columns * (s[2] == 32 || s[2] == 33 ? 3 : 1);
}

// ESC & y c1 c2 [x d1...d(y*x)]...: user-defined characters, a width byte before each.
std::uint64_t UserCharactersExtent(std::span<const std::uint8_t> s) {
    constexpr std::size_t kHeader = 5;
    if (s.size() < kHeader) {
        return kHeader;
    }
    const std::uint8_t y = s[2];
    const std::uint8_t first = s[3];
    const std::uint8_t last = s[4];
    constexpr std::uint8_t kMaxHeightBytes = 3;
    constexpr std::uint8_t kMaxWidth = 12;
    if (y == 0 || y > kMaxHeightBytes || first < 0x20 || last > 0x7E || first > last) {
        return kHeader;  // not a valid definition: only its header is taken
    }
    std::uint64_t position = kHeader;
    for (int c = first; c <= last; ++c) {
        if (position >= s.size()) {
            return position + 1;
        }
        const std::uint8_t width = s[position];
        if (width > kMaxWidth) {
            return position + 1;
        }
        position += 1 + std::uint64_t{y} * width;
    }
    return position;
}

// GS * x y d...: downloaded bit image of x * 8 by y * 8 dots.
std::uint64_t DownloadedImageExtent(std::span<const std::uint8_t> s) {
    return s.size() < 4 ? 4 : 4 + std::uint64_t{s[2]} * s[3] * 8;
}

// GS v 0 m xL xH yL yH d...: raster image of x bytes by y rows.
std::uint64_t RasterImageExtent(std::span<const std::uint8_t> s) {
    if (s.size() < 8) {
        return 8;
    }
    return 8 + LittleEndian(s.subspan(4, 2)) * LittleEndian(s.subspan(6, 2));
}

// GS V m [n]: the feed-and-cut forms carry the feed amount.
std::uint64_t CutExtent(std::span<const std::uint8_t> s) {
    if (s.size() < 3) {
        return 3;
    }
    switch (s[2]) {
        case 65:
        case 66:
        case 97:
        case 98:
        case 103:
        case 104:
            return 4;
        default:
            return 3;
    }
}

// GS k m ...: bar codes; the old forms end with NUL, the new ones carry their length.
std::uint64_t BarCodeExtent(std::span<const std::uint8_t> s) {
    if (s.size() < 3) {
        return 3;
    }
    constexpr std::uint8_t kLastNulTerminatedForm = 6;
    if (s[2] <= kLastNulTerminatedForm) {
        return NulTerminatedExtent(3, kMaxBarCodeData)(s);
    }
    return s.size() < 4 ? 4 : 4 + std::uint64_t{s[3]};
}

// DLE EOT n: the extended status requests 7 and 8 carry one more byte.
std::uint64_t StatusRequestExtent(std::span<const std::uint8_t> s) {
    if (s.size() < 3) {
        return 3;
    }
    return s[2] == 7 || s[2] == 8 ? 4 : 3;
}

// DLE DC4 fn ...: length by function.
std::uint64_t RealTimeRequestExtent(std::span<const std::uint8_t> s) {
    if (s.size() < 3) {
        return 3;
    }
    switch (s[2]) {
        case 1:  // pulse: m t
        case 2:  // power off: 1 8
            return 5;
        case 7:  // status transmission: m
            return 4;
        case 8:  // clear buffers: 1 3 20 1 6 2 8
            return kBufferClearSequence.size();
        default:
            return 3;
    }
}

}  // namespace

std::string_view QueryName(Query query) {
    for (const auto& [q, name] : kQueryNames) {
        if (q == query) {
            return name;
        }
    }
    return {};
}

std::optional<Query> ParseQueryName(std::string_view name) {
    for (const auto& [query, n] : kQueryNames) {
        if (n == name) {
            return query;
        }
    }
    return std::nullopt;
}

std::string_view EventName(EventKind kind) {
    switch (kind) {
        case EventKind::Buzzer:
            return "buzzer";
        case EventKind::Drawer1:
            return "drawer 1";
        case EventKind::Drawer2:
            return "drawer 2";
        case EventKind::Cut:
            return "cut";
        case EventKind::SettingsApplied:
            return "settings applied";
        case EventKind::Restart:
            return "restart";
        case EventKind::SettingListPrinted:
            return "setting list printed";
    }
    return {};
}

std::optional<std::string> CatalogueModelTag(std::string_view displayName) {
    const auto row = app::FindPrinterRow(displayName);
    if (!row) {
        return std::nullopt;
    }
    return app::PrinterNameTable()[*row].modelTag;
}

ExtentRule FixedExtent(std::size_t size) {
    return [size](std::span<const std::uint8_t>) -> std::uint64_t { return size; };
}

ExtentRule PrefixedExtent(std::size_t offset, std::size_t lengthBytes) {
    return [offset, lengthBytes](std::span<const std::uint8_t> s) -> std::uint64_t {
        const std::size_t header = offset + lengthBytes;
        if (s.size() < header) {
            return header;
        }
        return header + LittleEndian(s.subspan(offset, lengthBytes));
    };
}

PrinterEngine::PrinterEngine(PrinterEngineOptions options, PaperSink& paper, EventCallback onEvent)
    : options_(std::move(options)),
      paper_(paper),
      onEvent_(std::move(onEvent)),
      userSetup_(options_.settings ? *options_.settings : FactoryUserSettings(options_.model),
                 options_.badReplies) {
    if (!options_.modelTag.empty()) {
        modelTag_ = options_.modelTag;
    } else if (auto tag = CatalogueModelTag(options_.model)) {
        modelTag_ = std::move(*tag);
    } else {
        throw std::invalid_argument("unknown printer model \"" + options_.model + "\"");
    }
    DefineBuiltInCommands();
    AttachUserSetup();
}

void PrinterEngine::DefineBuiltInCommands() {
    const auto add = [this](Key key, ExtentRule extent, CommandHandler handler = {},
                            bool realTime = false) {
        commands_[std::move(key)] = Entry{std::move(extent), std::move(handler), realTime};
    };
    // Handlers of the built-in commands write straight into reply_, which is the same buffer
    // the handler interface hands out.
    const auto on = [this](auto member) -> CommandHandler {
        return [this, member](const Command& command, std::vector<std::uint8_t>&) {
            member(*this, command);
        };
    };
    const auto fixed = [](std::size_t size) { return FixedExtent(size); };
    const auto lengthPrefixed = PrefixedExtent(3, 2);

    // Single control bytes.
    add({LF}, fixed(1), on([](PrinterEngine& e, const Command&) { e.PrintCurrentLine(); }));
    add({HT}, fixed(1), on([](PrinterEngine& e, const Command&) { e.OnTab(); }));

    // ESC commands.
    add({ESC, 0x0C}, fixed(2));  // print page mode data
    add({ESC, ' '}, fixed(3));   // right-side character spacing
    add({ESC, '!'}, fixed(3), on([](PrinterEngine& e, const Command& c) {
            e.OnSelectFont(c.At(2) & 0x01);  // only the font bit is drawn
        }));
    add({ESC, '$'}, fixed(4));  // absolute print position
    add({ESC, '%'}, fixed(3));  // user-defined character set on/off
    add({ESC, '&'}, UserCharactersExtent);
    add({ESC, '('}, lengthPrefixed);
    add({ESC, '*'}, BitImageExtent);
    add({ESC, '-'}, fixed(3));  // underline
    add({ESC, '2'}, fixed(2));  // default line spacing
    add({ESC, '3'}, fixed(3));  // line spacing
    add({ESC, '<'}, fixed(2));  // return home
    add({ESC, '='}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.enabled_ = (c.At(2) & 0x01) != 0; }), true);
    add({ESC, '?'}, fixed(3));  // cancel user-defined character
    add({ESC, '@'}, fixed(2), on([](PrinterEngine& e, const Command&) { e.Initialise(); }));
    add({ESC, 'D'}, NulTerminatedExtent(2, kMaxTabPositions));
    add({ESC, 'E'}, fixed(3));  // emphasis
    add({ESC, 'G'}, fixed(3));  // double strike
    add({ESC, 'J'}, fixed(3), on([](PrinterEngine& e, const Command&) {
            if (!e.line_.glyphs.empty()) {
                e.PrintCurrentLine();
            }
        }));
    add({ESC, 'L'}, fixed(2));  // page mode
    add({ESC, 'M'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.OnSelectFont(c.At(2)); }));
    add({ESC, 'R'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.current_.characterSet = c.At(2); }));
    add({ESC, 'S'}, fixed(2));   // standard mode
    add({ESC, 'T'}, fixed(3));   // print direction in page mode
    add({ESC, 'U'}, fixed(3));   // unidirectional printing
    add({ESC, 'V'}, fixed(3));   // 90 degree rotation
    add({ESC, 'W'}, fixed(10));  // print area in page mode
    add({ESC, '\\'}, fixed(4));  // relative print position
    add({ESC, 'a'}, fixed(3));   // justification
    add({ESC, 'c'}, fixed(4));   // paper sensors, panel buttons
    add({ESC, 'd'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.OnFeedLines(c.At(2)); }));
    add({ESC, 'e'}, fixed(3));  // reverse feed
    add({ESC, 'i'}, fixed(2), on([](PrinterEngine& e, const Command&) { e.OnCut(); }));
    add({ESC, 'm'}, fixed(2), on([](PrinterEngine& e, const Command&) { e.OnCut(); }));
    add({ESC, 'p'}, fixed(5), on([](PrinterEngine& e, const Command& c) { e.OnPulse(c.At(2)); }));
    add({ESC, 'r'}, fixed(3));  // print colour
    add({ESC, 't'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.current_.codePage = c.At(2); }));
    add({ESC, 'u'}, fixed(3));  // peripheral device status
    add({ESC, 'v'}, fixed(2));  // paper sensor status
    add({ESC, '{'}, fixed(3));  // upside-down printing

    // GS commands. Every GS ( x carries its length; the named ones are the groups the utility
    // uses (test print, user setup, NV graphics, stored defaults), listed so that handlers can
    // be given to them.
    add({GS, '!'}, fixed(3));  // character size
    add({GS, '$'}, fixed(4));  // absolute vertical position in page mode
    add({GS, '('}, lengthPrefixed);
    add({GS, '(', 'A'}, lengthPrefixed);
    add({GS, '(', 'E'}, lengthPrefixed);
    add({GS, '(', 'L'}, lengthPrefixed);
    add({GS, '(', 'M'}, lengthPrefixed,
        on([](PrinterEngine& e, const Command& c) { e.OnStoredDefaults(c); }));
    add({GS, '*'}, DownloadedImageExtent);
    add({GS, '/'}, fixed(3));  // print downloaded bit image
    add({GS, '8', 'L'}, PrefixedExtent(3, 4));
    add({GS, ':'}, fixed(2));  // macro definition start/end
    add({GS, 'B'}, fixed(3));  // reverse printing
    add({GS, 'E'}, fixed(3));  // print density
    add({GS, 'H'}, fixed(3));  // bar code text position
    add({GS, 'I'}, fixed(3), on([](PrinterEngine& e, const Command& c) { e.OnPrinterId(c); }));
    add({GS, 'L'}, fixed(4));  // left margin
    add({GS, 'P'}, fixed(4));  // motion units
    add({GS, 'T'}, fixed(3));  // print position to the beginning of the line
    add({GS, 'V'}, CutExtent, on([](PrinterEngine& e, const Command&) { e.OnCut(); }));
    add({GS, 'W'}, fixed(4));   // print area width
    add({GS, '\\'}, fixed(4));  // relative vertical position in page mode
    add({GS, '^'}, fixed(5));   // execute macro
    add({GS, 'a'}, fixed(3));   // automatic status back
    add({GS, 'b'}, fixed(3));   // smoothing
    add({GS, 'c'}, fixed(2));   // print counter
    // GS e u X n: the printer's own five-byte commands, among them the error-recovery preamble
    // 1D 65 75 45 00 that the utility sends before a job; the printer is always ready to go on.
    add({GS, 'e'}, fixed(5));
    add({GS, 'f'}, fixed(3));  // bar code text font
    add({GS, 'g'}, fixed(6));  // maintenance counter
    add({GS, 'h'}, fixed(3));  // bar code height
    add({GS, 'k'}, BarCodeExtent);
    add({GS, 'r'}, fixed(3));  // status transmission
    add({GS, 'v'}, RasterImageExtent);
    add({GS, 'w'}, fixed(3));  // bar code width
    add({GS, 'z'}, fixed(5));  // online recovery wait time

    // FS commands.
    add({FS, '!'}, fixed(3));  // kanji print mode
    add({FS, '&'}, fixed(2), on([](PrinterEngine& e, const Command&) { e.kanjiMode_ = true; }));
    add({FS, '('}, lengthPrefixed);
    add({FS, '(', 'A'}, lengthPrefixed, on([](PrinterEngine& e, const Command& c) {
            if (LittleEndian(c.bytes.subspan(3, 2)) == 2 && c.At(5) == kFontFunction) {
                e.OnSelectFont(c.At(6));
            }
        }));
    add({FS, '-'}, fixed(3));  // kanji underline
    add({FS, '.'}, fixed(2), on([](PrinterEngine& e, const Command&) {
            e.kanjiMode_ = false;
            e.kanjiLead_.reset();
        }));
    add({FS, '2'}, fixed(76));  // user-defined kanji, 24 x 24 dots
    add({FS, 'C'}, fixed(3), on([](PrinterEngine& e, const Command& c) {
            const std::uint8_t system = DigitOrNumber(c.At(2));
            if (system <= 1) {
                e.shiftJis_ = system == 1;
            }
        }));
    add({FS, 'S'}, fixed(4));  // kanji spacing
    add({FS, 'W'}, fixed(3));  // kanji quadruple size
    add({FS, 'p'}, fixed(4));  // print NV bit image

    // DLE real-time commands.
    add({DLE, 0x04}, StatusRequestExtent,
        on([](PrinterEngine& e, const Command& c) { e.OnStatusRequest(c); }), true);
    add({DLE, 0x05}, fixed(3), {}, true);  // real-time request to recover
    add({DLE, 0x14}, RealTimeRequestExtent, on([](PrinterEngine& e, const Command& c) {
            if (c.At(2) == 1 && c.At(3) <= 1) {
                e.OnPulse(c.At(3) == 0 ? kPulseDrawer1 : kPulseDrawer2);
            }
        }),
        true);

    RebuildKeyIndex();
}

void PrinterEngine::DefineCommand(CommandDefinition definition) {
    if (definition.key.empty()) {
        return;
    }
    commands_[std::move(definition.key)] =
        Entry{std::move(definition.extent), std::move(definition.handler), definition.realTime};
    RebuildKeyIndex();
}

bool PrinterEngine::SetHandler(std::span<const std::uint8_t> key, CommandHandler handler) {
    const auto it = commands_.find(Key(key.begin(), key.end()));
    if (it == commands_.end()) {
        return false;
    }
    it->second.handler = std::move(handler);
    return true;
}

void PrinterEngine::RebuildKeyIndex() {
    keyPrefixes_.clear();
    startsCommand_.fill(false);
    for (const auto& [key, entry] : commands_) {
        startsCommand_[key.front()] = true;
        for (std::size_t length = 1; length < key.size(); ++length) {
            keyPrefixes_.emplace(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(length));
        }
    }
}

std::optional<std::uint8_t> PrinterEngine::StatusByte(std::uint8_t n) const {
    const Faults& f = options_.faults;
    std::uint8_t status = kStatusFixedBits;
    const auto set = [&status](bool condition, std::uint8_t bits) {
        if (condition) {
            status |= bits;
        }
    };
    switch (n) {
        case 1:
            set(f.Any(), kStatusOffLine);
            break;
        case 2:
            set(f.coverOpen, kCauseCoverOpen);
            set(f.paperEnd, kCausePaperEndStop);
            set(f.cutterError, kCauseError);
            break;
        case 3:
            set(f.cutterError, kErrorAutoCutter);
            break;
        case 4:
            set(f.paperEnd, kPaperNearEnd | kPaperEnd);
            break;
        default:
            return std::nullopt;
    }
    return status;
}

CharacterSettings PrinterEngine::PowerOnSettings() const {
    return storage_[static_cast<std::size_t>(powerOnArea_)];
}

std::vector<std::uint8_t> PrinterEngine::Feed(std::span<const std::uint8_t> bytes) {
    reply_.clear();
    for (const std::uint8_t byte : bytes) {
        if (restarting_) {
            break;  // what arrives while the printer restarts is lost
        }
        ProcessByte(byte);
    }
    return std::exchange(reply_, {});
}

void PrinterEngine::ProcessByte(std::uint8_t byte) {
    if (WatchRealTimeSequences(byte)) {
        return;
    }
    Parse(byte);
}

void PrinterEngine::Parse(std::uint8_t byte) {
    if (inCommand_) {
        ++seen_;
        if (pending_.size() < kMaxKeptCommandBytes) {
            pending_.push_back(byte);
        }
        if (entry_ == nullptr) {
            MatchKey();
        } else {
            ContinueCommand();
        }
        return;
    }
    if (kanjiLead_) {
        const std::uint8_t lead = *kanjiLead_;
        kanjiLead_.reset();
        const bool trail =
            shiftJis_ ? byte >= 0x40 && byte <= 0xFC && byte != 0x7F : byte >= 0x21 && byte <= 0x7E;
        if (trail) {
            AddGlyph(GlyphKind::Double, static_cast<std::uint16_t>(lead << 8 | byte));
            return;
        }
        // A lead byte without its second half is dropped; the byte is read on its own.
    }
    if (startsCommand_[byte]) {
        inCommand_ = true;
        entry_ = nullptr;
        pending_.assign(1, byte);
        seen_ = 1;
        MatchKey();
        return;
    }
    PrintText(byte);
}

void PrinterEngine::MatchKey() {
    if (keyPrefixes_.contains(pending_)) {
        return;  // a longer key may still match
    }
    for (std::size_t length = pending_.size(); length > 0; --length) {
        const auto it = commands_.find(
            Key(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length)));
        if (it != commands_.end()) {
            entry_ = &it->second;
            extent_ = entry_->extent ? entry_->extent(pending_) : length;
            ContinueCommand();
            return;
        }
    }
    // Not in the table: the prefix byte and the one after it are taken as one command, and
    // whatever followed them is read again from the start.
    const Key rest(pending_.begin() + std::min<std::ptrdiff_t>(2, std::ssize(pending_)),
                   pending_.end());
    ResetParser();
    for (const std::uint8_t byte : rest) {
        Parse(byte);
    }
}

void PrinterEngine::ContinueCommand() {
    if (seen_ < extent_) {
        return;
    }
    if (pending_.size() == seen_ && entry_->extent) {
        // Everything is at hand, so the rule can look further into the command.
        const std::uint64_t extent = entry_->extent(pending_);
        if (extent > seen_) {
            extent_ = extent;
            return;
        }
    }
    CompleteCommand();
}

void PrinterEngine::CompleteCommand() {
    const Entry* entry = entry_;
    const std::uint64_t size = seen_;
    Key bytes;
    bytes.swap(pending_);
    ResetParser();
    if (entry->handler && (enabled_ || entry->realTime)) {
        entry->handler(Command{bytes, size}, reply_);
    }
    // Reuse the buffer for the next command, unless a large payload made it big.
    if (bytes.capacity() <= 4096 && pending_.empty()) {
        bytes.clear();
        pending_.swap(bytes);
    }
}

void PrinterEngine::ResetParser() {
    inCommand_ = false;
    entry_ = nullptr;
    pending_.clear();
    seen_ = 0;
    extent_ = 0;
    kanjiLead_.reset();
}

bool PrinterEngine::RecentBytesEndWith(std::span<const std::uint8_t> sequence) const {
    if (recentCount_ < sequence.size()) {
        return false;
    }
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        const std::size_t at = (recentCount_ - sequence.size() + i) % recent_.size();
        if (recent_[at] != sequence[i]) {
            return false;
        }
    }
    return true;
}

bool PrinterEngine::WatchRealTimeSequences(std::uint8_t byte) {
    // Both sequences must work even when the stream stopped in the middle of a command (a
    // job cut short, a garbled read): the utility relies on them to bring the printer back.
    recent_[recentCount_ % recent_.size()] = byte;
    ++recentCount_;
    if (byte == kReset3Sequence.back() && RecentBytesEndWith(kReset3Sequence)) {
        recentCount_ = 0;
        PowerOnReset();
        Answer(Query::Reset3, kReset3Reply);
        return true;
    }
    if (byte == kBufferClearSequence.back() && RecentBytesEndWith(kBufferClearSequence)) {
        recentCount_ = 0;
        ClearBuffers();
        Answer(Query::BufferClear, kBufferClearReply);
        return true;
    }
    return false;
}

void PrinterEngine::ClearBuffers() {
    ResetParser();
    line_.glyphs.clear();
    lineWidth_ = 0;
}

void PrinterEngine::PowerOnReset() {
    ClearBuffers();
    userSetup_.Restart();
    enabled_ = true;
    Initialise();
}

void PrinterEngine::Initialise() {
    line_.glyphs.clear();
    lineWidth_ = 0;
    current_ = PowerOnSettings();
    kanjiMode_ = false;
    kanjiLead_.reset();
    shiftJis_ = false;
}

void PrinterEngine::PrintText(std::uint8_t byte) {
    if (!enabled_ || byte < 0x20) {
        return;  // other control bytes have no meaning here
    }
    if (kanjiMode_) {
        const bool lead = shiftJis_ ? (byte >= 0x81 && byte <= 0x9F) || byte >= 0xE0
                                    : byte >= 0x21 && byte <= 0x7E;
        if (lead) {
            kanjiLead_ = byte;
            return;
        }
    }
    AddGlyph(GlyphKind::Single, byte);
}

void PrinterEngine::AddGlyph(GlyphKind kind, std::uint16_t code) {
    const Glyph glyph{.kind = kind,
                      .font = current_.font,
                      .codePage = current_.codePage,
                      .characterSet = current_.characterSet,
                      .code = code};
    // A full line is printed, and the text goes on in the next one.
    if (lineWidth_ + glyph.WidthDots() > kPaperWidthDots) {
        PrintCurrentLine();
    }
    line_.glyphs.push_back(glyph);
    lineWidth_ += glyph.WidthDots();
}

void PrinterEngine::PrintCurrentLine() {
    paper_.PrintLine(line_);
    line_.glyphs.clear();
    lineWidth_ = 0;
}

void PrinterEngine::Answer(Query query, std::span<const std::uint8_t> bytes) {
    if (!options_.noReply.contains(query)) {
        reply_.insert(reply_.end(), bytes.begin(), bytes.end());
    }
}

void PrinterEngine::Emit(EventKind kind) {
    if (onEvent_) {
        onEvent_(kind);
    }
}

void PrinterEngine::OnStatusRequest(const Command& command) {
    const std::uint8_t n = command.At(2);
    if (const auto status = StatusByte(n)) {
        const std::array<std::uint8_t, 1> reply = {*status};
        Answer(static_cast<Query>(static_cast<int>(Query::Status1) + n - 1), reply);
    }
}

void PrinterEngine::OnPrinterId(const Command& command) {
    if (command.At(2) != kPrinterIdModelName) {
        return;
    }
    std::vector<std::uint8_t> reply(modelTag_.begin(), modelTag_.end());
    reply.push_back(0x00);
    Answer(Query::PrinterId, reply);
}

void PrinterEngine::OnStoredDefaults(const Command& command) {
    if (command.bytes.size() < 7) {
        return;
    }
    const std::uint8_t function = DigitOrNumber(command.At(5));
    const std::uint8_t area = DigitOrNumber(command.At(6));
    if (area > kStorageAreas) {
        return;
    }
    switch (function) {
        case kDefaultsSave:
            if (area != 0) {  // the factory settings cannot be overwritten
                storage_[area] = current_;
            }
            break;
        case kDefaultsLoad:
            current_ = storage_[area];
            break;
        case kDefaultsSelectPowerOn:
            powerOnArea_ = area;
            break;
        default:
            break;
    }
}

void PrinterEngine::OnSelectFont(std::uint8_t n) {
    switch (DigitOrNumber(n)) {
        case 0:
            current_.font = FontKind::A;
            break;
        case 1:
            current_.font = FontKind::B;
            break;
        case 2:
            current_.font = FontKind::C;
            break;
        default:
            break;
    }
}

void PrinterEngine::OnPulse(std::uint8_t m) {
    switch (m) {
        case 0:
        case kPulseDrawer1:
            Emit(EventKind::Drawer1);
            break;
        case 1:
        case kPulseDrawer2:
            Emit(EventKind::Drawer2);
            break;
        case kPulseBuzzer:
            Emit(EventKind::Buzzer);
            break;
        default:
            break;
    }
}

void PrinterEngine::OnCut() {
    // The cutter sits below the head: what is still in the line buffer is printed first.
    if (!line_.glyphs.empty()) {
        PrintCurrentLine();
    }
    Emit(EventKind::Cut);
    paper_.Cut();
}

void PrinterEngine::OnTab() {
    const int cell = CellWidthDots(current_.font);
    const int column = lineWidth_ / cell;
    const int next = (column / kTabColumns + 1) * kTabColumns;
    if (lineWidth_ + (next - column) * cell > kPaperWidthDots) {
        return;  // no tab stop left on this line
    }
    for (int c = column; c < next; ++c) {
        AddGlyph(GlyphKind::Single, ' ');
    }
}

void PrinterEngine::OnFeedLines(std::uint8_t lines) {
    if (lines == 0) {
        if (!line_.glyphs.empty()) {
            PrintCurrentLine();
        }
        return;
    }
    for (int i = 0; i < lines; ++i) {
        PrintCurrentLine();
    }
}

void PrinterEngine::AttachUserSetup() {
    // The table already knows how long these commands are; only what they do is added here.
    const auto attach = [this](Key key, void (PrinterEngine::*member)(const Command&)) {
        SetHandler(key, [this, member](const Command& command, std::vector<std::uint8_t>&) {
            (this->*member)(command);
        });
    };
    attach({GS, '(', 'E'}, &PrinterEngine::OnUserSetup);
    attach({GS, '(', 'A'}, &PrinterEngine::OnTestPrint);
}

void PrinterEngine::OnUserSetup(const Command& command) {
    if (userSetup_.Handle(command.bytes, reply_) != UserSetupOutcome::Applied) {
        return;
    }
    if (settingsStore_) {
        settingsStore_(userSetup_.Settings());
    }
    Emit(EventKind::SettingsApplied);
    PowerOnReset();
    restarting_ = true;
    Emit(EventKind::Restart);
}

void PrinterEngine::OnTestPrint(const Command& command) {
    // GS ( A pL pH n m: n = 0 the basic sheet, m = 2 with the printer's settings.
    constexpr std::uint8_t kBasicSheet = 0;
    constexpr std::uint8_t kPrinterStatusPrint = 2;
    if (command.bytes.size() == 7 && LittleEndian(command.bytes.subspan(3, 2)) == 2 &&
        DigitOrNumber(command.At(5)) == kBasicSheet &&
        DigitOrNumber(command.At(6)) == kPrinterStatusPrint) {
        PrintSettingList();
    }
}

void PrinterEngine::PrintSettingList() {
    if (!line_.glyphs.empty()) {
        PrintCurrentLine();
    }
    const auto row = app::FindPrinterRow(options_.model);
    const std::string model =
        row ? app::PrinterNameTable()[*row].displayName : std::string(options_.model);
    // The printer's own list, in its built-in font whatever the host selected.
    for (const std::string& text : SettingListLines(userSetup_.Settings(), model)) {
        PrintedLine line;
        for (const char c : text) {
            line.glyphs.push_back({.kind = GlyphKind::Single,
                                   .font = FontKind::A,
                                   .codePage = 0,
                                   .characterSet = 0,
                                   .code = static_cast<std::uint8_t>(c)});
        }
        paper_.PrintLine(line);
    }
    OnCut();
    Emit(EventKind::SettingListPrinted);
}

}  // namespace vrtruty::emulator
