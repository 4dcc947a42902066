#include "emulator/printer_engine.h"

#include <algorithm>
#include <limits>
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
    add({ESC, ' '}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.rightSpacing_ = c.At(2); }));
    add({ESC, '!'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.OnPrintModes(c.At(2)); }));
    add({ESC, '$'}, fixed(4), on([](PrinterEngine& e, const Command& c) {
            const auto position = static_cast<int>(LittleEndian(c.bytes.subspan(2, 2)));
            if (position < e.areaWidth_) {
                e.x_ = position;
            }
        }));
    add({ESC, '%'}, fixed(3));  // user-defined character set on/off
    add({ESC, '&'}, UserCharactersExtent);
    add({ESC, '('}, lengthPrefixed);
    add({ESC, '*'}, BitImageExtent,
        on([](PrinterEngine& e, const Command& c) { e.OnBitImage(c); }));
    add({ESC, '-'}, fixed(3), on([](PrinterEngine& e, const Command& c) {
            const std::uint8_t n = DigitOrNumber(c.At(2));
            if (n <= 2) {
                e.style_.underline = n;
            }
        }));
    add({ESC, '2'}, fixed(2),
        on([](PrinterEngine& e, const Command&) { e.lineSpacing_ = kLinePitchDots; }));
    add({ESC, '3'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.lineSpacing_ = c.At(2); }));
    add({ESC, '<'}, fixed(2));  // return home
    add({ESC, '='}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.enabled_ = (c.At(2) & 0x01) != 0; }), true);
    add({ESC, '?'}, fixed(3));  // cancel user-defined character
    add({ESC, '@'}, fixed(2), on([](PrinterEngine& e, const Command&) { e.Initialise(); }));
    add({ESC, 'D'}, NulTerminatedExtent(2, kMaxTabPositions),
        on([](PrinterEngine& e, const Command& c) { e.OnTabPositions(c); }));
    add({ESC, 'E'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.style_.emphasised = (c.At(2) & 1) != 0; }));
    add({ESC, 'G'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.style_.emphasised = (c.At(2) & 1) != 0; }));
    add({ESC, 'J'}, fixed(3), on([](PrinterEngine& e, const Command& c) { e.FeedDots(c.At(2)); }));
    add({ESC, 'L'}, fixed(2));  // page mode
    add({ESC, 'M'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.OnSelectFont(c.At(2)); }));
    add({ESC, 'R'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.current_.characterSet = c.At(2); }));
    add({ESC, 'S'}, fixed(2));  // standard mode
    add({ESC, 'T'}, fixed(3));  // print direction in page mode
    add({ESC, 'U'}, fixed(3));  // unidirectional printing
    add({ESC, 'V'}, fixed(3), on([](PrinterEngine& e, const Command& c) {
            e.style_.rotated = (DigitOrNumber(c.At(2)) & 1) != 0;
        }));
    add({ESC, 'W'}, fixed(10));  // print area in page mode
    add({ESC, '\\'}, fixed(4), on([](PrinterEngine& e, const Command& c) {
            const auto step = static_cast<std::int16_t>(LittleEndian(c.bytes.subspan(2, 2)));
            const int position = e.x_ + step;
            if (position >= 0 && position < e.areaWidth_) {
                e.x_ = position;
            }
        }));
    add({ESC, 'a'}, fixed(3), on([](PrinterEngine& e, const Command& c) {
            const std::uint8_t n = DigitOrNumber(c.At(2));
            if (n <= 2) {
                e.alignment_ = static_cast<Alignment>(n);
            }
        }));
    add({ESC, 'c'}, fixed(4));  // paper sensors, panel buttons
    add({ESC, 'd'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.OnFeedLines(c.At(2)); }));
    add({ESC, 'e'}, fixed(3));  // reverse feed
    add({ESC, 'i'}, fixed(2), on([](PrinterEngine& e, const Command&) { e.OnCut(); }));
    add({ESC, 'm'}, fixed(2), on([](PrinterEngine& e, const Command&) { e.OnCut(); }));
    add({ESC, 'p'}, fixed(5), on([](PrinterEngine& e, const Command& c) { e.OnPulse(c.At(2)); }));
    add({ESC, 'r'}, fixed(3));  // print colour
    add({ESC, 't'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.current_.codePage = c.At(2); }));
    // ESC u 0 (drawer connector, always low) and ESC v (paper sensors).
    add({ESC, 'u'}, fixed(3),
        on([](PrinterEngine& e, const Command&) { e.reply_.push_back(0x00); }));
    add({ESC, 'v'}, fixed(2),
        on([](PrinterEngine& e, const Command&) { e.reply_.push_back(e.PaperSensorStatus()); }));
    add({ESC, '{'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.upsideDown_ = (c.At(2) & 1) != 0; }));

    // GS commands. Every GS ( x carries its length; the named ones are the groups the utility
    // uses (test print, user setup, NV graphics, stored defaults), listed so that handlers can
    // be given to them.
    add({GS, '!'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.OnCharacterSize(c.At(2)); }));
    add({GS, '$'}, fixed(4));  // absolute vertical position in page mode
    add({GS, '('}, lengthPrefixed);
    // GS ( D pL pH 20 a b ...: a 1 is DLE DC4 1 (the drawer pulse), b 1 allows it, 0 refuses it.
    add({GS, '(', 'D'}, lengthPrefixed, on([](PrinterEngine& e, const Command& c) {
            if (c.At(5) != 20) {
                return;
            }
            for (std::size_t i = 6; i + 1 < c.bytes.size(); i += 2) {
                if (c.bytes[i] == 1) {
                    e.pulseEnabled_ = c.bytes[i + 1] == 1;
                }
            }
        }));
    add({GS, '(', 'A'}, lengthPrefixed);
    add({GS, '(', 'E'}, lengthPrefixed);
    add({GS, '(', 'L'}, lengthPrefixed, on([](PrinterEngine& e, const Command& c) {
            if (!c.Truncated() && c.bytes.size() > 5) {
                e.OnGraphicsBuffer(c.bytes.subspan(5));
            }
        }));
    add({GS, '(', 'k'}, lengthPrefixed,
        on([](PrinterEngine& e, const Command& c) { e.OnSymbol(c); }));
    add({GS, '(', 'M'}, lengthPrefixed,
        on([](PrinterEngine& e, const Command& c) { e.OnStoredDefaults(c); }));
    add({GS, '*'}, DownloadedImageExtent);
    add({GS, '/'}, fixed(3));  // print downloaded bit image
    add({GS, '8', 'L'}, PrefixedExtent(3, 4), on([](PrinterEngine& e, const Command& c) {
            if (!c.Truncated() && c.bytes.size() > 7) {
                e.OnGraphicsBuffer(c.bytes.subspan(7));
            }
        }));
    add({GS, ':'}, fixed(2));  // macro definition start/end
    add({GS, 'B'}, fixed(3),
        on([](PrinterEngine& e, const Command& c) { e.style_.reverse = (c.At(2) & 1) != 0; }));
    add({GS, 'E'}, fixed(3));  // print density
    add({GS, 'H'}, fixed(3), on([](PrinterEngine& e, const Command& c) {
            const std::uint8_t n = DigitOrNumber(c.At(2));
            if (n <= 3) {
                e.barCode_.hri = static_cast<HriPosition>(n);
            }
        }));
    add({GS, 'I'}, fixed(3), on([](PrinterEngine& e, const Command& c) { e.OnPrinterId(c); }));
    add({GS, 'L'}, fixed(4),
        on([](PrinterEngine& e, const Command& c) { e.OnPrintArea(c, false); }));
    add({GS, 'P'}, fixed(4));  // motion units
    add({GS, 'T'}, fixed(3));  // print position to the beginning of the line
    add({GS, 'V'}, CutExtent, on([](PrinterEngine& e, const Command&) { e.OnCut(); }));
    add({GS, 'W'}, fixed(4),
        on([](PrinterEngine& e, const Command& c) { e.OnPrintArea(c, true); }));
    add({GS, '\\'}, fixed(4));  // relative vertical position in page mode
    add({GS, '^'}, fixed(5));   // execute macro
    add({GS, 'a'}, fixed(3), on([](PrinterEngine& e, const Command& c) {
            e.automaticStatus_ = c.At(2) != 0;
            if (e.automaticStatus_) {
                const auto status = e.AutomaticStatus();
                e.reply_.insert(e.reply_.end(), status.begin(), status.end());
            }
        }));
    add({GS, 'b'}, fixed(3));  // smoothing
    add({GS, 'c'}, fixed(2));  // print counter
    // GS e u X n: the printer's own five-byte commands, among them the error-recovery preamble
    // 1D 65 75 45 00 that the utility sends before a job; the printer is always ready to go on.
    add({GS, 'e'}, fixed(5));
    add({GS, 'f'}, fixed(3));  // bar code text font
    add({GS, 'g'}, fixed(6));  // maintenance counter
    add({GS, 'h'}, fixed(3), on([](PrinterEngine& e, const Command& c) {
            if (c.At(2) > 0) {
                e.barCode_.height = c.At(2);
            }
        }));
    add({GS, 'k'}, BarCodeExtent, on([](PrinterEngine& e, const Command& c) { e.OnBarCode(c); }));
    add({GS, 'r'}, fixed(3), on([](PrinterEngine& e, const Command& c) {
            const std::uint8_t n = DigitOrNumber(c.At(2));
            if (n == 1) {
                e.reply_.push_back(e.PaperSensorStatus());
            } else if (n == 2) {
                e.reply_.push_back(0x00);  // drawer connector low
            }
        }));
    add({GS, 'v'}, RasterImageExtent,
        on([](PrinterEngine& e, const Command& c) { e.OnRasterImage(c); }));
    add({GS, 'w'}, fixed(3), on([](PrinterEngine& e, const Command& c) {
            if (c.At(2) >= 1 && c.At(2) <= 6) {
                e.barCode_.moduleWidth = c.At(2);
            }
        }));
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
    add({DLE, 0x05}, fixed(3), on([](PrinterEngine& e, const Command& c) { e.OnRecover(c.At(2)); }),
        true);
    add({DLE, 0x14}, RealTimeRequestExtent, on([](PrinterEngine& e, const Command& c) {
            if (c.At(2) == 1 && c.At(3) <= 1 && e.pulseEnabled_) {
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
    if (Holding()) {
        if (held_.size() < kReceiveBufferBytes) {
            held_.push_back(byte);
        }
        if (ScanRealTimeCommand(byte, std::numeric_limits<std::size_t>::max())) {
            // Done already: it must not run a second time when the held data are processed.
            while (!held_.empty() && held_.back() != DLE) {
                held_.pop_back();
            }
            if (!held_.empty()) {
                held_.pop_back();
            }
        }
        return;
    }
    if (inCommand_) {
        ScanRealTimeCommand(byte, pending_.size());  // inside another command: kept as its data
    }
    Parse(byte);
}

bool PrinterEngine::Holding() const {
    const Faults& f = options_.faults;
    return f.coverOpen || f.paperEnd || f.cutterError;
}

std::vector<std::uint8_t> PrinterEngine::SetFaults(const Faults& faults) {
    const bool changed = faults.offline != options_.faults.offline ||
                         faults.coverOpen != options_.faults.coverOpen ||
                         faults.paperEnd != options_.faults.paperEnd ||
                         faults.cutterError != options_.faults.cutterError;
    options_.faults = faults;
    std::vector<std::uint8_t> reply;
    if (changed && automaticStatus_) {
        const auto status = AutomaticStatus();
        reply.assign(status.begin(), status.end());
    }
    if (!Holding() && !held_.empty()) {
        const std::vector<std::uint8_t> held = std::exchange(held_, {});
        const std::vector<std::uint8_t> answers = Feed(held);
        reply.insert(reply.end(), answers.begin(), answers.end());
    }
    return reply;
}

bool PrinterEngine::ScanRealTimeCommand(std::uint8_t byte, std::size_t before) {
    // DLE EOT n (n 1..4), DLE ENQ n, DLE DC4 1 m t; the last bytes received tell.
    const auto at = [this](std::size_t back) {
        return recent_[(recentCount_ - 1 - back) % recent_.size()];
    };
    if (recentCount_ >= 3 && at(2) == DLE && (at(1) == 0x04 || at(1) == 0x05)) {
        const std::array<std::uint8_t, 3> bytes = {DLE, at(1), byte};
        if (at(1) == 0x04 && byte >= 1 && byte <= 4 && before >= bytes.size()) {
            OnStatusRequest(Command{bytes, bytes.size()});
            return true;
        }
        if (at(1) == 0x05 && byte <= 2 && before >= bytes.size()) {
            OnRecover(byte);
            return true;
        }
    }
    constexpr std::size_t kPulseSize = 5;
    if (recentCount_ >= kPulseSize && before >= kPulseSize && at(4) == DLE && at(3) == 0x14 &&
        at(2) == 1 && at(1) <= 1) {
        if (pulseEnabled_) {
            OnPulse(at(1) == 0 ? kPulseDrawer1 : kPulseDrawer2);
        }
        return true;
    }
    return false;
}

void PrinterEngine::OnRecover(std::uint8_t n) {
    // DLE ENQ 2: recover from the error and clear the buffers, the held data among them.
    if (n == 2) {
        held_.clear();
        ClearBuffers();
    }
}

std::uint8_t PrinterEngine::PaperSensorStatus() const {
    constexpr std::uint8_t kNearEnd = 0x03;
    constexpr std::uint8_t kEnd = 0x0C;
    return options_.faults.paperEnd ? kNearEnd | kEnd : 0x00;
}

std::array<std::uint8_t, 4> PrinterEngine::AutomaticStatus() const {
    const Faults& f = options_.faults;
    std::array<std::uint8_t, 4> status = {0x10, 0x00, 0x00, 0x00};
    if (f.Any()) {
        status[0] |= 0x08;
    }
    if (f.coverOpen) {
        status[0] |= 0x20;
    }
    if (f.cutterError) {
        status[1] |= 0x08;
    }
    status[2] = PaperSensorStatus();
    return status;
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
    line_ = {};
    x_ = 0;
    graphicsBuffer_.reset();
}

void PrinterEngine::PowerOnReset() {
    ClearBuffers();
    userSetup_.Restart();
    enabled_ = true;
    Initialise();
}

void PrinterEngine::Initialise() {
    line_ = {};
    x_ = 0;
    ResetTextModes();
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

void PrinterEngine::ResetTextModes() {
    style_ = {};
    alignment_ = Alignment::Left;
    upsideDown_ = false;
    lineSpacing_ = kLinePitchDots;
    margin_ = 0;
    areaWidth_ = kPaperWidthDots;
    rightSpacing_ = 0;
    tabColumns_.clear();
    barCode_ = {};
    symbols_ = {};
    symbols_[1].kind = TwoDimensionalCode::Qr;
    symbols_[0].kind = TwoDimensionalCode::Pdf417;
    symbols_[0].errorCorrection = -1;
    symbolData_ = {};
    graphicsBuffer_.reset();
}

void PrinterEngine::AddGlyph(GlyphKind kind, std::uint16_t code) {
    Glyph glyph{.kind = kind,
                .font = current_.font,
                .codePage = current_.codePage,
                .characterSet = current_.characterSet,
                .code = code,
                .shiftJis = shiftJis_,
                .style = style_,
                .left = x_};
    // A full line is printed, and the text goes on in the next one.
    if (x_ + glyph.WidthDots() > areaWidth_ && (!line_.glyphs.empty() || !line_.images.empty())) {
        PrintCurrentLine();
        glyph.left = 0;
    }
    line_.glyphs.push_back(glyph);
    x_ = glyph.left + glyph.WidthDots() + rightSpacing_ * style_.widthScale;
}

void PrinterEngine::PrintCurrentLine() {
    line_.spacing = lineSpacing_;
    line_.margin = margin_;
    line_.areaWidth = areaWidth_;
    line_.alignment = alignment_;
    line_.upsideDown = upsideDown_;
    paper_.PrintLine(line_);
    line_ = {};
    x_ = 0;
}

void PrinterEngine::FinishLine() {
    if (!line_.glyphs.empty() || !line_.images.empty()) {
        PrintCurrentLine();
    }
    x_ = 0;
}

void PrinterEngine::FeedDots(int dots) {
    const int spacing = std::exchange(lineSpacing_, dots);
    PrintCurrentLine();
    lineSpacing_ = spacing;
}

int PrinterEngine::AlignedLeft(int width) const {
    const int free = std::max(0, areaWidth_ - width);
    switch (alignment_) {
        case Alignment::Centre:
            return margin_ + free / 2;
        case Alignment::Right:
            return margin_ + free;
        case Alignment::Left:
            break;
    }
    return margin_;
}

void PrinterEngine::PrintAlignedPicture(PrintedPicture picture) {
    FinishLine();
    picture.left = AlignedLeft(picture.width);
    paper_.PrintPicture(picture);
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
    // GS I n: 1..3 one byte (model, type: two-byte characters and a cutter, ROM version);
    // 65..69 a text between "_" and NUL (firmware, maker, model, serial number, fonts).
    const std::uint8_t n = command.At(2);
    switch (DigitOrNumber(n)) {
        case 1:
            reply_.push_back(0x20);
            return;
        case 2:
            reply_.push_back(0x03);
            return;
        case 3:
            reply_.push_back(0x01);
            return;
        default:
            break;
    }
    std::string text;
    switch (n) {
        case 'A':
            text = "_1.00";
            break;
        case 'B':
            text = "_VRM";
            break;
        case kPrinterIdModelName:
            text = modelTag_;
            break;
        case 'D':
            text = "_00000001";
            break;
        case 'E':
            text = "_KANJI JAPANESE";
            break;
        default:
            return;
    }
    std::vector<std::uint8_t> reply(text.begin(), text.end());
    reply.push_back(0x00);
    if (n == kPrinterIdModelName) {
        Answer(Query::PrinterId, reply);
    } else {
        reply_.insert(reply_.end(), reply.begin(), reply.end());
    }
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
    FinishLine();
    Emit(EventKind::Cut);
    paper_.Cut();
}

void PrinterEngine::OnTab() {
    const int pitch = CellWidthDots(current_.font) * style_.widthScale + rightSpacing_;
    std::optional<int> next;
    if (tabColumns_.empty()) {
        next = (x_ / pitch / kTabColumns + 1) * kTabColumns * pitch;
    } else {
        for (const int column : tabColumns_) {
            if (column * pitch > x_) {
                next = column * pitch;
                break;
            }
        }
    }
    if (next && *next < areaWidth_) {
        x_ = *next;  // no tab stop left on this line: the tab is ignored
    }
}

void PrinterEngine::OnTabPositions(const Command& command) {
    // ESC D n1 ... nk NUL: ascending columns; a column not beyond the one before ends the list.
    tabColumns_.clear();
    for (std::size_t i = 2; i < command.bytes.size() && command.bytes[i] != 0; ++i) {
        if (!tabColumns_.empty() && command.bytes[i] <= tabColumns_.back()) {
            break;
        }
        tabColumns_.push_back(command.bytes[i]);
    }
}

void PrinterEngine::OnFeedLines(std::uint8_t lines) {
    if (lines == 0) {
        FinishLine();
        return;
    }
    for (int i = 0; i < lines; ++i) {
        PrintCurrentLine();
    }
}

void PrinterEngine::OnPrintModes(std::uint8_t n) {
    // ESC ! n: bit 0 font B, 3 emphasised, 4 double height, 5 double width, 7 underline.
    OnSelectFont(n & 0x01);
    style_.emphasised = (n & 0x08) != 0;
    style_.heightScale = (n & 0x10) != 0 ? 2 : 1;
    style_.widthScale = (n & 0x20) != 0 ? 2 : 1;
    style_.underline = (n & 0x80) != 0 ? 1 : 0;
}

void PrinterEngine::OnCharacterSize(std::uint8_t n) {
    // GS ! n: the high nibble enlarges the width, the low one the height, 0..7 for 1..8 times.
    const int width = (n >> 4) + 1;
    const int height = (n & 0x0F) + 1;
    if (width <= kMaxCharacterScale && height <= kMaxCharacterScale) {
        style_.widthScale = static_cast<std::uint8_t>(width);
        style_.heightScale = static_cast<std::uint8_t>(height);
    }
}

void PrinterEngine::OnPrintArea(const Command& command, bool width) {
    // GS L and GS W take effect at the beginning of a line; the area stays on the paper.
    if (!line_.glyphs.empty() || !line_.images.empty()) {
        return;
    }
    const auto value = static_cast<int>(LittleEndian(command.bytes.subspan(2, 2)));
    if (width) {
        areaWidth_ = std::clamp(value, 1, kPaperWidthDots - margin_);
    } else {
        margin_ = std::min(value, kPaperWidthDots - 1);
        areaWidth_ = std::min(areaWidth_, kPaperWidthDots - margin_);
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
    FinishLine();
    const auto row = app::FindPrinterRow(options_.model);
    const std::string model =
        row ? app::PrinterNameTable()[*row].displayName : std::string(options_.model);
    // The printer's own list, in its built-in font whatever the host selected.
    for (const std::string& text : SettingListLines(userSetup_.Settings(), model)) {
        PrintedLine line;
        int left = 0;
        for (const char c : text) {
            Glyph glyph;
            glyph.code = static_cast<std::uint8_t>(c);
            glyph.left = left;
            line.glyphs.push_back(glyph);
            left += line.glyphs.back().WidthDots();
        }
        paper_.PrintLine(line);
    }
    OnCut();
    Emit(EventKind::SettingListPrinted);
}

}  // namespace vrtruty::emulator

namespace vrtruty::emulator {
namespace {

// A picture of width x height dots, blank.
PrintedPicture BlankPicture(int width, int height) {
    PrintedPicture picture;
    picture.width = width;
    picture.height = height;
    picture.dots.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return picture;
}

// Raster rows of `rowBytes` bytes, the leftmost dot in the high bit, enlarged by the scales and
// cut at `maxWidth` dots.
PrintedPicture RasterPicture(std::span<const std::uint8_t> data, int rowBytes, int rows, int scaleX,
                             int scaleY, int maxWidth, bool secondColour = false) {
    const int width = std::min(rowBytes * 8 * scaleX, maxWidth);
    PrintedPicture picture = BlankPicture(width, rows * scaleY);
    for (int y = 0; y < picture.height; ++y) {
        const std::size_t row =
            static_cast<std::size_t>(y / scaleY) * static_cast<std::size_t>(rowBytes);
        for (int x = 0; x < width; ++x) {
            const int sourceX = x / scaleX;
            const std::size_t at = row + static_cast<std::size_t>(sourceX / 8);
            if (at < data.size() && (data[at] & (0x80U >> (sourceX % 8))) != 0) {
                PictureDot& dot = picture.dots[static_cast<std::size_t>(y * width + x)];
                dot.ink = 255;
                dot.secondColour = secondColour;
            }
        }
    }
    return picture;
}

}  // namespace

void PrinterEngine::OnBitImage(const Command& command) {
    // ESC * m nL nH d: columns of 8 or 24 dots, top dot in the high bit. The 8-dot modes print
    // each dot three dots high; the single-density modes print each column twice.
    const std::uint8_t m = command.At(2);
    const bool tall = m == 32 || m == 33;
    if (command.Truncated() || (m > 1 && !tall)) {
        return;
    }
    const int columns = static_cast<int>(LittleEndian(command.bytes.subspan(3, 2)));
    const int bytesPerColumn = tall ? 3 : 1;
    const int scaleX = m == 0 || m == 32 ? 2 : 1;
    const int scaleY = tall ? 1 : 3;
    const int width = std::min(columns * scaleX, std::max(0, areaWidth_ - x_));
    if (width == 0) {
        return;
    }
    PrintedPicture picture = BlankPicture(width, bytesPerColumn * 8 * scaleY);
    const auto data = command.bytes.subspan(5);
    for (int x = 0; x < width; ++x) {
        const auto column = static_cast<std::size_t>(x / scaleX * bytesPerColumn);
        for (int y = 0; y < picture.height; ++y) {
            const int bit = y / scaleY;
            const std::size_t at = column + static_cast<std::size_t>(bit / 8);
            if (at < data.size() && (data[at] & (0x80U >> (bit % 8))) != 0) {
                picture.dots[static_cast<std::size_t>(y * width + x)].ink = 255;
            }
        }
    }
    line_.images.push_back({.left = x_, .picture = std::move(picture)});
    x_ += width;
}

void PrinterEngine::OnRasterImage(const Command& command) {
    // GS v 0 m xL xH yL yH d: x bytes by y rows; m doubles the width (1), the height (2), or both.
    const std::uint8_t m = DigitOrNumber(command.At(3));
    if (command.Truncated() || command.At(2) != '0' || m > 3) {
        return;
    }
    const auto rowBytes = static_cast<int>(LittleEndian(command.bytes.subspan(4, 2)));
    const auto rows = static_cast<int>(LittleEndian(command.bytes.subspan(6, 2)));
    if (rowBytes == 0 || rows == 0) {
        return;
    }
    PrintAlignedPicture(RasterPicture(command.bytes.subspan(8), rowBytes, rows, (m & 1) + 1,
                                      (m >> 1) + 1, areaWidth_));
}

bool PrinterEngine::OnGraphicsBuffer(std::span<const std::uint8_t> parameters) {
    constexpr std::uint8_t kStore = 112;
    constexpr std::uint8_t kPrintBuffer = 50;
    constexpr std::uint8_t kPrintBufferAlias = 2;
    if (parameters.size() < 2 || parameters[0] != '0') {
        return false;
    }
    const std::uint8_t function = parameters[1];
    if (function == kPrintBuffer || function == kPrintBufferAlias) {
        if (graphicsBuffer_) {
            PrintAlignedPicture(std::move(*graphicsBuffer_));
            graphicsBuffer_.reset();
        }
        return true;
    }
    if (function != kStore) {
        return false;
    }
    // m fn a bx by c xL xH yL yH d: a 48 (one bit a dot), bx and by 1 or 2, c the colour
    // (49 the first, 50 the second); a second colour is laid over a picture of the same size.
    constexpr std::size_t kHeader = 10;
    if (parameters.size() < kHeader) {
        return true;
    }
    const int scaleX = parameters[3];
    const int scaleY = parameters[4];
    const std::uint8_t colour = parameters[5];
    const int width = parameters[6] | parameters[7] << 8;
    const int height = parameters[8] | parameters[9] << 8;
    const int rowBytes = (width + 7) / 8;
    if (scaleX < 1 || scaleX > 2 || scaleY < 1 || scaleY > 2 || colour < '1' || colour > '4' ||
        width == 0 || height == 0 ||
        parameters.size() <
            kHeader + static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height)) {
        return true;
    }
    PrintedPicture picture =
        RasterPicture(parameters.subspan(kHeader), rowBytes, height, scaleX, scaleY,
                      std::min(width * scaleX, kPaperWidthDots), colour != '1');
    if (graphicsBuffer_ && graphicsBuffer_->width == picture.width &&
        graphicsBuffer_->height == picture.height) {
        for (std::size_t i = 0; i < picture.dots.size(); ++i) {
            PictureDot& dot = graphicsBuffer_->dots[i];
            if (picture.dots[i].ink != 0 && (dot.ink == 0 || dot.secondColour)) {
                dot = picture.dots[i];
            }
        }
    } else {
        graphicsBuffer_ = std::move(picture);
    }
    return true;
}

void PrinterEngine::OnBarCode(const Command& command) {
    const std::uint8_t m = command.At(2);
    std::span<const std::uint8_t> data;
    if (m <= 6) {
        data = command.bytes.subspan(3, command.bytes.size() - 3);
        if (!data.empty() && data.back() == 0) {
            data = data.first(data.size() - 1);
        }
    } else if (command.bytes.size() >= 4) {
        data = command.bytes.subspan(4);
    }
    if (auto picture = DrawBarCode(m, data, barCode_)) {
        PrintAlignedPicture(std::move(*picture));
    }
}

void PrinterEngine::OnSymbol(const Command& command) {
    // GS ( k pL pH cn fn ...: cn 48 PDF417, 49 QR Code.
    if (command.Truncated() || command.bytes.size() < 7) {
        return;
    }
    const std::uint8_t cn = command.At(5);
    if (cn != '0' && cn != '1') {
        return;
    }
    const bool qr = cn == '1';
    SymbolSettings& settings = symbols_[qr ? 1 : 0];
    std::vector<std::uint8_t>& stored = symbolData_[qr ? 1 : 0];
    const std::uint8_t fn = command.At(6);
    const std::uint8_t n = command.At(7);
    switch (fn) {
        case 'A':  // QR: model (49, 50; 51 micro). PDF417: columns
            if (qr) {
                settings.kind = n == '3' ? TwoDimensionalCode::MicroQr : TwoDimensionalCode::Qr;
            } else if (n <= 30) {
                settings.columns = n;
            }
            break;
        case 'C':  // module size
            if (n >= 1 && n <= 16) {
                settings.moduleSize = n;
            }
            break;
        case 'E':  // error correction: QR 48..51 (L, M, Q, H); PDF417 m = 48 and level 48..56
            if (qr && n >= '0' && n <= '3') {
                settings.errorCorrection = n - '0';
            } else if (!qr && n == '0' && command.At(8) >= '0' && command.At(8) <= '8') {
                settings.errorCorrection = command.At(8) - '0';
            }
            break;
        case 'P':  // store the data, after m
            if (command.bytes.size() >= 8) {
                stored.assign(command.bytes.begin() + 8, command.bytes.end());
            }
            break;
        case 'Q':  // print what is stored
            if (auto picture = DrawSymbol(stored, settings)) {
                PrintAlignedPicture(std::move(*picture));
            }
            break;
        default:
            break;
    }
}

}  // namespace vrtruty::emulator
