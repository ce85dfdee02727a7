#include "app/headless_event_loop.h"

#include <algorithm>

namespace vantaro::app {

void HeadlessEventLoop::Post(std::function<void()> task) {
  std::lock_guard<std::mutex> guard(lock_);
  tasks_.push_back(std::move(task));
  wake_.notify_all();
}

void HeadlessEventLoop::StartTimer(int id, int periodMs, std::function<void()> onTick) {
  std::lock_guard<std::mutex> guard(lock_);
  auto period = std::chrono::milliseconds(std::max(periodMs, 1));
  timers_[id] = Timer{period, std::chrono::steady_clock::now() + period, std::move(onTick),
                      ++generation_};
  wake_.notify_all();
}

void HeadlessEventLoop::StopTimer(int id) {
  std::lock_guard<std::mutex> guard(lock_);
  timers_.erase(id);
}

void HeadlessEventLoop::Quit() {
  std::lock_guard<std::mutex> guard(lock_);
  quit_ = true;
  wake_.notify_all();
}

void HeadlessEventLoop::Run() {
  std::unique_lock<std::mutex> lock(lock_);
  for (;;) {
    if (!tasks_.empty()) {
      auto task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      lock.lock();
      continue;
    }
    if (quit_) return;
    auto now = std::chrono::steady_clock::now();
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
      if (next == timers_.end() || it->second.due < next->second.due) next = it;
    if (next != timers_.end() && next->second.due <= now) {
      int id = next->first;
      unsigned generation = next->second.generation;
      next->second.due = now + next->second.period;
      auto onTick = next->second.onTick;  // the tick may stop or replace its own timer
      lock.unlock();
      onTick();
      lock.lock();
      (void)id;
      (void)generation;
      continue;
    }
    if (next == timers_.end())
      wake_.wait(lock);
    else
      wake_.wait_until(lock, next->second.due);
  }
}

}  // namespace vantaro::app
