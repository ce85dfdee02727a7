#pragma once
// Finds the end of one control command in the byte stream, with no I/O of its own. The caller asks
// NextReceiveSize() how much it may receive and hands over what arrived; the reader never asks for
// bytes beyond the end of the current message, so whatever follows stays in the socket.
//
// A message starts with 10 bytes (collected over as many segments as it takes). When its code is
// framed, bytes are then taken one at a time until the last two received are CR LF; the first
// possible end is therefore the pair at bytes 8-9. Any other code is complete with its 10 bytes.
// A framed message that has not ended within the 1024-byte buffer is an error.

#include <array>
#include <cstddef>
#include <cstdint>

#include "control/control_protocol.h"

namespace vantaro::control {

class ControlMessageReader {
 public:
  enum class Result { kNeedMore, kMessage, kError };

  // How many bytes the next receive may ask for; at least 1.
  size_t NextReceiveSize() const;
  // Takes `size` received bytes (at most NextReceiveSize()). After kMessage, message() and size()
  // describe the command until Reset(); after kError the reader must be Reset() before reuse.
  Result Add(const uint8_t* data, size_t size);
  void Reset();

  const uint8_t* message() const { return buffer_.data(); }
  size_t size() const { return size_; }
  int32_t code() const { return ReadInt32(buffer_.data(), size_, 0); }
  // The command's bytes after its 8-byte head, without the CR LF of a framed message.
  const uint8_t* payload() const { return buffer_.data() + kControlHeadSize; }
  size_t payloadSize() const;

 private:
  bool EndsWithCrLf() const;

  std::array<uint8_t, kControlBufferSize> buffer_{};
  size_t size_ = 0;
  bool framed_ = false;
  bool complete_ = false;
};

}  // namespace vantaro::control
