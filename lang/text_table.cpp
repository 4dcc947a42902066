#include "lang/text_table.h"

#include <algorithm>
#include <utility>

#include "lang/builtin_texts.h"

namespace vrtruty::lang {
namespace {

const std::string kEmpty;
const std::filesystem::path kNoPath;

// Where each kind of text starts in a slot's cells. The shape of the setting pages (how many
// settings, how many choices) is the built-in one: a language file can only fill it.
struct CellLayout {
    int shortBegin = 0;
    int shortCount = 0;
    int pageBegin = 0;
    std::vector<int> firstButton;             // per dialog section
    std::vector<int> firstListText;           // per dialog section
    std::vector<std::vector<int>> itemBegin;  // per page, per item: the name's cell; choices follow
    std::vector<std::vector<int>> choiceCount;
    int total = 0;
};

const CellLayout& Layout() {
    static const CellLayout layout = [] {
        CellLayout l;
        l.shortBegin = kLongTextCount;
        int buttons = 0;
        for (const DialogSectionTexts& section : DialogSections()) {
            l.firstButton.push_back(buttons);
            buttons += static_cast<int>(section.buttons.size());
        }
        int lists = buttons;
        for (const DialogSectionTexts& section : DialogSections()) {
            l.firstListText.push_back(lists);
            lists += static_cast<int>(section.lists.size());
        }
        l.shortCount = lists;
        l.pageBegin = l.shortBegin + l.shortCount;
        const auto& pages = SettingPages();
        int next = l.pageBegin + static_cast<int>(pages.size());
        for (const SettingPageTexts& page : pages) {
            auto& begins = l.itemBegin.emplace_back();
            auto& counts = l.choiceCount.emplace_back();
            for (const SettingItemTexts& item : page.items) {
                begins.push_back(next);
                counts.push_back(static_cast<int>(item.choices.size()));
                next += 1 + static_cast<int>(item.choices.size());
            }
        }
        l.total = next;
        return l;
    }();
    return layout;
}

}  // namespace

int ShortTextCount() {
    return Layout().shortCount;
}

int FirstButton(std::size_t section) {
    const auto& first = Layout().firstButton;
    return section < first.size() ? first[section] : ShortTextCount();
}

int FirstListText(std::size_t section) {
    const auto& first = Layout().firstListText;
    return section < first.size() ? first[section] : ShortTextCount();
}

TextTable::TextTable() {
    for (Slot& slot : slots_) {
        slot.cells.resize(static_cast<std::size_t>(Layout().total));
    }
}

std::optional<std::size_t> TextTable::CellIndex(const TextRef& ref) const {
    const CellLayout& l = Layout();
    const auto inRange = [](int value, std::size_t size) {
        return value >= 0 && static_cast<std::size_t>(value) < size;
    };
    switch (ref.kind) {
        case TextRef::Kind::Long:
            if (inRange(ref.number, kLongTextCount)) {
                return static_cast<std::size_t>(ref.number);
            }
            break;
        case TextRef::Kind::Short:
            if (inRange(ref.number, static_cast<std::size_t>(l.shortCount))) {
                return static_cast<std::size_t>(l.shortBegin + ref.number);
            }
            break;
        case TextRef::Kind::PageName:
            if (inRange(ref.page, l.itemBegin.size())) {
                return static_cast<std::size_t>(l.pageBegin + ref.page);
            }
            break;
        case TextRef::Kind::SettingName:
        case TextRef::Kind::SettingChoice: {
            if (!inRange(ref.page, l.itemBegin.size())) {
                break;
            }
            const auto& items = l.itemBegin[static_cast<std::size_t>(ref.page)];
            if (!inRange(ref.item, items.size())) {
                break;
            }
            const int name = items[static_cast<std::size_t>(ref.item)];
            if (ref.kind == TextRef::Kind::SettingName) {
                return static_cast<std::size_t>(name);
            }
            const int choices = l.choiceCount[static_cast<std::size_t>(ref.page)]
                                             [static_cast<std::size_t>(ref.item)];
            if (inRange(ref.choice, static_cast<std::size_t>(choices))) {
                return static_cast<std::size_t>(name + 1 + ref.choice);
            }
            break;
        }
    }
    return std::nullopt;
}

const std::string& TextTable::Get(const TextRef& ref, std::size_t slot) const {
    const auto index = CellIndex(ref);
    return index && slot < kLanguageSlots ? slots_[slot].cells[*index] : kEmpty;
}

void TextTable::Set(const TextRef& ref, std::size_t slot, std::string text) {
    if (const auto index = CellIndex(ref); index && slot < kLanguageSlots) {
        slots_[slot].cells[*index] = std::move(text);
    }
}

void TextTable::setLanguageCount(std::size_t count) {
    languageCount_ = std::clamp<std::size_t>(count, 1, kLanguageSlots);
}

void TextTable::setLanguageIndex(std::size_t slot) {
    languageIndex_ = slot < languageCount_ ? slot : 0;
}

std::vector<std::string> TextTable::languageNames() const {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < languageCount_; ++i) {
        names.push_back(slots_[i].name);
    }
    return names;
}

const std::string& TextTable::languageName(std::size_t slot) const {
    return slot < kLanguageSlots ? slots_[slot].name : kEmpty;
}

void TextTable::setLanguageName(std::size_t slot, std::string name) {
    if (slot < kLanguageSlots) {
        slots_[slot].name = std::move(name);
    }
}

const std::string& TextTable::labelColon(std::size_t slot) const {
    return slot < kLanguageSlots ? slots_[slot].labelColon : kEmpty;
}

void TextTable::setLabelColon(std::size_t slot, std::string colon) {
    if (slot < kLanguageSlots) {
        slots_[slot].labelColon = std::move(colon);
    }
}

const std::filesystem::path& TextTable::languageFile(std::size_t slot) const {
    return slot < kLanguageSlots ? slots_[slot].file : kNoPath;
}

void TextTable::setLanguageFile(std::size_t slot, std::filesystem::path file) {
    if (slot < kLanguageSlots) {
        slots_[slot].file = std::move(file);
    }
}

const std::filesystem::path& TextTable::manualPath(std::size_t slot) const {
    return slot < kLanguageSlots ? slots_[slot].manual : kNoPath;
}

void TextTable::setManualPath(std::size_t slot, std::filesystem::path path) {
    if (slot < kLanguageSlots) {
        slots_[slot].manual = std::move(path);
    }
}

}  // namespace vrtruty::lang
