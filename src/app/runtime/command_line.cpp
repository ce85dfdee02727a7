#include "app/runtime/command_line.h"

namespace vantaro::app {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine c;
  std::string joined;
  for (const auto& a : args) {
    if (!joined.empty()) joined += ' ';
    joined += a;
    if (a == "--headless")
      c.headless = true;
    else if (a == "--dry-run-power")
      c.dryRunPower = true;
    else if (a == "--assume-network-up")
      c.assumeNetworkUp = true;
    else if (a == "--test-capture-devices")
      c.testCaptureDevices = true;
    else if (a == "-h" || a == "--help")
      c.showHelp = true;
    else if (a == "--version")
      c.showVersion = true;
    else if (a == "--check")
      c.check = true;
    else if (a != "-ar" && c.error.empty())
      c.error = "unknown argument: " + a;
  }
  // The hidden start is recognised by the last three characters of the command line, exactly;
  // "-AR" or a trailing space give a normal start.
  c.startedHidden = joined.size() >= 3 && joined.compare(joined.size() - 3, 3, "-ar") == 0;
  return c;
}

const char* UsageText() {
  return "usage: vantaro-server [--headless] [--dry-run-power] [--assume-network-up]\n"
         "                      [--test-capture-devices] [-ar]\n"
         "       vantaro-server --check | --version | --help\n"
         "  --headless           run without a window; status changes go to standard output\n"
         "  --dry-run-power      print power commands (power: shutdown ...) instead of acting\n"
         "  --assume-network-up  open the service even when the network has no default route\n"
         "  --test-capture-devices  list only a synthetic camera (colour bars) and microphone\n"
         "                       (a 1 kHz tone) instead of the computer's devices\n"
         "  -ar                  start hidden (used by the autostart entry)\n"
         "  --check              check what the remote modes need, print one line per item\n"
         "                       and exit: 0 when they can work, 1 when something stops them\n"
         "  --version            print the version and exit\n"
         "  -h, --help           print this text and exit\n";
}

}  // namespace vantaro::app
