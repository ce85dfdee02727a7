// The Winsock sockets on loopback: a blocked call of each kind is woken by Shutdown from another
// thread (under Wine neither shutdown() nor closesocket() would do it safely), and a send goes on
// while another thread is blocked receiving on the same socket.

#include <gtest/gtest.h>

#include <winsock2.h>

#include <future>
#include <thread>

#include "platform/windows/windows_factories.h"

namespace vantaro::platform {
namespace {

constexpr uint32_t kLoopback = 0x7f000001;

// A listener on a free port, found by trying; tests only use loopback.
std::unique_ptr<ListenSocket> Listen(Network& network, uint16_t* port) {
  for (uint16_t p = 42000; p < 42200; ++p) {
    std::string error;
    if (auto l = network.ListenTcp(p, &error)) {
      *port = p;
      return l;
    }
  }
  return nullptr;
}

// The client end, through the same Winsock as the server (the test has no other socket API).
class Connected {
 public:
  Connected(uint16_t port) {
    s_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(kLoopback);
    a.sin_port = htons(port);
    ok_ = ::connect(s_, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0;
  }
  ~Connected() { ::closesocket(s_); }
  bool ok() const { return ok_; }
  SOCKET s() const { return s_; }

 private:
  SOCKET s_ = INVALID_SOCKET;
  bool ok_ = false;
};

class WinsockTest : public ::testing::Test {
 protected:
  std::unique_ptr<Network> network_ = CreateWinsockNetwork();
};

TEST_F(WinsockTest, ShutdownWakesABlockedAcceptAndABlockedReceive) {
  uint16_t port = 0;
  auto listener = Listen(*network_, &port);
  ASSERT_NE(listener, nullptr);
  auto accepting = std::async(std::launch::async, [&] { return listener->Accept(); });
  ASSERT_EQ(accepting.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  listener->Shutdown();
  EXPECT_EQ(accepting.get(), nullptr);
  EXPECT_EQ(listener->Accept(), nullptr) << "later calls fail";

  auto second = Listen(*network_, &port);
  ASSERT_NE(second, nullptr);
  Connected client(port);
  ASSERT_TRUE(client.ok());
  auto connection = second->Accept();
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(connection->Peer().address, kLoopback);
  char buffer[16];
  auto receiving = std::async(std::launch::async, [&] { return connection->Receive(buffer, 16); });
  ASSERT_EQ(receiving.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  connection->Shutdown();
  EXPECT_EQ(receiving.get(), -1);
  EXPECT_FALSE(connection->SendAll("x", 1));
  // The peer sees the end of the stream.
  EXPECT_EQ(::recv(client.s(), buffer, 16, 0), 0);
}

TEST_F(WinsockTest, SendsWhileAnotherThreadIsBlockedReceiving) {
  uint16_t port = 0;
  auto listener = Listen(*network_, &port);
  ASSERT_NE(listener, nullptr);
  Connected client(port);
  ASSERT_TRUE(client.ok());
  auto connection = listener->Accept();
  ASSERT_NE(connection, nullptr);
  char in[8] = {};
  auto receiving = std::async(std::launch::async, [&] { return connection->Receive(in, 8); });
  // More than the socket buffers hold, so that the sender has to wait for the peer to read.
  std::string big(4 << 20, 'b');
  auto sending = std::async(std::launch::async, [&] { return connection->SendAll(big.data(), big.size()); });
  size_t got = 0;
  std::vector<char> chunk(65536);
  while (got < big.size()) {
    int n = ::recv(client.s(), chunk.data(), static_cast<int>(chunk.size()), 0);
    ASSERT_GT(n, 0);
    got += static_cast<size_t>(n);
  }
  EXPECT_TRUE(sending.get());
  ASSERT_EQ(::send(client.s(), "ping", 4, 0), 4);
  EXPECT_EQ(receiving.get(), 4);
  EXPECT_EQ(std::string(in, 4), "ping");
  ::shutdown(client.s(), SD_SEND);
  EXPECT_EQ(connection->Receive(in, 8), 0) << "the end of the stream";
}

TEST_F(WinsockTest, DatagramsArriveCutToTheBufferAndShutdownWakesTheReceiver) {
  std::string error;
  std::unique_ptr<DatagramSocket> udp;
  uint16_t port = 0;
  for (uint16_t p = 42300; p < 42400 && !udp; ++p)
    if ((udp = network_->OpenMulticastUdp(p, 0xef000001, &error))) port = p;
  ASSERT_NE(udp, nullptr) << error;
  ASSERT_TRUE(udp->SendTo("0123456789", 10, Ipv4Endpoint{kLoopback, port}));
  char buffer[4];
  Ipv4Endpoint from;
  EXPECT_EQ(udp->ReceiveFrom(buffer, sizeof(buffer), &from), 4);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(from.address, kLoopback);
  EXPECT_EQ(from.port, port);
  auto receiving = std::async(std::launch::async, [&] { return udp->ReceiveFrom(buffer, 4, &from); });
  ASSERT_EQ(receiving.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  udp->Shutdown();
  EXPECT_EQ(receiving.get(), -1);
}

}  // namespace
}  // namespace vantaro::platform
