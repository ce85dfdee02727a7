#include <chrono>
#include <thread>

#include "platform/linux/posix_factories.h"

namespace vantaro::platform {

namespace {

class SystemClock : public Clock {
 public:
  double UnixTimeSeconds() override {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
  }
  int64_t MonotonicMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  void SleepMs(int milliseconds) override {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace

std::unique_ptr<Clock> CreateSystemClock() { return std::make_unique<SystemClock>(); }

}  // namespace vantaro::platform
