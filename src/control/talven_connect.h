#pragma once
// The owner of the network service: the control server, the data channel, the discovery
// responder, the power commands and the network watchdog, with the service's open/closed state.
//
// Threads: OpenService and CloseService may be called from the user-interface thread, the watchdog
// thread and the event loop; `serviceLock_` serialises them, and the watchdog's decision with its
// action. A service whose listeners cannot all be opened stays closed (status 2) and is marked for
// reopening, so that the watchdog tries again at its next cycles. They are never called on the
// control thread: an immediate hibernation posts its CloseService to the event loop, so that
// closing (which joins the control thread) cannot wait for itself. The destructor stops the
// watchdog and closes the service, joining every thread before the members they use go away.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/settings.h"
#include "control/command_handlers.h"
#include "control/control_server.h"
#include "control/discovery_responder.h"
#include "control/power_commands.h"
#include "platform/clock.h"
#include "platform/network_state.h"
#include "platform/power.h"
#include "platform/socket.h"
#include "platform/system_info.h"
#include "platform/text_codec.h"

namespace vantaro::control {

// What the watchdog does in one cycle.
enum class WatchdogAction { kNone, kOpen, kClose };
WatchdogAction WatchdogStep(bool networkUp, bool reopenWhenNetworkUp, bool serviceOpen);

struct ServicePlatform {
  platform::Network& network;
  platform::Clock& clock;
  platform::SystemInfo& system;
  platform::TextCodec& codec;
  platform::NetworkState& networkState;
  platform::IdleInhibitor& idle;
  platform::Power& power;
};

// The data channel as the service sees it; set before the service first opens.
struct DataServer {
  std::function<bool(uint16_t port, std::string* error)> start;
  std::function<void()> stop;
  // A control session was accepted: the data connection of another device must go.
  std::function<void()> controlSessionStarted;
};

class CTalvenConnect {
 public:
  static constexpr int kWatchdogPeriodMs = 2000;

  // `input`, `stream` and `files` carry out the commands of their parts; all references must
  // outlive this object.
  CTalvenConnect(ServicePlatform platform, app::EventLoop& loop, app::AppState& state,
                 const app::Settings& settings, InputHandler& input, StreamHandler& stream,
                 FileRequestHandler& files, int32_t serverVersion);
  ~CTalvenConnect();
  CTalvenConnect(const CTalvenConnect&) = delete;
  CTalvenConnect& operator=(const CTalvenConnect&) = delete;

  void SetDataServer(DataServer dataServer) { dataServer_ = std::move(dataServer); }
  // The power commands as the control server hands them on (for tests and the window).
  PowerHandler& powerHandler() { return power_; }
  // The current control session, for the data channel.
  ControlSession& controlSession() { return controlServer_; }

  // Opens the three listeners; when one cannot be opened, none stays open (one line on standard
  // error names its port).
  void OpenService();
  void CloseService();
  // The ON and OFF buttons.
  void OnButtonOn() { OpenService(); }
  // Closes the service and keeps the watchdog from reopening it.
  void OnButtonOff();

  // Starts the watchdog thread (once); it checks at once and then every 2 seconds.
  void StartWatchdog();
  void StopWatchdog();
  // One cycle of the watchdog: what its thread does every period.
  void RunWatchdogCycle();

  bool serviceOpen() const { return serviceOpen_.load(); }
  bool reopenWhenNetworkUp() const { return reopenWhenNetworkUp_.load(); }

  // The computer's facts shown next to the service state.
  std::string ComputerName();
  std::string LanAddress();
  std::string InternetAddress();

 private:
  // Under serviceLock_. OpenServiceLocked is true when the service is open afterwards.
  bool OpenServiceLocked();
  void CloseServiceLocked();
  bool StartListeners(uint16_t port, std::string* failure);
  void NetworkWatchdogThread();
  void RefreshAddresses();
  void AfterHibernate();

  ServicePlatform platform_;
  app::EventLoop& loop_;
  app::AppState& state_;
  const app::Settings& settings_;
  StreamHandler& stream_;
  PowerCommands power_;
  ControlServer controlServer_;
  DiscoveryResponder discovery_;
  DataServer dataServer_;

  std::mutex serviceLock_;       // serialises opening and closing, and the watchdog's decisions
  std::string lastOpenFailure_;  // under serviceLock_: printed once, not at every retry
  std::atomic<bool> serviceOpen_{false};
  std::atomic<bool> reopenWhenNetworkUp_{true};
  std::atomic<bool> networkUp_{false};

  std::mutex textLock_;  // guards the three address texts and the two connectivity marks
  std::string computerName_;
  std::string lanAddress_;
  std::string internetAddress_;
  bool localSeen_ = false;
  bool wideAreaSeen_ = false;

  std::mutex watchdogLock_;
  std::condition_variable watchdogWake_;
  bool watchdogStop_ = false;  // under watchdogLock_
  std::thread watchdog_;       // started and joined by the owner's thread
};

}  // namespace vantaro::control
