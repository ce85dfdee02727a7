#include <X11/Xlib.h>

#include <cstdlib>

#include "platform/display.h"

namespace vantaro::platform {

bool DisplayAvailable() {
  const char* forced = std::getenv("QT_QPA_PLATFORM");
  if (forced && *forced) return true;
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return false;
  Display* display = XOpenDisplay(name);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

}  // namespace vantaro::platform
