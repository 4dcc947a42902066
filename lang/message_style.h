// The message-box styles the utility uses: buttons and icon of each kind of message.
#pragma once

#include <cstdint>

namespace vrtruty::lang {

enum MessageStyle : std::uint32_t {
    MB_WARNING_OK = 0x10030,      // OK, warning icon, to the foreground: errors and refusals
    MB_STOP_OK = 0x10010,         // OK, stop icon, to the foreground: file errors
    MB_INFORMATION_OK = 0x10040,  // OK, information icon, to the foreground: completion notices
    MB_CONFIRM = 0x41,            // OK and Cancel, information icon: before an operation
    MB_WARNING_CONFIRM = 0x31,    // OK and Cancel, warning icon
    MB_YES_NO = 0x24,             // Yes and No, question icon
    MB_YES_NO_CANCEL = 0x23,      // Yes, No and Cancel, question icon: the exit question
    MB_USER_ICON = 0x80,          // OK with the utility's own icon: the version box
};

}  // namespace vrtruty::lang
