#pragma once
// Slows down guessing of the security code. Wrong codes are counted per device address across
// sessions; from the fourth one on, the answer waits 1 s, doubling up to 30 s. The right code
// clears the count, and a count is forgotten after 10 minutes without a wrong code. Thread-safe.

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "platform/clock.h"

namespace vantaro::control {

class WrongCodeThrottle {
 public:
  static constexpr int64_t kForgetAfterMs = 10 * 60 * 1000;
  static constexpr int64_t kMaxDelayMs = 30 * 1000;
  static constexpr int kFreeAttempts = 3;
  static constexpr size_t kMaxTracked = 4096;

  explicit WrongCodeThrottle(platform::Clock& clock) : clock_(clock) {}

  // Counts a wrong code from `peer` and returns how long to wait before answering it.
  int64_t RecordWrongCode(uint32_t peer);
  void Clear(uint32_t peer);

 private:
  struct Entry {
    int count = 0;
    int64_t lastMs = 0;
  };
  void ForgetStale(int64_t now);

  platform::Clock& clock_;
  std::mutex lock_;  // guards entries_; taken by the control thread only today, cheap anyway
  std::unordered_map<uint32_t, Entry> entries_;
};

}  // namespace vantaro::control
