#pragma once
// The system's power actions. Each asks the system and returns whether the request was accepted;
// a refused request changes nothing. Hibernate returns after the computer has woken up again (or at
// once when it was refused).

namespace vantaro::platform {

class Power {
 public:
  virtual ~Power() = default;
  virtual bool PowerOff() = 0;
  virtual bool Reboot() = 0;
  virtual bool LogOff() = 0;
  virtual bool Hibernate() = 0;
};

}  // namespace vantaro::platform
