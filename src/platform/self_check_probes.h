#pragma once
// What the self-check (vantaro-server --check) asks of the system. Every probe only reads: none
// opens a listener for longer than the question takes, joins a multicast group, sends a packet,
// changes a firewall or writes a file. Each answers from the calling thread; failures are part of
// the answer, never exceptions.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/profile_store.h"

namespace vantaro::platform {

struct DisplayFacts {
  std::string name;     // the display the program would use (DISPLAY); empty when none is named
  bool opened = false;  // a connection to it could be made
  bool xtest = false;   // "XTEST": input injection
  bool mitShm = false;  // "MIT-SHM": screen pictures through shared memory
  bool xfixes = false;  // "XFIXES": the cursor image
  bool damage = false;  // "DAMAGE": which parts of the screen changed
};

class DisplayProbe {
 public:
  virtual ~DisplayProbe() = default;
  virtual DisplayFacts Probe() = 0;
};

// logind's answer to CanPowerOff and friends.
enum class PowerAnswer { kYes, kChallenge, kNo, kNotSupported, kUnknown };

struct PowerFacts {
  PowerAnswer powerOff = PowerAnswer::kUnknown;
  PowerAnswer reboot = PowerAnswer::kUnknown;
  PowerAnswer hibernate = PowerAnswer::kUnknown;
  std::string error;  // why the answers are unknown (no system bus, logind absent)
};

class PowerProbe {
 public:
  virtual ~PowerProbe() = default;
  virtual PowerFacts Query() = 0;
};

enum class Transport { kUdp, kTcp };

struct PortFacts {
  enum State { kFree, kHeldByThisProgram, kHeldByOther, kError };
  State state = kError;
  // For kHeldByThisProgram and kHeldByOther the holder ("firefox, pid 812") when it can be seen;
  // for kError the reason the port could not be tried.
  std::string detail;
};

class PortProbe {
 public:
  virtual ~PortProbe() = default;
  // Whether a listener of this program could take `port` on every IPv4 address.
  virtual PortFacts Probe(Transport transport, uint16_t port) = 0;
};

struct InterfaceFacts {
  std::string name;
  bool up = false;
  bool loopback = false;
  bool multicast = false;  // the interface takes multicast traffic
  std::string address;     // first IPv4 address, dotted; empty when it has none
};

struct NetworkFacts {
  std::vector<InterfaceFacts> interfaces;
  std::string defaultRouteInterface;  // empty when there is no IPv4 default route
};

class InterfaceProbe {
 public:
  virtual ~InterfaceProbe() = default;
  virtual NetworkFacts Query() = 0;
};

// The ports the service listens on: UDP `discovery`, TCP `control` and `data`.
struct ServicePorts {
  uint16_t discovery = 0;
  uint16_t control = 0;
  uint16_t data = 0;
};

struct FirewallFacts {
  enum State { kNotInstalled, kInactive, kActive, kUnknown };
  enum Verdict { kOpen, kClosed, kCannotTell };
  State state = kUnknown;
  Verdict ports = kCannotTell;  // meaningful while kActive
  std::string detail;           // zone, or why the rules could not be read
};

class FirewallProbe {
 public:
  virtual ~FirewallProbe() = default;
  virtual FirewallFacts Ufw(const ServicePorts& ports) = 0;
  virtual FirewallFacts Firewalld(const ServicePorts& ports) = 0;
};

struct CaptureFacts {
  std::vector<std::string> video;  // names of the video capture devices
  std::vector<std::string> audio;  // names of the audio capture devices
};

// The capture devices as the server lists them (on Linux, GStreamer's device monitor).
class CaptureDeviceProbe {
 public:
  virtual ~CaptureDeviceProbe() = default;
  virtual CaptureFacts Query() = 0;
};

struct PathFacts {
  bool exists = false;
  bool isFolder = false;
  bool readable = false;  // a file can be read, a folder listed
  uint32_t mode = 0;      // permission bits (0600)
  std::string error;      // why it does not exist or cannot be read
};

class PathProbe {
 public:
  virtual ~PathProbe() = default;
  // A native path (the settings file).
  virtual PathFacts Inspect(const std::string& nativePath) = 0;
  // A computer path as the shared-folder list holds it ("Z:\home\ann\Music").
  virtual PathFacts InspectComputerPath(const std::string& computerPath) = 0;
};

struct SelfCheckProbes {
  std::string settingsPath;                // the settings file of this user, native path
  std::unique_ptr<ProfileStore> settings;  // reads that file; never written by the check
  std::string uiLanguage;                  // the locale name that picks the interface language
  std::unique_ptr<DisplayProbe> display;
  std::unique_ptr<PowerProbe> power;
  std::unique_ptr<PortProbe> ports;
  std::unique_ptr<InterfaceProbe> network;
  std::unique_ptr<FirewallProbe> firewall;
  std::unique_ptr<CaptureDeviceProbe> capture;
  std::unique_ptr<PathProbe> paths;
};

// The probes of the running system, for the settings file that CreatePlatform() would use.
std::unique_ptr<SelfCheckProbes> CreateSelfCheckProbes();

}  // namespace vantaro::platform
