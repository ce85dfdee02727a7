#include "app/runtime/headless_observer.h"

#include <cstdio>

#include "app/status_text.h"

namespace vantaro::app {

void HeadlessObserver::SetTexts(const Texts* texts) {
  std::lock_guard<std::mutex> guard(lock_);
  texts_ = texts;
}

void HeadlessObserver::StatusChanged(int32_t status) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!texts_) return;
  std::printf("status %d: %s\n", static_cast<int>(status), ModeTextForStatus(*texts_, status).c_str());
  std::fflush(stdout);
}

void HeadlessObserver::ShowMessage(const std::string& text) {
  std::lock_guard<std::mutex> guard(lock_);
  std::printf("message: %s\n", text.c_str());
  std::fflush(stdout);
}

}  // namespace vantaro::app
