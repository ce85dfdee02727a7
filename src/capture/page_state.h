#pragma once
// What the two streams share about the Camera Recorder page: whether it is on screen, and the
// observer that draws its preview and meter.
//
// Threads: the flags are written on the user-interface thread and read by the timers there and by
// the capture threads; the observer is called from the capture threads and the user-interface
// thread, under `observerLock_`, so that SetObserver can wait for a call in progress.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "capture/capture_observer.h"

namespace vantaro::capture {

class PageState {
 public:
  std::atomic<bool> settingsPageShown{false};
  std::atomic<bool> cameraSubPageShown{false};

  bool shown() const { return settingsPageShown.load() && cameraSubPageShown.load(); }

  void SetObserver(CapturePreviewObserver* observer) {
    std::lock_guard<std::mutex> guard(observerLock_);
    observer_ = observer;
  }
  // Only while the page is shown: a hidden page draws nothing.
  void PreviewFrame(const platform::VideoFrame& frame) {
    if (!shown()) return;
    std::lock_guard<std::mutex> guard(observerLock_);
    if (observer_ != nullptr) observer_->OnPreviewFrame(frame);
  }
  void PreviewStopped() {
    std::lock_guard<std::mutex> guard(observerLock_);
    if (observer_ != nullptr) observer_->OnPreviewStopped();
  }
  void LevelMeter(int32_t value, bool always) {
    if (!always && !shown()) return;
    std::lock_guard<std::mutex> guard(observerLock_);
    if (observer_ != nullptr) observer_->OnLevelMeter(value);
  }

 private:
  std::mutex observerLock_;
  CapturePreviewObserver* observer_ = nullptr;
};

}  // namespace vantaro::capture
