#include "control/dry_run_power.h"

#include <cstdio>

namespace vantaro::control {

namespace {
bool Say(const char* action) {
  std::printf("power: %s\n", action);
  std::fflush(stdout);
  return true;
}
}  // namespace

bool DryRunPower::PowerOff() { return Say("shutdown"); }
bool DryRunPower::Reboot() { return Say("reboot"); }
bool DryRunPower::LogOff() { return Say("logoff"); }
bool DryRunPower::Hibernate() { return Say("hibernate"); }

}  // namespace vantaro::control
