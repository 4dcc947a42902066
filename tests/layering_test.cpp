// The folder layering: every include of another source folder must be one that the folder table in
// docs/architecture.md allows, the table must name exactly the source folders of the tree, and the
// allowed includes must not go round in a circle.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace vrtruty {
namespace {

namespace fs = std::filesystem;

using Rules = std::map<std::string, std::set<std::string>>;  // folder -> folders it may include

// Rows of the form "| `name/` | what it holds | `a/` `b/` |".
Rules ReadRules(const fs::path& table) {
    static const std::regex row(R"(^\|\s*`([a-z_]+)/`\s*\|[^|]*\|([^|]*)\|\s*$)");
    static const std::regex folder("`([a-z_]+)/`");
    Rules rules;
    std::ifstream in(table);
    for (std::string line; std::getline(in, line);) {
        std::smatch match;
        if (!std::regex_match(line, match, row)) {
            continue;
        }
        auto& allowed = rules[match[1]];
        const std::string column = match[2];
        for (std::sregex_iterator it(column.begin(), column.end(), folder), end; it != end; ++it) {
            allowed.insert((*it)[1]);
        }
    }
    return rules;
}

bool IsSourceFile(const fs::path& path) {
    return path.extension() == ".cpp" || path.extension() == ".h";
}

// Top-level folders that hold C++ files, less the tests (which may include anything) and build
// trees, hidden folders and the like.
std::set<std::string> SourceFolders(const fs::path& root) {
    std::set<std::string> folders;
    for (const auto& entry : fs::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory() || name == "tests" || name.starts_with("build") ||
            name.starts_with(".")) {
            continue;
        }
        for (const auto& file : fs::recursive_directory_iterator(entry.path())) {
            if (file.is_regular_file() && IsSourceFile(file.path())) {
                folders.insert(name);
                break;
            }
        }
    }
    return folders;
}

std::string FolderList(const std::set<std::string>& folders) {
    std::string text;
    for (const auto& name : folders) {
        text += (text.empty() ? "" : " ") + name + "/";
    }
    return text.empty() ? "(nothing)" : text;
}

// A circle in the allowed includes, as "a/ -> b/ -> a/", or empty when there is none.
std::string FindCircle(const Rules& rules) {
    std::map<std::string, int> state;  // 1: on the current path, 2: done
    std::vector<std::string> path;
    std::string circle;
    auto visit = [&](auto& self, const std::string& folder) -> void {
        state[folder] = 1;
        path.push_back(folder);
        const auto it = rules.find(folder);
        for (const auto& next : it == rules.end() ? std::set<std::string>{} : it->second) {
            if (!circle.empty()) {
                break;
            }
            if (state[next] == 1) {
                const auto from = std::find(path.begin(), path.end(), next);
                for (auto step = from; step != path.end(); ++step) {
                    circle += *step + "/ -> ";
                }
                circle += next + "/";
            } else if (state[next] == 0) {
                self(self, next);
            }
        }
        path.pop_back();
        state[folder] = 2;
    };
    for (const auto& [folder, allowed] : rules) {
        if (state[folder] == 0 && circle.empty()) {
            visit(visit, folder);
        }
    }
    return circle;
}

// Every way the tree at root breaks its own folder table, one line each.
std::vector<std::string> LayeringProblems(const fs::path& root) {
    const Rules rules = ReadRules(root / "docs" / "architecture.md");
    const std::set<std::string> folders = SourceFolders(root);
    std::vector<std::string> problems;
    for (const auto& folder : folders) {
        if (!rules.contains(folder)) {
            problems.push_back(folder + "/ has no row in docs/architecture.md");
        }
    }
    for (const auto& [folder, allowed] : rules) {
        if (!folders.contains(folder)) {
            problems.push_back("docs/architecture.md names " + folder +
                               "/, which holds no source file");
        }
    }
    if (const std::string circle = FindCircle(rules); !circle.empty()) {
        problems.push_back("docs/architecture.md allows a circle: " + circle);
    }

    static const std::regex include(R"(^\s*#\s*include\s*"([^"/]+)/[^"]*")");
    for (const auto& folder : folders) {
        const auto rule = rules.find(folder);
        for (const auto& file : fs::recursive_directory_iterator(root / folder)) {
            if (!file.is_regular_file() || !IsSourceFile(file.path())) {
                continue;
            }
            std::ifstream in(file.path());
            int number = 0;
            for (std::string line; std::getline(in, line);) {
                ++number;
                std::smatch match;
                if (!std::regex_search(line, match, include)) {
                    continue;
                }
                const std::string target = match[1];
                if (target == folder || !folders.contains(target) ||
                    (rule != rules.end() && rule->second.contains(target))) {
                    continue;
                }
                problems.push_back(
                    fs::relative(file.path(), root).string() + ":" + std::to_string(number) +
                    " includes " + target + "/, but " + folder + "/ may include only " +
                    FolderList(rule == rules.end() ? std::set<std::string>{} : rule->second));
            }
        }
    }
    return problems;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += "  " + line + "\n";
    }
    return text;
}

TEST(Layering, TheSourceTreeKeepsItsFolderTable) {
    const auto problems = LayeringProblems(VRTRUTY_SOURCE_DIR);
    EXPECT_TRUE(problems.empty()) << Lines(problems);
    EXPECT_GE(ReadRules(fs::path(VRTRUTY_SOURCE_DIR) / "docs" / "architecture.md").size(), 10u)
        << "the folder table was not found or not read";
}

// A small tree: "high/" may include "low/", not the other way round.
class PlantedTree : public ::testing::Test {
  protected:
    void SetUp() override {
        Write("docs/architecture.md",
              "| Folder | What | May include |\n|---|---|---|\n"
              "| `low/` | below | (nothing) |\n| `high/` | above | `low/` |\n");
        Write("low/low.h", "#pragma once\n");
        Write("high/high.cpp", "#include \"low/low.h\"\n#include <vector>\n");
        Write("tests/any_test.cpp", "#include \"high/high.h\"\n");
    }
    void Write(const std::string& name, const std::string& text) {
        fs::create_directories((folder_ / name).parent_path());
        std::ofstream(folder_ / name) << text;
    }
    test::TempFolder folder_;
};

TEST_F(PlantedTree, ADownwardTreePassesAndEachWayOfBreakingItIsReported) {
    EXPECT_TRUE(LayeringProblems(folder_.path()).empty())
        << Lines(LayeringProblems(folder_.path()));
    struct Case {
        std::string file;
        std::string text;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {"low/sub/up.cpp", "// A comment\n  #  include \"high/high.h\"\n",
         "low/sub/up.cpp:2 includes high/, but low/ may include only (nothing)"},
        {"extra/extra.h", "#pragma once\n", "extra/ has no row in docs/architecture.md"},
        {"docs/architecture.md",
         "| `low/` | below | `high/` |\n| `high/` | above | `low/` |\n| `gone/` | x | |\n",
         "docs/architecture.md allows a circle: high/ -> low/ -> high/"},
        {"docs/architecture.md",
         "| `low/` | below | |\n| `high/` | above | `low/` |\n"
         "| `gone/` | x | |\n",
         "docs/architecture.md names gone/, which holds no source file"},
    };
    for (const auto& c : cases) {
        SetUp();
        fs::remove_all(folder_ / "extra");
        fs::remove_all(folder_ / "low" / "sub");
        Write(c.file, c.text);
        const auto problems = LayeringProblems(folder_.path());
        EXPECT_NE(std::find(problems.begin(), problems.end(), c.problem), problems.end())
            << "planted " << c.file << ", expected: " << c.problem << "\ngot:\n"
            << Lines(problems);
    }
}

}  // namespace
}  // namespace vrtruty
