#include "capture/audio_level.h"

#include <algorithm>

namespace vantaro::capture {

namespace {

// A sample's magnitude on the meter's scale: full scale (-32768) gives 512.
int32_t Magnitude(int16_t sample) {
  const int32_t v = sample;
  return (v < 0 ? -v : v) >> 6;
}

// Falls by 4 per buffer instead of dropping at once, so that the meter stays readable.
int32_t Decay(int32_t peak, int32_t previous) {
  if (peak < previous) return std::max(previous - 4, 0);
  return peak;
}

}  // namespace

AudioLevel LevelMeter::Measure(const int16_t* samples, size_t byteCount) {
  AudioLevel result;
  if (byteCount == 0) return result;
  const size_t count = byteCount / 2;
  int32_t left = 0;
  int32_t right = 0;
  for (size_t i = 0; i < count; i += 2) {
    left = std::max(left, Magnitude(samples[i]));
    // An odd count has no partner for the last even sample.
    if (i + 1 < count) right = std::max(right, Magnitude(samples[i + 1]));
  }
  left = Decay(left, peakLeft_);
  right = Decay(right, peakRight_);
  peakLeft_ = left;
  peakRight_ = right;
  result.measured = true;
  result.meter = left;
  const float share = static_cast<float>(left + right) / 3840.0f;
  result.level = static_cast<int32_t>(share * 100.0f);
  return result;
}

}  // namespace vantaro::capture
