#pragma once
// Frames the messages that the device sends on the data channel. A message is a 28-byte header, a
// payload and the terminator "\nkvrt\n"; its end is found by the terminator, never by the lengths
// in the header. The first 34 bytes are always read (a message without payload is exactly that
// long); for the operator modes that carry a payload (3 to 12 except 10 and 11) the bytes after
// them are taken until the last six read are the terminator. Every other mode is complete at 34
// bytes.
//
// Pure: no I/O, no allocation sized by the header. Bytes are fed in any split; Feed() consumes only
// up to the end of the current message, so what is left over is the start of the next one. Used by
// one thread at a time.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/data_header.h"

namespace vantaro::files {

// The receive buffer of one device message: header, payload and terminator must fit.
inline constexpr size_t kMaxDataMessageSize = 32769;
// The buffer that the payload of a file request (every mode but the uploads) is copied to.
inline constexpr size_t kMaxRequestPayloadSize = 8192;
// Header plus terminator: the shortest message.
inline constexpr size_t kDataMessageHeadSize = kDataHeaderSize + kDataTerminatorSize;

// Modes whose messages are read on to the terminator.
bool ModeCarriesPayload(int32_t operatorMode);
// Requests whose payload is copied into the request buffer (3, 5, 6, 8, 9, 12).
bool IsFileRequestMode(int32_t operatorMode);
// Upload messages (4, 7), handed on whole.
bool IsUploadMode(int32_t operatorMode);

class DataMessageReader {
 public:
  enum class Status {
    kNeedMore,  // every byte given was consumed; the message is not complete yet
    kMessage,   // a message is complete: message() and size() describe it until the next Feed
    kTooLong,   // the message does not fit its buffer; the stream cannot be framed any further
  };

  // Consumes bytes of `data` up to the end of the current message and stores the count in
  // `*consumed`. After kMessage the next call starts a new message; after kTooLong the reader stays
  // in that state until Reset().
  Status Feed(const uint8_t* data, size_t size, size_t* consumed);
  void Reset();

  // The complete message, header and terminator included (valid after kMessage).
  const uint8_t* message() const { return buffer_.data(); }
  size_t size() const { return size_; }
  const DataHeader& header() const { return header_; }
  // Bytes between the header and the terminator; 0 for a message of the head alone.
  size_t payloadSize() const;

 private:
  bool EndsWithTerminator() const;
  size_t Limit() const;

  // On the heap and exactly as long as the limit, so that the sanitizers see any write past it.
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kMaxDataMessageSize);
  size_t size_ = 0;
  bool complete_ = false;
  bool failed_ = false;
  DataHeader header_;
};

}  // namespace vantaro::files
