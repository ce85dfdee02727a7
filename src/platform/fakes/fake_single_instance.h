#pragma once
// The single-instance rule without the operating system: the test decides whether this copy is the
// first, and plays the later copy with RequestShow(). Thread-safe.

#include <functional>
#include <mutex>
#include <string>

#include "platform/single_instance.h"

namespace vantaro::platform {

class FakeSingleInstance : public SingleInstance {
 public:
  explicit FakeSingleInstance(bool first = true) : first_(first) {}

  bool Acquire(const std::string& name) override {
    std::lock_guard<std::mutex> guard(lock_);
    acquiredName_ = name;
    return first_;
  }
  void SetShowRequestHandler(std::function<void()> handler) override {
    std::lock_guard<std::mutex> guard(lock_);
    handler_ = std::move(handler);
  }

  // What a second copy would cause: the handler runs on the calling thread.
  void RequestShow() {
    std::function<void()> handler;
    {
      std::lock_guard<std::mutex> guard(lock_);
      handler = handler_;
    }
    if (handler) handler();
  }
  std::string acquiredName() {
    std::lock_guard<std::mutex> guard(lock_);
    return acquiredName_;
  }

 private:
  std::mutex lock_;
  bool first_;
  std::string acquiredName_;
  std::function<void()> handler_;
};

}  // namespace vantaro::platform
