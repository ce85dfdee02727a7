#pragma once
// Speex encoding of one microphone buffer: an 80-byte Speex header followed by the buffer's
// narrowband frames (160 samples each, quality 8) one after another. A new encoder serves each
// buffer, so no encoder state carries from one buffer to the next. The 44,100 Hz samples go to
// the narrowband encoder unchanged, 160 at a time: the device plays the decoded samples at the
// 44,100 Hz of the audio format packet, whatever rate the header names.
//
// Any thread; a frame encoder is used by one thread at a time.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vantaro::capture {

inline constexpr size_t kSpeexHeaderSize = 80;
inline constexpr size_t kSamplesPerFrame = 160;
inline constexpr int kSpeexQuality = 8;

// The narrow seam to the codec library: one encoder, one frame at a time.
class NarrowbandFrameEncoder {
 public:
  virtual ~NarrowbandFrameEncoder() = default;
  // Encodes 160 samples and appends the frame's bytes to `out`; returns their count.
  virtual size_t EncodeFrame(const float* samples, std::vector<uint8_t>* out) = 0;
  // Writes the 80-byte header for rate 8000, one channel, narrowband, as the library fills it,
  // with its first reserved field set to `lastFrameBytes`, little-endian field by field.
  virtual void WriteHeader(int32_t lastFrameBytes, uint8_t* out) = 0;
};

using NarrowbandEncoderFactory = std::function<std::unique_ptr<NarrowbandFrameEncoder>()>;

// The library's encoder (libspeex, narrowband mode, quality 8).
std::unique_ptr<NarrowbandFrameEncoder> CreateSpeexFrameEncoder();

// Encodes the first `byteCount` bytes of `samples` (16-bit mono) into `output`, which is
// replaced: the header, then (byteCount + 319) / 320 frames; a last, partial frame is completed
// with silence, never with bytes beyond `byteCount`. `output` grows to whatever the frames need,
// so no frame size can overrun it. Returns output->size(); 80 (the header alone) for 0 bytes.
size_t EncodeAudioBuffer(const NarrowbandEncoderFactory& factory, const int16_t* samples,
                         size_t byteCount, std::vector<uint8_t>* output);

}  // namespace vantaro::capture
