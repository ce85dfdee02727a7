#include "capture/camera_encoder.h"

namespace vantaro::capture {

int32_t CameraEncoder::Encode(const uint8_t* i420, size_t size, int32_t width, int32_t height) {
  const bool fresh = encoding_ == CameraEncoding::kFreshPerFrame;
  if (fresh || !encoder_.isOpen() || encoder_.width() != width || encoder_.height() != height) {
    if (!encoder_.OpenVideoEncoder(width, height, desktop::PictureSupply::kCallerBuffer)) return 0;
    pts_ = 0;
  }
  if (!encoder_.SetCallerBuffer(i420, size)) return 0;
  // A fresh encoder's first frame is an IDR frame anyway; forcing it costs nothing.
  return encoder_.EncodeVideoPicture(pts_++, true);
}

}  // namespace vantaro::capture
