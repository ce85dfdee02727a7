#pragma once
// A clock that moves only when told to. SleepMs returns at once and advances the monotonic time
// (and the wall time with it), so time-driven loops run without waiting. Thread-safe.

#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace vantaro::platform {

class FakeClock : public Clock {
 public:
  explicit FakeClock(double unixTimeSeconds = 1700000000.0) : unixTimeUs_(ToUs(unixTimeSeconds)) {}

  double UnixTimeSeconds() override { return static_cast<double>(unixTimeUs_.load()) / 1e6; }
  int64_t MonotonicMs() override { return monotonicUs_.load() / 1000; }
  void SleepMs(int milliseconds) override {
    sleptMs_.fetch_add(milliseconds);
    AdvanceMs(milliseconds);
  }

  void SetUnixTime(double seconds) { unixTimeUs_.store(ToUs(seconds)); }
  void AdvanceMs(int64_t milliseconds) {
    monotonicUs_.fetch_add(milliseconds * 1000);
    unixTimeUs_.fetch_add(milliseconds * 1000);
  }
  // Total of all SleepMs calls.
  int64_t sleptMs() const { return sleptMs_.load(); }

 private:
  static int64_t ToUs(double seconds) { return static_cast<int64_t>(seconds * 1e6); }

  // Microseconds keep whole seconds exact in a 64-bit integer, which a double time would not
  // after many small additions.
  std::atomic<int64_t> unixTimeUs_;
  std::atomic<int64_t> monotonicUs_{1000000};
  std::atomic<int64_t> sleptMs_{0};
};

}  // namespace vantaro::platform
