// Feeds arbitrary bytes, as a language file, into a slot of the text table: every key is looked
// up, decoded (escapes, filters) and cut to its limit. Stops when a stored text breaks its limit.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/profile_file.h"
#include "core/unicode.h"
#include "fuzz_support.h"
#include "lang/language_files.h"

using namespace vrtruty;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const lang::TextTable builtIn = lang::LoadLanguageTexts({});
    lang::TextTable table = builtIn;
    const app::ProfileFile file =
        app::ProfileFile::Parse(std::span<const std::uint8_t>(data, size));
    lang::ApplyLanguageFile(table, 1, file, "/manuals");
    fuzz::Require(app::Utf8ToUtf16(table.languageName(1)).size() <= 60);
    for (const lang::LanguageKey& key : lang::LanguageKeys()) {
        // Escapes turn two characters into one, so nothing grows beyond the key's limit; a filter
        // may add the pattern part after its zero.
        const std::size_t patternPart = key.filter ? 8 : 0;
        fuzz::Require(app::Utf8ToUtf16(table.Get(key.ref, 1)).size() <= key.limit + patternPart);
    }
    return 0;
}
