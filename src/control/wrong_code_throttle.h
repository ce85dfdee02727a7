#pragma once
// Slows down guessing of the security code without ever making anybody wait. Wrong codes are
// counted per device address across sessions; from the fourth one on, a wrong code opens a back-off
// window for its address (1 s, doubling up to 30 s), and a code that arrives inside the window is
// answered as wrong without being compared, so that each real guess costs the full back-off. More
// than kGlobalFreePerMinute wrong codes a minute from all addresses together open a window of the
// same kind for the address of every further wrong code, however few its own are. The right code
// clears its address; a count is forgotten after 10 minutes without a wrong code.
//
// Thread-safe. A full table forgets the least penalised address first.

#include <cstdint>
#include <deque>
#include <mutex>
#include <unordered_map>

#include "platform/clock.h"

namespace vantaro::control {

class WrongCodeThrottle {
 public:
  static constexpr int64_t kForgetAfterMs = 10 * 60 * 1000;
  static constexpr int64_t kMaxDelayMs = 30 * 1000;
  static constexpr int kFreeAttempts = 3;
  static constexpr int kGlobalFreePerMinute = 20;
  static constexpr size_t kMaxTracked = 4096;

  explicit WrongCodeThrottle(platform::Clock& clock) : clock_(clock) {}

  // True while `peer` is inside its back-off window.
  bool InBackOff(uint32_t peer);
  // Counts a compared wrong code from `peer` and returns the length of the back-off window that it
  // opens (0: none).
  int64_t RecordWrongCode(uint32_t peer);
  void Clear(uint32_t peer);

 private:
  struct Entry {
    int count = 0;
    int64_t lastMs = 0;
    int64_t backOffUntilMs = 0;
  };
  void ForgetStale(int64_t now);
  void MakeRoom();
  // The back-off that the wrong codes of the last minute, from all addresses, call for.
  int64_t GlobalDelay(int64_t now);

  platform::Clock& clock_;
  std::mutex lock_;  // guards entries_ and recent_
  std::unordered_map<uint32_t, Entry> entries_;
  // Times of the latest wrong codes from anybody, newest last. Only as many are kept as can change
  // the global delay: once that many fall within a minute, it is at its largest.
  std::deque<int64_t> recent_;
};

}  // namespace vantaro::control
