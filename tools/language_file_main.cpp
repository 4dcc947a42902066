// vrtruty-language-file OUTPUT SOURCE...: builds a shipped language file (UTF-16) from its
// translation sources (UTF-8 profile files, later ones winning) over the built-in English texts.
// The build fails when a text that needs translating is in none of the sources.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/app_info.h"
#include "core/profile_file.h"
#include "lang/language_files.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vrtruty-language-file OUTPUT SOURCE...\n");
        return 2;
    }
    std::vector<vrtruty::app::ProfileFile> sources;
    for (int i = 2; i < argc; ++i) {
        sources.push_back(vrtruty::app::ProfileFile::Load(argv[i]));
        if (!sources.back().exists()) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
            return 1;
        }
    }
    const auto built =
        vrtruty::lang::BuildLanguageFile(sources, vrtruty::app::InitAppInfo({}).versionString);
    if (!built.problems.empty()) {
        for (const auto& problem : built.problems) {
            std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[argc - 1], problem.c_str());
        }
        return 1;
    }
    const std::filesystem::path output = argv[1];
    const auto temporary = std::filesystem::path(output).concat(".part");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(built.bytes.data()),
                  static_cast<std::streamsize>(built.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], temporary.c_str());
            return 1;
        }
    }
    std::filesystem::rename(temporary, output);
    return 0;
}
