#include "support/device_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace vantaro::testing {

namespace {

sockaddr_in Loopback(uint16_t port, const char* address = "127.0.0.1") {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  inet_pton(AF_INET, address, &addr.sin_addr);
  return addr;
}

bool WaitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) > 0;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

DeviceClient::~DeviceClient() { Close(); }

bool DeviceClient::Connect(uint16_t port, int timeoutMs) {
  Close();
  int64_t deadline = NowMs() + timeoutMs;
  do {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = Loopback(port);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) return true;
    Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (NowMs() < deadline);
  return false;
}

bool DeviceClient::Send(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string DeviceClient::Receive(size_t count, int timeoutMs) {
  std::string out;
  int64_t deadline = NowMs() + timeoutMs;
  while (out.size() < count) {
    int64_t left = deadline - NowMs();
    if (left <= 0 || !WaitReadable(fd_, static_cast<int>(left))) break;
    char buf[65536];
    size_t want = std::min(sizeof(buf), count - out.size());
    ssize_t n = ::recv(fd_, buf, want, 0);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

std::string DeviceClient::ReceiveAvailable(int timeoutMs) {
  std::string out;
  int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    int64_t left = deadline - NowMs();
    if (left <= 0 || !WaitReadable(fd_, static_cast<int>(left))) break;
    char buf[65536];
    ssize_t n = ::recv(fd_, buf, sizeof(buf), 0);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

bool DeviceClient::WaitClosed(int timeoutMs) {
  int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    int64_t left = deadline - NowMs();
    if (left <= 0 || !WaitReadable(fd_, static_cast<int>(left))) return false;
    char buf[4096];
    ssize_t n = ::recv(fd_, buf, sizeof(buf), 0);
    if (n <= 0) return true;
  }
}

void DeviceClient::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

UdpClient::UdpClient(uint16_t bindPort, const char* bindAddress) {
  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr = Loopback(bindPort, bindAddress);
  ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
  socklen_t len = sizeof(addr);
  ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  // Multicast from a test leaves through loopback only.
  in_addr loop{};
  inet_pton(AF_INET, "127.0.0.1", &loop);
  ::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &loop, sizeof(loop));
  unsigned char on = 1;
  ::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, &on, sizeof(on));
}

UdpClient::~UdpClient() {
  if (fd_ >= 0) ::close(fd_);
}

bool UdpClient::SendTo(const std::string& bytes, uint16_t port, const char* address) {
  sockaddr_in addr = Loopback(port, address);
  return ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&addr),
                  sizeof(addr)) == static_cast<ssize_t>(bytes.size());
}

std::string UdpClient::Receive(int timeoutMs) {
  if (!WaitReadable(fd_, timeoutMs)) return {};
  char buf[65536];
  ssize_t n = ::recv(fd_, buf, sizeof(buf), 0);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

}  // namespace vantaro::testing
