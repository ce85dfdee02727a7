// The probes of vantaro-server --check on Windows. The checks were written for a Linux desktop
// (X extensions, logind, ufw and firewalld); here each answers what Windows can say: the desktop
// stands in for the display and its extensions (GDI and SendInput need nothing more), power is
// the shutdown privilege, and the firewall tools of Linux are absent.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>

#include <vector>

#include "platform/self_check_probes.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_file_system.h"
#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

namespace {

class DesktopProbe : public DisplayProbe {
 public:
  DisplayFacts Probe() override {
    DisplayFacts facts;
    facts.name = "desktop";
    facts.opened = ::GetSystemMetrics(SM_CXSCREEN) > 0 && ::GetSystemMetrics(SM_CYSCREEN) > 0;
    facts.xtest = facts.mitShm = facts.xfixes = facts.damage = facts.opened;
    return facts;
  }
};

class PrivilegePowerProbe : public PowerProbe {
 public:
  PowerFacts Query() override {
    PowerFacts facts;
    LUID luid;
    HANDLE token = nullptr;
    bool held = false;
    if (::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &luid) &&
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
      // Held, enabled or not: the power actions enable it themselves.
      DWORD size = 0;
      ::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
      std::vector<unsigned char> buffer(size);
      if (size && ::GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
        auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i)
          held = held || (privileges->Privileges[i].Luid.LowPart == luid.LowPart &&
                          privileges->Privileges[i].Luid.HighPart == luid.HighPart);
      }
      ::CloseHandle(token);
    }
    facts.powerOff = facts.reboot = facts.hibernate = held ? PowerAnswer::kYes : PowerAnswer::kNo;
    return facts;
  }
};

class BindPortProbe : public PortProbe {
 public:
  BindPortProbe() {
    WSADATA data;
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~BindPortProbe() override {
    if (started_) ::WSACleanup();
  }
  // Windows names no holder of a port without administrator rights; a taken port is another's.
  PortFacts Probe(Transport transport, uint16_t port) override {
    PortFacts facts;
    SOCKET s = ::socket(AF_INET, transport == Transport::kTcp ? SOCK_STREAM : SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) {
      facts.detail = SystemErrorText("socket", static_cast<unsigned long>(::WSAGetLastError()));
      return facts;
    }
    BOOL one = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
      facts.state = PortFacts::kFree;
    } else {
      int error = ::WSAGetLastError();
      facts.state = error == WSAEADDRINUSE || error == WSAEACCES ? PortFacts::kHeldByOther
                                                                 : PortFacts::kError;
      facts.detail = SystemErrorText("bind", static_cast<unsigned long>(error));
    }
    ::closesocket(s);
    return facts;
  }

 private:
  bool started_ = false;
};

class AdapterProbe : public InterfaceProbe {
 public:
  NetworkFacts Query() override {
    NetworkFacts facts;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG rc = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
      buffer.resize(size);
      rc = ::GetAdaptersAddresses(AF_INET, GAA_FLAG_INCLUDE_GATEWAYS, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (rc != NO_ERROR) return facts;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
      InterfaceFacts i;
      i.name = Utf8FromWide(a->FriendlyName ? a->FriendlyName : L"");
      i.up = a->OperStatus == IfOperStatusUp;
      i.loopback = a->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
      i.multicast = !(a->Flags & IP_ADAPTER_NO_MULTICAST);
      for (auto* u = a->FirstUnicastAddress; u && i.address.empty(); u = u->Next)
        if (u->Address.lpSockaddr->sa_family == AF_INET)
          i.address = FormatIpv4(
              ntohl(reinterpret_cast<sockaddr_in*>(u->Address.lpSockaddr)->sin_addr.s_addr));
      if (a->FirstGatewayAddress && facts.defaultRouteInterface.empty() && i.up)
        facts.defaultRouteInterface = i.name;
      facts.interfaces.push_back(std::move(i));
    }
    return facts;
  }
};

// ufw and firewalld do not exist on Windows; Windows Defender Firewall asks the user itself the
// first time the program listens.
class AbsentFirewallProbe : public FirewallProbe {
 public:
  FirewallFacts Ufw(const ServicePorts&) override { return Absent(); }
  FirewallFacts Firewalld(const ServicePorts&) override { return Absent(); }

 private:
  static FirewallFacts Absent() {
    FirewallFacts facts;
    facts.state = FirewallFacts::kNotInstalled;
    return facts;
  }
};

// Until the capture devices of Windows are enumerated, none are named.
class NoCaptureDeviceProbe : public CaptureDeviceProbe {
 public:
  CaptureFacts Query() override { return {}; }
};

class Win32PathProbe : public PathProbe {
 public:
  PathFacts Inspect(const std::string& nativePath) override {
    PathFacts facts;
    DWORD attributes = ::GetFileAttributesW(WideFromUtf8(nativePath).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      facts.error = SystemErrorText("attributes", ::GetLastError());
      return facts;
    }
    facts.exists = facts.readable = true;
    facts.isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.mode = 0600;  // the registry and the profile folder belong to the user alone
    return facts;
  }

  PathFacts InspectComputerPath(const std::string& computerPath) override {
    PathFacts facts;
    std::optional<FileStatus> status = files_->Status(computerPath);
    if (!status) return facts;
    facts.exists = true;
    facts.isFolder = status->isFolder;
    std::vector<FolderEntry> entries;
    std::unique_ptr<Folder> folder = facts.isFolder ? files_->OpenFolderPath(computerPath) : nullptr;
    facts.readable = !facts.isFolder || (folder && folder->List(&entries));
    if (!facts.readable) facts.error = SystemErrorText("list", ERROR_ACCESS_DENIED);
    return facts;
  }

 private:
  std::unique_ptr<FileSystem> files_ = CreateWin32FileSystem();
};

}  // namespace

std::unique_ptr<SelfCheckProbes> CreateSelfCheckProbes() {
  auto systemInfo = CreateWindowsSystemInfo();
  auto p = std::make_unique<SelfCheckProbes>();
  const std::wstring key = SettingsKeyPath(systemInfo->ApplicationName());
  p->settingsPath = "HKEY_CURRENT_USER\\" + Utf8FromWide(key);
  p->settings = CreateRegistryProfileStore(key);
  p->uiLanguage = systemInfo->UiLanguage();
  p->display = std::make_unique<DesktopProbe>();
  p->power = std::make_unique<PrivilegePowerProbe>();
  p->ports = std::make_unique<BindPortProbe>();
  p->network = std::make_unique<AdapterProbe>();
  p->firewall = std::make_unique<AbsentFirewallProbe>();
  p->capture = std::make_unique<NoCaptureDeviceProbe>();
  p->paths = std::make_unique<Win32PathProbe>();
  return p;
}

}  // namespace vantaro::platform
