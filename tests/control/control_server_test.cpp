// The control server's session rules against a scripted device on a fake clock: what the device
// sends and when, in fake time, and when the server gives up on it.

#include "control/control_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/fakes/fake_clock.h"
#include "support/wire.h"

namespace vantaro::control {
namespace {

using testing::ControlMessage;
using testing::Le32;
using testing::ShortReply;

// A device connection whose bytes arrive at given fake times. A wait for bytes moves the fake
// clock on to their arrival, or by the whole timeout when they come too late (or never). With
// nothing left to deliver an untimed receive blocks until the server shuts the connection down.
class ScriptedDevice : public platform::StreamSocket {
 public:
  ScriptedDevice(platform::FakeClock& clock, uint32_t address) : clock_(clock), address_(address) {}

  // `bytes` arrive `atMs` after the session started; empty bytes end the stream.
  void At(int64_t atMs, std::string bytes) { events_.push_back({atMs, std::move(bytes)}); }
  void Begin() { startMs_ = clock_.MonotonicMs(); }

  long Receive(void* buffer, size_t size) override { return Next(buffer, size, -1); }
  long ReceiveWithin(void* buffer, size_t size, int timeoutMs) override {
    return Next(buffer, size, timeoutMs);
  }
  bool SendAll(const void* data, size_t size) override {
    std::lock_guard<std::mutex> guard(lock_);
    sent_.append(static_cast<const char*>(data), size);
    return !down_;
  }
  void Shutdown() override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!down_) closedAtMs_ = clock_.MonotonicMs() - startMs_;
    down_ = true;
    wake_.notify_all();
  }
  platform::Ipv4Endpoint Peer() const override { return {address_, 40000}; }

  std::string sent() {
    std::lock_guard<std::mutex> guard(lock_);
    return sent_;
  }
  // Fake time from the start of the session to its shutdown by the server.
  int64_t closedAtMs() {
    std::lock_guard<std::mutex> guard(lock_);
    return closedAtMs_;
  }

 private:
  long Next(void* buffer, size_t size, int timeoutMs) {
    std::unique_lock<std::mutex> lock(lock_);
    if (down_) return -1;
    int64_t now = clock_.MonotonicMs() - startMs_;
    if (events_.empty()) {
      if (timeoutMs < 0) {
        wake_.wait(lock, [this] { return down_; });
        return -1;
      }
      clock_.AdvanceMs(timeoutMs);
      return kTimedOut;
    }
    auto& next = events_.front();
    if (timeoutMs >= 0 && next.atMs - now > timeoutMs) {
      clock_.AdvanceMs(timeoutMs);
      return kTimedOut;
    }
    if (next.atMs > now) clock_.AdvanceMs(next.atMs - now);
    if (next.bytes.empty()) return 0;
    size_t n = std::min(size, next.bytes.size());
    std::memcpy(buffer, next.bytes.data(), n);
    next.bytes.erase(0, n);
    if (next.bytes.empty()) events_.pop_front();
    return static_cast<long>(n);
  }

  struct Event {
    int64_t atMs;
    std::string bytes;
  };
  platform::FakeClock& clock_;
  uint32_t address_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Event> events_;
  int64_t startMs_ = 0;
  std::string sent_;
  bool down_ = false;
  int64_t closedAtMs_ = -1;
};

// Hands the queued devices to the server one by one, then waits until shut down.
class QueueNetwork : public platform::Network {
 public:
  class Listener : public platform::ListenSocket {
   public:
    explicit Listener(QueueNetwork& net) : net_(net) {}
    std::unique_ptr<platform::StreamSocket> Accept() override {
      std::unique_lock<std::mutex> lock(net_.lock_);
      net_.wake_.wait(lock, [this] { return down_ || !net_.queue_.empty(); });
      if (down_) return nullptr;
      auto device = net_.queue_.front();
      net_.queue_.pop_front();
      device->Begin();
      return std::make_unique<Handle>(device);
    }
    void Shutdown() override {
      std::lock_guard<std::mutex> guard(net_.lock_);
      down_ = true;
      net_.wake_.notify_all();
    }

   private:
    QueueNetwork& net_;
    bool down_ = false;
  };

  void Queue(std::shared_ptr<ScriptedDevice> device) {
    std::lock_guard<std::mutex> guard(lock_);
    queue_.push_back(std::move(device));
    wake_.notify_all();
  }
  std::unique_ptr<platform::ListenSocket> ListenTcp(uint16_t, std::string*) override {
    return std::make_unique<Listener>(*this);
  }
  std::unique_ptr<platform::DatagramSocket> OpenMulticastUdp(uint16_t, uint32_t,
                                                             std::string*) override {
    return nullptr;
  }

 private:
  // The server owns what it accepts; the test keeps the device to look at it afterwards.
  class Handle : public platform::StreamSocket {
   public:
    explicit Handle(std::shared_ptr<ScriptedDevice> d) : d_(std::move(d)) {}
    long Receive(void* b, size_t n) override { return d_->Receive(b, n); }
    long ReceiveWithin(void* b, size_t n, int t) override { return d_->ReceiveWithin(b, n, t); }
    bool SendAll(const void* p, size_t n) override { return d_->SendAll(p, n); }
    void Shutdown() override { d_->Shutdown(); }
    platform::Ipv4Endpoint Peer() const override { return d_->Peer(); }

   private:
    std::shared_ptr<ScriptedDevice> d_;
  };

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<ScriptedDevice>> queue_;
};

class IdentityCodec : public platform::TextCodec {
 public:
  std::optional<std::string> Utf8ToAnsi(std::string_view s) override { return std::string(s); }
  std::optional<std::string> AnsiToUtf8(std::string_view s) override { return std::string(s); }
  bool IsValidUtf8(std::string_view) override { return true; }
};

// Counts the ends of sessions, which the server reports as status 12.
class SessionEnds : public app::StatusObserver {
 public:
  void StatusChanged(int32_t status) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (status == app::kStatusDisconnected) ++ends_;
    wake_.notify_all();
  }
  void ShowMessage(const std::string&) override {}
  bool WaitFor(int ends) {
    std::unique_lock<std::mutex> lock(lock_);
    return wake_.wait_for(lock, std::chrono::seconds(20), [&] { return ends_ >= ends; });
  }

 private:
  std::mutex lock_;
  std::condition_variable wake_;
  int ends_ = 0;
};

class Inputs : public NullHandlers {
 public:
  void OnPointer(const uint8_t*, size_t) override { Note("pointer"); }
  void OnSessionEnded() override { Note("session ended"); }
  void Note(const char* what) {
    std::lock_guard<std::mutex> guard(lock);
    calls.push_back(what);
  }
  std::mutex lock;
  std::vector<std::string> calls;
};

class ControlServerTest : public ::testing::Test {
 protected:
  ~ControlServerTest() override {
    if (server) server->Stop();
  }
  void StartServer(ControlServer::Hooks hooks = {}) {
    server = std::make_unique<ControlServer>(network, clock, codec, state, settings,
                                             ControlServices{inputs, handlers, handlers, handlers},
                                             20200, std::move(hooks));
    std::string error;
    ASSERT_TRUE(server->Start(6001, &error)) << error;
  }
  std::shared_ptr<ScriptedDevice> Device(uint32_t address = 0x7f000001) {
    return std::make_shared<ScriptedDevice>(clock, address);
  }

  platform::FakeClock clock;
  QueueNetwork network;
  IdentityCodec codec;
  SessionEnds ends;
  app::AppState state{ends};
  app::Settings settings;
  Inputs inputs;
  NullHandlers handlers;
  std::unique_ptr<ControlServer> server;
};

constexpr int64_t kSecond = 1000;
constexpr int64_t kMinute = 60 * kSecond;
const std::string kHandshake = ControlMessage(200, 0, testing::HandshakePayload("d"));
const std::string kPointer = ControlMessage(600, 0, Le32(1) + Le32(0) + Le32(0));

// No session holds the only slot without using it: before its handshake it may be silent for a
// minute at a time, and after it a minute is all it has to show the code that is required.
TEST_F(ControlServerTest, SessionsThatDoNotGetOnAreClosed) {
  struct Step {
    int64_t atMs;
    std::string bytes;  // empty: the device closes the connection
  };
  struct Case {
    const char* name;
    bool securityLogin;
    std::vector<Step> steps;
    int64_t closedAtMs;
    std::string replies;
  } cases[] = {
      {"silent from the start", false, {}, kMinute, ""},
      {"silent after commands before its handshake",
       false,
       {{50 * kSecond, kPointer}, {100 * kSecond, kPointer}},
       160 * kSecond,
       ""},
      {"no code after the handshake", true, {{0, kHandshake}}, kMinute, ShortReply(2000)},
      {"wrong codes do not buy time",
       true,
       {{0, kHandshake},
        {20 * kSecond, ControlMessage(202, 1, "x")},
        {40 * kSecond, ControlMessage(202, 1, "y")},
        {61 * kSecond, ControlMessage(202, 4, "1234")}},
       kMinute,
       ShortReply(2000) + ShortReply(2003) + ShortReply(2003)},
      {"a second handshake does not restart the time",
       true,
       {{0, kHandshake}, {50 * kSecond, kHandshake}},
       kMinute,
       ShortReply(2000) + ShortReply(2000)},
      {"the right code in time: no limit any more",
       true,
       {{0, kHandshake},
        {59 * kSecond, ControlMessage(202, 4, "1234")},
        {30 * kMinute, kPointer},
        {40 * kMinute, ""}},
       40 * kMinute,
       ShortReply(2000) + testing::WelcomeReply()},
      {"without a code required, the handshake is enough",
       false,
       {{10 * kSecond, kHandshake}, {30 * kMinute, kPointer}, {40 * kMinute, ""}},
       40 * kMinute,
       testing::WelcomeReply()},
  };
  settings.securityCode = "1234";
  StartServer();
  int sessions = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    settings.securityLogin = c.securityLogin ? 1 : 0;
    auto device = Device();
    for (const Step& s : c.steps) device->At(s.atMs, s.bytes);
    network.Queue(device);
    ASSERT_TRUE(ends.WaitFor(++sessions));
    EXPECT_EQ(device->closedAtMs(), c.closedAtMs);
    EXPECT_EQ(device->sent(), c.replies);
  }
}

// The data channel serves a data connection only while the control session is authorised; a
// session that needs no code must be so from the moment its address can be seen.
TEST_F(ControlServerTest, ASessionWithoutCodeIsAuthorisedBeforeItCanBeSeen) {
  for (int securityLogin : {0, 1}) {
    SCOPED_TRACE(securityLogin);
    settings.securityLogin = securityLogin;
    uint32_t seenPeer = 0;
    bool seenAuthorised = securityLogin != 0;  // the opposite of what is expected
    StartServer(ControlServer::Hooks{[&] {
                                       seenPeer = server->SessionPeerAddress();
                                       seenAuthorised = server->SessionAuthorised();
                                     },
                                     {}});
    auto device = Device(0x7f000005);
    device->At(0, "");
    network.Queue(device);
    ASSERT_TRUE(ends.WaitFor(securityLogin + 1));
    server->Stop();
    EXPECT_EQ(seenPeer, 0x7f000005u);
    EXPECT_EQ(seenAuthorised, securityLogin == 0);
  }
}

TEST_F(ControlServerTest, EveryEndOfASessionReleasesItsInput) {
  StartServer();
  auto first = Device();
  first->At(0, kHandshake + kPointer);
  first->At(kSecond, "");
  network.Queue(first);
  auto second = Device();
  second->At(0, ControlMessage(999, 0));  // unknown: ends the session
  network.Queue(second);
  ASSERT_TRUE(ends.WaitFor(2));
  std::lock_guard<std::mutex> guard(inputs.lock);
  EXPECT_EQ(inputs.calls, (std::vector<std::string>{"pointer", "session ended", "session ended"}));
}

}  // namespace
}  // namespace vantaro::control
