#include "control/wrong_code_throttle.h"

#include <algorithm>

namespace vantaro::control {

int64_t WrongCodeThrottle::RecordWrongCode(uint32_t peer) {
  std::lock_guard<std::mutex> guard(lock_);
  int64_t now = clock_.MonotonicMs();
  ForgetStale(now);
  Entry& e = entries_[peer];
  ++e.count;
  e.lastMs = now;
  if (e.count <= kFreeAttempts) return 0;
  int doublings = std::min(e.count - kFreeAttempts - 1, 15);
  return std::min<int64_t>(int64_t{1000} << doublings, kMaxDelayMs);
}

void WrongCodeThrottle::Clear(uint32_t peer) {
  std::lock_guard<std::mutex> guard(lock_);
  entries_.erase(peer);
}

void WrongCodeThrottle::ForgetStale(int64_t now) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (now - it->second.lastMs >= kForgetAfterMs)
      it = entries_.erase(it);
    else
      ++it;
  }
  // Many addresses at once (a spoofing flood) must not grow the table without bound; dropping the
  // oldest entry only ever shortens someone's wait.
  while (entries_.size() >= kMaxTracked) {
    auto oldest = std::min_element(entries_.begin(), entries_.end(), [](auto& a, auto& b) {
      return a.second.lastMs < b.second.lastMs;
    });
    entries_.erase(oldest);
  }
}

}  // namespace vantaro::control
