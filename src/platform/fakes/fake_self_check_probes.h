#pragma once
// Self-check probes that answer with the facts a test sets. The defaults describe a computer on
// which everything works: an X display with every extension, logind allowing every action, free
// ports, one interface with multicast and a default route, no firewall, one camera and one
// microphone, and a private settings file that shares one readable folder. A test breaks one fact.

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/fakes/memory_profile_store.h"
#include "platform/self_check_probes.h"

namespace vantaro::platform {

struct FakeCheckFacts {
  DisplayFacts display{":7", true, true, true, true, true};
  PowerFacts power{PowerAnswer::kYes, PowerAnswer::kYes, PowerAnswer::kYes, {}};
  // Ports not listed are free.
  std::map<std::pair<Transport, uint16_t>, PortFacts> ports;
  NetworkFacts network{
      {{"lo", true, true, false, "127.0.0.1"}, {"eth0", true, false, true, "192.168.1.20"}},
      "eth0"};
  FirewallFacts ufw{FirewallFacts::kNotInstalled, FirewallFacts::kCannotTell, {}};
  FirewallFacts firewalld{FirewallFacts::kNotInstalled, FirewallFacts::kCannotTell, {}};
  CaptureFacts capture{{"USB Camera (/dev/video0)"}, {"USB Audio (hw:1,0)"}};
  PathFacts settingsFile{true, false, true, 0600, {}};
  // Computer paths not listed are readable folders.
  std::map<std::string, PathFacts> folders;
  // What the probes were asked, for tests of the questions themselves.
  std::vector<std::pair<Transport, uint16_t>> portsAsked;
  std::vector<ServicePorts> firewallPortsAsked;
};

// Probes over `facts`, which must outlive them; the settings come from `store` (moved in).
inline std::unique_ptr<SelfCheckProbes> MakeFakeSelfCheckProbes(
    FakeCheckFacts& facts, std::unique_ptr<MemoryProfileStore> store,
    std::string uiLanguage = "en_US.UTF-8") {
  struct Display : DisplayProbe {
    FakeCheckFacts& f;
    explicit Display(FakeCheckFacts& f) : f(f) {}
    DisplayFacts Probe() override { return f.display; }
  };
  struct Power : PowerProbe {
    FakeCheckFacts& f;
    explicit Power(FakeCheckFacts& f) : f(f) {}
    PowerFacts Query() override { return f.power; }
  };
  struct Ports : PortProbe {
    FakeCheckFacts& f;
    explicit Ports(FakeCheckFacts& f) : f(f) {}
    PortFacts Probe(Transport t, uint16_t port) override {
      f.portsAsked.emplace_back(t, port);
      auto it = f.ports.find({t, port});
      return it != f.ports.end() ? it->second : PortFacts{PortFacts::kFree, {}};
    }
  };
  struct Network : InterfaceProbe {
    FakeCheckFacts& f;
    explicit Network(FakeCheckFacts& f) : f(f) {}
    NetworkFacts Query() override { return f.network; }
  };
  struct Firewall : FirewallProbe {
    FakeCheckFacts& f;
    explicit Firewall(FakeCheckFacts& f) : f(f) {}
    FirewallFacts Ufw(const ServicePorts& p) override {
      f.firewallPortsAsked.push_back(p);
      return f.ufw;
    }
    FirewallFacts Firewalld(const ServicePorts& p) override {
      f.firewallPortsAsked.push_back(p);
      return f.firewalld;
    }
  };
  struct Capture : CaptureDeviceProbe {
    FakeCheckFacts& f;
    explicit Capture(FakeCheckFacts& f) : f(f) {}
    CaptureFacts Query() override { return f.capture; }
  };
  struct Paths : PathProbe {
    FakeCheckFacts& f;
    explicit Paths(FakeCheckFacts& f) : f(f) {}
    PathFacts Inspect(const std::string&) override { return f.settingsFile; }
    PathFacts InspectComputerPath(const std::string& path) override {
      auto it = f.folders.find(path);
      return it != f.folders.end() ? it->second : PathFacts{true, true, true, 0755, {}};
    }
  };
  auto p = std::make_unique<SelfCheckProbes>();
  p->settingsPath = "/home/ann/.config/TalvenServer/vantaro-server.ini";
  p->settings = std::move(store);
  p->uiLanguage = std::move(uiLanguage);
  p->display = std::make_unique<Display>(facts);
  p->power = std::make_unique<Power>(facts);
  p->ports = std::make_unique<Ports>(facts);
  p->network = std::make_unique<Network>(facts);
  p->firewall = std::make_unique<Firewall>(facts);
  p->capture = std::make_unique<Capture>(facts);
  p->paths = std::make_unique<Paths>(facts);
  return p;
}

}  // namespace vantaro::platform
