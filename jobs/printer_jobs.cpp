#include "jobs/printer_jobs.h"

#include <array>
#include <cerrno>
#include <cstddef>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <new>
#include <system_error>
#include <utility>

#include "platform/files.h"

namespace vrtruty::tools {
namespace {

// The printer error code for a buffer that could not be allocated. Local until the shared list
// of printer error codes exists; the value must stay the same as there.
constexpr int PRT_ERR_MEMORY = -13;

constexpr std::uint8_t ESC = 0x1B;
constexpr std::uint8_t FS = 0x1C;
constexpr std::uint8_t GS = 0x1D;
constexpr std::uint8_t LF = 0x0A;
constexpr std::uint8_t CR = 0x0D;

struct CodePage {
    std::string_view name;
    std::uint8_t table;  // n of ESC t n; not the list index, the printer numbers its tables apart
};

// In list order: the list index is the position here plus one.
// clang-format off
constexpr std::array<CodePage, 22> kCodePages{{
    {"PC437", 0x00},
    {"Katakana", 0x01},
    {"PC850", 0x02},
    {"PC860", 0x03},
    {"PC863", 0x04},
    {"PC865", 0x05},
    {"WPC1252", 0x10},
    {"PC866", 0x11},
    {"PC852", 0x12},
    {"PC858", 0x13},
    {"Thai Code Page", 0xF8},
    {"MIK", 0xFE},
    {"Blank Page", 0xFF},
    {"PC857", 0x08},
    {"Thai code 18", 0x1A},
    {"PC864", 0x28},
    {"PC851", 0xF9},
    {"PC869", 0xFA},
    {"ISO8859-2", 0xFB},
    {"ISO8859-7", 0xFC},
    {"PC866 Type2", 0xFD},
    {"TCVN 5712", 0xF7},
}};
// clang-format on

constexpr auto kCodePageNames = [] {
    std::array<std::string_view, kCodePages.size()> names{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = kCodePages[i].name;
    }
    return names;
}();

// ESC R n and ESC M n number these lists from 0, one below the list index.
constexpr std::array<std::string_view, 16> kInternationalCharacterNames{
    "America",          "France", "Germany", "Britain",    "Denmark I", "Sweden",        "Italy",
    "Spain I",          "Japan",  "Norway",  "Denmark II", "Spain II",  "Latin America", "Korea",
    "Slovenia/Croatia", "China"};
constexpr std::array<std::string_view, 3> kFontNames{"Font A", "Font B", "Font C"};

// GS ( M with function 2 (load storage area 1 into the work area), 1 (save the work area into
// storage area 1) and 3 (use storage area 1 at initialisation). Loading first keeps the stored
// values of the lists left on "Not Change".
constexpr std::array<std::uint8_t, 7> kLoadStoredSettings{GS, '(', 'M', 0x02, 0x00, 0x02, 0x01};
constexpr std::array<std::uint8_t, 7> kSaveStoredSettings{GS, '(', 'M', 0x02, 0x00, 0x01, 0x01};
constexpr std::array<std::uint8_t, 7> kUseStoredAtStart{GS, '(', 'M', 0x02, 0x00, 0x03, 0x01};

// FS C 0: two-byte codes are read as JIS.
constexpr std::array<std::uint8_t, 3> kJisKanjiCodes{FS, 'C', 0x00};
// The kanji sample row: first byte 0x30, second bytes in two runs. The second run repeats 2A..2C;
// kept so the page stays the one users compare their printouts with.
constexpr std::uint8_t kKanjiFirstByte = 0x30;
constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 2> kKanjiRuns{
    {{0x21, 0x2C}, {0x2A, 0x2E}}};
// Paper fed before the cut so that the last printed line clears the cutter.
constexpr std::size_t kFeedLinesBeforeCut = 6;

constexpr std::string_view kHeadTestTitle = "Head Print Test";
constexpr std::size_t kHeadTestLines = 5;
constexpr std::size_t kHeadTestLineWidth = 48;
// m of ESC p m t1 t2: the drawer kick connector pins 2 and 5, and the buzzer.
constexpr std::uint8_t kDrawerPin2 = 0x30;
constexpr std::uint8_t kDrawerPin5 = 0x31;
constexpr std::uint8_t kBuzzer = 0x32;
// On and off time of ESC p in units of 2 ms: 160 ms each.
constexpr std::uint8_t kPulseTime = 0x50;
constexpr std::size_t kBuzzerBeeps = 3;

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& out, std::span<const std::uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void Append(Bytes& out, std::initializer_list<std::uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void Append(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

// The list index when it names an entry of a list of `count` entries, 0 ("Not Change") otherwise.
int Chosen(int index, std::size_t count) {
    return index >= 1 && static_cast<std::size_t>(index) <= count ? index : 0;
}

std::uint8_t HexDigit(std::size_t value) {
    return static_cast<std::uint8_t>("0123456789ABCDEF"[value]);
}

void AppendCodeTableRows(Bytes& out) {
    Append(out, "  ");
    for (std::size_t column = 0; column < 16; ++column) {
        if (column > 0) {
            out.push_back(' ');
        }
        out.push_back(HexDigit(column));
    }
    Append(out, {CR, LF});

    // Columns 0 and 1 would be control codes, which the printer acts on instead of printing.
    for (std::size_t row = 0; row < 16; ++row) {
        out.push_back(HexDigit(row));
        for (std::size_t column = 0; column < 16; ++column) {
            out.push_back(' ');
            out.push_back(column < 2 ? ' ' : static_cast<std::uint8_t>(column * 16 + row));
        }
        Append(out, {CR, LF});
    }
}

void AppendKanjiSample(Bytes& out) {
    Append(out, {FS, '&'});  // kanji mode on
    Append(out, kJisKanjiCodes);
    for (const auto& [first, last] : kKanjiRuns) {
        for (unsigned second = first; second <= last; ++second) {
            Append(out, {kKanjiFirstByte, static_cast<std::uint8_t>(second)});
        }
    }
    Append(out, {CR, LF});
}

void AppendFeedAndCut(Bytes& out) {
    out.insert(out.end(), kFeedLinesBeforeCut, LF);
    Append(out, {ESC, 'm'});  // partial cut
}

Bytes PrinterTestBytes(PrinterTest test) {
    Bytes out;
    switch (test) {
        case PrinterTest::Head:
            Append(out, kHeadTestTitle);
            Append(out, {LF, LF});
            for (std::size_t line = 0; line < kHeadTestLines; ++line) {
                out.insert(out.end(), kHeadTestLineWidth, '/');
                out.push_back(LF);
            }
            out.push_back(LF);
            break;
        case PrinterTest::Buzzer:
            for (std::size_t beep = 0; beep < kBuzzerBeeps; ++beep) {
                Append(out, {ESC, 'p', kBuzzer, kPulseTime, kPulseTime});
            }
            break;
        case PrinterTest::Cutter:
            AppendFeedAndCut(out);
            break;
        case PrinterTest::Drawer1:
            Append(out, {ESC, 'p', kDrawerPin2, kPulseTime, kPulseTime});
            break;
        case PrinterTest::Drawer2:
            Append(out, {ESC, 'p', kDrawerPin5, kPulseTime, kPulseTime});
            break;
    }
    return out;
}

}  // namespace

std::span<const std::string_view> CodePageNames() {
    return kCodePageNames;
}

std::span<const std::string_view> InternationalCharacterNames() {
    return kInternationalCharacterNames;
}

std::span<const std::string_view> FontNames() {
    return kFontNames;
}

std::vector<std::uint8_t> BuildChangeDefaultsBuffer(const DefaultValueChoice& choice) {
    const int codePage = Chosen(choice.codePage, kCodePages.size());
    const int character =
        Chosen(choice.internationalCharacter, kInternationalCharacterNames.size());
    const int font = Chosen(choice.font, kFontNames.size());
    if (codePage == 0 && character == 0 && font == 0) {
        return {};
    }

    Bytes out;
    Append(out, kLoadStoredSettings);
    if (codePage != 0) {
        Append(out, {ESC, 't', kCodePages[static_cast<std::size_t>(codePage - 1)].table});
    }
    if (character != 0) {
        Append(out, {ESC, 'R', static_cast<std::uint8_t>(character - 1)});
    }
    if (font != 0) {
        const auto n = static_cast<std::uint8_t>(font - 1);
        // FS ( A function 48 picks the kanji font of the same letter, so that two-byte
        // characters keep matching the chosen font.
        Append(out, {ESC, 'M', n, FS, '(', 'A', 0x02, 0x00, 0x30, n});
    }
    Append(out, kSaveStoredSettings);
    Append(out, kUseStoredAtStart);
    return out;
}

std::vector<std::uint8_t> BuildCodeTablePage() {
    Bytes out;
    Append(out, {ESC, '@'});
    AppendCodeTableRows(out);
    out.push_back(LF);
    AppendKanjiSample(out);
    AppendFeedAndCut(out);
    // Leaves the printer out of kanji mode for whatever is printed next.
    Append(out, {ESC, '@'});
    return out;
}

std::vector<std::uint8_t> BuildPrinterTestBuffer(PrinterTest test, bool errorAutoRecover) {
    Bytes out;
    if (errorAutoRecover) {
        Append(out, kErrorRecoveryPrefix);
    }
    Append(out, PrinterTestBytes(test));
    return out;
}

// No size limit: the file is sent as one job, so it has to fit in memory as a whole, and a file
// too large for that is reported as an allocation failure.
SendFileResult LoadSendFile(const std::filesystem::path& path, bool errorAutoRecover) {
    if (path.empty()) {
        return {SEND_ERR_NOPATH, {}, std::make_error_code(std::errc::no_such_file_or_directory)};
    }
    // Only regular files: a folder cannot be sent, and a device or pipe could block the check
    // that runs on every change of the path field, or never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        if (!error) {
            error = std::make_error_code(std::filesystem::exists(path, error)
                                             ? std::errc::is_a_directory
                                             : std::errc::no_such_file_or_directory);
        }
        return {SEND_ERR_NOFILE, {}, error};
    }
    const std::uintmax_t length = std::filesystem::file_size(path, error);
    if (error) {
        return {SEND_ERR_NOFILE, {}, error};
    }

    try {
        std::optional<Bytes> content = platform::ReadFileBytes(path);
        if (!content) {
            // The reader does not tell a file it could not open from one it could not read.
            errno = 0;
            const bool opens = std::ifstream(path, std::ios::binary).is_open();
            const std::error_code reason = opens || errno == 0
                                               ? std::make_error_code(std::errc::io_error)
                                               : std::error_code(errno, std::generic_category());
            return {opens ? SEND_ERR_READ : SEND_ERR_NOFILE, {}, reason};
        }
        if (content->size() < length) {
            return {SEND_ERR_READ, {}, std::make_error_code(std::errc::io_error)};
        }
        // A file that grew while being read is sent with the length it had when it was checked.
        content->resize(static_cast<std::size_t>(length));
        if (!errorAutoRecover) {
            return {0, std::move(*content), {}};
        }
        Bytes buffer;
        buffer.reserve(std::size(kErrorRecoveryPrefix) + content->size());
        Append(buffer, kErrorRecoveryPrefix);
        Append(buffer, *content);
        return {0, std::move(buffer), {}};
    } catch (const std::bad_alloc&) {
        return {PRT_ERR_MEMORY, {}, std::make_error_code(std::errc::not_enough_memory)};
    }
}

}  // namespace vrtruty::tools
