// The user guide as the build lays it out: the PDFs Help opens hold every chapter and every
// message the guide explains, read back with pdftotext, and the messages are the program's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lang/language_files.h"

namespace vrtruty::lang {
namespace {

const std::filesystem::path kShipped = std::filesystem::path(VRTRUTY_CLI_PATH).parent_path();
const std::filesystem::path kGuides = std::filesystem::path(VRTRUTY_SOURCE_DIR) / "docs/guide";

// Blanks and line breaks depend on where the page broke a line: they are left out of comparisons.
// The typeface joins "fi" and its kin into one glyph, which pdftotext reads as a ligature.
std::string WithoutBlanks(std::string_view text) {
    static constexpr std::pair<std::string_view, std::string_view> kLigatures[] = {
        {"ﬀ", "ff"}, {"ﬁ", "fi"}, {"ﬂ", "fl"}, {"ﬃ", "ffi"}, {"ﬄ", "ffl"}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\n' || c == '\t' || c == '\f' || c == '\r') {
            continue;
        }
        bool joined = false;
        for (const auto& [ligature, letters] : kLigatures) {
            if (text.substr(i).starts_with(ligature)) {
                out += letters;
                i += ligature.size() - 1;
                joined = true;
                break;
            }
        }
        if (!joined) {
            out += c;
        }
    }
    return out;
}

// The output of a command, or nothing when it cannot run.
std::optional<std::string> CommandOutput(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        return std::nullopt;
    }
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) {
        out.append(buffer, n);
    }
    if (pclose(pipe.release()) != 0) {
        return std::nullopt;
    }
    return out;
}

struct GuideSource {
    std::vector<std::string> chapters;  // the title and every chapter heading
    std::vector<std::string> messages;  // the quoted messages of the messages chapter
};

GuideSource ReadGuide(const std::filesystem::path& markdown) {
    GuideSource guide;
    std::ifstream in(markdown);
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("# ")) {
            guide.chapters.push_back(line.substr(2));
        } else if (line.starts_with("## ")) {
            guide.chapters.push_back(line.substr(3));
        } else if (line.starts_with("> ")) {
            guide.messages.push_back(line.substr(2));
        }
    }
    return guide;
}

struct Guide {
    const char* markdown;
    const char* pdf;
    bool japanese;
};
constexpr Guide kGuideFiles[] = {
    {"guide_en.md", "Utility_Guide_E.pdf", false},
    {"guide_ja.md", "Utility_Guide_J.pdf", true},
};

TEST(Guide, EveryChapterAndMessageIsInThePdf) {
    if (!CommandOutput("command -v pdftotext pdfinfo pdffonts")) {
        GTEST_SKIP() << "skipped: pdftotext (poppler-utils) is not installed";
    }
    for (const Guide& file : kGuideFiles) {
        const auto pdf = kShipped / file.pdf;
        ASSERT_TRUE(std::filesystem::is_regular_file(pdf)) << pdf;
        const auto text = CommandOutput("pdftotext -enc UTF-8 '" + pdf.string() + "' -");
        ASSERT_TRUE(text.has_value()) << "pdftotext could not read " << pdf;
        const std::string found = WithoutBlanks(*text);
        const GuideSource guide = ReadGuide(kGuides / file.markdown);
        EXPECT_GE(guide.chapters.size(), 12u) << file.markdown;
        EXPECT_GE(guide.messages.size(), 12u) << file.markdown;
        for (std::size_t i = 0; i < guide.chapters.size(); ++i) {
            const std::string& chapter = guide.chapters[i];
            // The title once; every chapter once in the contents and once as its heading.
            const std::string heading = WithoutBlanks(chapter);
            const auto first = found.find(heading);
            EXPECT_NE(first, std::string::npos) << file.pdf << " lacks \"" << chapter << "\"";
            if (i > 0 && first != std::string::npos) {
                EXPECT_NE(found.find(heading, first + 1), std::string::npos)
                    << file.pdf << ": \"" << chapter << "\" is not in the contents";
            }
        }
        for (const std::string& message : guide.messages) {
            EXPECT_NE(found.find(WithoutBlanks(message)), std::string::npos)
                << file.pdf << " lacks \"" << message << "\"";
        }
        const auto info = CommandOutput("pdfinfo '" + pdf.string() + "'");
        ASSERT_TRUE(info.has_value());
        const auto pages = info->find("Pages:");
        ASSERT_NE(pages, std::string::npos);
        const int count = std::stoi(info->substr(pages + 6));
        EXPECT_GE(count, 6) << file.pdf;
        EXPECT_LE(count, 30) << file.pdf;
        // The fonts travel with the file.
        const auto fonts = CommandOutput("pdffonts '" + pdf.string() + "'");
        ASSERT_TRUE(fonts.has_value());
        std::istringstream rows(*fonts);
        std::string row;
        std::getline(rows, row);  // the column names
        std::getline(rows, row);  // and their underlines
        int fontCount = 0;
        while (std::getline(rows, row)) {
            // ... emb sub uni object generation
            std::istringstream columns(row);
            std::vector<std::string> words;
            for (std::string word; columns >> word;) {
                words.push_back(word);
            }
            ASSERT_GE(words.size(), 5u) << row;
            EXPECT_EQ(words[words.size() - 5], "yes") << file.pdf << ": not embedded: " << row;
            ++fontCount;
        }
        EXPECT_GE(fontCount, 1) << *fonts;
    }
}

// A message the guide quotes is the first line of one of the program's own messages, so that a
// reader finds the box they see.
TEST(Guide, QuotedMessagesAreTheProgramsOwn) {
    for (const Guide& file : kGuideFiles) {
        const GuideSource guide = ReadGuide(kGuides / file.markdown);
        for (const std::string& message : guide.messages) {
            bool known = false;
            for (const LanguageKey& key : LanguageKeys()) {
                if (key.section != "MSG Data") {
                    continue;
                }
                const std::string_view text =
                    file.japanese ? key.builtIn.japanese : key.builtIn.english;
                known = known || text.substr(0, text.find('\n')) == message;
            }
            EXPECT_TRUE(known) << file.markdown << ": \"" << message
                               << "\" is no message of the program";
        }
    }
}

}  // namespace
}  // namespace vrtruty::lang
