// The virtual printer's protocol engine: takes the byte stream the utility sends, in reads of any
// size, and gives back the bytes a printer of the chosen model would answer, while printing text
// onto a paper sink and reporting buzzer, drawer and cutter activity.
//
// Commands are found through a table: each entry has the command's first bytes (its key), a rule
// that tells how long the command is, and a handler. The parser only delimits commands; what a
// command does lives in its handler, so new commands are a table entry, not a parser change.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/bar_codes.h"
#include "emulator/paper.h"
#include "emulator/user_settings.h"

namespace vrtruty::emulator {

// The queries the utility relies on; each can be silenced to play a printer that does not answer.
enum class Query : std::uint8_t {
    Reset3,       // "reset3": ESC = 2 "RESET3" ESC = 3
    BufferClear,  // "buffer-clear": DLE DC4 fn 8
    Status1,      // "status1": DLE EOT 1, printer status
    Status2,      // "status2": DLE EOT 2, off-line cause
    Status3,      // "status3": DLE EOT 3, error cause
    Status4,      // "status4": DLE EOT 4, roll paper sensor
    PrinterId,    // "id": GS I 67, model name
};

// The name used on the command line ("reset3", "buffer-clear", "status1".."status4", "id").
std::string_view QueryName(Query query);
std::optional<Query> ParseQueryName(std::string_view name);

// Conditions that take the printer off line.
struct Faults {
    bool offline = false;      // off line without any of the causes below
    bool coverOpen = false;    // cover open
    bool paperEnd = false;     // roll paper end
    bool cutterError = false;  // auto-cutter jammed

    bool Any() const { return offline || coverOpen || paperEnd || cutterError; }
};

// What the printer reports besides replies.
enum class EventKind : std::uint8_t {
    Buzzer,           // ESC p with m = 0x32
    Drawer1,          // ESC p with m = 0 or 0x30, DLE DC4 1 with m = 0: drawer kick connector pin 2
    Drawer2,          // ESC p with m = 1 or 0x31, DLE DC4 1 with m = 1: connector pin 5
    Cut,              // ESC m, ESC i, GS V
    SettingsApplied,  // GS ( E function 2 put the settings written in user-setting mode in force
    Restart,          // the printer restarts with them; see PrinterEngine::Restarting
    SettingListPrinted,  // GS ( A printed the setting list
};

// "buzzer", "drawer 1", "drawer 2", "cut", "settings applied", "restart", "setting list printed".
std::string_view EventName(EventKind kind);

struct PrinterEngineOptions {
    std::string model = "TR-770II";  // display name in the model catalogue
    std::string modelTag;            // answer to GS I 67; empty: the catalogue's tag of the model
    Faults faults;
    std::set<Query> noReply;  // queries that are consumed without an answer
    // What the user-setting memory holds at power-on; none: the model's factory values.
    std::optional<UserSettings> settings;
    BadReplies badReplies;  // settings queries answered wrongly on purpose
};

// The catalogue's model tag ("_TR-770") of a display name; nothing for an unknown name.
std::optional<std::string> CatalogueModelTag(std::string_view displayName);

// Code page, international character set and font: what ESC t, ESC R and ESC M change, and what
// GS ( M stores as power-on defaults.
struct CharacterSettings {
    std::uint8_t codePage = 0;      // PC437
    std::uint8_t characterSet = 0;  // America
    FontKind font = FontKind::A;

    bool operator==(const CharacterSettings&) const = default;
};

// One command as the parser delimited it.
struct Command {
    std::span<const std::uint8_t> bytes;  // from the first byte on, as far as it was kept
    std::uint64_t size = 0;               // bytes the command took in the stream

    // A long payload is kept only up to PrinterEngine::kMaxKeptCommandBytes.
    bool Truncated() const { return bytes.size() < size; }
    // Byte at an index, 0 when it is beyond what was kept.
    std::uint8_t At(std::size_t index) const { return index < bytes.size() ? bytes[index] : 0; }
};

// The length of a command, judged from the bytes collected so far. The parser asks again
// whenever that many bytes have arrived; the command is complete when the answer does not
// exceed what is there. A rule needing more header bytes answers with the header's length.
using ExtentRule = std::function<std::uint64_t(std::span<const std::uint8_t> bytesSoFar)>;

// A command of exactly this many bytes, key included.
ExtentRule FixedExtent(std::size_t size);
// A command whose parameter bytes at `offset` hold the payload length, low byte first, in
// `lengthBytes` bytes (2: GS ( x pL pH, FS ( x pL pH; 4: GS 8 L p1 p2 p3 p4).
ExtentRule PrefixedExtent(std::size_t offset, std::size_t lengthBytes);

// Runs for a complete command and appends the printer's answer, if any, to `reply`.
using CommandHandler =
    std::function<void(const Command& command, std::vector<std::uint8_t>& reply)>;

struct CommandDefinition {
    std::vector<std::uint8_t> key;  // the first bytes; the longest matching key wins
    ExtentRule extent;
    CommandHandler handler;  // none: the command is consumed and ignored
    bool realTime = false;   // also handled while ESC = has disabled the printer
};

class PrinterEngine {
  public:
    using EventCallback = std::function<void(EventKind)>;

    // Most bytes of one command that are kept for its handler (a logo's raster data fits);
    // the rest of a longer command is skipped.
    static constexpr std::size_t kMaxKeptCommandBytes = 1 << 20;

    // Throws std::invalid_argument when the model is not in the catalogue and no tag is given.
    PrinterEngine(PrinterEngineOptions options, PaperSink& paper, EventCallback onEvent = {});
    PrinterEngine(const PrinterEngine&) = delete;
    PrinterEngine& operator=(const PrinterEngine&) = delete;

    // Takes the next bytes of the stream and returns what the printer answers to them. A command
    // may end in a later call; its answer comes with the call that completes it.
    std::vector<std::uint8_t> Feed(std::span<const std::uint8_t> bytes);

    // The connection the stream came over has ended: a command it left unfinished ends with
    // it, so that its announced length does not swallow the next client's data.
    void EndOfConnection() { ResetParser(); }

    // Adds a command to the table, or replaces the entry with the same key.
    void DefineCommand(CommandDefinition definition);
    // Gives an entry of the table a new handler, keeping its length rule; false when no entry
    // has this key.
    bool SetHandler(std::span<const std::uint8_t> key, CommandHandler handler);

    const std::string& ModelTag() const { return modelTag_; }

    // GS ( L / GS 8 L functions 112 (store a picture in the print buffer) and 50 (print it):
    // whoever takes GS ( L over passes these functions on. False for other functions.
    bool OnGraphicsBuffer(std::span<const std::uint8_t> parameters);
    // Faults can change while the printer runs, as a cover is opened or paper runs out. While
    // the cover is open, the paper ended or the cutter jammed, nothing is printed or cut: what
    // arrives waits in the receive buffer (real-time commands are still answered) and is
    // processed when the fault clears. Returns what the printer answers then: the replies of
    // the held data, and the automatic status when GS a asked for it.
    std::vector<std::uint8_t> SetFaults(const Faults& faults);
    // Whether a fault holds the print.
    bool Holding() const;
    // Most bytes the receive buffer holds during a fault; more is lost.
    static constexpr std::size_t kReceiveBufferBytes = 1 << 22;
    // The byte DLE EOT n answers (n = 1..4); nothing for other n.
    std::optional<std::uint8_t> StatusByte(std::uint8_t n) const;

    const CharacterSettings& Current() const { return current_; }
    // What ESC @, RESET3 and a restart begin with: the storage area chosen by GS ( M function 3.
    CharacterSettings PowerOnSettings() const;
    bool KanjiMode() const { return kanjiMode_; }

    // The user settings in force, and whether user-setting mode is on.
    const UserSettings& Settings() const { return userSetup_.Settings(); }
    bool InUserSettingMode() const { return userSetup_.InSetupMode(); }

    // Where the settings go when user-setting mode ends: called with the new settings before the
    // SettingsApplied event, so that whoever sees the event finds them stored.
    using SettingsStore = std::function<void(const UserSettings&)>;
    void SetSettingsStore(SettingsStore store) { settingsStore_ = std::move(store); }

    // After applying new settings the printer restarts, and a restarting printer takes nothing:
    // Feed ignores every byte, the rest of the read that ended the mode included, until the
    // owner, who keeps the time (about one second on a real printer), calls FinishRestart.
    bool Restarting() const { return restarting_; }
    void FinishRestart() { restarting_ = false; }

  private:
    struct Entry {
        ExtentRule extent;
        CommandHandler handler;
        bool realTime = false;
    };
    using Key = std::vector<std::uint8_t>;

    void DefineBuiltInCommands();
    void RebuildKeyIndex();
    void ProcessByte(std::uint8_t byte);
    void Parse(std::uint8_t byte);
    void MatchKey();
    void ContinueCommand();
    void CompleteCommand();
    void ResetParser();
    void ClearBuffers();
    void PowerOnReset();
    bool WatchRealTimeSequences(std::uint8_t byte);
    bool RecentBytesEndWith(std::span<const std::uint8_t> sequence) const;
    void PrintText(std::uint8_t byte);
    void AddGlyph(GlyphKind kind, std::uint16_t code);
    void PrintCurrentLine();
    // Prints what the line buffer holds, if anything; pictures start on a line of their own.
    void FinishLine();
    // Feeds the paper by `dots`, printing the line buffer with it.
    void FeedDots(int dots);
    void ResetTextModes();
    // The left edge, on the paper, of a picture `width` dots wide placed as ESC a says.
    int AlignedLeft(int width) const;
    void PrintAlignedPicture(PrintedPicture picture);
    void Answer(Query query, std::span<const std::uint8_t> bytes);
    void Emit(EventKind kind);
    void Initialise();
    void AttachUserSetup();
    void OnUserSetup(const Command& command);
    void OnTestPrint(const Command& command);
    void PrintSettingList();

    // Built-in handlers.
    void OnStatusRequest(const Command& command);
    void OnPrinterId(const Command& command);
    // Real-time commands are taken where they stand in the stream, even inside another
    // command's data or while a fault holds the rest; true when `byte` completed one. `before`:
    // bytes of the command being collected before this one; a real-time command that began the
    // command being collected is the parser's to run.
    bool ScanRealTimeCommand(std::uint8_t byte, std::size_t before);
    void OnRecover(std::uint8_t n);
    std::array<std::uint8_t, 4> AutomaticStatus() const;
    std::uint8_t PaperSensorStatus() const;
    void OnStoredDefaults(const Command& command);
    void OnSelectFont(std::uint8_t n);
    void OnPulse(std::uint8_t m);
    void OnCut();
    void OnTab();
    void OnTabPositions(const Command& command);
    void OnFeedLines(std::uint8_t lines);
    void OnPrintModes(std::uint8_t n);
    void OnCharacterSize(std::uint8_t n);
    void OnPrintArea(const Command& command, bool width);
    void OnBitImage(const Command& command);
    void OnRasterImage(const Command& command);
    void OnBarCode(const Command& command);
    void OnSymbol(const Command& command);

    PrinterEngineOptions options_;
    std::string modelTag_;
    PaperSink& paper_;
    EventCallback onEvent_;

    std::map<Key, Entry> commands_;
    std::set<Key> keyPrefixes_;              // every proper prefix of a key
    std::array<bool, 256> startsCommand_{};  // first bytes of the keys

    // Parser state: the command being collected.
    bool inCommand_ = false;
    const Entry* entry_ = nullptr;  // null while the key is still being matched
    Key pending_;                   // the command's bytes, up to the kept maximum
    std::uint64_t seen_ = 0;        // bytes of the command so far, kept or skipped
    std::uint64_t extent_ = 0;      // length the rule gave last
    std::optional<std::uint8_t> kanjiLead_;
    // The last bytes received, for the sequences honoured even inside another command.
    std::array<std::uint8_t, 16> recent_{};
    std::size_t recentCount_ = 0;

    // Printer state.
    bool enabled_ = true;             // ESC = n bit 0
    bool pulseEnabled_ = true;        // DLE DC4 1, unless GS ( D function 20 turned it off
    bool automaticStatus_ = false;    // GS a n with n not 0
    std::vector<std::uint8_t> held_;  // received while a fault holds the print
    bool kanjiMode_ = false;
    bool shiftJis_ = false;  // FS C 1; FS C 0 is JIS
    CharacterSettings current_;
    std::array<CharacterSettings, 3> storage_{};  // area 0 holds the factory settings
    int powerOnArea_ = 0;
    PrintedLine line_;
    int x_ = 0;  // print position in the line, dots from the start of the print area
    TextStyle style_;
    Alignment alignment_ = Alignment::Left;
    bool upsideDown_ = false;
    int lineSpacing_ = kLinePitchDots;
    int margin_ = 0;
    int areaWidth_ = kPaperWidthDots;
    int rightSpacing_ = 0;         // dots after each character (ESC SP)
    std::vector<int> tabColumns_;  // ESC D; empty: every eight characters
    BarCodeSettings barCode_;
    std::array<SymbolSettings, 2> symbols_{};              // PDF417, QR Code
    std::array<std::vector<std::uint8_t>, 2> symbolData_;  // stored with GS ( k function 80
    std::optional<PrintedPicture> graphicsBuffer_;         // stored with GS ( L function 112
    std::vector<std::uint8_t> reply_;

    // User settings.
    UserSetup userSetup_;
    SettingsStore settingsStore_;
    bool restarting_ = false;
};

}  // namespace vrtruty::emulator
