// Network state from the adapters and the route table: up when an adapter other than loopback
// is up with an IPv4 address and a default route exists, the same rule as on Linux.
// The idle inhibitor is SetThreadExecutionState.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>

#include <vector>

#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

namespace {

std::string FirstLanAddress() {
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG rc = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    rc = ::GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                                             GAA_FLAG_SKIP_DNS_SERVER,
                                nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                &size);
  }
  if (rc != NO_ERROR) return {};
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
    if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (auto* u = a->FirstUnicastAddress; u; u = u->Next) {
      if (u->Address.lpSockaddr->sa_family != AF_INET) continue;
      uint32_t address =
          ntohl(reinterpret_cast<sockaddr_in*>(u->Address.lpSockaddr)->sin_addr.s_addr);
      if ((address >> 24) == 127 || (address >> 16) == 0xA9FE) continue;  // loopback, link-local
      return FormatIpv4(address);
    }
  }
  return {};
}

bool HasDefaultRoute() {
  ULONG size = 0;
  if (::GetIpForwardTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER) return false;
  std::vector<unsigned char> buffer(size);
  auto* table = reinterpret_cast<MIB_IPFORWARDTABLE*>(buffer.data());
  if (::GetIpForwardTable(table, &size, FALSE) != NO_ERROR) return false;
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_IPFORWARDROW& row = table->table[i];
    if (row.dwForwardDest == 0 && row.dwForwardMask == 0 &&
        (ntohl(row.dwForwardNextHop) >> 24) != 127)
      return true;
  }
  return false;
}

class WindowsNetworkState : public NetworkState {
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

class ExecutionStateInhibitor : public IdleInhibitor {
 public:
  // Called every watchdog cycle on the watchdog thread: each call resets the system's idle timers
  // (ES_CONTINUOUS would tie the state to that thread until it is cleared there again).
  void SetInUse(bool inUse) override {
    if (inUse) ::SetThreadExecutionState(ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
  }
};

}  // namespace

std::unique_ptr<NetworkState> CreateWindowsNetworkState() {
  return std::make_unique<WindowsNetworkState>();
}
std::unique_ptr<IdleInhibitor> CreateExecutionStateInhibitor() {
  return std::make_unique<ExecutionStateInhibitor>();
}

}  // namespace vantaro::platform
