// Feeds arbitrary bytes, as a logo list file, through the row reader, and writes the rows it
// read into a new list. Stops when a list written from rows does not read back as those rows.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/profile_file.h"
#include "fuzz_support.h"
#include "logo/logo_list_file.h"

using namespace vrtruty;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const app::ProfileFile file =
        app::ProfileFile::Parse(std::span<const std::uint8_t>(data, size));
    for (const bool guppy : {false, true}) {
        const auto rows = logo::ReadLogoListRows(file, guppy);
        if (!rows) {
            continue;
        }
        fuzz::Require(rows->size() <= static_cast<std::size_t>(logo::kHighestLogoListRow));
        app::ProfileFile written = logo::NewLogoListProfile();
        logo::WriteLogoListKeys(written, *rows);
        const auto reread =
            logo::ReadLogoListRows(app::ProfileFile::Parse(written.Serialize()), guppy);
        fuzz::Require(reread.has_value() == !rows->empty());
        if (!reread) {
            continue;
        }
        fuzz::Require(reread->size() == rows->size());
        for (std::size_t i = 0; i < rows->size(); ++i) {
            fuzz::Require((*reread)[i].keycode == (*rows)[i].keycode);
            fuzz::Require((*reread)[i].checked == (*rows)[i].checked);
            fuzz::Require((*reread)[i].gradation == (*rows)[i].gradation);
            fuzz::Require((*reread)[i].twoColours == (*rows)[i].twoColours);
        }
    }
    return 0;
}
