#pragma once
// How the core reports to whatever shows it (the window, or the headless runner's standard output).
// The core never calls the user interface directly.

#include <cstdint>
#include <string>

namespace vantaro::app {

class StatusObserver {
 public:
  virtual ~StatusObserver() = default;
  // Called right after every change of the connection status, on the thread that changed it.
  virtual void StatusChanged(int32_t status) = 0;
  // A message for the local user (a message box in the window). May block until the user has
  // dismissed it; called on the thread that raises it.
  virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace vantaro::app
