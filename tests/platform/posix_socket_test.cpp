// The timeouts of the POSIX stream socket, on a real loopback connection whose far end the test
// holds as a plain descriptor.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/linux/posix_factories.h"
#include "support/server_process.h"

namespace vantaro::platform {
namespace {

class PosixSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    network = CreatePosixNetwork();
    uint16_t port = testing::FindFreePortBase();
    std::string error;
    listener = network->ListenTcp(port, &error);
    ASSERT_TRUE(listener) << error;
    device = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(device, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    connection = listener->Accept();
    ASSERT_TRUE(connection);
  }
  void TearDown() override {
    if (device >= 0) ::close(device);
  }

  std::unique_ptr<Network> network;
  std::unique_ptr<ListenSocket> listener;
  std::unique_ptr<StreamSocket> connection;
  int device = -1;
};

// More than any socket buffer holds, so that a device that does not read stops the send.
const std::string kLarge(64 << 20, 'x');

TEST_F(PosixSocketTest, ASendThatTheDeviceStopsTakingFailsAfterTheProgressTimeout) {
  connection->SetSendProgressTimeout(200);
  EXPECT_FALSE(connection->SendAll(kLarge.data(), kLarge.size()));
}

TEST_F(PosixSocketTest, ADeviceThatKeepsReadingGetsEverything) {
  connection->SetSendProgressTimeout(2000);
  size_t received = 0;
  std::thread reader([&] {
    char buffer[65536];
    for (;;) {
      ssize_t n = ::recv(device, buffer, sizeof(buffer), 0);
      if (n <= 0) return;
      received += static_cast<size_t>(n);
    }
  });
  EXPECT_TRUE(connection->SendAll(kLarge.data(), kLarge.size()));
  connection->Shutdown();
  reader.join();
  EXPECT_EQ(received, kLarge.size());
}

TEST_F(PosixSocketTest, ReceiveWithinTimesOutKeepsTheConnectionAndWakesOnShutdown) {
  char buffer[16];
  EXPECT_EQ(connection->ReceiveWithin(buffer, sizeof(buffer), 50), StreamSocket::kTimedOut);
  ASSERT_EQ(::send(device, "abc", 3, 0), 3);
  EXPECT_EQ(connection->ReceiveWithin(buffer, sizeof(buffer), 5000), 3);
  std::thread stopper([this] { connection->Shutdown(); });
  EXPECT_EQ(connection->ReceiveWithin(buffer, sizeof(buffer), 60 * 60 * 1000), -1);
  stopper.join();
}

}  // namespace
}  // namespace vantaro::platform
