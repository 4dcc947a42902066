#include "logo/logo_list.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <numeric>
#include <utility>

#include "core/unicode.h"
#include "lang/messages.h"

namespace vrtruty::logo {
namespace {

// Printer rows whose registration sizes reach seven digits (the rows with 16-level gradation).
constexpr std::size_t kWideFigureRows[] = {0, 29};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool IsKeycodeByte(unsigned byte) {
    return byte >= kLowestKeycodeByte && byte <= kHighestKeycodeByte;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) {
        return std::string(name);
    }
    std::string path(folder);
    if (path.back() != '/' && path.back() != '\\') {
        path += '/';
    }
    path += name;
    return path;
}

std::string_view FileNamePart(const LogoEntry& entry) {
    const std::string_view path = entry.path;
    return path.substr(std::min<std::size_t>(entry.nameOffset, path.size()));
}

template <typename T>
int ThreeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The order of one list column; file names compare by their UTF-16 code units, case and all.
int CompareByColumn(const LogoEntry& a, const LogoEntry& b, int column) {
    switch (column) {
        case 0:
            return ThreeWay(a.checked, b.checked);
        case 1:
            return ThreeWay(app::Utf8ToUtf16(FileNamePart(a)), app::Utf8ToUtf16(FileNamePart(b)));
        case 2:
            return ThreeWay(a.size, b.size);
        case 3:
            return ThreeWay(a.keycode, b.keycode);
        case 4:
            return ThreeWay(a.twoColours, b.twoColours);
        default:
            return ThreeWay(a.gradation, b.gradation);
    }
}

// The list's quicksort: the first element of a range is the pivot, one pass moves the elements
// that belong in front of it to the front, the pivot goes between the two parts, then both parts
// are sorted. Elements equal to the pivot stay behind it; users see that order, so it is kept
// rather than left to a library sort.
template <typename T, typename Before>
void QuickSort(std::span<T> range, const Before& before) {
    if (range.size() < 2) {
        return;
    }
    std::size_t last = 0;
    for (std::size_t i = 1; i < range.size(); ++i) {
        if (before(range[i], range[0])) {
            ++last;
            std::swap(range[last], range[i]);
        }
    }
    std::swap(range[0], range[last]);
    QuickSort(range.first(last), before);
    QuickSort(range.subspan(last + 1), before);
}

std::string Figure(std::int64_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*" PRId64, width, value);
    return text;
}

// Records a file that failed to measure; false when the user chose to stop there.
bool NoteMeasureFailure(LogoBatchResult& result, int code, const std::string& file,
                        const ContinueAfterError& continueAfterError) {
    result.failures.push_back({file, code, MeasureFailureMessage(code, file)});
    if (continueAfterError && !continueAfterError(code, file)) {
        result.cancelled = true;
        return false;
    }
    return true;
}

}  // namespace

std::string ComposeLogoMessage(const lang::TextTable& texts, const LogoMessage& message) {
    std::vector<std::string> args;
    for (const LogoMessage::Argument& arg : message.args) {
        if (const auto* literal = std::get_if<std::string>(&arg)) {
            args.push_back(*literal);
        } else {
            args.push_back(texts.Text(std::get<lang::TextNumber>(arg)));
        }
    }
    args.resize(std::max<std::size_t>(args.size(), 2));
    return lang::FormatText(texts.Text(message.text), {args[0], args[1]});
}

LogoMessage MeasureFailureMessage(int code, std::string_view file) {
    switch (code) {
        case LOGO_ERR_SIZE:
            return {lang::MSG_L_13, {std::string(file), lang::MSG_L_13_1}};
        case LOGO_ERR_OPEN:
            return {lang::MSG_L_18, {std::string(file), lang::MSG_L_18_1}};
        case LOGO_ERR_MEMORY:
            return {lang::ERR_9001, {}};
        default:
            return {lang::MSG_L_14, {std::string(file), lang::MSG_L_13_1}};
    }
}

std::string FormatKeycode(std::uint16_t keycode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(keycode));
    return text;
}

std::optional<std::uint16_t> ParseKeycodeText(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    if (!IsKeycodeByte(value & 0xFF) || !IsKeycodeByte(value >> 8)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::uint16_t StepKeycode(std::uint16_t keycode) {
    const unsigned low = keycode & 0xFFu;
    const unsigned high = keycode >> 8;
    if (low >= kHighestKeycodeByte) {
        return static_cast<std::uint16_t>(((high + 1) << 8) | kLowestKeycodeByte);
    }
    return static_cast<std::uint16_t>(keycode + 1);
}

std::uint16_t FileNameOffset(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t offset = slash == std::string_view::npos ? 0 : slash + 1;
    return static_cast<std::uint16_t>(std::min<std::size_t>(offset, 0xFFFF));
}

LogoRowTexts RowTexts(const LogoEntry& entry) {
    return {std::string(FileNamePart(entry)), std::to_string(entry.size),
            FormatKeycode(entry.keycode), entry.twoColours ? "*" : " "};
}

void LogoList::SelectEntry(std::size_t index) {
    current_ = entries_.empty() ? 0 : std::min(index, entries_.size() - 1);
}

void LogoList::SetPrinterKeycodes(std::span<const std::uint16_t> keycodes) {
    const auto kept = keycodes.first(std::min(keycodes.size(), kMaxPrinterKeycodes));
    printerKeycodes_.assign(kept.begin(), kept.end());
}

void LogoList::SetCapacity(std::int32_t capacity, std::int32_t free) {
    capacity_ = capacity;
    free_ = free;
}

bool LogoList::KeycodeInPrinter(std::uint16_t keycode) const {
    return std::ranges::find(printerKeycodes_, keycode) != printerKeycodes_.end();
}

bool LogoList::KeycodeUsedByRow(std::uint16_t keycode, std::optional<std::size_t> except) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (i != except && entries_[i].keycode == keycode) {
            return true;
        }
    }
    return false;
}

std::int64_t LogoList::ComputeListSize() const {
    std::int64_t sum = 0;
    for (const LogoEntry& entry : entries_) {
        // A logo the printer already holds under this keycode is replaced in place: it takes no
        // further room.
        if (entry.checked && !KeycodeInPrinter(entry.keycode)) {
            sum += entry.size;
        }
    }
    return sum;
}

SizeReport LogoList::UpdateLogoSizes(OverflowReport mode) {
    listSize_ = ComputeListSize();
    SizeReport report;
    report.withinCapacity = std::int64_t{capacity_} - free_ + listSize_ <= capacity_;
    if (!report.withinCapacity) {
        if (mode == OverflowReport::AddOrEdit) {
            report.message = LogoMessage{lang::MSG_L_10, {}};
        } else if (mode == OverflowReport::ListTooLarge) {
            report.message = LogoMessage{lang::MSG_L_11, {}};
        }
    }
    return report;
}

SizeTexts LogoList::SizeDisplay(std::size_t printerRow) const {
    const bool wide = std::ranges::find(kWideFigureRows, printerRow) != std::end(kWideFigureRows);
    const int width = wide ? 7 : 6;
    const std::int64_t registered = std::int64_t{capacity_} - free_;
    return {Figure(capacity_, width), Figure(registered + listSize_, width),
            printerInfoValid_ ? Figure(registered, width)
                              : std::string(static_cast<std::size_t>(width), '-')};
}

bool LogoList::RegisterEnabled(bool connectionVerified) const {
    return connectionVerified &&
           std::ranges::any_of(entries_, [](const LogoEntry& e) { return e.checked; });
}

std::uint16_t LogoList::NextFreeKeycode(std::uint16_t start) const {
    std::uint16_t candidate = start;
    // The printer holds at most 255 keycodes and the list 60, far fewer than the 95 x 95 there
    // are, so the search ends long before the bound; the bound only guards against a loop.
    for (unsigned tries = 0; tries <= 0xFFFF; ++tries) {
        if ((candidate >> 8) > kHighestKeycodeByte) {
            candidate = kFirstKeycode;
        }
        if (!KeycodeInPrinter(candidate) && !KeycodeUsedByRow(candidate, std::nullopt)) {
            break;
        }
        candidate = StepKeycode(candidate);
    }
    return candidate;
}

LogoBatchResult LogoList::AddLogoFiles(std::string_view folder, std::span<const std::string> names,
                                       int gradation, const MeasureLogo& measure,
                                       const ContinueAfterError& continueAfterError) {
    LogoBatchResult result;
    std::uint16_t start = kFirstKeycode;
    for (const std::string& name : names) {
        LogoEntry entry;
        entry.path = JoinPath(folder, name);
        entry.nameOffset = FileNameOffset(entry.path);
        entry.gradation = gradation == kGradation16 ? kGradation16 : kGradation2;
        entry.checked = true;
        // The keycode is known before measuring so that the sixteen-level conversion, which
        // builds a command for it, is handed a valid one.
        entry.keycode = NextFreeKeycode(start);

        const int code = measure(entry);
        if (code != 0) {
            if (!NoteMeasureFailure(result, code, entry.path, continueAfterError)) {
                break;
            }
            continue;
        }
        if (ComputeListSize() + entry.size > free_) {
            result.stopMessage = LogoMessage{lang::MSG_L_10, {}};
            break;
        }
        if (entries_.size() + 1 > kMaxLogoEntries) {
            result.stopMessage = LogoMessage{lang::MSG_L_12, {}};
            break;
        }
        start = entry.keycode;
        entries_.push_back(std::move(entry));
        current_ = entries_.size() - 1;
        result.added.push_back(current_);
        result.overflowMessage = UpdateLogoSizes(OverflowReport::AddOrEdit).message;
    }
    return result;
}

LogoBatchResult LogoList::LoadRows(std::span<const LogoEntry> rows, bool checkSize,
                                   const MeasureLogo& measure,
                                   const ContinueAfterError& continueAfterError) {
    LogoBatchResult result;
    entries_.clear();
    current_ = 0;
    std::int64_t checkedSizes = 0;
    for (const LogoEntry& row : rows) {
        LogoEntry entry = row;
        entry.command.clear();
        // The stored size may come from another converter or a changed file: only the file
        // itself counts.
        const int code = measure(entry);
        if (code != 0) {
            if (!NoteMeasureFailure(result, code, entry.path, continueAfterError)) {
                break;
            }
            continue;
        }
        if (checkSize && entry.checked && checkedSizes + entry.size > free_) {
            result.stopMessage = LogoMessage{lang::MSG_L_10, {}};
            break;
        }
        if (entries_.size() + 1 > kMaxLogoEntries) {
            result.stopMessage = LogoMessage{lang::MSG_L_12, {}};
            break;
        }
        if (entry.checked) {
            checkedSizes += entry.size;
        }
        entries_.push_back(std::move(entry));
        result.added.push_back(entries_.size() - 1);
    }
    result.overflowMessage =
        UpdateLogoSizes(checkSize ? OverflowReport::AddOrEdit : OverflowReport::None).message;
    return result;
}

EditResult LogoList::EditCurrentEntry(std::string_view keycodeText, bool twoColours, int gradation,
                                      const MeasureLogo& measure) {
    EditResult result;
    if (entries_.empty()) {
        return result;
    }
    const auto keycode = ParseKeycodeText(keycodeText);
    if (!keycode) {
        result.outcome = EditOutcome::BadKeycode;
        result.message = LogoMessage{lang::MSG_L_17, {}};
        return result;
    }
    // Only the list's own rows count: a keycode the printer holds may be chosen to replace
    // that logo.
    if (KeycodeUsedByRow(*keycode, current_)) {
        result.outcome = EditOutcome::KeycodeInUse;
        result.message = LogoMessage{lang::MSG_L_19, {}};
        return result;
    }
    LogoEntry& row = entries_[current_];
    row.keycode = *keycode;

    LogoEntry changed = row;
    changed.twoColours = twoColours;
    changed.gradation = gradation == kGradation16 ? kGradation16 : kGradation2;
    const int code = measure(changed);
    if (code == 0) {
        row.size = changed.size;
        row.twoColours = changed.twoColours;
        row.gradation = changed.gradation;
        result.outcome = EditOutcome::Applied;
    } else {
        result.outcome = EditOutcome::MeasureFailed;
        result.message = LogoMessage{code == LOGO_ERR_FORMAT ? lang::MSG_L_20 : lang::MSG_L_21, {}};
    }

    const SizeReport report = UpdateLogoSizes(OverflowReport::AddOrEdit);
    if (!report.withinCapacity) {
        // Two colours double a logo's size, so they are what gives way; the gradation stays.
        result.overflowMessage = report.message;
        LogoEntry plain = row;
        plain.twoColours = false;
        if (measure(plain) == 0) {
            row.size = plain.size;
        }
        row.twoColours = false;
        result.twoColoursDropped = true;
        UpdateLogoSizes(OverflowReport::None);
    }
    return result;
}

CheckResult LogoList::ChangeCheck(std::size_t index, bool checked) {
    CheckResult result;
    if (index >= entries_.size()) {
        return result;
    }
    entries_[index].checked = checked;
    if (!checked) {
        UpdateLogoSizes(OverflowReport::None);
        return result;
    }
    const SizeReport report = UpdateLogoSizes(OverflowReport::AddOrEdit);
    if (!report.withinCapacity) {
        entries_[index].checked = false;
        UpdateLogoSizes(OverflowReport::None);
        result.overflowMessage = report.message;
        return result;
    }
    result.checked = true;
    return result;
}

void LogoList::SetCheckMark(std::size_t index, bool checked) {
    if (index < entries_.size()) {
        entries_[index].checked = checked;
    }
}

DeleteResult LogoList::DeleteCurrentEntry(const ConfirmQuestion& confirm) {
    DeleteResult result;
    if (entries_.empty()) {
        return result;
    }
    const LogoMessage question{lang::MSG_L_15, {std::string(FileNamePart(entries_[current_]))}};
    if (confirm && !confirm(question)) {
        return result;
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(current_));
    SelectEntry(current_);
    result.deleted = true;
    result.overflowMessage = UpdateLogoSizes(OverflowReport::AddOrEdit).message;
    return result;
}

DeleteResult LogoList::DeleteAllEntries(const ConfirmQuestion& confirm) {
    DeleteResult result;
    if (entries_.empty()) {
        return result;
    }
    if (confirm && !confirm(LogoMessage{lang::MSG_L_16, {}})) {
        return result;
    }
    entries_.clear();
    current_ = 0;
    result.deleted = true;
    result.overflowMessage = UpdateLogoSizes(OverflowReport::AddOrEdit).message;
    return result;
}

void LogoList::SortLogoList(int column) {
    if (column < 0 || column > 5) {
        return;
    }
    sortAscending_ = !sortAscending_;
    // Sorting positions rather than rows lets the selection follow its row.
    std::vector<std::size_t> order(entries_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const bool ascending = sortAscending_;
    QuickSort(std::span<std::size_t>(order), [&](std::size_t a, std::size_t b) {
        const int c = CompareByColumn(entries_[a], entries_[b], column);
        return ascending ? c < 0 : c > 0;
    });
    std::vector<LogoEntry> sorted;
    sorted.reserve(entries_.size());
    std::size_t newCurrent = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i] == current_) {
            newCurrent = i;
        }
        sorted.push_back(std::move(entries_[order[i]]));
    }
    entries_ = std::move(sorted);
    current_ = newCurrent;
}

void LogoList::SortPrinterKeycodes() {
    printerSortAscending_ = !printerSortAscending_;
    const bool ascending = printerSortAscending_;
    QuickSort(std::span<std::uint16_t>(printerKeycodes_),
              [&](std::uint16_t a, std::uint16_t b) { return ascending ? a < b : a > b; });
}

}  // namespace vrtruty::logo
