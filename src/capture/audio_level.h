#pragma once
// The microphone's level: the meter's value (0 to 480) with a slow fall, and the level byte sent
// with each audio data packet (0 to 26).
//
// The buffer is mono, but the measure keeps two peaks, one over the even samples ("left") and one
// over the odd ones ("right"), as the device's meter has always been fed. One thread at a time.

#include <cstddef>
#include <cstdint>

namespace vantaro::capture {

struct AudioLevel {
  bool measured = false;  // false for an empty buffer: the meter stays as it is
  int32_t meter = 0;      // the new meter value (the left peak)
  int32_t level = 0;      // the packet's level field
};

class LevelMeter {
 public:
  // Measures the first `byteCount` bytes of `samples` and updates the peaks.
  AudioLevel Measure(const int16_t* samples, size_t byteCount);
  void Reset() { peakLeft_ = peakRight_ = 0; }
  int32_t peakLeft() const { return peakLeft_; }
  int32_t peakRight() const { return peakRight_; }

 private:
  int32_t peakLeft_ = 0;
  int32_t peakRight_ = 0;
};

}  // namespace vantaro::capture
