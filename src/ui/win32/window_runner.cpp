// The Win32 views of the page models come later. Until then the Windows build reports no display
// (so main() runs headless and never gets here); this keeps main() the same on every system.

#include "ui/window_runner.h"

#include <cstdio>

namespace vantaro::ui {

int RunWindow(int, char**, platform::Platform&, const app::CommandLine&,
              platform::TerminationSignal&) {
  std::fputs("vantaro-server: this build has no window; start it with --headless\n", stderr);
  return 1;
}

}  // namespace vantaro::ui
