#pragma once
// The four power commands. A command with a delay waits as timer 1000-1003 of the user-interface
// loop; a new command always replaces a pending one, whatever its kind; a delay below 1 acts at
// once, on the calling (control) thread. Nothing is sent back to the device.

#include <functional>

#include "app/event_loop.h"
#include "control/command_handlers.h"
#include "platform/power.h"

namespace vantaro::control {

enum PowerTimerId : int {
  kShutDownTimer = 1000,
  kRebootTimer = 1001,
  kLogOffTimer = 1002,
  kHibernateTimer = 1003,
};

class PowerCommands : public PowerHandler {
 public:
  // `afterHibernate` runs once the hibernate call has returned (woken up, or refused); the service
  // owner closes the service there and marks it for reopening.
  PowerCommands(app::EventLoop& loop, platform::Power& power, std::function<void()> afterHibernate)
      : loop_(loop), power_(power), afterHibernate_(std::move(afterHibernate)) {}

  void OnPowerCommand(int32_t code, int32_t delayMs) override;

 private:
  void CarryOut(int32_t code);

  app::EventLoop& loop_;
  platform::Power& power_;
  std::function<void()> afterHibernate_;
};

}  // namespace vantaro::control
