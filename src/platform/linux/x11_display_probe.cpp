// Opens the display only to ask which extensions it has, then closes it again.

#include <X11/Xlib.h>

#include "platform/linux/self_check_factories.h"

namespace vantaro::platform {

namespace {

class X11DisplayProbe : public DisplayProbe {
 public:
  explicit X11DisplayProbe(std::string name) : name_(std::move(name)) {}

  DisplayFacts Probe() override {
    DisplayFacts facts;
    facts.name = name_;
    if (name_.empty()) return facts;
    Display* display = XOpenDisplay(name_.c_str());
    if (!display) return facts;
    facts.opened = true;
    facts.xtest = Has(display, "XTEST");
    facts.mitShm = Has(display, "MIT-SHM");
    facts.xfixes = Has(display, "XFIXES");
    facts.damage = Has(display, "DAMAGE");
    XCloseDisplay(display);
    return facts;
  }

 private:
  static bool Has(Display* display, const char* extension) {
    int opcode = 0, event = 0, error = 0;
    return XQueryExtension(display, extension, &opcode, &event, &error) != 0;
  }

  const std::string name_;
};

}  // namespace

std::unique_ptr<DisplayProbe> CreateX11DisplayProbe(std::string displayName) {
  return std::make_unique<X11DisplayProbe>(std::move(displayName));
}

}  // namespace vantaro::platform
