// logind over the system bus: the idle inhibitor and the power actions. Each call opens its own bus
// connection, as these are rare events and the bus may come and go.

#include <X11/Xlib.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-login.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/linux/service_factories.h"

namespace vantaro::platform {

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

// Calls a Manager method whose arguments are "b" (interactive = false) or "s".
bool CallManager(const char* method, const char* signature, const void* arg, const char* what) {
  sd_bus* bus = nullptr;
  int r = sd_bus_open_system(&bus);
  if (r < 0) {
    std::fprintf(stderr, "power: %s refused: no system bus\n", what);
    return false;
  }
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  if (signature[0] == 'b')
    r = sd_bus_call_method(bus, kService, kPath, kManager, method, &error, &reply, "b",
                           *static_cast<const int*>(arg));
  else
    r = sd_bus_call_method(bus, kService, kPath, kManager, method, &error, &reply, "s",
                           static_cast<const char*>(arg));
  if (r < 0)
    std::fprintf(stderr, "power: %s refused: %s\n", what,
                 error.message ? error.message : "call failed");
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  sd_bus_unref(bus);
  return r >= 0;
}

class LogindPower : public Power {
 public:
  bool PowerOff() override { return Call("PowerOff", "power off"); }
  bool Reboot() override { return Call("Reboot", "reboot"); }
  bool Hibernate() override { return Call("Hibernate", "hibernate"); }
  bool LogOff() override {
    char* session = nullptr;
    std::string id;
    if (sd_pid_get_session(0, &session) >= 0 && session) id = session;
    std::free(session);
    if (id.empty() && std::getenv("XDG_SESSION_ID")) id = std::getenv("XDG_SESSION_ID");
    if (id.empty()) {
      std::fprintf(stderr, "power: log off refused: not in a login session\n");
      return false;
    }
    return CallManager("TerminateSession", "s", id.c_str(), "log off");
  }

 private:
  static bool Call(const char* method, const char* what) {
    int interactive = 0;
    return CallManager(method, "b", &interactive, what);
  }
};

class LinuxIdleInhibitor : public IdleInhibitor {
 public:
  ~LinuxIdleInhibitor() override {
    Release();
    if (display_ && !displayLost_) XCloseDisplay(display_);
  }
  void SetInUse(bool inUse) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!inUse) {
      Release();
      return;
    }
    if (fd_ >= 0) return;
    if (!triedBus_) {
      triedBus_ = true;
      fd_ = TakeInhibitor();
      if (fd_ >= 0) return;
    } else if (busWorked_) {
      fd_ = TakeInhibitor();
      if (fd_ >= 0) return;
    }
    ResetScreenSaver();
  }

 private:
  int TakeInhibitor() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) return -1;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int fd = -1;
    int r = sd_bus_call_method(bus, kService, kPath, kManager, "Inhibit", &error, &reply, "ssss",
                               "idle", "Vantaro", "A device may connect at any time", "block");
    int received = -1;
    if (r >= 0 && sd_bus_message_read(reply, "h", &received) >= 0 && received >= 0)
      fd = ::dup(received);  // the message owns its descriptor
    busWorked_ = fd >= 0;
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    sd_bus_unref(bus);
    return fd;
  }
  void Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  void ResetScreenSaver() {
    if (!std::getenv("DISPLAY")) return;
    if (!display_ && !triedDisplay_) {
      triedDisplay_ = true;
      display_ = XOpenDisplay(nullptr);
      // Without this, a display that goes away ends the whole process.
      if (display_) XSetIOErrorExitHandler(display_, [](Display*, void* self) {
        static_cast<LinuxIdleInhibitor*>(self)->displayLost_ = true;
      }, this);
    }
    if (!display_ || displayLost_) return;
    XResetScreenSaver(display_);
    XFlush(display_);
  }

  std::mutex lock_;  // callers: the watchdog thread and whoever opens or closes the service
  int fd_ = -1;
  bool triedBus_ = false;
  bool busWorked_ = false;
  bool triedDisplay_ = false;
  Display* display_ = nullptr;
  bool displayLost_ = false;  // set from inside an Xlib call, under `lock_` like the display
};

}  // namespace

std::unique_ptr<Power> CreateLogindPower() { return std::make_unique<LogindPower>(); }
std::unique_ptr<IdleInhibitor> CreateLinuxIdleInhibitor() {
  return std::make_unique<LinuxIdleInhibitor>();
}

}  // namespace vantaro::platform
