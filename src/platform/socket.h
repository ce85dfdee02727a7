#pragma once
// Sockets as the network services need them: IPv4 TCP listeners and connections, and the UDP
// socket of the discovery responder. Every object here may be shut down from another thread while
// one thread is blocked in it; Shutdown() wakes that thread (its call fails) and is idempotent.
// The object itself is destroyed only by its owner, after the blocked thread has left it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vantaro::platform {

struct Ipv4Endpoint {
  uint32_t address = 0;  // host byte order, 127.0.0.1 is 0x7f000001
  uint16_t port = 0;
};

// "a.b.c.d" of a host-order IPv4 address.
inline std::string FormatIpv4(uint32_t address) {
  return std::to_string((address >> 24) & 0xff) + "." + std::to_string((address >> 16) & 0xff) +
         "." + std::to_string((address >> 8) & 0xff) + "." + std::to_string(address & 0xff);
}

// What a wait for room in a connection's send queue found.
enum class SendRoom {
  kReady,   // fewer unsent bytes than the budget: a message written now goes out next
  kBusy,    // the time ran out first
  kFailed,  // the connection failed or was shut down
};

class StreamSocket {
 public:
  // What ReceiveWithin returns when no byte arrived in time.
  static constexpr long kTimedOut = -2;

  virtual ~StreamSocket() = default;
  // Receives at most `size` bytes. Returns the count (> 0), 0 at the end of the stream, -1 on
  // failure (including after Shutdown()).
  virtual long Receive(void* buffer, size_t size) = 0;
  // As Receive, but gives up with kTimedOut when nothing arrived within `timeoutMs`; the connection
  // stays usable. A socket that cannot time out (an in-memory one) may wait as Receive does.
  virtual long ReceiveWithin(void* buffer, size_t size, int timeoutMs) {
    (void)timeoutMs;
    return Receive(buffer, size);
  }
  // Sends all `size` bytes, looping over partial sends; false when the connection failed, or when
  // the peer accepted no byte for the progress timeout.
  virtual bool SendAll(const void* data, size_t size) = 0;
  // From now on SendAll fails once the peer has accepted no byte for `timeoutMs` (0: wait for
  // ever, the initial setting). A socket whose sends never block may ignore it.
  virtual void SetSendProgressTimeout(int timeoutMs) { (void)timeoutMs; }
  // Waits at most `timeoutMs` until fewer than `budget` bytes that were sent wait in the
  // connection: unsent in this side's queue, or received by the peer and not yet read (as far as
  // its advertised window tells), so that a sender can hold its next message back until the
  // earlier ones have been taken. The first call sets the limit for the whole connection: from
  // then on a blocking send also returns once all but about `budget` bytes of it are out. Any
  // thread; one budget per connection. A socket that cannot tell reports kReady.
  virtual SendRoom WaitForSendRoom(size_t budget, int timeoutMs) {
    (void)budget;
    (void)timeoutMs;
    return SendRoom::kReady;
  }
  // Wakes every thread blocked in Receive, SendAll or WaitForSendRoom; later calls fail.
  // Thread-safe.
  virtual void Shutdown() = 0;
  // Address of the peer, host byte order.
  virtual Ipv4Endpoint Peer() const = 0;
};

class ListenSocket {
 public:
  virtual ~ListenSocket() = default;
  // Blocks until a connection arrives; nullptr on failure or after Shutdown().
  virtual std::unique_ptr<StreamSocket> Accept() = 0;
  virtual void Shutdown() = 0;
};

class DatagramSocket {
 public:
  virtual ~DatagramSocket() = default;
  // Receives one datagram, truncated to `size`; returns its delivered length or -1 on failure.
  virtual long ReceiveFrom(void* buffer, size_t size, Ipv4Endpoint* from) = 0;
  virtual bool SendTo(const void* data, size_t size, const Ipv4Endpoint& to) = 0;
  virtual void Shutdown() = 0;
};

class Network {
 public:
  virtual ~Network() = default;
  // A TCP listener on the wildcard address and `port`. nullptr on failure, with a one-line reason.
  virtual std::unique_ptr<ListenSocket> ListenTcp(uint16_t port, std::string* error) = 0;
  // A UDP socket on the wildcard address and `port` that is a member of the multicast `group`
  // (host order) on every IPv4 interface that is up and can multicast, loopback included.
  virtual std::unique_ptr<DatagramSocket> OpenMulticastUdp(uint16_t port, uint32_t group,
                                                           std::string* error) = 0;
};

}  // namespace vantaro::platform
