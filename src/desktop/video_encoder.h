#pragma once
// H.264 encoding of I420 pictures with the settings that both video streams share: preset
// "veryfast", tune "zerolatency", profile "baseline", one thread, CRF 25 (at most 35), 25 frames
// per second nominal, a key interval of 25 with periodic intra refresh, parameter sets repeated in
// the stream, Annex B start codes. Each encode call returns the whole frame of the picture it was
// given as one block of bytes.
//
// One thread at a time uses a context. Calling order: OpenVideoEncoder, any number of
// EncodeVideoPicture, CloseVideoEncoder (also done by the destructor); the context can be opened
// again afterwards.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vantaro::desktop {

// How the input picture is supplied.
enum class PictureSupply {
  kLibraryPlanes,  // the caller fills the planes that the encoder allocated (plane(), stride())
  kCallerBuffer,   // the caller hands a packed I420 buffer to each encode (SetCallerBuffer)
};

class VideoEncoderContext {
 public:
  VideoEncoderContext();
  ~VideoEncoderContext();
  VideoEncoderContext(const VideoEncoderContext&) = delete;
  VideoEncoderContext& operator=(const VideoEncoderContext&) = delete;

  // Opens an encoder for `width` x `height` (both even, at least 2). False, with the context
  // closed and a line on standard error, when the library refuses.
  bool OpenVideoEncoder(int32_t width, int32_t height,
                        PictureSupply supply = PictureSupply::kLibraryPlanes);
  bool isOpen() const;
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

  // Library planes: 0 = Y (`width` bytes per row), 1 = U, 2 = V (`width`/2 bytes per row),
  // `height` and `height`/2 rows. Valid from open to close; nullptr while closed or with a caller
  // buffer.
  uint8_t* plane(int index);
  int stride(int index) const;

  // Caller buffer: Y at offset 0, U at width*height, V at width*height*5/4. `i420` must hold
  // width*height*3/2 bytes (checked against `size`) and stay valid until the next encode returns.
  bool SetCallerBuffer(const uint8_t* i420, size_t size);

  // Encodes the current picture with presentation time `pts`. Returns the byte count of the
  // frame (0 or less: no frame; nothing to send). The bytes stay valid until the next encode or
  // close. With `forceIdr` the frame is an IDR frame preceded by the parameter sets, so that it
  // decodes without any earlier frame.
  int32_t EncodeVideoPicture(int64_t pts, bool forceIdr = false);
  const uint8_t* frameData() const { return frame_; }
  int32_t frameSize() const { return frameSize_; }

  void CloseVideoEncoder();

 private:
  struct Library;  // the library's structures, kept out of this header
  std::unique_ptr<Library> lib_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  PictureSupply supply_ = PictureSupply::kLibraryPlanes;
  bool pictureAllocated_ = false;
  bool bufferSet_ = false;
  const uint8_t* frame_ = nullptr;
  int32_t frameSize_ = 0;
};

}  // namespace vantaro::desktop
