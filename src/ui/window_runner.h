#pragma once
// The program with its window: the toolkit's application and loop, the window on the application
// object, the notification-area icon, and the end through Exit or a termination signal. Each
// build links one implementation (the Qt views on Linux); no toolkit in this header, so that main()
// stays toolkit-free.

#include "app/runtime/command_line.h"
#include "platform/platform.h"
#include "platform/termination_signal.h"

namespace vantaro::ui {

// Runs until Exit; returns the process's exit status (0, also for a second copy that only asked
// the first one to show itself).
int RunWindow(int argc, char** argv, platform::Platform& platform,
              const app::CommandLine& commandLine, platform::TerminationSignal& termination);

}  // namespace vantaro::ui
