// The Windows build of the server under Wine, driven from Linux over loopback as the phone would:
// settings in the registry, the Run entry, the single copy, Ctrl-C, discovery, the handshake and
// the file manager.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "support/device_client.h"
#include "support/wire.h"
#include "windows/wine_server.h"

namespace vantaro::testing {
namespace {

constexpr char kRunKey[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::optional<std::string> RunEntry() {
  auto text = RunWineTool({"reg", "query", kRunKey, "/v", "TalvenServer_Win"});
  if (!text) return std::nullopt;
  size_t at = text->find("REG_SZ");
  if (at == std::string::npos) return std::nullopt;
  size_t begin = text->find_first_not_of(' ', at + 6);
  return text->substr(begin, text->find_first_of("\r\n", begin) - begin);
}

void RemoveRunEntry() { RunWineTool({"reg", "delete", kRunKey, "/v", "TalvenServer_Win", "/f"}); }

WineServerOptions WithConfig(std::map<std::string, std::string> config) {
  WineServerOptions options;
  options.config = std::move(config);
  return options;
}

class WindowsServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (WindowsServerPath().empty()) GTEST_SKIP() << "no Windows server (make test-windows)";
  }
  // Starts a server and waits until its service is open; Wine needs a while on a busy machine.
  void Start(WineServerOptions options = {}) {
    server = std::make_unique<WineServer>(std::move(options));
    ASSERT_TRUE(server->Start());
    ASSERT_GE(server->process().WaitForLine("status 1:", 60000), 0) << server->process().Stderr();
  }
  // Ends the server as Ctrl-C in its console would; Wine turns SIGINT into that event.
  int CtrlC() {
    ::kill(server->process().pid(), SIGINT);
    return server->process().WaitExit(30000);
  }
  void Handshake(DeviceClient& control) {
    ASSERT_TRUE(control.Connect(server->port() + 1, 20000));
    ASSERT_TRUE(control.Send(ControlMessage(200, 0, HandshakePayload("phone"))));
    ASSERT_EQ(Hex(control.Receive(30, 20000)), Hex(WelcomeReply()));
  }

  std::unique_ptr<WineServer> server;
};

TEST_F(WindowsServerTest, FirstRunWritesDefaultsToTheRegistryAndTheQuotedRunEntry) {
  RemoveRunEntry();
  WineServerOptions options;
  options.writeSettings = false;
  server = std::make_unique<WineServer>(options);
  ASSERT_TRUE(server->Start());
  ASSERT_GE(server->process().WaitForLine("status 2:", 60000), 0) << server->process().Stderr();
  EXPECT_EQ(CtrlC(), 0) << server->process().Stderr();
  EXPECT_EQ(server->Setting("TalvenServer_config", "first_run"), "FALSE");
  EXPECT_EQ(server->Setting("TalvenServer_config", "port"), "5868");
  EXPECT_EQ(server->Setting("TalvenServer_config", "autologin"), "TRUE");
  // Wine's public folders are the default shares, in the order videos, pictures, documents, music.
  auto count = server->Setting("TalvenServer_file_config", "path_count");
  ASSERT_TRUE(count.has_value());
  ASSERT_GE(std::stoi(*count), 1);
  auto first = server->Setting("TalvenServer_file_config", "0");
  ASSERT_TRUE(first.has_value());
  std::string lower = *first;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  EXPECT_NE(lower.find("\\public\\"), std::string::npos) << *first;
  // The program's path in quotes, then the hidden-start argument.
  EXPECT_EQ(RunEntry(), "\"" + server->WindowsPath() + "\" -ar");
  RemoveRunEntry();
}

TEST_F(WindowsServerTest, CtrlCSavesTheSettingsAndTheRunEntryFollowsTheSetting) {
  Start(WithConfig({{"autologin", "FALSE"}, {"securitylogin", "TRUE"}, {"securitycode", "9876"}}));
  auto lines = server->process().Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "status 2: -");
  EXPECT_EQ(lines[1], "status 1: Waiting for device connected");
  EXPECT_EQ(CtrlC(), 0);
  EXPECT_EQ(server->Setting("TalvenServer_config", "port"), std::to_string(server->port()));
  EXPECT_EQ(server->Setting("TalvenServer_config", "securitycode"), "9876");
  EXPECT_EQ(RunEntry(), std::nullopt);
}

TEST_F(WindowsServerTest, ASecondCopyExitsWithZeroAndTheFirstRunsOn) {
  Start();
  EXPECT_EQ(server->RunSecondCopy(60000), 0);
  DeviceClient control;
  Handshake(control);
}

TEST_F(WindowsServerTest, DiscoveryAnswersTwiceByMulticastAndDirectly) {
  Start(WithConfig({{"device_id", "1712345678"}}));
  UdpClient answers;
  UdpClient sender;
  auto request = Le32(1000) + Le32(5868) + Le32(answers.port()) + Le32(77) + Le32(0) + Le32(0) + Le32(0);
  for (const char* address : {"239.0.0.1", "127.0.0.1"}) {
    ASSERT_TRUE(sender.SendTo(request, server->port(), address));
    for (int i = 0; i < 2; ++i) {
      std::string reply = answers.Receive(10000);
      ASSERT_GE(reply.size(), 28u) << address;
      EXPECT_EQ(ReadLe32(reply, 0), 1001);
      EXPECT_EQ(ReadLe32(reply, 12), 1712345678);
      std::string name = reply.substr(28);
      EXPECT_EQ(static_cast<size_t>(ReadLe32(reply, 16)), name.size());
      EXPECT_EQ(name.substr(0, 3), "Win") << name;
    }
  }
}

TEST_F(WindowsServerTest, HandshakeWithAndWithoutTheSecurityCode) {
  Start(WithConfig({{"securitylogin", "TRUE"}, {"securitycode", "4321"}}));
  DeviceClient device;
  ASSERT_TRUE(device.Connect(server->port() + 1, 20000));
  ASSERT_TRUE(device.Send(ControlMessage(200, 0, HandshakePayload("tablet"))));
  EXPECT_EQ(Hex(device.Receive(10, 20000)), Hex(ShortReply(2000)));
  ASSERT_TRUE(device.Send(ControlMessage(202, 4, "1234")));
  EXPECT_EQ(Hex(device.Receive(10, 20000)), Hex(ShortReply(2003)));
  ASSERT_TRUE(device.Send(ControlMessage(202, 4, "4321")));
  EXPECT_EQ(Hex(device.Receive(30, 20000)), Hex(WelcomeReply()));
  EXPECT_GE(server->process().WaitForLine("status 4: Connected", 20000), 0);
  // The end of the session brings the waiting state back; then a handshake without a code.
  device.Close();
  EXPECT_GE(server->process().WaitForLine("status 12: Waiting for device connected", 20000), 0);
  server.reset();
  Start();
  DeviceClient plain;
  Handshake(plain);
  EXPECT_GE(server->process().WaitForLine("status 3: Connected", 20000), 0);
}

}  // namespace
}  // namespace vantaro::testing
