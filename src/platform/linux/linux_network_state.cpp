// The network is "up" when a non-loopback IPv4 interface is up with an address and a default
// route exists. The LAN address is taken from the interfaces, not from resolving the host name,
// which on many Linux systems resolves to 127.0.1.1 where no device can reach the computer.

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/linux/service_factories.h"

namespace vantaro::platform {

namespace {

std::string FirstLanAddress() {
  std::string result;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return result;
  for (ifaddrs* it = list; it && result.empty(); it = it->ifa_next) {
    if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET) continue;
    if ((it->ifa_flags & IFF_LOOPBACK) || !(it->ifa_flags & IFF_UP)) continue;
    char text[INET_ADDRSTRLEN] = {};
    auto* addr = reinterpret_cast<sockaddr_in*>(it->ifa_addr);
    if (::inet_ntop(AF_INET, &addr->sin_addr, text, sizeof(text))) result = text;
  }
  ::freeifaddrs(list);
  return result;
}

bool HasDefaultRoute() {
  std::ifstream routes("/proc/net/route");
  std::string line;
  std::getline(routes, line);  // column titles
  while (std::getline(routes, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags;
    if (!(fields >> iface >> destination >> gateway >> flags)) continue;
    unsigned long f = std::stoul(flags, nullptr, 16);
    if (destination == "00000000" && (f & 0x1) && iface != "lo") return true;
  }
  return false;
}

class LinuxNetworkState : public NetworkState {
 public:
  NetworkStatus Query() override {
    bool lan = !FirstLanAddress().empty();
    bool route = HasDefaultRoute();
    NetworkStatus s;
    s.up = lan && route;
    s.wideArea = route;
    s.localOnly = lan && !route;
    return s;
  }
  std::string LanAddress() override { return FirstLanAddress(); }
};

}  // namespace

std::unique_ptr<NetworkState> CreateLinuxNetworkState() {
  return std::make_unique<LinuxNetworkState>();
}

}  // namespace vantaro::platform
