#include "ui/qt/qt_event_loop.h"

#include <QCoreApplication>

namespace vantaro::ui::qt {

void QtEventLoop::Post(std::function<void()> task) {
  // Queued even on the loop's own thread, as a posted message would be.
  QMetaObject::invokeMethod(this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

void QtEventLoop::StartTimer(int id, int periodMs, std::function<void()> onTick) {
  Post([this, id, periodMs, onTick = std::move(onTick)] {
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(periodMs);
    QObject::connect(timer.get(), &QTimer::timeout, this, onTick);
    timer->start();
    timers_[id] = std::move(timer);
  });
}

void QtEventLoop::StopTimer(int id) {
  Post([this, id] { timers_.erase(id); });
}

void QtEventLoop::Quit() {
  // exit(), not quit(): quit() first offers every window a close, which the main window turns
  // into hiding, and the loop would go on.
  QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); },
                            Qt::QueuedConnection);
}

}  // namespace vantaro::ui::qt
