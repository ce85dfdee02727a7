#pragma once
// The core's event loop on Qt's: posted work and numbered timers run on the thread of the
// QApplication (the user-interface thread). Every method may be called from any thread.

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>

#include "app/event_loop.h"

namespace vantaro::ui::qt {

class QtEventLoop : public QObject, public app::EventLoop {
 public:
  QtEventLoop() = default;
  void Post(std::function<void()> task) override;
  void StartTimer(int id, int periodMs, std::function<void()> onTick) override;
  void StopTimer(int id) override;
  // Ends the QApplication's loop; thread-safe.
  void Quit();

 private:
  std::map<int, std::unique_ptr<QTimer>> timers_;  // user-interface thread only
};

}  // namespace vantaro::ui::qt
