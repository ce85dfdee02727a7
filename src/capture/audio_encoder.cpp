#include "capture/audio_encoder.h"

#include <algorithm>
#include <cstring>

namespace vantaro::capture {

size_t EncodeAudioBuffer(const NarrowbandEncoderFactory& factory, const int16_t* samples,
                         size_t byteCount, std::vector<uint8_t>* output) {
  output->assign(kSpeexHeaderSize, 0);
  std::unique_ptr<NarrowbandFrameEncoder> encoder = factory();
  const size_t sampleCount = byteCount / 2;
  size_t lastFrameBytes = 0;
  float frame[kSamplesPerFrame];
  for (size_t first = 0; first < sampleCount; first += kSamplesPerFrame) {
    const size_t taken = std::min(kSamplesPerFrame, sampleCount - first);
    for (size_t i = 0; i < taken; ++i) frame[i] = static_cast<float>(samples[first + i]);
    std::fill(frame + taken, frame + kSamplesPerFrame, 0.0f);
    lastFrameBytes = encoder->EncodeFrame(frame, output);
  }
  encoder->WriteHeader(static_cast<int32_t>(lastFrameBytes), output->data());
  return output->size();
}

}  // namespace vantaro::capture
