// The interfaces as getifaddrs lists them (one entry per address family, merged by name) and the
// IPv4 default route from /proc/net/route.

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <fstream>
#include <sstream>

#include "platform/linux/self_check_factories.h"

namespace vantaro::platform {

namespace {

std::string DefaultRouteInterface() {
  std::ifstream routes("/proc/net/route");
  std::string line;
  std::getline(routes, line);  // column titles
  while (std::getline(routes, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags;
    if (!(fields >> iface >> destination >> gateway >> flags)) continue;
    const unsigned long up = std::strtoul(flags.c_str(), nullptr, 16) & 0x1;  // RTF_UP
    if (destination == "00000000" && up && iface != "lo") return iface;
  }
  return {};
}

class LinuxInterfaceProbe : public InterfaceProbe {
 public:
  NetworkFacts Query() override {
    NetworkFacts facts;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
      for (ifaddrs* it = list; it; it = it->ifa_next) Merge(*it, facts.interfaces);
      ::freeifaddrs(list);
    }
    facts.defaultRouteInterface = DefaultRouteInterface();
    return facts;
  }

 private:
  static void Merge(const ifaddrs& entry, std::vector<InterfaceFacts>& interfaces) {
    InterfaceFacts* facts = nullptr;
    for (InterfaceFacts& known : interfaces)
      if (known.name == entry.ifa_name) facts = &known;
    if (!facts) {
      interfaces.push_back({});
      facts = &interfaces.back();
      facts->name = entry.ifa_name;
    }
    facts->up = (entry.ifa_flags & IFF_UP) != 0;
    facts->loopback = (entry.ifa_flags & IFF_LOOPBACK) != 0;
    facts->multicast = (entry.ifa_flags & IFF_MULTICAST) != 0;
    if (entry.ifa_addr && entry.ifa_addr->sa_family == AF_INET && facts->address.empty()) {
      char text[INET_ADDRSTRLEN] = {};
      const auto* addr = reinterpret_cast<const sockaddr_in*>(entry.ifa_addr);
      if (::inet_ntop(AF_INET, &addr->sin_addr, text, sizeof(text))) facts->address = text;
    }
  }
};

}  // namespace

std::unique_ptr<InterfaceProbe> CreateLinuxInterfaceProbe() {
  return std::make_unique<LinuxInterfaceProbe>();
}

}  // namespace vantaro::platform
