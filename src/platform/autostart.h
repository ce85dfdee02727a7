#pragma once
// The entry that starts the program together with the user's session. Called from the
// user-interface thread only.

#include <string>
#include <vector>

namespace vantaro::platform {

class AutoStart {
 public:
  virtual ~AutoStart() = default;
  // Creates or replaces the entry. `commandLine` is what the session runs, one element per
  // argument, the program's absolute path first; the implementation quotes each element as its
  // entry format requires, so paths with spaces stay whole. False on failure (noted on stderr).
  virtual bool Enable(const std::vector<std::string>& commandLine) = 0;
  // Removes the entry; removing an absent entry succeeds.
  virtual bool Disable() = 0;
};

}  // namespace vantaro::platform
