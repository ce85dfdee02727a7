// The real server, talked to as a device would over loopback.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "support/device_client.h"
#include "support/server_process.h"
#include "support/wire.h"

namespace vantaro::testing {
namespace {

class ControlServerTest : public ::testing::Test {
 protected:
  void StartServer(std::map<std::string, std::string> config = {}) {
    ServerOptions options;
    options.config = std::move(config);
    server = std::make_unique<ServerProcess>(options);
    ASSERT_TRUE(server->Start());
    ASSERT_GE(server->WaitForLine("status 1: Waiting for device connected"), 0) << server->Stderr();
  }
  void Connect(DeviceClient& device) { ASSERT_TRUE(device.Connect(server->controlPort())); }
  // Expects a status line after the ones seen so far.
  void ExpectStatus(const std::string& line) {
    int at = server->WaitForLine(line, 5000, seen);
    ASSERT_GE(at, 0) << "missing \"" << line << "\"";
    seen = static_cast<size_t>(at) + 1;
  }

  std::unique_ptr<ServerProcess> server;
  size_t seen = 0;
};

TEST_F(ControlServerTest, StartsClosedThenWaitsAndExitsCleanlyOnSigterm) {
  StartServer();
  auto lines = server->Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "status 2: -");
  EXPECT_EQ(lines[1], "status 1: Waiting for device connected");
  EXPECT_EQ(server->Stop(), 0);
  std::ifstream in(server->settingsFile());
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("first_run=FALSE"), std::string::npos);
  EXPECT_NE(text.str().find("port=" + std::to_string(server->port())), std::string::npos);
}

TEST_F(ControlServerTest, HandshakeWithoutCodeAndEveryModeSubCode) {
  StartServer();
  DeviceClient device;
  Connect(device);
  // Split over several segments: the server reads on to the CR LF.
  std::string handshake = ControlMessage(200, 0, HandshakePayload("Pixel 7"));
  ASSERT_TRUE(device.Send(handshake.substr(0, 5)));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ASSERT_TRUE(device.Send(handshake.substr(5, 20)));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ASSERT_TRUE(device.Send(handshake.substr(25)));
  EXPECT_EQ(Hex(device.Receive(30)), Hex(WelcomeReply()));
  ExpectStatus("status 3: Connected");

  struct Case {
    int32_t subCode;
    int32_t reply;
    const char* status;  // nullptr: no status change
  } cases[] = {{100, 2006, "status 6: Remote desktop"}, {101, 2006, nullptr},
               {102, 2006, "status 8: Touch mouse"},    {103, 2006, "status 7: Camera"},
               {104, 2006, "status 13: Recorder"},      {200, 2006, nullptr},
               {201, 2006, nullptr},                    {7, 2008, nullptr}};
  for (const auto& c : cases) {
    ASSERT_TRUE(device.Send(ControlMessage(300, 0, Le32(c.subCode))));
    EXPECT_EQ(Hex(device.Receive(10)), Hex(ShortReply(c.reply))) << c.subCode;
    if (c.status) ExpectStatus(c.status);
  }
  ASSERT_TRUE(device.Send(ControlMessage(301, 0)));
  EXPECT_EQ(Hex(device.Receive(10)), Hex(ShortReply(2002)));
  ExpectStatus("status 11: Connected");
}

TEST_F(ControlServerTest, SecurityCodeWrongThenRightAndTheGate) {
  StartServer({{"securitylogin", "TRUE"}, {"securitycode", "4321"}});
  DeviceClient device;
  Connect(device);
  ASSERT_TRUE(device.Send(ControlMessage(200, 0, HandshakePayload("tablet"))));
  EXPECT_EQ(Hex(device.Receive(10)), Hex(ShortReply(2000)));
  // Without the code, other commands are ignored: no reply, and the session goes on.
  ASSERT_TRUE(device.Send(ControlMessage(300, 0, Le32(100)) + ControlMessage(301, 0)));
  EXPECT_EQ(device.ReceiveAvailable(300), "");
  ASSERT_TRUE(device.Send(ControlMessage(202, 4, "1234")));
  EXPECT_EQ(Hex(device.Receive(10)), Hex(ShortReply(2003)));
  ASSERT_TRUE(device.Send(ControlMessage(202, 4, "4321")));
  EXPECT_EQ(Hex(device.Receive(30)), Hex(WelcomeReply()));
  ExpectStatus("status 4: Connected");
  ASSERT_TRUE(device.Send(ControlMessage(300, 0, Le32(100))));
  EXPECT_EQ(Hex(device.Receive(10)), Hex(ShortReply(2006)));
  for (auto& line : server->Lines()) EXPECT_EQ(line.find("4321"), std::string::npos);
}

TEST_F(ControlServerTest, UnknownAndUnhandledCodesEndTheSessionAndADeviceCanReconnect) {
  StartServer();
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"unknown 999", Le32(999) + Le32(0) + "\r\n"},
      {"framed 401", ControlMessage(401, 0)},
      {"framed 201", ControlMessage(201, 0)},
      {"no CR LF within 1024 bytes", Le32(200) + std::string(1100, 'x')},
  };
  for (const auto& c : cases) {
    DeviceClient device;
    Connect(device);
    ASSERT_TRUE(device.Send(ControlMessage(200, 0, HandshakePayload("d"))));
    EXPECT_EQ(device.Receive(30).size(), 30u) << c.name;
    ASSERT_TRUE(device.Send(c.bytes));
    EXPECT_TRUE(device.WaitClosed()) << c.name;
    ExpectStatus("status 12: Waiting for device connected");
  }
}

TEST_F(ControlServerTest, SigtermWithADeviceConnectedEndsWithinASecond) {
  StartServer({{"securitylogin", "TRUE"}, {"securitycode", "abcd"}});
  DeviceClient device;
  Connect(device);
  ASSERT_TRUE(device.Send(ControlMessage(200, 0, HandshakePayload("d"))));
  ASSERT_EQ(device.Receive(10).size(), 10u);
  // Wrong codes until the server is waiting before its answer: the stop must cut the wait short.
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(device.Send(ControlMessage(202, 4, "zzzz")));
  ASSERT_EQ(device.Receive(30).size(), 30u);
  EXPECT_EQ(server->Stop(1000), 0);
  EXPECT_TRUE(device.WaitClosed(1000));
}

// A taken port: the service says it is closed rather than waiting with nothing listening, names
// the port once, and opens by itself once the port is free.
TEST_F(ControlServerTest, AListenerThatCannotOpenLeavesTheServiceClosedUntilItCan) {
  ServerOptions options;
  server = std::make_unique<ServerProcess>(options);
  // Hold the control port with a listener of our own, which the server must not inherit.
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  addr.sin_port = htons(server->controlPort());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
  ASSERT_EQ(::listen(fd, 1), 0);
  ASSERT_TRUE(server->Start());
  const std::string named =
      "TCP port " + std::to_string(server->controlPort()) + " cannot be opened";
  for (int i = 0; i < 500 && server->Stderr().find(named) == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_NE(server->Stderr().find(named), std::string::npos) << server->Stderr();
  EXPECT_EQ(server->Lines(), std::vector<std::string>{"status 2: -"});

  ::close(fd);
  ASSERT_GE(server->WaitForLine("status 1: Waiting for device connected"), 0) << server->Stderr();
  std::string err = server->Stderr();
  EXPECT_EQ(err.find(named), err.rfind(named)) << "named once, not at every retry: " << err;
  DeviceClient device;
  ASSERT_TRUE(device.Connect(server->controlPort()));
  ASSERT_TRUE(device.Send(ControlMessage(200, 0, HandshakePayload("d"))));
  EXPECT_EQ(device.Receive(30), WelcomeReply());
}

TEST_F(ControlServerTest, ASecondCopyOnTheSameStoreExitsSilently) {
  StartServer();
  ServerOptions options;
  options.writeSettings = false;
  // Point the second copy at the first one's store.
  options.env["XDG_CONFIG_HOME"] = server->configHome();
  ServerProcess sameStore(options);
  ASSERT_TRUE(sameStore.Start());
  EXPECT_EQ(sameStore.WaitExit(5000), 0);
  EXPECT_TRUE(sameStore.Lines().empty());
  EXPECT_EQ(sameStore.Stderr(), "");
}

}  // namespace
}  // namespace vantaro::testing
