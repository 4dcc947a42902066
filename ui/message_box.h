// The message box of the utility's message styles: which buttons, which icon, brought to the
// front or not, and right-to-left reading for a language written that way.
#pragma once

#include <QMessageBox>
#include <filesystem>
#include <string_view>

#include "ui/prompts.h"

namespace vrtruty::ui {

// Sets buttons, icon, caption, text and direction of the box as the request's style says.
void ConfigureMessageBox(QMessageBox& box, const MessageRequest& request);
// The answer of a finished box in the utility's terms (ID_OK ...).
int MessageAnswerOf(QMessageBox::StandardButton button);
// The style asks for the box to be brought to the foreground.
bool WantsForeground(std::uint32_t style);
// A file operation's message with the file and the system's reason under it.
QString WithFileAndReason(const QString& message, const std::filesystem::path& file,
                          std::string_view reason);

}  // namespace vrtruty::ui
