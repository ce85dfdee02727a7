// Asks logind, without acting, whether this user may power off, restart and hibernate.

#include <systemd/sd-bus.h>

#include <cstring>

#include "platform/linux/self_check_factories.h"

namespace vantaro::platform {

namespace {

PowerAnswer AnswerOf(const char* text) {
  if (std::strcmp(text, "yes") == 0) return PowerAnswer::kYes;
  if (std::strcmp(text, "challenge") == 0) return PowerAnswer::kChallenge;
  if (std::strcmp(text, "no") == 0) return PowerAnswer::kNo;
  if (std::strcmp(text, "na") == 0) return PowerAnswer::kNotSupported;
  return PowerAnswer::kUnknown;
}

class LogindPowerProbe : public PowerProbe {
 public:
  PowerFacts Query() override {
    PowerFacts facts;
    sd_bus* bus = nullptr;
    if (int r = sd_bus_open_system(&bus); r < 0) {
      facts.error = std::string("no system bus (") + std::strerror(-r) + ")";
      return facts;
    }
    facts.powerOff = Ask(bus, "CanPowerOff", &facts.error);
    facts.reboot = Ask(bus, "CanReboot", &facts.error);
    facts.hibernate = Ask(bus, "CanHibernate", &facts.error);
    sd_bus_unref(bus);
    return facts;
  }

 private:
  static PowerAnswer Ask(sd_bus* bus, const char* method, std::string* error) {
    sd_bus_error busError = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    PowerAnswer answer = PowerAnswer::kUnknown;
    int r = sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", method, &busError, &reply, "");
    const char* text = nullptr;
    if (r >= 0 && sd_bus_message_read(reply, "s", &text) >= 0 && text)
      answer = AnswerOf(text);
    else if (error->empty())
      *error = busError.message ? busError.message : std::strerror(-r);
    sd_bus_message_unref(reply);
    sd_bus_error_free(&busError);
    return answer;
  }
};

}  // namespace

std::unique_ptr<PowerProbe> CreateLogindPowerProbe() {
  return std::make_unique<LogindPowerProbe>();
}

}  // namespace vantaro::platform
