// Winsock 2 sockets with the contract of platform/socket.h. A blocked call waits on the socket's
// network event together with a stop event, so that Shutdown() wakes it on any Windows and under
// Wine alike: there shutdown() does not wake a thread blocked in recv() and fails on a listener,
// and closesocket() would free the handle under the feet of the blocked thread.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <mstcpip.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <vector>

#include "platform/windows/wide_text.h"
#include "platform/windows/windows_factories.h"

#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace vantaro::platform {

namespace {

// One socket with its network event and its stop event. The network event is shared by every
// thread that waits on the socket (one may receive while another sends); whichever thread wakes
// takes the recorded network events and passes them on through one "ready" event per direction, so
// that no thread's wake-up is consumed by another.
class WaitableSocket {
 public:
  enum Direction { kRead = 0, kWrite = 1 };

  explicit WaitableSocket(SOCKET s, long events) : socket_(s) {
    networkEvent_ = ::WSACreateEvent();
    stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ready_[kRead] = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ready_[kWrite] = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // Also makes the socket non-blocking: every call below either progresses or says "would block".
    ::WSAEventSelect(socket_, networkEvent_, events);
  }
  ~WaitableSocket() {
    ::closesocket(socket_);
    ::WSACloseEvent(networkEvent_);
    ::CloseHandle(stop_);
    ::CloseHandle(ready_[kRead]);
    ::CloseHandle(ready_[kWrite]);
  }
  WaitableSocket(const WaitableSocket&) = delete;
  WaitableSocket& operator=(const WaitableSocket&) = delete;

  SOCKET handle() const { return socket_; }
  bool stopped() const { return stopped_.load(); }

  // Before each attempt of the operation: a readiness that arrives after this is not lost.
  void Arm(Direction d) { ::ResetEvent(ready_[d]); }

  enum WaitResult { kReady, kStopped, kTimedOut };

  // Waits until the socket may be ready for `d` again, at most `timeoutMs` (negative: for ever).
  WaitResult Wait(Direction d, int timeoutMs = -1) {
    HANDLE handles[3] = {stop_, ready_[d], networkEvent_};
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
      if (stopped()) return kStopped;
      DWORD wait = INFINITE;
      if (timeoutMs >= 0) {
        ULONGLONG now = ::GetTickCount64();
        wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
      }
      DWORD r = ::WaitForMultipleObjects(3, handles, FALSE, wait);
      if (r == WAIT_OBJECT_0 || stopped()) return kStopped;
      if (r == WAIT_OBJECT_0 + 1) return kReady;
      if (r == WAIT_TIMEOUT) return kTimedOut;
      if (r != WAIT_OBJECT_0 + 2) return kStopped;
      if (TakeNetworkEvents(d)) return kReady;
    }
  }

  void Stop(bool shutDownConnection) {
    if (stopped_.exchange(true)) return;
    // Lets the peer see the end of the stream at once; the wake-up itself is the stop event.
    if (shutDownConnection) ::shutdown(socket_, SD_BOTH);
    ::SetEvent(stop_);
  }

 private:
  // Spreads the recorded network events over the ready events; true when `d` became ready.
  bool TakeNetworkEvents(Direction d) {
    std::lock_guard<std::mutex> guard(lock_);
    WSANETWORKEVENTS events{};
    if (::WSAEnumNetworkEvents(socket_, networkEvent_, &events) != 0) {
      // The socket is unusable: let both directions find out through their own calls.
      ::SetEvent(ready_[kRead]);
      ::SetEvent(ready_[kWrite]);
      return true;
    }
    long e = events.lNetworkEvents;
    if (e & (FD_READ | FD_ACCEPT | FD_CLOSE)) ::SetEvent(ready_[kRead]);
    if (e & (FD_WRITE | FD_CLOSE)) ::SetEvent(ready_[kWrite]);
    return ::WaitForSingleObject(ready_[d], 0) == WAIT_OBJECT_0;
  }

  SOCKET socket_;
  WSAEVENT networkEvent_;
  HANDLE stop_;
  HANDLE ready_[2];
  std::mutex lock_;  // one thread at a time takes the network events
  std::atomic<bool> stopped_{false};
};

bool WouldBlock() { return ::WSAGetLastError() == WSAEWOULDBLOCK; }

Ipv4Endpoint EndpointOf(const sockaddr_in& a) {
  return Ipv4Endpoint{ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)};
}

class WinsockStreamSocket : public StreamSocket {
 public:
  WinsockStreamSocket(SOCKET s, Ipv4Endpoint peer)
      : socket_(s, FD_READ | FD_WRITE | FD_CLOSE), peer_(peer) {}

  long Receive(void* buffer, size_t size) override { return ReceiveWithin(buffer, size, -1); }

  long ReceiveWithin(void* buffer, size_t size, int timeoutMs) override {
    int want = static_cast<int>(size > 0x7fffffff ? 0x7fffffff : size);
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
      if (socket_.stopped()) return -1;
      socket_.Arm(WaitableSocket::kRead);
      int n = ::recv(socket_.handle(), static_cast<char*>(buffer), want, 0);
      if (socket_.stopped()) return -1;
      if (n >= 0) return n;
      if (!WouldBlock()) return -1;
      // The whole time counts from the call: a wake-up without data does not extend it.
      int left = timeoutMs;
      if (timeoutMs >= 0) {
        ULONGLONG spent = ::GetTickCount64() - start;
        left = spent >= static_cast<ULONGLONG>(timeoutMs) ? 0 : timeoutMs - static_cast<int>(spent);
      }
      switch (socket_.Wait(WaitableSocket::kRead, left)) {
        case WaitableSocket::kReady:
          continue;
        case WaitableSocket::kTimedOut:
          return kTimedOut;
        case WaitableSocket::kStopped:
          return -1;
      }
    }
  }

  // Each accepted byte restarts the progress timeout.
  bool SendAll(const void* data, size_t size) override {
    const char* p = static_cast<const char*>(data);
    const int timeout = progressTimeoutMs_.load();
    while (size > 0) {
      if (socket_.stopped()) return false;
      int chunk = static_cast<int>(size > (1 << 20) ? (1 << 20) : size);
      socket_.Arm(WaitableSocket::kWrite);
      int n = ::send(socket_.handle(), p, chunk, 0);
      if (n > 0) {
        p += n;
        size -= static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && WouldBlock() &&
          socket_.Wait(WaitableSocket::kWrite, timeout > 0 ? timeout : -1) == WaitableSocket::kReady)
        continue;
      return false;
    }
    return !socket_.stopped();
  }

  void SetSendProgressTimeout(int timeoutMs) override { progressTimeoutMs_.store(timeoutMs); }

  void Shutdown() override { socket_.Stop(true); }
  Ipv4Endpoint Peer() const override { return peer_; }

 private:
  WaitableSocket socket_;
  Ipv4Endpoint peer_;
  std::atomic<int> progressTimeoutMs_{0};  // set by the owner, read by the sending threads
};

class WinsockListenSocket : public ListenSocket {
 public:
  explicit WinsockListenSocket(SOCKET s) : socket_(s, FD_ACCEPT) {}

  std::unique_ptr<StreamSocket> Accept() override {
    for (;;) {
      if (socket_.stopped()) return nullptr;
      socket_.Arm(WaitableSocket::kRead);
      sockaddr_in peer{};
      int len = sizeof(peer);
      SOCKET s = ::accept(socket_.handle(), reinterpret_cast<sockaddr*>(&peer), &len);
      if (s != INVALID_SOCKET) {
        if (socket_.stopped()) {
          ::closesocket(s);
          return nullptr;
        }
        // The new socket inherits the listener's event selection; its own object replaces it.
        ::WSAEventSelect(s, nullptr, 0);
        return std::make_unique<WinsockStreamSocket>(s, EndpointOf(peer));
      }
      int error = ::WSAGetLastError();
      if (error == WSAECONNRESET) continue;  // the peer gave up before we took it
      if (error != WSAEWOULDBLOCK || socket_.Wait(WaitableSocket::kRead) != WaitableSocket::kReady)
        return nullptr;
    }
  }

  // No shutdown() on a listener: it has no connection, and Wine refuses it.
  void Shutdown() override { socket_.Stop(false); }

 private:
  WaitableSocket socket_;
};

class WinsockDatagramSocket : public DatagramSocket {
 public:
  explicit WinsockDatagramSocket(SOCKET s) : socket_(s, FD_READ) {}

  long ReceiveFrom(void* buffer, size_t size, Ipv4Endpoint* from) override {
    int want = static_cast<int>(size > 0xffff ? 0xffff : size);
    for (;;) {
      if (socket_.stopped()) return -1;
      socket_.Arm(WaitableSocket::kRead);
      sockaddr_in peer{};
      int len = sizeof(peer);
      int n = ::recvfrom(socket_.handle(), static_cast<char*>(buffer), want, 0,
                         reinterpret_cast<sockaddr*>(&peer), &len);
      if (socket_.stopped()) return -1;
      int error = n < 0 ? ::WSAGetLastError() : 0;
      if (n >= 0 || error == WSAEMSGSIZE) {  // a longer datagram arrives cut to the buffer
        if (from) *from = EndpointOf(peer);
        return n >= 0 ? n : want;
      }
      if (error != WSAEWOULDBLOCK) return -1;
      if (socket_.Wait(WaitableSocket::kRead) != WaitableSocket::kReady) return -1;
    }
  }

  bool SendTo(const void* data, size_t size, const Ipv4Endpoint& to) override {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(to.address);
    addr.sin_port = htons(to.port);
    // Non-blocking: a full send buffer drops the datagram, as a lost datagram would be.
    return ::sendto(socket_.handle(), static_cast<const char*>(data), static_cast<int>(size), 0,
                    reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == static_cast<int>(size);
  }

  void Shutdown() override { socket_.Stop(false); }

 private:
  WaitableSocket socket_;
};

// The IPv4 addresses of the adapters that are up and may carry multicast, loopback included.
std::vector<uint32_t> MulticastAddresses() {
  std::vector<uint32_t> result;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG rc = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    rc = ::GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_DNS_SERVER, nullptr,
                                reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (rc != NO_ERROR) return result;
  std::set<uint32_t> seen;
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
    if (a->OperStatus != IfOperStatusUp) continue;
    if ((a->Flags & IP_ADAPTER_NO_MULTICAST) && a->IfType != IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (auto* u = a->FirstUnicastAddress; u; u = u->Next) {
      if (u->Address.lpSockaddr->sa_family != AF_INET) continue;
      uint32_t address = reinterpret_cast<sockaddr_in*>(u->Address.lpSockaddr)->sin_addr.s_addr;
      if (seen.insert(address).second) result.push_back(address);
    }
  }
  return result;
}

class WinsockNetwork : public Network {
 public:
  WinsockNetwork() {
    WSADATA data;
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockNetwork() override {
    if (started_) ::WSACleanup();
  }

  std::unique_ptr<ListenSocket> ListenTcp(uint16_t port, std::string* error) override {
    SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return Fail<ListenSocket>(s, "socket", error);
    // No SO_REUSEADDR: on Windows it would let a second program take the same port. Connections
    // in TIME_WAIT do not keep Windows from binding a listener again.
    sockaddr_in addr = AnyAddress(port);
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
      return Fail<ListenSocket>(s, "bind", error);
    if (::listen(s, SOMAXCONN) != 0) return Fail<ListenSocket>(s, "listen", error);
    return std::make_unique<WinsockListenSocket>(s);
  }

  std::unique_ptr<DatagramSocket> OpenMulticastUdp(uint16_t port, uint32_t group,
                                                   std::string* error) override {
    SOCKET s = ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return Fail<DatagramSocket>(s, "socket", error);
    // Without this an ICMP "port unreachable" for an earlier reply fails the next receive.
    BOOL off = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(s, SIO_UDP_CONNRESET, &off, sizeof(off), nullptr, 0, &returned, nullptr, nullptr);
    sockaddr_in addr = AnyAddress(port);
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
      return Fail<DatagramSocket>(s, "bind", error);
    int joined = 0;
    for (uint32_t local : MulticastAddresses()) {
      ip_mreq req{};
      req.imr_multiaddr.s_addr = htonl(group);
      req.imr_interface.s_addr = local;
      if (::setsockopt(s, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&req),
                       sizeof(req)) == 0)
        ++joined;
    }
    if (joined == 0) {
      ip_mreq req{};
      req.imr_multiaddr.s_addr = htonl(group);
      req.imr_interface.s_addr = htonl(INADDR_ANY);
      if (::setsockopt(s, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&req),
                       sizeof(req)) != 0)
        return Fail<DatagramSocket>(s, "multicast join", error);
    }
    return std::make_unique<WinsockDatagramSocket>(s);
  }

 private:
  static sockaddr_in AnyAddress(uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(port);
    return addr;
  }
  template <typename T>
  static std::unique_ptr<T> Fail(SOCKET s, const char* what, std::string* error) {
    if (error) *error = SystemErrorText(what, static_cast<unsigned long>(::WSAGetLastError()));
    if (s != INVALID_SOCKET) ::closesocket(s);
    return nullptr;
  }

  bool started_ = false;
};

}  // namespace

std::unique_ptr<Network> CreateWinsockNetwork() { return std::make_unique<WinsockNetwork>(); }

}  // namespace vantaro::platform
