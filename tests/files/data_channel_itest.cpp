// The data channel of the real server, talked to over loopback as the phone would: a control
// connection for the session and the replies, a data connection for the requests.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "support/device_client.h"
#include "support/server_process.h"
#include "support/wire.h"

namespace vantaro::testing {
namespace {

const std::string kTerminator = "\nkvrt\n";

std::string DataMessage(int32_t mode, int32_t sendMode, const std::string& payload = "",
                        int32_t pathLength = 0, int32_t dataLength = 0) {
  return Le32(mode) + Le32(sendMode) + Le32(0) + Le32(1) + Le32(0) + Le32(pathLength) +
         Le32(dataLength) + payload + kTerminator;
}

// A data connection from another loopback address than the device's 127.0.0.1.
class StrangerClient {
 public:
  explicit StrangerClient(uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.2", &local.sin_addr);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &remote.sin_addr);
    connected_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0 &&
                 ::connect(fd_, reinterpret_cast<sockaddr*>(&remote), sizeof(remote)) == 0;
  }
  ~StrangerClient() { ::close(fd_); }
  bool connected() const { return connected_; }
  bool Send(const std::string& bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }
  // True when the server closes the connection within `timeoutMs`; whatever it sent before is
  // kept in `received`.
  bool WaitClosed(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      ssize_t n = ::recv(fd_, buffer, sizeof(buffer), 0);
      if (n <= 0) return true;
      received.append(buffer, static_cast<size_t>(n));
    }
    return false;
  }
  std::string received;

 private:
  int fd_ = -1;
  bool connected_ = false;
};

class DataChannelTest : public ::testing::Test {
 protected:
  void StartServer(std::map<std::string, std::string> config = {}) {
    ServerOptions options;
    options.config = std::move(config);
    server = std::make_unique<ServerProcess>(options);
    ASSERT_TRUE(server->Start());
    ASSERT_GE(server->WaitForLine("status 1:"), 0) << server->Stderr();
  }
  // Connects the control channel and shakes hands; `reply` is the expected answer's code.
  void Handshake(int32_t replySize = 30) {
    ASSERT_TRUE(control.Connect(server->controlPort()));
    ASSERT_TRUE(control.Send(ControlMessage(200, 0, HandshakePayload("phone"))));
    ASSERT_EQ(control.Receive(static_cast<size_t>(replySize)).size(), size_t(replySize));
  }
  void TearDown() override {
    if (!server) return;
    int status = server->Stop();
    EXPECT_EQ(status, 0);
    const std::string err = server->Stderr();
    EXPECT_EQ(err.find("Sanitizer"), std::string::npos) << err;
    EXPECT_EQ(err.find("runtime error"), std::string::npos) << err;
  }

  std::unique_ptr<ServerProcess> server;
  DeviceClient control;
};

TEST_F(DataChannelTest, SessionEndsOnAnUnservedModeAndTheNextConnectionIsServed) {
  StartServer();
  Handshake();
  // Each round: a request is answered on the control channel, then a message of a mode that is not
  // served ends the data session, so that only the next connection gets the next request.
  for (int32_t endingMode : {0, 1, 2, 10, 11, 13}) {
    SCOPED_TRACE(endingMode);
    DeviceClient data;
    ASSERT_TRUE(data.Connect(server->dataPort()));
    ASSERT_TRUE(data.Send(DataMessage(12, 4)));
    EXPECT_EQ(Hex(control.Receive(10)), Hex(ShortReply(2011)));
    ASSERT_TRUE(data.Send(Le32(endingMode) + std::string(24, '\0') + kTerminator));
  }
  // Requests sent in parts are refused at once.
  DeviceClient data;
  ASSERT_TRUE(data.Connect(server->dataPort()));
  ASSERT_TRUE(data.Send(DataMessage(6, 1, "C:\\")));
  EXPECT_EQ(Hex(control.Receive(10)), Hex(ShortReply(2012)));
  // The framing goes on after a payload that holds the terminator: the message ends at it and the
  // rest of the payload is read as the start of the next message, a 34-byte delete.
  std::string cut = Le32(12) + Le32(4) + std::string(20, '\0') + kTerminator;
  ASSERT_TRUE(data.Send(DataMessage(12, 4, "ab" + kTerminator + cut)));
  EXPECT_EQ(Hex(control.Receive(20)), Hex(ShortReply(2011) + ShortReply(2011)));
}

TEST_F(DataChannelTest, DataConnectionFromAnotherAddressIsClosedUnserved) {
  StartServer();
  Handshake();
  StrangerClient stranger(server->dataPort());
  ASSERT_TRUE(stranger.connected());
  ASSERT_TRUE(stranger.Send(DataMessage(12, 4)));
  EXPECT_TRUE(stranger.WaitClosed(2000));
  EXPECT_EQ(stranger.received, "");
  EXPECT_EQ(control.ReceiveAvailable(200), "");
  // The device's own connection is served afterwards.
  DeviceClient data;
  ASSERT_TRUE(data.Connect(server->dataPort()));
  ASSERT_TRUE(data.Send(DataMessage(12, 4)));
  EXPECT_EQ(Hex(control.Receive(10)), Hex(ShortReply(2011)));
}

TEST_F(DataChannelTest, RequestBeforeTheSecurityCodeClosesTheDataConnection) {
  StartServer({{"securitylogin", "TRUE"}, {"securitycode", "4321"}});
  Handshake(10);  // 2000: the code is required
  DeviceClient data;
  ASSERT_TRUE(data.Connect(server->dataPort()));
  ASSERT_TRUE(data.Send(DataMessage(12, 4)));
  EXPECT_TRUE(data.WaitClosed(2000));
  EXPECT_EQ(control.ReceiveAvailable(200), "");
  // With the code given, a new connection is served.
  ASSERT_TRUE(control.Send(ControlMessage(202, 4, "4321")));
  ASSERT_EQ(control.Receive(30).size(), 30u);
  ASSERT_TRUE(data.Connect(server->dataPort()));
  ASSERT_TRUE(data.Send(DataMessage(12, 4)));
  EXPECT_EQ(Hex(control.Receive(10)), Hex(ShortReply(2011)));
}

TEST_F(DataChannelTest, OversizedRequestClosesTheDataConnection) {
  StartServer();
  Handshake();
  DeviceClient data;
  ASSERT_TRUE(data.Connect(server->dataPort()));
  // Longer than the 8192-byte request buffer, and no terminator yet.
  data.Send(Le32(5) + Le32(4) + std::string(20, '\0') + std::string(9000, 'x'));
  EXPECT_TRUE(data.WaitClosed(2000));
  EXPECT_EQ(control.ReceiveAvailable(200), "");
}

TEST_F(DataChannelTest, SigtermWithADeviceConnectedEndsWithinASecond) {
  struct Case {
    const char* name;
    std::string pending;  // what the data connection has sent when the server is stopped
  };
  for (const Case& c : {Case{"idle", ""}, Case{"mid-message", Le32(12) + Le32(4) + "abc"}}) {
    SCOPED_TRACE(c.name);
    StartServer();
    Handshake();
    DeviceClient data;
    ASSERT_TRUE(data.Connect(server->dataPort()));
    ASSERT_TRUE(data.Send(DataMessage(12, 4) + c.pending));
    EXPECT_EQ(Hex(control.Receive(10)), Hex(ShortReply(2011)));
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(server->Stop(1000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(1));
    EXPECT_TRUE(data.WaitClosed(1000));
    const std::string err = server->Stderr();
    EXPECT_EQ(err.find("Sanitizer"), std::string::npos) << err;
    EXPECT_EQ(err.find("runtime error"), std::string::npos) << err;
    server.reset();
    control.Close();
  }
}

}  // namespace
}  // namespace vantaro::testing
