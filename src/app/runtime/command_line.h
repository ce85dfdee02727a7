#pragma once
// The server's command line:
//   vantaro-server [--headless] [--dry-run-power] [--assume-network-up] [--test-capture-devices]
//                  [-ar]
//   vantaro-server --check | --version | --help

#include <string>
#include <vector>

namespace vantaro::app {

struct CommandLine {
  bool headless = false;
  bool dryRunPower = false;      // power commands print what they would do and do nothing
  bool assumeNetworkUp = false;  // open the service even without a default route
  bool testCaptureDevices = false;  // synthetic camera and microphone instead of the real ones
  bool startedHidden = false;    // the command line ends in "-ar" (the autostart entry's start)
  bool showHelp = false;
  bool showVersion = false;
  bool check = false;  // run the self-check, print it and exit; starts no service
  std::string error;  // set for an argument that is not understood
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);
const char* UsageText();

}  // namespace vantaro::app
