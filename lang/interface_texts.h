// Texts of this utility's own that the language files do not carry: the printer's state beside
// its picture, the confirmations of finished operations, the operation names of the progress
// display. English and Japanese are built in; every other language shows the English, so that a
// language file of the original format stays complete.
#pragma once

#include <string>
#include <string_view>

#include "lang/text_table.h"

namespace vrtruty::lang {

enum class InterfaceText {
    PrinterConnected,     // the picture's tooltip: the printer answered
    PrinterNotConnected,  // no port is chosen
    PrinterError,         // a port is chosen, but the printer did not answer
    JobStillRunning,      // a close or Escape while a job runs
    Done,                 // the status line after an operation succeeded; %s the operation
    SentBytes,            // progress: %s bytes of %s sent
    JoinGroupHint,        // permission denied on device %s: join the group %s
};

// The text in Japanese or in English.
std::string_view InterfaceTextIn(InterfaceText text, bool japanese);
// The text in the table's current language.
std::string_view InterfaceTextOf(const TextTable& texts, InterfaceText text);

// The current language as a locale name ("ja", "fr", "zh_CN"), from its language file's name, for
// the toolkit's own translations; "en" when the language has no file.
std::string LanguageLocaleName(const TextTable& texts);

}  // namespace vrtruty::lang
