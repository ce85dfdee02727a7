#include "control/wrong_code_throttle.h"

#include <algorithm>

namespace vantaro::control {

namespace {

constexpr int64_t kMinuteMs = 60 * 1000;

// 1 s for the first step beyond what is free, doubling up to the largest delay.
int64_t DelayFor(int stepsBeyondFree) {
  if (stepsBeyondFree <= 0) return 0;
  int doublings = std::min(stepsBeyondFree - 1, 15);
  return std::min<int64_t>(int64_t{1000} << doublings, WrongCodeThrottle::kMaxDelayMs);
}

// The number of steps at which DelayFor reaches the largest delay, and a few more.
constexpr size_t kRecentKept = WrongCodeThrottle::kGlobalFreePerMinute + 8;

}  // namespace

bool WrongCodeThrottle::InBackOff(uint32_t peer) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = entries_.find(peer);
  return it != entries_.end() && clock_.MonotonicMs() < it->second.backOffUntilMs;
}

int64_t WrongCodeThrottle::RecordWrongCode(uint32_t peer) {
  std::lock_guard<std::mutex> guard(lock_);
  int64_t now = clock_.MonotonicMs();
  ForgetStale(now);
  if (entries_.find(peer) == entries_.end()) MakeRoom();
  Entry& e = entries_[peer];
  ++e.count;
  e.lastMs = now;
  int64_t delay = std::max(DelayFor(e.count - kFreeAttempts), GlobalDelay(now));
  e.backOffUntilMs = now + delay;
  return delay;
}

void WrongCodeThrottle::Clear(uint32_t peer) {
  std::lock_guard<std::mutex> guard(lock_);
  entries_.erase(peer);
}

int64_t WrongCodeThrottle::GlobalDelay(int64_t now) {
  recent_.push_back(now);
  while (recent_.size() > kRecentKept) recent_.pop_front();
  int inLastMinute = static_cast<int>(std::count_if(
      recent_.begin(), recent_.end(), [now](int64_t t) { return now - t < kMinuteMs; }));
  return DelayFor(inLastMinute - kGlobalFreePerMinute);
}

void WrongCodeThrottle::ForgetStale(int64_t now) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (now - it->second.lastMs >= kForgetAfterMs)
      it = entries_.erase(it);
    else
      ++it;
  }
}

void WrongCodeThrottle::MakeRoom() {
  // Many addresses at once must not grow the table without bound, nor wash out the addresses that
  // earned the longest back-off: the entry with the fewest wrong codes (the oldest among equals)
  // goes first.
  while (entries_.size() >= kMaxTracked) {
    auto least = std::min_element(entries_.begin(), entries_.end(), [](auto& a, auto& b) {
      if (a.second.count != b.second.count) return a.second.count < b.second.count;
      return a.second.lastMs < b.second.lastMs;
    });
    entries_.erase(least);
  }
}

}  // namespace vantaro::control
