#pragma once
// The rule that one copy of the program runs per settings store.

#include <functional>
#include <string>

namespace vantaro::platform {

class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  // Claims the instance named `name` for the life of this object. True for the first copy. A later
  // copy gets false after asking the first one to show its window.
  virtual bool Acquire(const std::string& name) = 0;
  // Called on a thread of the implementation's when another copy asks the first to show itself.
  virtual void SetShowRequestHandler(std::function<void()> handler) = 0;
};

}  // namespace vantaro::platform
