#pragma once
// Reports the service state on standard output when there is no window: one line per change of the
// connection status, "status <number>: <mode text>", flushed at once so that a supervising process
// sees it immediately; messages for the user as "message: <text>".

#include <mutex>

#include "app/status_observer.h"
#include "app/texts.h"

namespace vantaro::app {

class HeadlessObserver : public StatusObserver {
 public:
  // The texts must be loaded before the first status change is reported; `texts` must outlive
  // this object.
  void SetTexts(const Texts* texts);
  void StatusChanged(int32_t status) override;
  void ShowMessage(const std::string& text) override;

 private:
  std::mutex lock_;  // status changes arrive from several threads; lines must not mix
  const Texts* texts_ = nullptr;
};

}  // namespace vantaro::app
