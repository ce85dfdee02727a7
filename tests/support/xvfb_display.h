#pragma once
// A private Xvfb server for display tests: started on a free display number (the server picks it
// and reports it through -displayfd), ended by its PID when the object goes away.

#include <sys/types.h>

#include <string>

namespace vantaro::testing {

class XvfbDisplay {
 public:
  // `screen` as Xvfb takes it, e.g. "1920x1080x24".
  explicit XvfbDisplay(const std::string& screen = "1920x1080x24");
  ~XvfbDisplay();
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  // False when Xvfb is missing or did not come up; `error` says why.
  bool ok() const { return !name_.empty(); }
  const std::string& error() const { return error_; }
  // Ends the server now (a test of a display that goes away); the destructor does it otherwise.
  void Stop();
  // ":N", for DISPLAY.
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
  std::string error_;
};

}  // namespace vantaro::testing
