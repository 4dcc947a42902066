#include "emulator/code_pages.h"

#include <iconv.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>

namespace vrtruty::emulator {
namespace {

// ESC t n and iconv's name of its page.
constexpr std::array<std::pair<std::uint8_t, std::string_view>, 22> kCodePages = {{
    {0x00, "CP437"},       // PC437
    {0x01, "SHIFT_JIS"},   // Katakana: half-width katakana in 0xA1..0xDF
    {0x02, "CP850"},       // PC850
    {0x03, "CP860"},       // PC860
    {0x04, "CP863"},       // PC863
    {0x05, "CP865"},       // PC865
    {0x08, "CP857"},       // PC857
    {0x10, "CP1252"},      // WPC1252
    {0x11, "CP866"},       // PC866
    {0x12, "CP852"},       // PC852
    {0x13, "CP858"},       // PC858
    {0x1A, "CP874"},       // Thai code 18
    {0x28, "CP864"},       // PC864
    {0xF7, "TCVN5712-1"},  // TCVN 5712
    {0xF8, "TIS-620"},     // Thai code page
    {0xF9, "CP851"},       // PC851
    {0xFA, "CP869"},       // PC869
    {0xFB, "ISO-8859-2"},  // ISO8859-2
    {0xFC, "ISO-8859-7"},  // ISO8859-7
    {0xFD, "CP866"},       // PC866 type 2: its Cyrillic letters sit where PC866 has them
    {0xFE, "MIK"},         // MIK
    {kBlankCodePage, ""},  // blank page
}};

// The positions an international character set changes, and what each set puts there.
constexpr std::array<std::uint8_t, 12> kNationalPositions = {0x23, 0x24, 0x40, 0x5B, 0x5C, 0x5D,
                                                             0x5E, 0x60, 0x7B, 0x7C, 0x7D, 0x7E};
constexpr std::array<std::u32string_view, 16> kNationalSets = {{
    U"#$@[\\]^`{|}~",  // America
    U"#$à°ç§^`éùè¨",   // France
    U"#$§ÄÖÜ^`äöüß",   // Germany
    U"£$@[\\]^`{|}~",  // Britain
    U"#$@ÆØÅ^`æøå~",   // Denmark I
    U"#¤ÉÄÖÅÜéäöåü",   // Sweden
    U"#$@°\\é^ùàòèì",  // Italy
    U"₧$@¡Ñ¿^`¨ñ}~",   // Spain I
    U"#$@[¥]^`{|}~",   // Japan
    U"#¤ÉÆØÅÜéæøåü",   // Norway
    U"#$ÉÆØÅÜéæøåü",   // Denmark II
    U"#$á¡Ñ¿é`íñóú",   // Spain II
    U"#$á¡Ñ¿éüíñóú",   // Latin America
    U"#$@[₩]^`{|}~",   // Korea
    U"#$ŽŠĐĆČžšđćč",   // Slovenia/Croatia
    U"¥$@[\\]^`{|}~",  // China
}};

// Owns one iconv conversion to UTF-32 (host order).
class Converter {
  public:
    explicit Converter(const char* from) : cd_(iconv_open("UTF-32LE", from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // The one character the bytes stand for; nothing when they are not exactly one.
    std::optional<char32_t> One(const char* bytes, std::size_t size) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            return std::nullopt;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::array<char, 16> input{};
        std::memcpy(input.data(), bytes, size);
        std::array<unsigned char, 16> output{};
        char* in = input.data();
        auto* out = reinterpret_cast<char*>(output.data());
        std::size_t inLeft = size;
        std::size_t outLeft = output.size();
        if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0) {
            return std::nullopt;
        }
        // Pages that combine characters (TCVN) keep the last one until they are flushed.
        iconv(cd_, nullptr, nullptr, &out, &outLeft);
        if (output.size() - outLeft != 4) {
            return std::nullopt;
        }
        return static_cast<char32_t>(output[0] | output[1] << 8 | output[2] << 16 |
                                     static_cast<std::uint32_t>(output[3]) << 24);
    }

  private:
    iconv_t cd_;
};

}  // namespace

std::string_view CodePageEncoding(std::uint8_t codePage) {
    for (const auto& [n, name] : kCodePages) {
        if (n == codePage) {
            return name;
        }
    }
    return {};
}

std::optional<char32_t> SingleByteCharacter(std::uint8_t codePage, std::uint8_t characterSet,
                                            std::uint8_t byte) {
    if (byte < 0x20 || byte == 0x7F || codePage == kBlankCodePage) {
        return std::nullopt;
    }
    if (byte < 0x80) {
        for (std::size_t i = 0; i < kNationalPositions.size(); ++i) {
            if (kNationalPositions[i] == byte && characterSet < kNationalSets.size()) {
                return kNationalSets[characterSet][i];
            }
        }
        return static_cast<char32_t>(byte);
    }
    const std::string_view encoding = CodePageEncoding(codePage);
    if (encoding.empty()) {
        return std::nullopt;
    }
    Converter converter(std::string(encoding).c_str());
    const char c = static_cast<char>(byte);
    const auto character = converter.One(&c, 1);
    if (character && *character < 0x20) {
        return std::nullopt;
    }
    return character;
}

std::optional<char32_t> KanjiCharacter(std::uint16_t code, bool shiftJis) {
    std::array<char, 2> bytes = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    if (!shiftJis) {
        // JIS rows and cells are EUC-JP's with the high bit cleared.
        bytes[0] = static_cast<char>(bytes[0] | 0x80);
        bytes[1] = static_cast<char>(bytes[1] | 0x80);
    }
    Converter converter(shiftJis ? "SHIFT_JIS" : "EUC-JP");
    return converter.One(bytes.data(), bytes.size());
}

}  // namespace vrtruty::emulator
