#pragma once
// The device's end of a TCP or UDP connection to the server under test. Loopback only.

#include <cstdint>
#include <string>

namespace vantaro::testing {

class DeviceClient {
 public:
  DeviceClient() = default;
  ~DeviceClient();
  DeviceClient(const DeviceClient&) = delete;
  DeviceClient& operator=(const DeviceClient&) = delete;

  // Connects to 127.0.0.1:port, retrying until `timeoutMs` has passed.
  bool Connect(uint16_t port, int timeoutMs = 5000);
  bool Send(const std::string& bytes);
  // Exactly `count` bytes, or fewer when the connection ends or the time runs out.
  std::string Receive(size_t count, int timeoutMs = 5000);
  // Whatever arrives within `timeoutMs` (for checking that nothing arrives).
  std::string ReceiveAvailable(int timeoutMs);
  // True when the server closes the connection within `timeoutMs`.
  bool WaitClosed(int timeoutMs = 5000);
  void Close();
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

// A UDP socket bound to a loopback address (127.0.0.1 unless given) on an ephemeral or given port.
class UdpClient {
 public:
  explicit UdpClient(uint16_t bindPort = 0, const char* bindAddress = "127.0.0.1");
  ~UdpClient();
  UdpClient(const UdpClient&) = delete;
  UdpClient& operator=(const UdpClient&) = delete;
  uint16_t port() const { return port_; }
  bool SendTo(const std::string& bytes, uint16_t port, const char* address = "127.0.0.1");
  // One datagram, or empty after `timeoutMs`.
  std::string Receive(int timeoutMs);

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

}  // namespace vantaro::testing
