// One copy per settings store: the first copy owns the named mutex "<name>" in the session's
// namespace for as long as it runs, and waits on the named event "<name>.show". A later copy
// that finds the mutex taken sets that event, which is the whole request to show the window.
// Windows releases the mutex when the process ends in any way, so a crash leaves no stale claim.

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/windows/wide_text.h"
#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

namespace {

class NamedMutexSingleInstance : public SingleInstance {
 public:
  explicit NamedMutexSingleInstance(std::string scope) : scope_(std::move(scope)) {}

  ~NamedMutexSingleInstance() override {
    if (thread_.joinable()) {
      ::SetEvent(stop_);
      thread_.join();
    }
    if (stop_) ::CloseHandle(stop_);
    if (show_) ::CloseHandle(show_);
    if (mutex_) ::CloseHandle(mutex_);  // releases the claim
  }

  bool Acquire(const std::string& name) override {
    if (owner_) return true;
    // Backslashes would name a namespace; the rest of the name is free text.
    std::wstring base = WideFromUtf8(name + "." + scope_);
    for (wchar_t& c : base)
      if (c == L'\\') c = L'_';
    base = L"Local\\" + base;
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, base.c_str());
    DWORD error = ::GetLastError();
    HANDLE show = ::CreateEventW(nullptr, FALSE, FALSE, (base + L".show").c_str());
    if (!mutex) {
      // Cannot tell whether another copy runs; running twice is worse than not at all for
      // the settings, but refusing to start is worse for the user.
      if (show) ::CloseHandle(show);
      return true;
    }
    if (error == ERROR_ALREADY_EXISTS) {
      ::CloseHandle(mutex);
      if (show) {
        ::SetEvent(show);
        ::CloseHandle(show);
      }
      return false;
    }
    owner_ = true;
    mutex_ = mutex;
    show_ = show;
    stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (show_ && stop_) thread_ = std::thread([this] { Loop(); });
    return true;
  }

  void SetShowRequestHandler(std::function<void()> handler) override {
    std::lock_guard<std::mutex> guard(lock_);
    handler_ = std::move(handler);
  }

 private:
  void Loop() {
    HANDLE handles[2] = {stop_, show_};
    while (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
      std::function<void()> handler;
      {
        std::lock_guard<std::mutex> guard(lock_);
        handler = handler_;
      }
      if (handler) handler();
    }
  }

  std::string scope_;
  bool owner_ = false;
  HANDLE mutex_ = nullptr;
  HANDLE show_ = nullptr;
  HANDLE stop_ = nullptr;
  std::mutex lock_;  // guards handler_ (set by the UI thread, read by the show thread)
  std::function<void()> handler_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<SingleInstance> CreateNamedMutexSingleInstance(std::string scope) {
  return std::make_unique<NamedMutexSingleInstance>(std::move(scope));
}

}  // namespace vantaro::platform
