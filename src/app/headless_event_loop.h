#pragma once
// An event loop on whichever thread calls Run(), for the server without a window.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "app/event_loop.h"

namespace vantaro::app {

class HeadlessEventLoop : public EventLoop {
 public:
  void Post(std::function<void()> task) override;
  void StartTimer(int id, int periodMs, std::function<void()> onTick) override;
  void StopTimer(int id) override;
  // Runs tasks and timers until Quit(); the tasks posted before Quit() still run.
  void Run();
  // Thread-safe; may be called before Run().
  void Quit();

 private:
  using TimePoint = std::chrono::steady_clock::time_point;
  struct Timer {
    std::chrono::milliseconds period;
    TimePoint due;
    std::function<void()> onTick;
    unsigned generation;
  };

  std::mutex lock_;  // guards everything below; never held while a task or tick runs
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  std::map<int, Timer> timers_;
  unsigned generation_ = 0;
  bool quit_ = false;
};

}  // namespace vantaro::app
