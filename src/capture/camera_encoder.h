#pragma once
// Encodes camera pictures so that every frame is an IDR frame with its own parameter sets and
// decodes alone, on a fresh decoder, without any earlier frame: the device decodes each camera
// frame on its own.
//
// Two ways give such frames: a fresh encoder opened and closed around every frame, or one encoder
// kept open with every frame forced to be an IDR frame. Both decode alone, but they are not the
// same picture: the long-lived encoder's rate control carries its history into each forced IDR
// frame and spends about a fifth of the bytes on the frames after the first, with about twice
// the error on a textured picture. So the fresh encoder, whose every frame has the quality of a
// first frame, is the default; the persistent one is kept for the measurements in
// bench/camera_encoding.cpp (it is faster, mostly because it writes fewer bits).
//
// One thread at a time (the camera's).

#include <cstddef>
#include <cstdint>

#include "desktop/video_encoder.h"

namespace vantaro::capture {

enum class CameraEncoding {
  kFreshPerFrame,
  kPersistentAllIdr,
};

class CameraEncoder {
 public:
  explicit CameraEncoder(CameraEncoding encoding = CameraEncoding::kFreshPerFrame)
      : encoding_(encoding) {}

  // Encodes one packed I420 picture of `width` x `height` (even sizes; `size` bytes readable).
  // Returns the frame's byte count, 0 or less when no frame came out (nothing to send). The
  // bytes stay valid until the next Encode or Close.
  int32_t Encode(const uint8_t* i420, size_t size, int32_t width, int32_t height);
  const uint8_t* frameData() const { return encoder_.frameData(); }
  // Releases the encoder (the persistent one stays open between frames until then).
  void Close() { encoder_.CloseVideoEncoder(); }

 private:
  const CameraEncoding encoding_;
  desktop::VideoEncoderContext encoder_;
  int64_t pts_ = 0;  // the persistent encoder wants rising presentation times
};

}  // namespace vantaro::capture
