#include "control/talven_connect.h"

#include <cstdio>

namespace vantaro::control {

WatchdogAction WatchdogStep(bool networkUp, bool reopenWhenNetworkUp, bool serviceOpen) {
  if (networkUp) return reopenWhenNetworkUp && !serviceOpen ? WatchdogAction::kOpen
                                                            : WatchdogAction::kNone;
  return !reopenWhenNetworkUp && serviceOpen ? WatchdogAction::kClose : WatchdogAction::kNone;
}

CTalvenConnect::CTalvenConnect(ServicePlatform platform, app::EventLoop& loop,
                               app::AppState& state, const app::Settings& settings,
                               InputHandler& input, StreamHandler& stream,
                               FileRequestHandler& files, int32_t serverVersion)
    : platform_(platform),
      loop_(loop),
      state_(state),
      settings_(settings),
      stream_(stream),
      power_(loop, platform.power, [this] { AfterHibernate(); }),
      controlServer_(platform.network, platform.clock, platform.codec, state, settings,
                     ControlServices{input, stream, files, power_}, serverVersion,
                     ControlServer::Hooks{
                         [this] {
                           discovery_.Stop();
                           if (dataServer_.controlSessionStarted)
                             dataServer_.controlSessionStarted();
                         },
                         [this] {
                           std::string error;
                           if (!discovery_.Start(static_cast<uint16_t>(settings_.port), &error))
                             std::fprintf(stderr, "discovery: %s\n", error.c_str());
                         }}),
      discovery_(platform.network, platform.system, platform.codec, platform.clock, state,
                 settings) {}

CTalvenConnect::~CTalvenConnect() {
  StopWatchdog();
  CloseService();
}

void CTalvenConnect::OpenService() {
  std::lock_guard<std::mutex> guard(serviceLock_);
  OpenServiceLocked();
}

void CTalvenConnect::CloseService() {
  std::lock_guard<std::mutex> guard(serviceLock_);
  CloseServiceLocked();
}

bool CTalvenConnect::OpenServiceLocked() {
  if (serviceOpen_.load()) return true;
  RefreshAddresses();
  // The port is taken as a 16-bit number, as the socket layer would; the settings keep it within
  // the range where port + 2 still fits.
  auto port = static_cast<uint16_t>(settings_.port);
  std::string failure;
  if (!StartListeners(port, &failure)) {
    // A service without its listeners would say "waiting" to a user whom no device can reach: it
    // stays closed, and the watchdog tries again at its next cycles.
    reopenWhenNetworkUp_.store(true);
    if (failure != lastOpenFailure_)
      std::fprintf(stderr, "%s; the service stays closed and is tried again every %d s\n",
                   failure.c_str(), kWatchdogPeriodMs / 1000);
    lastOpenFailure_ = failure;
    if (state_.connectionStatus() != app::kStatusClosed)
      state_.SetConnectionStatus(app::kStatusClosed);
    return false;
  }
  lastOpenFailure_.clear();
  serviceOpen_.store(true);
  platform_.idle.SetInUse(true);
  state_.SetConnectionStatus(app::kStatusWaiting);
  return true;
}

bool CTalvenConnect::StartListeners(uint16_t port, std::string* failure) {
  std::string error;
  auto describe = [&](const char* what, const char* protocol, unsigned number) {
    *failure = std::string(what) + " listener: " + protocol + " port " + std::to_string(number) +
               " cannot be opened (" + error + ")";
  };
  const auto controlPort = static_cast<uint16_t>(port + 1);
  const auto dataPort = static_cast<uint16_t>(port + 2);
  if (!controlServer_.Start(controlPort, &error)) {
    describe("control", "TCP", controlPort);
    return false;
  }
  if (dataServer_.start && !dataServer_.start(dataPort, &error)) {
    describe("data", "TCP", dataPort);
    controlServer_.Stop();
    return false;
  }
  if (!discovery_.Start(port, &error)) {
    describe("discovery", "UDP", port);
    if (dataServer_.stop) dataServer_.stop();
    controlServer_.Stop();
    return false;
  }
  return true;
}

void CTalvenConnect::CloseServiceLocked() {
  if (!serviceOpen_.load()) return;
  serviceOpen_.store(false);
  // Shut the data connection first: the control thread may be blocked sending a listing on it to
  // a device that no longer reads, and stopping the control server joins that thread.
  state_.dataSocket.Close();
  // File loops between items or chunks end at their next check instead of working on for nobody.
  state_.stopFileOperation.store(1);
  controlServer_.Stop();
  if (dataServer_.stop) dataServer_.stop();
  discovery_.Stop();
  auto& media = state_.media;
  media.streamRunning.store(false);
  if (media.cameraOn.exchange(false)) media.cameraChangePending.store(true);
  if (media.recorderOn.exchange(false)) media.recorderChangePending.store(true);
  stream_.StopAll();
  platform_.idle.SetInUse(false);
  state_.SetConnectionStatus(app::kStatusClosed);
}

void CTalvenConnect::OnButtonOff() {
  // The close and the mark together, so that a watchdog cycle cannot fall between them and open
  // the service again.
  std::lock_guard<std::mutex> guard(serviceLock_);
  CloseServiceLocked();
  reopenWhenNetworkUp_.store(false);
}

void CTalvenConnect::AfterHibernate() {
  // Runs on the thread that hibernated (the control thread for an immediate command), which the
  // close must join; so the close runs on the event loop.
  loop_.Post([this] {
    std::lock_guard<std::mutex> guard(serviceLock_);
    CloseServiceLocked();
    reopenWhenNetworkUp_.store(true);
  });
}

void CTalvenConnect::StartWatchdog() {
  if (watchdog_.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(watchdogLock_);
    watchdogStop_ = false;
  }
  watchdog_ = std::thread([this] { NetworkWatchdogThread(); });
}

void CTalvenConnect::StopWatchdog() {
  {
    std::lock_guard<std::mutex> guard(watchdogLock_);
    watchdogStop_ = true;
    watchdogWake_.notify_all();
  }
  if (watchdog_.joinable()) watchdog_.join();
}

void CTalvenConnect::NetworkWatchdogThread() {
  // The first check runs at once rather than after the first period, so that the service is
  // reachable as soon as the program is up.
  for (;;) {
    RunWatchdogCycle();
    std::unique_lock<std::mutex> lock(watchdogLock_);
    if (watchdogWake_.wait_for(lock, std::chrono::milliseconds(kWatchdogPeriodMs),
                               [this] { return watchdogStop_; }))
      return;
  }
}

void CTalvenConnect::RunWatchdogCycle() {
  if (serviceOpen_.load()) platform_.idle.SetInUse(true);
  bool up = platform_.networkState.Query().up;
  networkUp_.store(up);
  // The flags are read and the action taken under one lock: an OFF pressed meanwhile is either
  // seen here or applied after this cycle, never overridden by a decision made before it.
  std::lock_guard<std::mutex> guard(serviceLock_);
  switch (WatchdogStep(up, reopenWhenNetworkUp_.load(), serviceOpen_.load())) {
    case WatchdogAction::kOpen:
      if (OpenServiceLocked()) reopenWhenNetworkUp_.store(false);
      break;
    case WatchdogAction::kClose:
      CloseServiceLocked();
      reopenWhenNetworkUp_.store(true);
      break;
    case WatchdogAction::kNone:
      break;
  }
}

void CTalvenConnect::RefreshAddresses() {
  std::string name = platform_.system.HostName();
  std::string lan = name.empty() ? std::string() : platform_.networkState.LanAddress();
  platform::NetworkStatus status = platform_.networkState.Query();
  std::lock_guard<std::mutex> guard(textLock_);
  computerName_ = name;
  lanAddress_ = lan;
  if (status.up) {
    if (status.localOnly) localSeen_ = true;
    if (status.wideArea) wideAreaSeen_ = true;
  }
  if (wideAreaSeen_)
    internetAddress_ = lanAddress_;
  else if (localSeen_)
    internetAddress_.clear();
}

std::string CTalvenConnect::ComputerName() {
  std::lock_guard<std::mutex> guard(textLock_);
  return computerName_;
}

std::string CTalvenConnect::LanAddress() {
  std::lock_guard<std::mutex> guard(textLock_);
  return lanAddress_;
}

std::string CTalvenConnect::InternetAddress() {
  std::lock_guard<std::mutex> guard(textLock_);
  return internetAddress_;
}

}  // namespace vantaro::control
