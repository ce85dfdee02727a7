#pragma once
// The user-interface thread's loop as the core sees it: posted work and timers with identifiers,
// like a window's timers. The window brings Qt's loop; the headless server uses HeadlessEventLoop.

#include <functional>

namespace vantaro::app {

class EventLoop {
 public:
  virtual ~EventLoop() = default;
  // Runs `task` on the loop's thread. Thread-safe.
  virtual void Post(std::function<void()> task) = 0;
  // Starts timer `id` (replacing one with the same id): `onTick` runs on the loop's thread every
  // `periodMs` until StopTimer(id). Thread-safe.
  virtual void StartTimer(int id, int periodMs, std::function<void()> onTick) = 0;
  // Stops timer `id`; a stopped or unknown timer is ignored. Thread-safe.
  virtual void StopTimer(int id) = 0;
};

}  // namespace vantaro::app
