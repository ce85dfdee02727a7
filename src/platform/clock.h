#pragma once
// Wall-clock and monotonic time, and sleeping, behind one seam so that time-driven logic is tested
// without waiting.

#include <cstdint>

namespace vantaro::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970-01-01 00:00 UTC, with the fraction.
  virtual double UnixTimeSeconds() = 0;
  // Milliseconds of a monotonic clock with an arbitrary origin.
  virtual int64_t MonotonicMs() = 0;
  virtual void SleepMs(int milliseconds) = 0;
};

}  // namespace vantaro::platform
