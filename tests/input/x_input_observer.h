#pragma once
// The test's own X client on a display: sees every button and key event through XInput 2 raw
// events, the pointer through a pointer query, and the text typed into a window of its own.
// Header-only; link X11, Xi, Xtst.

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vantaro::testing {

class XInputObserver {
 public:
  XInputObserver() = default;
  ~XInputObserver() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  XInputObserver(const XInputObserver&) = delete;
  XInputObserver& operator=(const XInputObserver&) = delete;

  bool Open(const std::string& name) {
    display_ = XOpenDisplay(name.c_str());
    if (display_ == nullptr) return false;
    root_ = DefaultRootWindow(display_);
    int event, error;
    if (!XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &error)) return false;
    int major = 2, minor = 0;
    if (XIQueryVersion(display_, &major, &minor) != Success) return false;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display_, root_, &mask, 1);
    XSync(display_, False);
    return true;
  }

  std::pair<int, int> Pointer() {
    Window root, child;
    int x = -1, y = -1, wx, wy;
    unsigned mask;
    XQueryPointer(display_, root_, &root, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
  }

  // Waits until the pointer is at (x, y); false after `timeoutMs`.
  bool WaitForPointer(int x, int y, int timeoutMs = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      if (Pointer() == std::make_pair(x, y)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  // A window over the whole screen that has the keyboard focus and collects what is typed.
  void ShowTextWindow() {
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, root_, 0, 0, DisplayWidth(display_, screen),
                                  DisplayHeight(display_, screen), 0, 0, 0);
    XSelectInput(display_, window_, KeyPressMask | StructureNotifyMask);
    XMapWindow(display_, window_);
    XEvent event;
    do {
      XWindowEvent(display_, window_, StructureNotifyMask, &event);
    } while (event.type != MapNotify);
    XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
  }

  void HideTextWindow() {
    if (window_ == None) return;
    XDestroyWindow(display_, window_);
    window_ = None;
    XSync(display_, False);
  }

  // Presses and releases Caps Lock as a keyboard of the display's own would.
  void PressCapsLock() {
    const KeyCode code = XKeysymToKeycode(display_, XK_Caps_Lock);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
  }

  // True when some key code of the display's current keymap carries `keysym`.
  bool KeymapHas(KeySym keysym) {
    int min = 0, max = 0, perCode = 0;
    XDisplayKeycodes(display_, &min, &max);
    KeySym* syms =
        XGetKeyboardMapping(display_, static_cast<KeyCode>(min), max - min + 1, &perCode);
    bool found = false;
    for (int i = 0; syms != nullptr && i < (max - min + 1) * perCode; ++i)
      found = found || syms[i] == keysym;
    if (syms != nullptr) XFree(syms);
    return found;
  }

  // Reads every event that has arrived: "button 1 press", "key F18 release" and so on, in order.
  // Events of requests the display handled before the last pointer query have all arrived.
  std::vector<std::string> TakeEvents() {
    Read();
    return std::exchange(events_, {});
  }
  std::string TakeText() {
    Read();
    return std::exchange(text_, {});
  }

 private:
  void Read() {
    XSync(display_, False);
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
      } else if (event.type == KeyPress) {
        KeySym keysym = NoSymbol;
        char buffer[16];
        XLookupString(&event.xkey, buffer, sizeof buffer, &keysym, nullptr);
        AppendText(keysym);
      } else if (event.type == GenericEvent && event.xcookie.extension == xiOpcode_ &&
                 XGetEventData(display_, &event.xcookie)) {
        RecordRaw(event.xcookie.evtype, static_cast<XIRawEvent*>(event.xcookie.data)->detail);
        XFreeEventData(display_, &event.xcookie);
      }
    }
  }

  void RecordRaw(int type, int detail) {
    const bool press = type == XI_RawKeyPress || type == XI_RawButtonPress;
    std::string what;
    if (type == XI_RawKeyPress || type == XI_RawKeyRelease) {
      const KeySym keysym = XkbKeycodeToKeysym(display_, static_cast<KeyCode>(detail), 0, 0);
      // Xlib allocates the names of Unicode keysyms for every call; name those here instead.
      char unicode[16];
      const char* name = unicode;
      if ((keysym & 0xFF000000) == 0x01000000) {
        std::snprintf(unicode, sizeof unicode, "U%04lX", keysym & 0x00FFFFFF);
      } else {
        name = XKeysymToString(keysym);
      }
      what = std::string("key ") + (name != nullptr ? name : "?");
    } else {
      what = "button " + std::to_string(detail);
    }
    events_.push_back(what + (press ? " press" : " release"));
  }

  void AppendText(KeySym keysym) {
    char32_t c = 0;
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) {
      c = static_cast<char32_t>(keysym);
    } else if ((keysym & 0xFF000000) == 0x01000000) {
      c = static_cast<char32_t>(keysym & 0x00FFFFFF);
    } else if (keysym == XK_Return) {
      c = '\n';
    } else {
      return;
    }
    if (c < 0x80) {
      text_ += static_cast<char>(c);
    } else if (c < 0x800) {
      text_ += static_cast<char>(0xC0 | (c >> 6));
      text_ += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      text_ += static_cast<char>(0xE0 | (c >> 12));
      text_ += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      text_ += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      text_ += static_cast<char>(0xF0 | (c >> 18));
      text_ += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      text_ += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      text_ += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  Display* display_ = nullptr;
  Window root_ = None;
  Window window_ = None;
  int xiOpcode_ = 0;
  std::vector<std::string> events_;
  std::string text_;
};

}  // namespace vantaro::testing
