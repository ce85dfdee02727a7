#pragma once
// vantaro-server --check: one line per item of the system that the remote modes depend on, what
// was found and, where something is wrong, the fix in plain words. Everything is only read: the
// check writes no file, opens no lasting listener and never shows the security code.
//
// An item is a failure when it keeps the remote modes from working (no X display or XTest, a port
// held by another program, no network, a firewall that blocks the ports, an unreadable settings
// file) and a warning when it only limits something (no camera, power commands that logind will
// refuse, a missing shared folder, a settings file that others can read).

#include <string>
#include <vector>

#include "app/check/check_texts.h"
#include "platform/self_check_probes.h"

namespace vantaro::app {

enum class CheckSeverity { kOk, kWarning, kFailure, kSkipped };

struct CheckLine {
  CheckSeverity severity = CheckSeverity::kOk;
  std::string item;   // what was looked at ("TCP port 5869 (control)")
  std::string found;  // what was found ("held by another program (nc, pid 4242)")
  std::string fix;    // what to do; empty for ok and skipped lines
};

struct CheckReport {
  std::vector<CheckLine> lines;
  int Failures() const;
  // 0 when the remote modes can work (no failure), 1 otherwise.
  int ExitCode() const { return Failures() == 0 ? 0 : 1; }
};

// Runs every check against `probes`, in the order of the output.
CheckReport RunSelfCheck(platform::SelfCheckProbes& probes, const CheckTexts& texts);

// The report as printed: a title, one line per item with its fix line below it, and a verdict.
std::string FormatCheckReport(const CheckReport& report, const CheckTexts& texts,
                              const std::string& version);

// The whole command: picks the interface language from `probes.uiLanguage`, runs the check and
// returns the text to print together with the exit status.
struct CheckOutcome {
  std::string text;
  int exitCode = 0;
};
CheckOutcome RunSelfCheckCommand(platform::SelfCheckProbes& probes, const std::string& version);

}  // namespace vantaro::app
