#include "control/power_commands.h"

#include "control/control_protocol.h"

namespace vantaro::control {

namespace {
int TimerFor(int32_t code) {
  switch (code) {
    case CmdShutDown:
      return kShutDownTimer;
    case CmdReboot:
      return kRebootTimer;
    case CmdLogOff:
      return kLogOffTimer;
    default:
      return kHibernateTimer;
  }
}
}  // namespace

void PowerCommands::OnPowerCommand(int32_t code, int32_t delayMs) {
  if (code < CmdHibernate || code > CmdShutDown) return;
  for (int id = kShutDownTimer; id <= kHibernateTimer; ++id) loop_.StopTimer(id);
  if (delayMs < 1) {
    CarryOut(code);
    return;
  }
  int id = TimerFor(code);
  loop_.StartTimer(id, delayMs, [this, id, code] {
    loop_.StopTimer(id);
    CarryOut(code);
  });
}

void PowerCommands::CarryOut(int32_t code) {
  switch (code) {
    case CmdShutDown:
      power_.PowerOff();
      break;
    case CmdReboot:
      power_.Reboot();
      break;
    case CmdLogOff:
      power_.LogOff();
      break;
    case CmdHibernate:
      // A refused hibernation still closes the service; the watchdog then reopens it.
      power_.Hibernate();
      if (afterHibernate_) afterHibernate_();
      break;
  }
}

}  // namespace vantaro::control
