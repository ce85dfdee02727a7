#pragma once
// What the network watchdog and the address display ask of the system.

#include <string>

namespace vantaro::platform {

struct NetworkStatus {
  bool up = false;        // the computer can be reached: an interface is up and the network works
  bool localOnly = false;  // only a local network (no route beyond it)
  bool wideArea = false;   // a route beyond the local network exists
};

class NetworkState {
 public:
  virtual ~NetworkState() = default;
  virtual NetworkStatus Query() = 0;
  // The address a device on the local network reaches this computer at, dotted; empty when none.
  virtual std::string LanAddress() = 0;
};

// Keeps the system from going idle (screen saver, suspend) while the service is open.
class IdleInhibitor {
 public:
  virtual ~IdleInhibitor() = default;
  // Called every watchdog cycle while the service is open; an implementation may hold a lock for
  // as long as `inUse` stays true, or reset an idle timer each time. Failures are silent.
  virtual void SetInUse(bool inUse) = 0;
};

}  // namespace vantaro::platform
