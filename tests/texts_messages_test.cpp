#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "lang/builtin_texts.h"
#include "lang/text_numbers.h"

namespace vrtruty::lang {
namespace {

using namespace std::string_literals;

constexpr int kFirstMessageNumber = 49;

int TextNumberOf(std::string_view key) {
    const auto& texts = MessageTexts();
    const auto it = std::find_if(texts.begin(), texts.end(),
                                 [key](const MessageText& text) { return text.key == key; });
    return it == texts.end() ? -1 : kFirstMessageNumber + static_cast<int>(it - texts.begin());
}

const BuiltInText& TextOf(std::string_view key) {
    static const BuiltInText kMissing{};
    const auto& texts = MessageTexts();
    const auto it = std::find_if(texts.begin(), texts.end(),
                                 [key](const MessageText& text) { return text.key == key; });
    return it == texts.end() ? kMissing : it->text;
}

bool IsFilter(std::string_view key) {
    return key.starts_with("FILEMASK");
}

TEST(MessageTexts, FollowTheLanguageFileKeyOrder) {
    const auto& texts = MessageTexts();
    ASSERT_EQ(texts.size(), 151u);
    ASSERT_EQ(texts.size(), kMessageKeys.size());
    std::set<std::string_view> keys;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].key, kMessageKeys[i]) << "text number " << kFirstMessageNumber + i;
        EXPECT_TRUE(keys.insert(texts[i].key).second) << "duplicate key " << texts[i].key;
    }
    EXPECT_EQ(TextNumberOf("MSG_U_01"), 49);
    EXPECT_EQ(TextNumberOf("ERR_0002"), 124);
    EXPECT_EQ(TextNumberOf("FILEMASK770"), 148);
    EXPECT_EQ(TextNumberOf("INF_UNKNOWN_OS"), 174);
    EXPECT_EQ(TextNumberOf("INF_VERSION_NO770"), 178);
    EXPECT_EQ(TextNumberOf("MSG_NONE"), 199);
}

TEST(MessageTexts, FiltersAreDescriptionZeroAndShortPattern) {
    int filters = 0;
    for (const auto& [key, text] : MessageTexts()) {
        for (const std::string_view value : {text.english, text.japanese}) {
            const auto zeros = std::count(value.begin(), value.end(), '\0');
            if (!IsFilter(key)) {
                EXPECT_EQ(zeros, 0) << key;
                continue;
            }
            ASSERT_EQ(zeros, 1) << key << ": " << value;
            const std::string_view pattern = value.substr(value.find('\0') + 1);
            const std::string_view description = value.substr(0, value.find('\0'));
            // A language file keeps at most five characters of the pattern.
            EXPECT_GE(pattern.size(), 3u) << key;
            EXPECT_LE(pattern.size(), 5u) << key;
            EXPECT_TRUE(pattern.starts_with("*.")) << key << ": " << pattern;
            EXPECT_TRUE(description.ends_with("(" + std::string(pattern) + ")"))
                << key << ": " << description;
        }
        if (IsFilter(key)) {
            ++filters;
            EXPECT_EQ(text.english.substr(text.english.find('\0')),
                      text.japanese.substr(text.japanese.find('\0')))
                << key << ": both languages open the same files";
        }
    }
    EXPECT_EQ(filters, 24);
    EXPECT_EQ(TextOf("FILEMASK770").english, "TR-770 Utility Setting File(*.qvr)\0*.qvr"s);
    EXPECT_EQ(TextOf("FILEMASK770U").japanese, "TR-770 (PFBM) Utility設定ﾌｧｲﾙ(*.qvu)\0*.qvu"s);
    EXPECT_EQ(TextOf("FILEMASKSENDDATA").english, "Sending file(*.*)\0*.*"s);
}

TEST(MessageTexts, OnlyTheModelVersionTextsAreLeftEmpty) {
    int empty = 0;
    for (const auto& [key, text] : MessageTexts()) {
        const bool filledAtStart = key.starts_with("INF_VERSION_NO");
        EXPECT_EQ(text.english.empty(), filledAtStart) << key;
        EXPECT_EQ(text.japanese.empty(), filledAtStart) << key;
        empty += filledAtStart ? 1 : 0;
    }
    EXPECT_EQ(empty, 19);
    EXPECT_EQ(TextOf("INF_ALL_RIGHT").japanese, "       All Rights Reserved.") << "not translated";
}

}  // namespace
}  // namespace vrtruty::lang
