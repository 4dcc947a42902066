// The window program: start-up, the main window, the start-up connection check, the message loop
// and the shutdown.
#pragma once

namespace vrtruty::ui {

// argv may carry --home DIR; everything else is left to Qt. Returns the exit status.
int RunGui(int argc, char** argv);

}  // namespace vrtruty::ui
