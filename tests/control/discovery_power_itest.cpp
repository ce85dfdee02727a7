// Discovery and the power commands against the real server on loopback.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "support/device_client.h"
#include "support/server_process.h"
#include "support/wire.h"

namespace vantaro::testing {
namespace {

std::string Request(int32_t mode, int32_t check, int32_t replyPort) {
  return Le32(mode) + Le32(check) + Le32(replyPort) + Le32(77) + Le32(0) + Le32(0) + Le32(0);
}

std::string ExpectedReply(int32_t deviceId) {
  char host[256] = {};
  ::gethostname(host, sizeof(host) - 1);
  std::string name = std::string("Win") + host;
  return Le32(1001) + Le32(5868) + Le32(0) + Le32(deviceId) +
         Le32(static_cast<int32_t>(name.size())) + Le32(0) + Le32(0) + name;
}

class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ServerOptions options;
    options.config["device_id"] = "1712345678";
    server = std::make_unique<ServerProcess>(options);
    ASSERT_TRUE(server->Start());
    ASSERT_GE(server->WaitForLine("status 1:"), 0) << server->Stderr();
  }
  std::unique_ptr<ServerProcess> server;
};

TEST_F(DiscoveryTest, AnswersTwiceToTheNamedPortByMulticastAndDirectly) {
  UdpClient answers;  // where the device wants the answer
  UdpClient sender;   // the device's ephemeral source port
  for (const char* address : {"239.0.0.1", "127.0.0.1"}) {
    ASSERT_TRUE(sender.SendTo(Request(1000, 5868, answers.port()), server->port(), address));
    EXPECT_EQ(Hex(answers.Receive(2000)), Hex(ExpectedReply(1712345678))) << address;
    EXPECT_EQ(Hex(answers.Receive(2000)), Hex(ExpectedReply(1712345678))) << address;
    EXPECT_EQ(sender.Receive(100), "") << "nothing goes to the source port";
  }
}

TEST_F(DiscoveryTest, IgnoresWrongAndShortRequests) {
  UdpClient answers;
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"check number 5867", Request(1000, 5867, answers.port())},
      {"mode 1001", Request(1001, 5868, answers.port())},
      {"27 bytes", Request(1000, 5868, answers.port()).substr(0, 27)},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(answers.SendTo(c.bytes, server->port()));
    EXPECT_EQ(answers.Receive(300), "") << c.name;
  }
  // A longer datagram is a request all the same.
  ASSERT_TRUE(answers.SendTo(Request(1000, 5868, answers.port()) + "extra", server->port()));
  EXPECT_EQ(answers.Receive(2000).size(), ExpectedReply(0).size());
}

TEST_F(DiscoveryTest, SilentWhileADeviceIsConnectedAndBackAfterwards) {
  UdpClient answers;
  DeviceClient device;
  ASSERT_TRUE(device.Connect(server->controlPort()));
  ASSERT_TRUE(device.Send(ControlMessage(200, 0, HandshakePayload("d"))));
  ASSERT_EQ(device.Receive(30).size(), 30u);
  ASSERT_TRUE(answers.SendTo(Request(1000, 5868, answers.port()), server->port()));
  EXPECT_EQ(answers.Receive(500), "");
  device.Close();
  ASSERT_GE(server->WaitForLine("status 12:"), 0);
  std::string reply;
  for (int i = 0; i < 20 && reply.empty(); ++i) {
    answers.SendTo(Request(1000, 5868, answers.port()), server->port());
    reply = answers.Receive(200);
  }
  EXPECT_EQ(Hex(reply), Hex(ExpectedReply(1712345678)));
}

TEST_F(DiscoveryTest, RepliesAreLimitedPerSecond) {
  UdpClient answers;
  for (int i = 0; i < 40; ++i)
    ASSERT_TRUE(answers.SendTo(Request(1000, 5868, answers.port()), server->port()));
  int received = 0;
  while (!answers.Receive(300).empty()) ++received;
  EXPECT_GE(received, 2);
  EXPECT_LE(received, 40);  // at most 20 a second: the burst cannot be answered in full
}

// One address that floods cannot use up the replies of the others: a device asking once during the
// flood gets its two answers.
TEST_F(DiscoveryTest, AFloodFromOneAddressDoesNotStarveAnother) {
  UdpClient flooder(0, "127.0.0.2");
  std::atomic<bool> flooding{true};
  std::thread flood([&] {
    while (flooding.load())
      for (int i = 0; i < 50; ++i)
        flooder.SendTo(Request(1000, 5868, flooder.port()), server->port());
  });
  // The flood is under way once it is being answered (within its own budget).
  for (int i = 0; i < 5 && flooder.Receive(2000).empty(); ++i) {
  }
  UdpClient answers;
  ASSERT_TRUE(answers.SendTo(Request(1000, 5868, answers.port()), server->port()));
  EXPECT_EQ(Hex(answers.Receive(2000)), Hex(ExpectedReply(1712345678)));
  EXPECT_EQ(Hex(answers.Receive(2000)), Hex(ExpectedReply(1712345678)));
  flooding.store(false);
  flood.join();
}

TEST(PowerTest, DryRunPrintsEachActionAndHibernationReopensTheService) {
  ServerProcess server;
  ASSERT_TRUE(server.Start());
  ASSERT_GE(server.WaitForLine("status 1:"), 0);
  DeviceClient device;
  ASSERT_TRUE(device.Connect(server.controlPort()));
  struct Case {
    int32_t code;
    int32_t delay;
    const char* line;
  } cases[] = {{703, 0, "power: shutdown"}, {701, -5, "power: reboot"}, {702, 300, "power: logoff"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(device.Send(ControlMessage(c.code, c.delay)));
    EXPECT_GE(server.WaitForLine(c.line, 3000), 0) << c.line;
  }
  // A pending command is replaced by the next one.
  ASSERT_TRUE(device.Send(ControlMessage(703, 60000) + ControlMessage(701, 200)));
  int reboot = server.WaitForLine("power: reboot", 3000, server.Lines().size());
  EXPECT_GE(reboot, 0);

  size_t before = server.Lines().size();
  ASSERT_TRUE(device.Send(ControlMessage(700, 0)));
  EXPECT_GE(server.WaitForLine("power: hibernate", 3000, before), 0);
  int closed = server.WaitForLine("status 2: -", 3000, before);
  ASSERT_GE(closed, 0);
  EXPECT_TRUE(device.WaitClosed(3000));
  EXPECT_GE(server.WaitForLine("status 1: Waiting for device connected", 8000,
                               static_cast<size_t>(closed)),
            0);
  DeviceClient again;
  ASSERT_TRUE(again.Connect(server.controlPort()));
  ASSERT_TRUE(again.Send(ControlMessage(200, 0, HandshakePayload("d"))));
  EXPECT_EQ(again.Receive(30).size(), 30u);
  // The replaced power-off never ran.
  int shutdowns = 0;
  for (auto& line : server.Lines()) shutdowns += line == "power: shutdown";
  EXPECT_EQ(shutdowns, 1);
}

}  // namespace
}  // namespace vantaro::testing
