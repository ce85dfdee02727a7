#pragma once
// The entry that starts the program together with the user's session.

#include <string>

namespace vantaro::platform {

class AutoStart {
 public:
  virtual ~AutoStart() = default;
  // Creates or replaces the entry; `commandLine` is what the session runs. False on failure.
  virtual bool Enable(const std::string& commandLine) = 0;
  // Removes the entry; removing an absent entry succeeds.
  virtual bool Disable() = 0;
};

}  // namespace vantaro::platform
