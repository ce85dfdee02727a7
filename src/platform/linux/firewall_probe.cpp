// The firewalls' state, read without changing anything and without root where possible: ufw from
// its configuration files (its rules file is often readable by root only, and then the verdict is
// "cannot tell"), firewalld from its runtime D-Bus interface, whose queries any local user may
// make.

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/linux/self_check_factories.h"

namespace vantaro::platform {

namespace {

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool ReadFile(const std::string& path, std::string* content, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  std::ostringstream s;
  s << in.rdbuf();
  *content = s.str();
  return true;
}

// The value of KEY=value (quotes removed) in a shell-style configuration file.
std::string ConfigValue(const std::string& content, const std::string& key) {
  std::istringstream lines(content);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.starts_with(key + "=")) continue;
    std::string value = line.substr(key.size() + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return {};
}

// Whether a port list ("5868", "5868,6000:6010", "any"; firewalld's "5869-5870") holds `port`.
bool PortListHas(const std::string& list, uint16_t port) {
  if (list == "any") return true;
  std::istringstream parts(list);
  std::string part;
  while (std::getline(parts, part, ',')) {
    size_t dash = part.find_first_of(":-");
    unsigned long first = std::strtoul(part.c_str(), nullptr, 10);
    unsigned long last =
        dash == std::string::npos ? first : std::strtoul(part.c_str() + dash + 1, nullptr, 10);
    if (port >= first && port <= last) return true;
  }
  return false;
}

struct WantedPort {
  const char* protocol;
  uint16_t port;
};

// The ufw verdict for one port: its first matching rule decides, as in the firewall itself.
bool UfwAllows(const std::string& userRules, const WantedPort& wanted) {
  std::istringstream lines(userRules);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.starts_with("### tuple ###")) continue;
    if (size_t comment = line.find(" comment="); comment != std::string::npos) line.resize(comment);
    std::istringstream fields(line.substr(13));
    std::vector<std::string> f;
    for (std::string token; fields >> token;) f.push_back(token);
    // action protocol dport dst sport src [dapp sapp] direction
    if (f.size() < 7 || !f.back().starts_with("in")) continue;
    if (f[1] != "any" && f[1] != wanted.protocol) continue;
    if (!PortListHas(f[2], wanted.port)) continue;
    return f[0] == "allow" || f[0] == "limit";
  }
  return false;
}

class LinuxFirewallProbe : public FirewallProbe {
 public:
  explicit LinuxFirewallProbe(std::string root) : root_(std::move(root)) {}

  FirewallFacts Ufw(const ServicePorts& ports) override {
    FirewallFacts facts;
    if (!Exists(root_ + "/usr/sbin/ufw")) {
      facts.state = FirewallFacts::kNotInstalled;
      return facts;
    }
    std::string conf, defaults, rules;
    if (!ReadFile(root_ + "/etc/ufw/ufw.conf", &conf, &facts.detail)) return facts;
    if (ConfigValue(conf, "ENABLED") != "yes") {
      facts.state = FirewallFacts::kInactive;
      return facts;
    }
    facts.state = FirewallFacts::kActive;
    std::string ignored;
    if (ReadFile(root_ + "/etc/default/ufw", &defaults, &ignored) &&
        ConfigValue(defaults, "DEFAULT_INPUT_POLICY") == "ACCEPT") {
      facts.ports = FirewallFacts::kOpen;
      return facts;
    }
    if (!ReadFile(root_ + "/etc/ufw/user.rules", &rules, &facts.detail)) return facts;
    facts.ports = UfwRulesAllow(rules, ports) ? FirewallFacts::kOpen : FirewallFacts::kClosed;
    return facts;
  }

  FirewallFacts Firewalld(const ServicePorts& ports) override {
    FirewallFacts facts;
    if (!Exists(root_ + "/usr/sbin/firewalld")) {
      facts.state = FirewallFacts::kNotInstalled;
      return facts;
    }
    sd_bus* bus = nullptr;
    if (int r = sd_bus_open_system(&bus); r < 0) {
      facts.detail = std::string("no system bus (") + std::strerror(-r) + ")";
      return facts;
    }
    QueryFirewalld(bus, ports, &facts);
    sd_bus_unref(bus);
    return facts;
  }

 private:
  static void QueryFirewalld(sd_bus* bus, const ServicePorts& ports, FirewallFacts* facts) {
    constexpr const char* kName = "org.fedoraproject.FirewallD1";
    constexpr const char* kPath = "/org/fedoraproject/FirewallD1";
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int owned = 0;
    int r = sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", &error, &reply, "s", kName);
    if (r >= 0) r = sd_bus_message_read(reply, "b", &owned);
    reply = sd_bus_message_unref(reply);
    if (r < 0 || !owned) {
      facts->state = r < 0 ? FirewallFacts::kUnknown : FirewallFacts::kInactive;
      if (r < 0) facts->detail = error.message ? error.message : std::strerror(-r);
      sd_bus_error_free(&error);
      return;
    }
    facts->state = FirewallFacts::kActive;
    const char* zoneText = nullptr;
    std::string zone;
    r = sd_bus_call_method(bus, kName, kPath, kName, "getDefaultZone", &error, &reply, "");
    if (r >= 0 && sd_bus_message_read(reply, "s", &zoneText) >= 0 && zoneText) zone = zoneText;
    reply = sd_bus_message_unref(reply);
    std::vector<std::string> services;
    std::vector<std::pair<std::string, std::string>> open;  // (ports, protocol)
    bool read = !zone.empty() && ReadZone(bus, zone, &services, &open, &error);
    if (!read) {
      facts->detail = error.message ? error.message : "no default zone";
      sd_bus_error_free(&error);
      return;
    }
    facts->detail = "zone " + zone;
    bool hasService = false;
    for (const std::string& s : services) hasService = hasService || s == "vantaro";
    const WantedPort wanted[] = {
        {"udp", ports.discovery}, {"tcp", ports.control}, {"tcp", ports.data}};
    bool all = true;
    for (const WantedPort& w : wanted) {
      bool found = hasService && ports.discovery == 5868;  // the packaged service's ports
      for (const auto& [list, protocol] : open)
        found = found || (protocol == w.protocol && PortListHas(list, w.port));
      all = all && found;
    }
    facts->ports = all ? FirewallFacts::kOpen : FirewallFacts::kClosed;
    sd_bus_error_free(&error);
  }

  static bool ReadZone(sd_bus* bus, const std::string& zone, std::vector<std::string>* services,
                       std::vector<std::pair<std::string, std::string>>* open,
                       sd_bus_error* error) {
    constexpr const char* kName = "org.fedoraproject.FirewallD1";
    constexpr const char* kPath = "/org/fedoraproject/FirewallD1";
    constexpr const char* kZone = "org.fedoraproject.FirewallD1.zone";
    sd_bus_message* reply = nullptr;
    int r = sd_bus_call_method(bus, kName, kPath, kZone, "getServices", error, &reply, "s",
                               zone.c_str());
    char** list = nullptr;
    if (r >= 0) r = sd_bus_message_read_strv(reply, &list);
    for (char** it = list; it && *it; ++it) {
      services->push_back(*it);
      std::free(*it);
    }
    std::free(list);
    reply = sd_bus_message_unref(reply);
    if (r < 0) return false;
    r = sd_bus_call_method(bus, kName, kPath, kZone, "getPorts", error, &reply, "s", zone.c_str());
    if (r >= 0) r = sd_bus_message_enter_container(reply, 'a', "as");
    while (r > 0 && (r = sd_bus_message_at_end(reply, 0)) == 0) {
      list = nullptr;
      r = sd_bus_message_read_strv(reply, &list);
      if (r >= 0 && list && list[0] && list[1]) open->emplace_back(list[0], list[1]);
      for (char** it = list; it && *it; ++it) std::free(*it);
      std::free(list);
      if (r >= 0) r = 1;
    }
    sd_bus_message_unref(reply);
    return r >= 0;
  }

  const std::string root_;
};

}  // namespace

bool UfwRulesAllow(const std::string& userRules, const ServicePorts& ports) {
  const WantedPort wanted[] = {
      {"udp", ports.discovery}, {"tcp", ports.control}, {"tcp", ports.data}};
  for (const WantedPort& w : wanted)
    if (!UfwAllows(userRules, w)) return false;
  return true;
}

std::unique_ptr<FirewallProbe> CreateLinuxFirewallProbe(std::string root) {
  return std::make_unique<LinuxFirewallProbe>(std::move(root));
}

}  // namespace vantaro::platform
