#pragma once
// A stream socket whose receives are scripted and whose sends are recorded, for unit tests and
// fuzz targets. Each Receive delivers at most what remains of the current scripted chunk, so a test
// controls how the bytes are split into segments. When the script is used up, Receive reports the
// end of the stream.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace vantaro::platform {

class FakeStreamSocket : public StreamSocket {
 public:
  explicit FakeStreamSocket(Ipv4Endpoint peer = {0x7f000001, 40000}) : peer_(peer) {}

  // Adds one chunk of bytes that arrive together.
  void AddIncoming(const std::string& bytes);
  void AddIncoming(const std::vector<uint8_t>& bytes);
  // Everything sent so far, and the sizes of the individual send calls.
  std::string Sent();
  std::vector<size_t> SendSizes();
  bool shutDown();

  long Receive(void* buffer, size_t size) override;
  bool SendAll(const void* data, size_t size) override;
  void Shutdown() override;
  Ipv4Endpoint Peer() const override { return peer_; }

 private:
  std::mutex lock_;
  std::deque<std::string> incoming_;
  std::string sent_;
  std::vector<size_t> sendSizes_;
  bool shutDown_ = false;
  Ipv4Endpoint peer_;
};

}  // namespace vantaro::platform
