#pragma once
// An autostart entry that only records what was asked of it. Thread-safe.

#include <mutex>
#include <string>
#include <vector>

#include "platform/autostart.h"

namespace vantaro::platform {

class RecordingAutoStart : public AutoStart {
 public:
  struct Call {
    bool enable = false;
    std::vector<std::string> commandLine;  // empty for Disable
  };

  bool Enable(const std::vector<std::string>& commandLine) override {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.push_back({true, commandLine});
    enabled_ = true;
    return succeed_;
  }
  bool Disable() override {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.push_back({false, {}});
    enabled_ = false;
    return succeed_;
  }

  std::vector<Call> calls() {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
  }
  // Whether an entry would exist now.
  bool enabled() {
    std::lock_guard<std::mutex> guard(lock_);
    return enabled_;
  }
  // Makes later calls report failure (the entry state still follows the calls).
  void SetSucceed(bool succeed) {
    std::lock_guard<std::mutex> guard(lock_);
    succeed_ = succeed;
  }

 private:
  std::mutex lock_;
  std::vector<Call> calls_;
  bool enabled_ = false;
  bool succeed_ = true;
};

}  // namespace vantaro::platform
