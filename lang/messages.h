// The texts of result codes: what a message box shows for a failure code of the printer layer, a
// read error word of the settings reader, or (code 0) the caller's own text.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "lang/text_table.h"

namespace vrtruty::lang {

// The fixed text of every negative code that has no text of its own, in every language.
inline constexpr std::string_view kUnlistedErrorText = "何らかのエラーが発生しました。";

// Fills the "%s" placeholders of a text in order; "%%" stands for one '%'. Placeholders beyond
// the arguments become empty, so a translated text with one "%s" too many cannot break anything.
std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args);

// The message of a code in a language slot: 0 gives callerText; a negative code the text of its
// failure; a positive code a read error word (which page, which kind of error).
std::string ComposeMessage(const TextTable& texts, int code, std::string_view callerText,
                           std::size_t slot);
inline std::string ComposeMessage(const TextTable& texts, int code,
                                  std::string_view callerText = {}) {
    return ComposeMessage(texts, code, callerText, texts.languageIndex());
}

// The version box: the utility's name line, the model's version text, the legal notice and the
// rights line ("%s%s\n\n%s\n%s"), in the current language.
std::string ComposeVersionText(const TextTable& texts, int versionTextNumber,
                               std::string_view legalNotice);

// Read error words of the settings reader: a type bit and a location bit.
inline constexpr int kReadErrorData = 0x20000;    // "Data error."
inline constexpr int kReadErrorFormat = 0x10000;  // "Data format error."
inline constexpr int kReadErrorNoReply = 0x4000;  // "No data received."
inline constexpr int kReadErrorLocationMask = 0x7FC0000;

// The setting page a read error word names (0 to 8).
int ReadErrorPage(int code);

}  // namespace vrtruty::lang
