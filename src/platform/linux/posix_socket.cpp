// BSD sockets. A socket that another thread may block in is shut down (which wakes it) before it is
// closed: on Linux close() alone leaves a thread blocked in accept() or recv() asleep.

#include <arpa/inet.h>
#include <errno.h>
#include <ifaddrs.h>
#include <linux/tcp.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/linux/posix_factories.h"

namespace vantaro::platform {

namespace {

// Owns one descriptor. Shutdown() may run on any thread; the descriptor is closed only by the
// destructor, when no thread can be inside a call on it any more.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd() const { return fd_; }
  bool shutDown() const { return shutDown_.load(); }
  void Shutdown() {
    if (!shutDown_.exchange(true)) ::shutdown(fd_, SHUT_RDWR);
  }

 private:
  int fd_;
  std::atomic<bool> shutDown_{false};
};

class PosixStreamSocket : public StreamSocket {
 public:
  PosixStreamSocket(int fd, Ipv4Endpoint peer) : fd_(fd), peer_(peer) {}
  long Receive(void* buffer, size_t size) override {
    if (fd_.shutDown()) return -1;
    for (;;) {
      ssize_t n = ::recv(fd_.fd(), buffer, size, 0);
      if (n < 0 && errno == EINTR) continue;
      if (fd_.shutDown()) return -1;
      return static_cast<long>(n);
    }
  }
  long ReceiveWithin(void* buffer, size_t size, int timeoutMs) override {
    if (fd_.shutDown()) return -1;
    // Shutdown() makes the socket readable (end of stream), so the wait ends with it.
    int ready = WaitFor(POLLIN, timeoutMs);
    if (ready < 0) return -1;
    if (ready == 0) return kTimedOut;
    return Receive(buffer, size);
  }
  // Each send waits for room in the socket buffer, up to the progress timeout; the timeout starts
  // afresh after every byte accepted, so a slow peer that keeps reading is never cut off.
  bool SendAll(const void* data, size_t size) override {
    const char* p = static_cast<const char*>(data);
    const int timeoutMs = sendTimeoutMs_.load();
    while (size > 0) {
      if (fd_.shutDown()) return false;
      if (timeoutMs > 0 && WaitFor(POLLOUT, timeoutMs) <= 0) return false;
      ssize_t n = ::send(fd_.fd(), p, size, MSG_NOSIGNAL | (timeoutMs > 0 ? MSG_DONTWAIT : 0));
      if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
      if (n <= 0) return false;
      p += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }
  void SetSendProgressTimeout(int timeoutMs) override { sendTimeoutMs_.store(timeoutMs); }
  SendRoom WaitForSendRoom(size_t budget, int timeoutMs) override {
    if (fd_.shutDown()) return SendRoom::kFailed;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // With TCP_NOTSENT_LOWAT the socket polls writable only while fewer unsent bytes than the
    // limit are queued, so this side's wait is one poll (an SIOCOUTQ budget would need a counting
    // loop, and would count the bytes in flight too). Set once: the option is the connection's.
    int lowat = static_cast<int>(std::min<size_t>(std::max<size_t>(budget, 1), 1 << 30));
    if (lowat_.exchange(lowat) != lowat)
      ::setsockopt(fd_.fd(), IPPROTO_TCP, TCP_NOTSENT_LOWAT, &lowat, sizeof(lowat));
    pollfd p{fd_.fd(), POLLOUT, 0};
    int n;
    do {
      n = ::poll(&p, 1, timeoutMs);
    } while (n < 0 && errno == EINTR);
    if (fd_.shutDown() || n < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
      return SendRoom::kFailed;
    if (n == 0) return SendRoom::kBusy;
    return WaitForPeer(budget, deadline);
  }
  void Shutdown() override { fd_.Shutdown(); }
  Ipv4Endpoint Peer() const override { return peer_; }

 private:
  // 1 when `events` are ready (or the socket failed, which the next call reports), 0 after
  // `timeoutMs`, -1 on failure.
  int WaitFor(short events, int timeoutMs) {
    for (;;) {
      pollfd p{fd_.fd(), events, 0};
      int n = ::poll(&p, 1, timeoutMs);
      if (n < 0 && errno == EINTR) continue;
      return n < 0 ? -1 : n;
    }
  }

  // Bytes that the peer has received and not yet read also wait, in its receive buffer; only its
  // advertised window shows them: the largest free window it ever offered, less what it offers
  // now. A peer that reads without announcing it (a receiver opens its window lazily) leaves that
  // figure standing, so a figure that has not moved for kStaleWindow counts as read.
  SendRoom WaitForPeer(size_t budget, std::chrono::steady_clock::time_point deadline) {
    constexpr auto kStaleWindow = std::chrono::milliseconds(100);
    for (;;) {
      if (fd_.shutDown()) return SendRoom::kFailed;
      tcp_info info{};
      socklen_t size = sizeof(info);
      if (::getsockopt(fd_.fd(), IPPROTO_TCP, TCP_INFO, &info, &size) != 0 ||
          size < offsetof(tcp_info, tcpi_snd_wnd) + sizeof(info.tcpi_snd_wnd))
        return SendRoom::kReady;  // a kernel that does not tell
      uint64_t inFlight = info.tcpi_bytes_sent - info.tcpi_bytes_retrans - info.tcpi_bytes_acked;
      int64_t free = static_cast<int64_t>(info.tcpi_snd_wnd) - static_cast<int64_t>(inFlight);
      auto now = std::chrono::steady_clock::now();
      {
        std::lock_guard<std::mutex> guard(peerLock_);
        if (free > largestFree_) largestFree_ = free;
        if (free != lastFree_) {
          lastFree_ = free;
          lastFreeChange_ = now;
        }
        if (largestFree_ - free < static_cast<int64_t>(budget) ||
            now - lastFreeChange_ >= kStaleWindow)
          return SendRoom::kReady;
      }
      if (now >= deadline) return SendRoom::kBusy;
      ::poll(nullptr, 0, 1);
    }
  }

  Descriptor fd_;
  Ipv4Endpoint peer_;
  std::atomic<int> sendTimeoutMs_{0};
  std::atomic<int> lowat_{0};  // the TCP_NOTSENT_LOWAT set last (any thread)
  std::mutex peerLock_;        // guards the three below (any thread that waits for room)
  int64_t largestFree_ = 0;
  int64_t lastFree_ = -1;
  std::chrono::steady_clock::time_point lastFreeChange_;
};

class PosixListenSocket : public ListenSocket {
 public:
  explicit PosixListenSocket(int fd) : fd_(fd) {}
  std::unique_ptr<StreamSocket> Accept() override {
    for (;;) {
      if (fd_.shutDown()) return nullptr;
      sockaddr_in peer{};
      socklen_t len = sizeof(peer);
      int fd = ::accept4(fd_.fd(), reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
      if (fd < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        return nullptr;
      }
      if (fd_.shutDown()) {
        ::close(fd);
        return nullptr;
      }
      return std::make_unique<PosixStreamSocket>(
          fd, Ipv4Endpoint{ntohl(peer.sin_addr.s_addr), ntohs(peer.sin_port)});
    }
  }
  void Shutdown() override { fd_.Shutdown(); }

 private:
  Descriptor fd_;
};

class PosixDatagramSocket : public DatagramSocket {
 public:
  explicit PosixDatagramSocket(int fd) : fd_(fd) {}
  long ReceiveFrom(void* buffer, size_t size, Ipv4Endpoint* from) override {
    for (;;) {
      if (fd_.shutDown()) return -1;
      sockaddr_in peer{};
      socklen_t len = sizeof(peer);
      ssize_t n =
          ::recvfrom(fd_.fd(), buffer, size, MSG_TRUNC, reinterpret_cast<sockaddr*>(&peer), &len);
      if (n < 0 && errno == EINTR) continue;
      if (fd_.shutDown() || n < 0) return -1;
      if (from) *from = Ipv4Endpoint{ntohl(peer.sin_addr.s_addr), ntohs(peer.sin_port)};
      return static_cast<long>(n);
    }
  }
  bool SendTo(const void* data, size_t size, const Ipv4Endpoint& to) override {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(to.address);
    addr.sin_port = htons(to.port);
    return ::sendto(fd_.fd(), data, size, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&addr),
                    sizeof(addr)) == static_cast<ssize_t>(size);
  }
  // A UDP socket has no connection to shut down; shutdown() still wakes a blocked recvfrom().
  void Shutdown() override { fd_.Shutdown(); }

 private:
  Descriptor fd_;
};

std::string ErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

class PosixNetwork : public Network {
 public:
  std::unique_ptr<ListenSocket> ListenTcp(uint16_t port, std::string* error) override {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Fail(fd, "socket", error);
    int one = 1;
    // Lets the service reopen at once after a close; TIME_WAIT of old sessions would block it.
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
      return Fail(fd, "bind", error);
    if (::listen(fd, SOMAXCONN) != 0) return Fail(fd, "listen", error);
    return std::make_unique<PosixListenSocket>(fd);
  }

  std::unique_ptr<DatagramSocket> OpenMulticastUdp(uint16_t port, uint32_t group,
                                                   std::string* error) override {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return FailUdp(fd, "socket", error);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
      return FailUdp(fd, "bind", error);
    // Join on every interface that can multicast, not just the default one, so that a device on
    // any of the computer's networks finds it.
    int joined = 0;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
      std::set<uint32_t> seen;
      for (ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET) continue;
        if (!(it->ifa_flags & IFF_UP)) continue;
        if (!(it->ifa_flags & (IFF_MULTICAST | IFF_LOOPBACK))) continue;
        uint32_t local = reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr;
        if (!seen.insert(local).second) continue;
        ip_mreq req{};
        req.imr_multiaddr.s_addr = htonl(group);
        req.imr_interface.s_addr = local;
        if (::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &req, sizeof(req)) == 0) ++joined;
      }
      ::freeifaddrs(list);
    }
    if (joined == 0) {
      ip_mreq req{};
      req.imr_multiaddr.s_addr = htonl(group);
      req.imr_interface.s_addr = htonl(INADDR_ANY);
      if (::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &req, sizeof(req)) != 0)
        return FailUdp(fd, "multicast join", error);
    }
    return std::make_unique<PosixDatagramSocket>(fd);
  }

 private:
  static std::unique_ptr<ListenSocket> Fail(int fd, const char* what, std::string* error) {
    if (error) *error = ErrnoText(what);
    if (fd >= 0) ::close(fd);
    return nullptr;
  }
  static std::unique_ptr<DatagramSocket> FailUdp(int fd, const char* what, std::string* error) {
    if (error) *error = ErrnoText(what);
    if (fd >= 0) ::close(fd);
    return nullptr;
  }
};

}  // namespace

std::unique_ptr<Network> CreatePosixNetwork() { return std::make_unique<PosixNetwork>(); }

}  // namespace vantaro::platform
