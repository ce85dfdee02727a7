#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "control/power_commands.h"
#include "control/talven_connect.h"

namespace vantaro::control {
namespace {

TEST(WatchdogStep, StateTable) {
  struct Case {
    bool up, reopen, open;
    WatchdogAction action;
  } cases[] = {
      {true, true, false, WatchdogAction::kOpen},    // start-up, or the network is back
      {true, true, true, WatchdogAction::kNone},     // ON pressed while marked: mark stays
      {true, false, false, WatchdogAction::kNone},   // OFF pressed: stays closed
      {true, false, true, WatchdogAction::kNone},
      {false, false, true, WatchdogAction::kClose},  // network lost while open
      {false, true, true, WatchdogAction::kNone},    // marked: a loss does not close
      {false, true, false, WatchdogAction::kNone},
      {false, false, false, WatchdogAction::kNone},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WatchdogStep(c.up, c.reopen, c.open), c.action) << c.up << c.reopen << c.open;
}

// Timers that the test fires by hand; posted tasks run at once.
class ManualLoop : public app::EventLoop {
 public:
  void Post(std::function<void()> task) override { task(); }
  void StartTimer(int id, int periodMs, std::function<void()> onTick) override {
    timers[id] = {periodMs, std::move(onTick)};
  }
  void StopTimer(int id) override { timers.erase(id); }
  void Fire(int id) {
    auto it = timers.find(id);
    ASSERT_NE(it, timers.end()) << "timer " << id << " not pending";
    auto tick = it->second.second;
    tick();
  }
  std::map<int, std::pair<int, std::function<void()>>> timers;
};

class RecordingPower : public platform::Power {
 public:
  bool PowerOff() override { return Note("poweroff"); }
  bool Reboot() override { return Note("reboot"); }
  bool LogOff() override { return Note("logoff"); }
  bool Hibernate() override { return Note("hibernate"); }
  bool Note(const char* what) {
    actions.push_back(what);
    return true;
  }
  std::vector<std::string> actions;
};

class PowerCommandsTest : public ::testing::Test {
 protected:
  ManualLoop loop;
  RecordingPower power;
  int hibernated = 0;
  PowerCommands commands{loop, power, [this] { ++hibernated; }};
};

TEST_F(PowerCommandsTest, ANewCommandReplacesAPendingOne) {
  commands.OnPowerCommand(703, 60000);
  ASSERT_EQ(loop.timers.size(), 1u);
  EXPECT_EQ(loop.timers.at(kShutDownTimer).first, 60000);
  commands.OnPowerCommand(701, 0);
  EXPECT_TRUE(loop.timers.empty());
  EXPECT_EQ(power.actions, std::vector<std::string>{"reboot"});
}

TEST_F(PowerCommandsTest, DelaysBelowOneActAtOnce) {
  struct Case {
    int32_t code, delay;
    const char* action;
  } cases[] = {{702, -5, "logoff"}, {703, 0, "poweroff"}, {701, INT32_MIN, "reboot"}};
  for (const auto& c : cases) {
    power.actions.clear();
    commands.OnPowerCommand(c.code, c.delay);
    EXPECT_EQ(power.actions, std::vector<std::string>{c.action}) << c.code;
    EXPECT_TRUE(loop.timers.empty());
  }
}

TEST_F(PowerCommandsTest, ADelayedActionRunsOnceAndHibernationClosesTheService) {
  commands.OnPowerCommand(700, 5000);
  commands.OnPowerCommand(700, 10000);
  ASSERT_EQ(loop.timers.size(), 1u);
  EXPECT_EQ(loop.timers.at(kHibernateTimer).first, 10000);
  loop.Fire(kHibernateTimer);
  EXPECT_EQ(power.actions, std::vector<std::string>{"hibernate"});
  EXPECT_EQ(hibernated, 1);
  EXPECT_TRUE(loop.timers.empty());  // one shot
}

TEST_F(PowerCommandsTest, OtherCodesAreNotPowerCommands) {
  commands.OnPowerCommand(704, 0);
  commands.OnPowerCommand(699, 0);
  EXPECT_TRUE(power.actions.empty());
}

// Sockets that block until shut down, for a service that opens and closes without a network.
class IdleListen : public platform::ListenSocket {
 public:
  std::unique_ptr<platform::StreamSocket> Accept() override {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [this] { return down_; });
    return nullptr;
  }
  void Shutdown() override {
    std::lock_guard<std::mutex> g(m_);
    down_ = true;
    cv_.notify_all();
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool down_ = false;
};

class IdleDatagram : public platform::DatagramSocket {
 public:
  long ReceiveFrom(void*, size_t, platform::Ipv4Endpoint*) override {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [this] { return down_; });
    return -1;
  }
  bool SendTo(const void*, size_t, const platform::Ipv4Endpoint&) override { return true; }
  void Shutdown() override {
    std::lock_guard<std::mutex> g(m_);
    down_ = true;
    cv_.notify_all();
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool down_ = false;
};

class IdleNetwork : public platform::Network {
 public:
  std::unique_ptr<platform::ListenSocket> ListenTcp(uint16_t port, std::string* error) override {
    ports.push_back(port);
    if (port == taken) {
      *error = "bind: Address already in use";
      return nullptr;
    }
    return std::make_unique<IdleListen>();
  }
  std::unique_ptr<platform::DatagramSocket> OpenMulticastUdp(uint16_t port, uint32_t,
                                                             std::string* error) override {
    ports.push_back(port);
    if (port == taken) {
      *error = "bind: Address already in use";
      return nullptr;
    }
    return std::make_unique<IdleDatagram>();
  }
  std::vector<uint16_t> ports;
  uint16_t taken = 0;  // a port that cannot be opened
};

// A stream handler whose StopAll (part of every close) waits until the test lets it go.
class HeldClose : public NullHandlers {
 public:
  void StopAll() override {
    std::unique_lock<std::mutex> lock(m);
    entered = true;
    cv.notify_all();
    cv.wait(lock, [this] { return released || !hold; });
  }
  void WaitEntered() {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [this] { return entered; });
  }
  void Release() {
    std::lock_guard<std::mutex> g(m);
    released = true;
    cv.notify_all();
  }
  std::mutex m;
  std::condition_variable cv;
  bool hold = false, entered = false, released = false;
};

class SwitchableNetworkState : public platform::NetworkState {
 public:
  platform::NetworkStatus Query() override { return {up, false, up}; }
  std::string LanAddress() override { return "192.168.1.20"; }
  bool up = true;
};

class Stub : public platform::Clock,
             public platform::SystemInfo,
             public platform::TextCodec,
             public platform::IdleInhibitor {
 public:
  double UnixTimeSeconds() override { return 0; }
  int64_t MonotonicMs() override { return 0; }
  void SleepMs(int) override {}
  std::string HostName() override { return "desk-pc"; }
  std::string ExecutablePath() override { return "/usr/bin/vantaro-server"; }
  std::string ApplicationName() override { return "vantaro-server"; }
  std::string UiLanguage() override { return ""; }
  std::optional<std::string> Utf8ToAnsi(std::string_view s) override { return std::string(s); }
  std::optional<std::string> AnsiToUtf8(std::string_view s) override { return std::string(s); }
  bool IsValidUtf8(std::string_view) override { return true; }
  void SetInUse(bool u) override { inUse = u; }
  bool inUse = false;
};

class StatusLog : public app::StatusObserver {
 public:
  void StatusChanged(int32_t s) override {
    std::lock_guard<std::mutex> g(m);
    statuses.push_back(s);
  }
  void ShowMessage(const std::string&) override {}
  std::vector<int32_t> Take() {
    std::lock_guard<std::mutex> g(m);
    auto out = statuses;
    statuses.clear();
    return out;
  }
  std::mutex m;
  std::vector<int32_t> statuses;
};

class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest() { settings.port = 6000; }
  IdleNetwork network;
  SwitchableNetworkState networkState;
  Stub stub;
  RecordingPower power;
  ManualLoop loop;
  StatusLog log;
  app::AppState state{log};
  app::Settings settings;
  NullHandlers handlers;
  HeldClose streams;
  CTalvenConnect connect{ServicePlatform{network, stub, stub, stub, networkState, stub, power},
                         loop,
                         state,
                         settings,
                         handlers,
                         streams,
                         handlers,
                         20200};
};

TEST_F(ServiceTest, OpensTheThreeListenersOnTheConfiguredPortInOrder) {
  connect.RunWatchdogCycle();
  EXPECT_TRUE(connect.serviceOpen());
  EXPECT_EQ(network.ports, (std::vector<uint16_t>{6001, 6000}));  // control, then discovery
  EXPECT_EQ(log.Take(), std::vector<int32_t>{app::kStatusWaiting});
  EXPECT_TRUE(stub.inUse);
  EXPECT_EQ(connect.ComputerName(), "desk-pc");
  EXPECT_EQ(connect.LanAddress(), "192.168.1.20");
  EXPECT_EQ(connect.InternetAddress(), "192.168.1.20");
}

TEST_F(ServiceTest, FollowsTheNetworkAndTheButtons) {
  connect.RunWatchdogCycle();
  log.Take();
  networkState.up = false;  // network lost: closed and marked for reopening
  connect.RunWatchdogCycle();
  EXPECT_FALSE(connect.serviceOpen());
  EXPECT_TRUE(connect.reopenWhenNetworkUp());
  EXPECT_EQ(log.Take(), std::vector<int32_t>{app::kStatusClosed});
  EXPECT_FALSE(stub.inUse);
  networkState.up = true;  // back
  connect.RunWatchdogCycle();
  EXPECT_TRUE(connect.serviceOpen());
  EXPECT_EQ(log.Take(), std::vector<int32_t>{app::kStatusWaiting});

  connect.OnButtonOff();  // OFF, then a loss and a return of the network: stays closed
  networkState.up = false;
  connect.RunWatchdogCycle();
  networkState.up = true;
  connect.RunWatchdogCycle();
  EXPECT_FALSE(connect.serviceOpen());
  EXPECT_EQ(log.Take(), std::vector<int32_t>{app::kStatusClosed});
  connect.OnButtonOn();
  connect.OnButtonOn();  // opening an open service does nothing
  EXPECT_EQ(log.Take(), std::vector<int32_t>{app::kStatusWaiting});
}

TEST_F(ServiceTest, HibernationClosesTheServiceAndTheWatchdogReopensIt) {
  connect.OnButtonOff();
  connect.OnButtonOn();  // open, and not marked for reopening
  log.Take();
  state.media.cameraOn = true;
  state.media.streamRunning = true;
  connect.powerHandler().OnPowerCommand(700, 0);
  EXPECT_EQ(power.actions, std::vector<std::string>{"hibernate"});
  EXPECT_FALSE(connect.serviceOpen());
  EXPECT_TRUE(connect.reopenWhenNetworkUp());
  EXPECT_FALSE(state.media.streamRunning.load());
  EXPECT_FALSE(state.media.cameraOn.load());
  EXPECT_TRUE(state.media.cameraChangePending.load());
  connect.RunWatchdogCycle();
  EXPECT_TRUE(connect.serviceOpen());
  EXPECT_EQ(log.Take(), (std::vector<int32_t>{app::kStatusClosed, app::kStatusWaiting}));
}

// A service without its listeners would say "waiting" while no device can reach it.
TEST_F(ServiceTest, AListenerThatCannotOpenLeavesTheServiceClosedAndTheWatchdogRetries) {
  for (uint16_t taken : {6001, 6000}) {  // the control port, then the discovery port
    SCOPED_TRACE(taken);
    network.taken = taken;
    network.ports.clear();
    ::testing::internal::CaptureStderr();
    connect.RunWatchdogCycle();
    connect.RunWatchdogCycle();  // retried, quietly
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(connect.serviceOpen());
    EXPECT_TRUE(connect.reopenWhenNetworkUp());
    EXPECT_TRUE(log.Take().empty()) << "the status stays 2 (closed)";
    EXPECT_EQ(state.connectionStatus(), app::kStatusClosed);
    EXPECT_NE(err.find("port " + std::to_string(taken) + " cannot be opened"), std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(network.ports.size(), taken == 6001 ? 2u : 4u);

    network.taken = 0;
    connect.RunWatchdogCycle();
    EXPECT_TRUE(connect.serviceOpen());
    EXPECT_FALSE(connect.reopenWhenNetworkUp());
    EXPECT_EQ(log.Take(), std::vector<int32_t>{app::kStatusWaiting});
    networkState.up = false;  // closed and marked for reopening, for the next round
    connect.RunWatchdogCycle();
    networkState.up = true;
    log.Take();
  }
}

// OFF pressed while the watchdog is closing the service for a lost network: the user's OFF is
// what counts, so the service stays closed when the network comes back.
TEST_F(ServiceTest, OffPressedDuringAWatchdogCloseIsNotOverridden) {
  connect.RunWatchdogCycle();
  ASSERT_TRUE(connect.serviceOpen());
  networkState.up = false;
  streams.hold = true;
  std::thread watchdog([this] { connect.RunWatchdogCycle(); });
  streams.WaitEntered();
  std::thread off([this] { connect.OnButtonOff(); });
  streams.Release();
  watchdog.join();
  off.join();
  networkState.up = true;
  connect.RunWatchdogCycle();
  EXPECT_FALSE(connect.serviceOpen());
  EXPECT_FALSE(connect.reopenWhenNetworkUp());
}

}  // namespace
}  // namespace vantaro::control
