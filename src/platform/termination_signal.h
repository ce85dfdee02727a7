#pragma once
// The requests to end the program that come from outside it (SIGINT and SIGTERM on POSIX).

#include <functional>

namespace vantaro::platform {

class TerminationSignal {
 public:
  virtual ~TerminationSignal() = default;
  // Calls `handler` on a thread of the implementation's each time a request arrives. The
  // destructor stops that thread. Must be created before any other thread of the program.
  virtual void SetHandler(std::function<void()> handler) = 0;
};

}  // namespace vantaro::platform
