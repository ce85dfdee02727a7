#pragma once
// The program with its window: Qt's application and loop, the window on the application object,
// the notification-area icon, and the end through Exit or a termination signal. No Qt in this
// header, so that main() stays toolkit-free.

#include "app/runtime/command_line.h"
#include "platform/platform.h"
#include "platform/termination_signal.h"

namespace vantaro::ui::qt {

// Runs until Exit; returns the process's exit status (0, also for a second copy that only asked
// the first one to show itself).
int RunWindow(int argc, char** argv, platform::Platform& platform, const app::CommandLine& commandLine,
              platform::TerminationSignal& termination);

}  // namespace vantaro::ui::qt
