#pragma once
// Power actions that only say what they would do, one line each on standard output
// ("power: shutdown"); for trying the server out and for tests. Hibernate returns at once.

#include "platform/power.h"

namespace vantaro::control {

class DryRunPower : public platform::Power {
 public:
  bool PowerOff() override;
  bool Reboot() override;
  bool LogOff() override;
  bool Hibernate() override;
};

}  // namespace vantaro::control
