// Feeds arbitrary bytes, as a whole file, through the profile (INI) reader: the configuration,
// the port defaults, language files and logo lists all go through it. Besides crashes and
// sanitizer reports it stops when an unchanged profile does not write back byte for byte, or
// when a value just written does not read back.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/profile_file.h"
#include "fuzz_support.h"

using vrtruty::app::ProfileFile;
using vrtruty::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    ProfileFile profile = ProfileFile::Parse(bytes);
    for (const char* section : {"SPEC", "PORT", "MSG Data", "BITMAPFILE", "Ports"}) {
        for (const char* key : {"SPECKEY", "PORTNAME", "MSG_U_01", "CNT", "FILE_001"}) {
            profile.Read(section, key, 1);
            profile.Read(section, key);
        }
        profile.HasSection(section);
    }
    // The file is kept as its bytes: what is not changed is written back unchanged (an empty
    // file has no form yet and takes the one the utility creates).
    Require(bytes.empty() ||
            profile.Serialize() == std::vector<std::uint8_t>(bytes.begin(), bytes.end()));

    profile.Write("PORT", "PORTNAME", "USB");
    profile.Write("IPADDRESSLIST", "IPADDRESS001", "127.0.0.1");
    Require(profile.Read("PORT", "PORTNAME") == std::string("USB"));
    Require(profile.Read("IPADDRESSLIST", "IPADDRESS001") == std::string("127.0.0.1"));
    profile.Delete("PORT", "PORTNAME");
    const ProfileFile reread = ProfileFile::Parse(profile.Serialize());
    Require(reread.Read("IPADDRESSLIST", "IPADDRESS001") == std::string("127.0.0.1"));
    return 0;
}
