// The logo file list: the bitmap files the user prepares for registration in the printer, with
// their keycodes, colour modes, gradations, registration sizes and Register check marks, and the
// printer's logo information the sizes are weighed against.
//
// The list knows no window and no converter. Measuring a file is injected (MeasureLogo), and every
// message the rules call for comes back as a LogoMessage (a text number and its "%s" arguments)
// for the caller to show; where the user decides whether a batch goes on, the caller answers
// through a callback at the moment the message is due.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "lang/text_numbers.h"
#include "lang/text_table.h"
#include "logo/logo_entry.h"

namespace vrtruty::logo {

inline constexpr std::size_t kMaxLogoEntries = 60;      // rows of the file list
inline constexpr std::uint16_t kFirstKeycode = 0x2020;  // where the search for a free one starts
inline constexpr std::uint8_t kLowestKeycodeByte = 0x20;
inline constexpr std::uint8_t kHighestKeycodeByte = 0x7E;

// Measures the file of an entry: reads path, keycode, gradation and twoColours, sets size and
// returns 0 or a LOGO_ERR_ code. The two-level measure for kGradation2, the sixteen-level one in
// measuring mode for kGradation16.
using MeasureLogo = std::function<int(LogoEntry&)>;
// Asked after a file failed to measure (its message is MeasureFailureMessage(code, file)): true
// goes on with the next file (OK), false ends the batch (Cancel).
using ContinueAfterError = std::function<bool(int code, const std::string& file)>;
// A message for the caller to show: a text of the table and its "%s" arguments in order. An
// argument is literal text (a file name) or another text of the table.
struct LogoMessage {
    using Argument = std::variant<std::string, lang::TextNumber>;
    lang::TextNumber text = lang::MSG_NONE;
    std::vector<Argument> args;

    bool operator==(const LogoMessage&) const = default;
};
// Asked before a deletion: true for OK.
using ConfirmQuestion = std::function<bool(const LogoMessage& question)>;

// The message in the table's current language (at most two arguments, as every text here has).
std::string ComposeLogoMessage(const lang::TextTable& texts, const LogoMessage& message);

// The message of a file that failed to measure: too large, the file missing, out of memory, and
// for every other code that it is not a bitmap that can be registered.
LogoMessage MeasureFailureMessage(int code, std::string_view file);

// Keycodes as the list and the files show them: "%04X", kc2 (the high byte) first.
std::string FormatKeycode(std::uint16_t keycode);
// A typed keycode: one to four hexadecimal digits (blanks around them allowed) whose two bytes
// are both 0x20..0x7E; nothing otherwise.
std::optional<std::uint16_t> ParseKeycodeText(std::string_view text);
// The keycode after this one: the low byte counts up to 0x7E, then the high byte goes up and the
// low byte starts again at 0x20 (207E, 2120).
std::uint16_t StepKeycode(std::uint16_t keycode);
// Where the file name starts in a path: after the last '/' or '\' (list files written on Windows
// carry backslashes).
std::uint16_t FileNameOffset(std::string_view path);

// The texts of one row of the list view (the gradation column is "2" or "16" from the caller's
// language texts).
struct LogoRowTexts {
    std::string fileName;    // column 1: the path from nameOffset
    std::string size;        // column 2: decimal
    std::string keycode;     // column 3: "%04X"
    std::string twoColours;  // column 4: "*" or a single blank
    bool operator==(const LogoRowTexts&) const = default;
};
LogoRowTexts RowTexts(const LogoEntry& entry);

// The three figures under the lists, as they are shown.
struct SizeTexts {
    std::string maximum;              // "Maximum printer registration size :"
    std::string listRegistration;     // "Logo file list registration size :"
    std::string printerRegistration;  // "Printer registration size :"
    bool operator==(const SizeTexts&) const = default;
};

// Which overflow message UpdateLogoSizes gives.
enum class OverflowReport {
    None,          // recompute only
    AddOrEdit,     // MSG_L_10: the addition or edit cannot be performed
    ListTooLarge,  // MSG_L_11: the list as a whole exceeds the printer's maximum
};

struct SizeReport {
    bool withinCapacity = true;
    std::optional<LogoMessage> message;  // the overflow message, when one was asked for
};

// A file that did not enter the list.
struct LogoFileFailure {
    std::string file;  // full path
    int code = 0;      // the measuring result
    LogoMessage message;
};

// The outcome of adding or loading a batch of files.
struct LogoBatchResult {
    std::vector<std::size_t> added;         // rows appended, in order
    std::vector<LogoFileFailure> failures;  // files that failed to measure, in order
    bool cancelled = false;                 // the user ended the batch after a failure
    // The limit that ended the batch (MSG_L_10 free space, MSG_L_12 sixty rows); shown after it.
    std::optional<LogoMessage> stopMessage;
    // The size check that followed the batch's last change reported an overflow.
    std::optional<LogoMessage> overflowMessage;
};

enum class EditOutcome {
    NoEntry,        // the list is empty
    BadKeycode,     // MSG_L_17; nothing changed
    KeycodeInUse,   // MSG_L_19; nothing changed
    MeasureFailed,  // keycode stored, MSG_L_20 or MSG_L_21, colours and gradation unchanged
    Applied,        // keycode, colours, gradation and size stored
};
struct EditResult {
    EditOutcome outcome = EditOutcome::NoEntry;
    std::optional<LogoMessage> message;          // refusal or measuring failure
    std::optional<LogoMessage> overflowMessage;  // MSG_L_10 after the change
    // The overflow undid the two colours: the Two Colors box is to be cleared.
    bool twoColoursDropped = false;
};

struct CheckResult {
    bool checked = false;  // the row's mark after the change (an overflow unticks it again)
    std::optional<LogoMessage> overflowMessage;
};

struct DeleteResult {
    bool deleted = false;
    std::optional<LogoMessage> overflowMessage;
};

class LogoList {
  public:
    std::span<const LogoEntry> entries() const { return entries_; }
    std::size_t count() const { return entries_.size(); }
    // The selected row (the one the Edit group shows); 0 for an empty list.
    std::size_t current() const { return current_; }
    // Selects a row; an index beyond the list selects the last row.
    void SelectEntry(std::size_t index);

    // The printer's logo information, as the registration side last read it.
    std::span<const std::uint16_t> printerKeycodes() const { return printerKeycodes_; }
    // Keeps at most the first kMaxPrinterKeycodes.
    void SetPrinterKeycodes(std::span<const std::uint16_t> keycodes);
    std::int32_t capacity() const { return capacity_; }
    std::int32_t free() const { return free_; }
    void SetCapacity(std::int32_t capacity, std::int32_t free);
    bool printerInfoValid() const { return printerInfoValid_; }
    void SetPrinterInfoValid(bool valid) { printerInfoValid_ = valid; }

    // Sum of the sizes of the checked rows whose keycode the printer does not hold yet, as of the
    // last UpdateLogoSizes.
    std::int64_t listSize() const { return listSize_; }
    // Direction of the last sort of each list (each click reverses it; the first is ascending).
    bool sortAscending() const { return sortAscending_; }
    bool printerSortAscending() const { return printerSortAscending_; }

    // Recomputes listSize; false (with the requested message) when capacity - free + listSize
    // exceeds the capacity.
    SizeReport UpdateLogoSizes(OverflowReport mode);
    // The three figures, zero-padded to 7 digits for printer rows 0 and 29 and to 6 otherwise;
    // the printer's own figure is dashes while its information is not valid.
    SizeTexts SizeDisplay(std::size_t printerRow) const;
    // The Register button: a verified connection and at least one checked row.
    bool RegisterEnabled(bool connectionVerified) const;

    // The first keycode from start on that neither the printer nor a row of the list uses.
    std::uint16_t NextFreeKeycode(std::uint16_t start = kFirstKeycode) const;

    // Adds files (folder + name) with one gradation, each checked, in two colours off, under the
    // next free keycode. A file that fails to measure is reported through continueAfterError (an
    // empty callback goes on); exceeding the printer's free space or the sixty rows ends the
    // batch. The last added row becomes current.
    LogoBatchResult AddLogoFiles(std::string_view folder, std::span<const std::string> names,
                                 int gradation, const MeasureLogo& measure,
                                 const ContinueAfterError& continueAfterError);

    // Replaces the list by rows read from a list file, measuring each again. With checkSize, a
    // checked row that would take the checked sizes beyond the free space ends loading (MSG_L_10).
    // The rows accepted so far stay; row 1 becomes current.
    LogoBatchResult LoadRows(std::span<const LogoEntry> rows, bool checkSize,
                             const MeasureLogo& measure,
                             const ContinueAfterError& continueAfterError);

    // The Enter button: applies the typed keycode, the Two Colors box and the gradation to the
    // current row.
    EditResult EditCurrentEntry(std::string_view keycodeText, bool twoColours, int gradation,
                                const MeasureLogo& measure);

    // The user ticked or unticked a row; a tick that overflows the printer is taken back.
    CheckResult ChangeCheck(std::size_t index, bool checked);
    // Takes a check mark over from the list view without any size rule.
    void SetCheckMark(std::size_t index, bool checked);

    // Ask (MSG_L_15 with the file name, MSG_L_16) and delete; nothing happens on an empty list.
    // After a single deletion the row that moved up into its place (or the new last row) is
    // current.
    DeleteResult DeleteCurrentEntry(const ConfirmQuestion& confirm);
    DeleteResult DeleteAllEntries(const ConfirmQuestion& confirm);

    // Sorts the rows by a column: 0 check mark, 1 file name, 2 size, 3 keycode, 4 two colours,
    // 5 gradation. The current row stays selected where it moves to.
    void SortLogoList(int column);
    // Sorts the printer's keycodes, reversing that list's own direction.
    void SortPrinterKeycodes();

  private:
    std::int64_t ComputeListSize() const;
    bool KeycodeUsedByRow(std::uint16_t keycode, std::optional<std::size_t> except) const;
    bool KeycodeInPrinter(std::uint16_t keycode) const;

    std::vector<LogoEntry> entries_;  // at most kMaxLogoEntries, in display order
    std::size_t current_ = 0;
    std::vector<std::uint16_t> printerKeycodes_;
    std::int32_t capacity_ = 0;
    std::int32_t free_ = 0;
    std::int64_t listSize_ = 0;
    bool printerInfoValid_ = false;
    bool sortAscending_ = false;
    bool printerSortAscending_ = false;
};

}  // namespace vrtruty::logo
