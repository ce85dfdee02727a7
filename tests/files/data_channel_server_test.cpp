// The accept loop: which connections are served and become the data connection, the grace for a
// data connection that comes before its control session, a failed accept, and stopping.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "files/data_channel.h"
#include "files/data_channel_fakes.h"

namespace vantaro::files {
namespace {

using testing::DataMessage;
using testing::Header;
using testing::kDeviceAddress;
using testing::kStrangerAddress;

// Polls `condition` for up to two seconds.
bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return condition();
}

// Everything a server needs, made fresh per test or per table row. The server is stopped before
// the parts it uses go away.
struct Rig {
  explicit Rig(DataChannelServer::Timing timing = {200, 5})
      : server(network, state, control, operations, timing) {}
  ~Rig() { server.Stop(); }
  // A byte written to the data connection reaches `socket`.
  bool IsDataConnection(testing::BlockingStreamSocket& socket) {
    const std::string before = socket.Sent();
    state.dataSocket.SendMessage("!", 1);
    return socket.Sent().size() == before.size() + 1;
  }

  testing::NoObserver observer;
  app::AppState state{observer};
  testing::FakeControlSession control;
  testing::RecordingFileOperations operations{&state};
  testing::FakeNetwork network;
  DataChannelServer server;
};

TEST(DataChannelServer, ServesTheSessionDeviceAndTheNextConnectionAfterModeZero) {
  Rig rig;
  ASSERT_TRUE(rig.server.Start(5870));
  auto first = rig.network.Connect(kDeviceAddress);
  first->Give(DataMessage(Header(12)));
  ASSERT_TRUE(Eventually([&] { return rig.control.Replies().size() == 1; }));
  EXPECT_EQ(rig.control.Replies()[0], 2011);
  EXPECT_TRUE(rig.server.sessionActive());
  EXPECT_TRUE(rig.IsDataConnection(*first));

  first->Give(DataMessage(Header(0)));
  ASSERT_TRUE(Eventually([&] { return !rig.server.sessionActive(); }));
  // The ended session's connection stays the data connection until another one is accepted.
  EXPECT_FALSE(first->shutDown());
  EXPECT_TRUE(rig.IsDataConnection(*first));

  auto second = rig.network.Connect(kDeviceAddress);
  second->Give(DataMessage(Header(6, 1)));
  ASSERT_TRUE(Eventually([&] { return rig.control.Replies().size() == 2; }));
  EXPECT_EQ(rig.control.Replies()[1], 2012);
  EXPECT_TRUE(first->shutDown());
  EXPECT_TRUE(rig.IsDataConnection(*second));
}

TEST(DataChannelServer, ConnectionFromAnotherAddressIsClosedUnserved) {
  Rig rig;
  ASSERT_TRUE(rig.server.Start(5870));
  auto own = rig.network.Connect(kDeviceAddress);
  ASSERT_TRUE(Eventually([&] { return rig.server.sessionActive(); }));
  own->Give(DataMessage(Header(0)));
  ASSERT_TRUE(Eventually([&] { return !rig.server.sessionActive(); }));

  auto stranger = rig.network.Connect(kStrangerAddress);
  stranger->Give(DataMessage(Header(12)));
  ASSERT_TRUE(Eventually([&] { return stranger->shutDown(); }));
  EXPECT_TRUE(rig.control.Replies().empty());
  EXPECT_TRUE(rig.operations.Calls().empty());
  EXPECT_FALSE(rig.IsDataConnection(*stranger));
  EXPECT_TRUE(rig.IsDataConnection(*own));
}

TEST(DataChannelServer, ConnectionBeforeItsControlSessionWaitsForIt) {
  Rig rig({2000, 5});
  rig.control.peer = 0;
  ASSERT_TRUE(rig.server.Start(5870));
  auto early = rig.network.Connect(kDeviceAddress);
  early->Give(DataMessage(Header(12)));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_TRUE(rig.control.Replies().empty()) << "not served before the control session exists";
  rig.control.peer = kDeviceAddress;
  ASSERT_TRUE(Eventually([&] { return rig.control.Replies().size() == 1; }));
  EXPECT_TRUE(rig.IsDataConnection(*early));
}

TEST(DataChannelServer, ConnectionWithoutAControlSessionIsClosedAfterTheGrace) {
  Rig rig({50, 5});
  rig.control.peer = 0;
  ASSERT_TRUE(rig.server.Start(5870));
  auto orphan = rig.network.Connect(kDeviceAddress);
  orphan->Give(DataMessage(Header(12)));
  ASSERT_TRUE(Eventually([&] { return orphan->shutDown(); }));
  EXPECT_TRUE(rig.control.Replies().empty());
  EXPECT_FALSE(rig.state.dataSocket.HasConnection());
}

TEST(DataChannelServer, ProtocolViolationsCloseTheDataConnection) {
  struct Case {
    const char* name;
    std::string message;
    bool authorised;
  };
  const std::vector<Case> cases = {
      {"oversized request", DataMessage(Header(5), std::string(9000, 'x')), true},
      {"request before the security code", DataMessage(Header(12)), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.control.authorised = c.authorised;
    ASSERT_TRUE(rig.server.Start(5870));
    auto device = rig.network.Connect(kDeviceAddress);
    device->Give(c.message);
    ASSERT_TRUE(Eventually([&] { return device->shutDown(); }));
    EXPECT_TRUE(Eventually([&] { return !rig.state.dataSocket.HasConnection(); }));
    EXPECT_TRUE(rig.operations.Calls().empty());
    EXPECT_TRUE(rig.control.Replies().empty());
    // The server goes on accepting.
    rig.control.authorised = true;
    auto next = rig.network.Connect(kDeviceAddress);
    next->Give(DataMessage(Header(12)));
    EXPECT_TRUE(Eventually([&] { return rig.operations.Calls().size() == 1; }));
  }
}

TEST(DataChannelServer, AnotherDeviceTakingOverClosesTheDataConnection) {
  Rig rig;
  ASSERT_TRUE(rig.server.Start(5870));
  auto device = rig.network.Connect(kDeviceAddress);
  ASSERT_TRUE(Eventually([&] { return rig.server.sessionActive(); }));
  rig.server.CheckConnectionOwner();
  EXPECT_FALSE(device->shutDown()) << "same device: kept";
  rig.control.peer = 0;
  rig.server.CheckConnectionOwner();
  EXPECT_FALSE(device->shutDown()) << "no session at all: kept";
  rig.control.peer = kStrangerAddress;
  rig.server.CheckConnectionOwner();
  EXPECT_TRUE(device->shutDown());
  EXPECT_FALSE(rig.state.dataSocket.HasConnection());
  EXPECT_TRUE(Eventually([&] { return !rig.server.sessionActive(); }));
}

TEST(DataChannelServer, FailedAcceptReopensTheListenerWithoutSpinning) {
  Rig rig({200, 20});
  ASSERT_TRUE(rig.server.Start(5870));
  ASSERT_TRUE(Eventually([&] { return rig.network.AcceptCalls() == 1; }));
  rig.network.RefuseListen(2);
  rig.network.FailNextAccept();
  // Two refused reopenings a pause apart, then a listener that works again.
  ASSERT_TRUE(Eventually([&] { return rig.network.ListenCalls() == 4; }));
  ASSERT_TRUE(Eventually([&] { return rig.network.AcceptCalls() == 2; }));
  auto device = rig.network.Connect(kDeviceAddress);
  device->Give(DataMessage(Header(9)));
  ASSERT_TRUE(Eventually([&] { return rig.control.Replies().size() == 1; }));
  EXPECT_EQ(rig.network.ListenCalls(), 4u);
  EXPECT_EQ(rig.network.AcceptCalls(), 2u);
}

TEST(DataChannelServer, StopEndsEveryWaitPromptly) {
  struct Case {
    const char* name;
    std::function<void(Rig&)> setUp;
  };
  const std::vector<Case> cases = {
      {"waiting in accept", [](Rig&) {}},
      {"serving a connection",
       [](Rig& rig) {
         rig.network.Connect(kDeviceAddress);
         ASSERT_TRUE(Eventually([&] { return rig.server.sessionActive(); }));
       }},
      {"in the grace",
       [](Rig& rig) {
         rig.control.peer = 0;
         rig.network.Connect(kDeviceAddress);
         ASSERT_TRUE(Eventually([&] { return rig.network.AcceptCalls() == 1; }));
         std::this_thread::sleep_for(std::chrono::milliseconds(20));
       }},
      {"pausing before a reopen",
       [](Rig& rig) {
         ASSERT_TRUE(Eventually([&] { return rig.network.AcceptCalls() == 1; }));
         rig.network.FailNextAccept();
         std::this_thread::sleep_for(std::chrono::milliseconds(20));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig({60000, 60000});
    ASSERT_TRUE(rig.server.Start(5870));
    c.setUp(rig);
    const auto begin = std::chrono::steady_clock::now();
    rig.server.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(500));
    EXPECT_FALSE(rig.server.running());
    EXPECT_FALSE(rig.state.dataSocket.HasConnection());
    rig.server.Stop();  // twice is fine
  }
}

TEST(DataChannelServer, ListingWaitsForTheSessionDevicesDataConnection) {
  Rig rig;
  ASSERT_TRUE(rig.server.Start(5870));
  EXPECT_FALSE(rig.server.WaitForSessionConnection(20)) << "no data connection yet";
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    rig.network.Connect(kDeviceAddress);
  });
  EXPECT_TRUE(rig.server.WaitForSessionConnection(2000));
  later.join();
  rig.control.peer = kStrangerAddress;
  EXPECT_FALSE(rig.server.WaitForSessionConnection(20)) << "the connection of another device";
  // Stop ends a wait at once.
  rig.control.peer = 0;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    rig.server.Stop();
  });
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_FALSE(rig.server.WaitForSessionConnection(60000));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(1000));
  stopper.join();
}

TEST(DataChannelServer, StartFailsWhenThePortCannotBeOpened) {
  Rig rig;
  rig.network.RefuseListen(1);
  EXPECT_FALSE(rig.server.Start(5870));
  EXPECT_FALSE(rig.server.running());
  rig.server.Stop();
  EXPECT_TRUE(rig.server.Start(5870));
  EXPECT_FALSE(rig.server.Start(5870)) << "already running";
}

}  // namespace
}  // namespace vantaro::files
