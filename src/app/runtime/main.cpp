// vantaro-server: the computer end of the remote control. With a display it shows its window and
// the notification-area icon; with --headless, or when no display can be reached, it runs
// headless: status lines on standard output, SIGINT or SIGTERM to exit.

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "app/check/self_check.h"
#include "app/headless_event_loop.h"
#include "app/runtime/command_line.h"
#include "app/runtime/headless_observer.h"
#include "app/runtime/talven_server_app.h"
#include "app/version.h"
#include "platform/display.h"
#include "platform/platform.h"
#include "platform/self_check_probes.h"
#include "ui/window_runner.h"

int main(int argc, char** argv) {
  using namespace vantaro;
  // Declared before the termination signal, whose handler quits it: the signal object, and the
  // thread that runs the handler, go first at exit, so no late signal reaches a destroyed loop.
  // The loop starts no thread of its own.
  app::HeadlessEventLoop loop;
  // Before any other thread exists, so that every thread inherits the blocked signals.
  auto termination = platform::CreateTerminationSignal();
  std::setlocale(LC_ALL, "");

  app::CommandLine commandLine =
      app::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (commandLine.showHelp) {
    std::fputs(app::UsageText(), stdout);
    return 0;
  }
  if (!commandLine.error.empty()) {
    std::fprintf(stderr, "vantaro-server: %s\n%s", commandLine.error.c_str(), app::UsageText());
    return 2;
  }
  if (commandLine.showVersion) {
    std::printf("vantaro-server %s\n", app::kCurrentVersion);
    return 0;
  }
  // Runs beside a server that may already be running: no single-instance test, no service.
  if (commandLine.check) {
    auto probes = platform::CreateSelfCheckProbes();
    app::CheckOutcome outcome = app::RunSelfCheckCommand(*probes, app::kCurrentVersion);
    std::fputs(outcome.text.c_str(), stdout);
    return outcome.exitCode;
  }
  if (!commandLine.headless && !platform::DisplayAvailable()) {
    std::fprintf(stderr, "vantaro-server: no display found; running headless\n");
    commandLine.headless = true;
  }

  auto platform = platform::CreatePlatform();
  if (!commandLine.headless) return ui::RunWindow(argc, argv, *platform, commandLine, *termination);
  app::HeadlessObserver observer;
  app::CTalvenServer_WinApp application(*platform, observer, loop, commandLine);
  if (!application.InitInstance()) return 0;
  observer.SetTexts(&application.texts());
  if (application.settings().securityLogin) {
    // Never the code itself: standard output may end up in a log that others read.
    std::string where = platform->profileStore->Location();
    std::fprintf(stderr,
                 "vantaro-server: security login is on; the code is the value securitycode in %s\n",
                 where.empty() ? "the settings" : where.c_str());
  }
  // Exit as the tray menu's Exit would: leave the loop, then the shutdown steps.
  termination->SetHandler([&loop] { loop.Quit(); });
  application.StartService();
  loop.Run();
  application.ExitInstance();
  return 0;
}
