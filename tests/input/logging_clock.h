#pragma once
// A clock whose sleeps return at once and are written to the same log as the injected input, so a
// test sees where a pause falls between events.

#include <string>
#include <vector>

#include "platform/clock.h"

namespace vantaro::testing {

class LoggingClock : public platform::Clock {
 public:
  explicit LoggingClock(std::vector<std::string>& log) : log_(log) {}
  double UnixTimeSeconds() override { return 0; }
  int64_t MonotonicMs() override { return 0; }
  void SleepMs(int milliseconds) override {
    log_.push_back("sleep " + std::to_string(milliseconds));
  }

 private:
  std::vector<std::string>& log_;
};

}  // namespace vantaro::testing
