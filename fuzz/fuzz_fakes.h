#pragma once
// The stand-ins that the fuzz targets share: a control session that is always authorised, a codec
// that passes valid UTF-8 through, and file operations that read every byte they are given (so that
// a size that overstates the buffer is caught by the address sanitizer).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "control/control_session.h"
#include "files/file_operations.h"
#include "files/path_list.h"
#include "platform/fakes/identity_text_codec.h"

namespace vantaro::fuzz {

inline constexpr uint32_t kDevice = 0x7f000001;

class FuzzControlSession : public control::ControlSession {
 public:
  uint32_t SessionPeerAddress() override { return kDevice; }
  bool SessionAuthorised() override { return true; }
  void SendStatusReply(int32_t code) override { lastReply = code; }
  int32_t lastReply = 0;
};

using FuzzCodec = platform::IdentityTextCodec;

// Touches each byte so that reads past the end are reported where they happen.
inline uint32_t Checksum(const uint8_t* bytes, size_t size) {
  uint32_t sum = 0;
  for (size_t i = 0; i < size; ++i) sum = sum * 31 + bytes[i];
  return sum;
}

class ReadingFileOperations : public files::FileOperations {
 public:
  bool DoFileOperation(const files::DataHeader& header, const uint8_t* payload, size_t payloadSize,
                       const std::string& path) override {
    sink += Checksum(reinterpret_cast<const uint8_t*>(path.data()), path.size());
    if (!payload) return true;
    // The request buffer promises a zero after the payload.
    sink += Checksum(payload, payloadSize + 1);
    if (auto split = files::SplitRequestPaths(header, payload, payloadSize)) {
      auto paths = files::ParsePathList(split->list, split->listAvailable, split->listLength,
                                        header.operator_mode == 5, codec);
      sink += paths ? static_cast<uint32_t>(paths->size()) : 1u;
    }
    return (sink & 1) == 0;
  }
  void SendEmptyListing() override { ++sink; }
  void BeginUploadBatch() override { ++sink; }
  void EndDataSession() override { ++sink; }
  void HandleUpload(const uint8_t* message, size_t length) override {
    sink += Checksum(message, length);
  }
  FuzzCodec codec;
  uint32_t sink = 0;
};

}  // namespace vantaro::fuzz
