// The requests to end the program on Windows: Ctrl-C, Ctrl-Break and closing the console window
// (console control events), and WM_CLOSE or the end of the session sent to a hidden top-level
// window of our own (what taskkill without /F and the log-off send to a program without a console).
//
// Windows ends the process as soon as the control handler returns from a close, log-off or
// shutdown event, so the handler waits there until the program has finished its shutdown (this
// object's destructor, the last thing main() does) or the system's grace period runs out.

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/platform.h"

namespace vantaro::platform {

namespace {

constexpr wchar_t kWindowClass[] = L"TalvenServerTermination";
constexpr UINT kQuit = WM_APP + 1;

class ConsoleTermination;
std::atomic<ConsoleTermination*> gInstance{nullptr};  // the console handler has no context pointer

class ConsoleTermination : public TerminationSignal {
 public:
  ConsoleTermination() {
    finished_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    gInstance.store(this);
    ::SetConsoleCtrlHandler(&ConsoleTermination::OnControl, TRUE);
    HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] { WindowLoop(ready); });
    ::WaitForSingleObject(ready, INFINITE);
    ::CloseHandle(ready);
  }

  ~ConsoleTermination() override {
    ::SetEvent(finished_);
    if (window_) ::PostMessageW(window_, kQuit, 0, 0);
    thread_.join();
    ::SetConsoleCtrlHandler(&ConsoleTermination::OnControl, FALSE);
    gInstance.store(nullptr);
    // finished_ stays open: a control handler may still be returning from its wait on it.
  }

  void SetHandler(std::function<void()> handler) override {
    std::lock_guard<std::mutex> guard(lock_);
    handler_ = std::move(handler);
  }

 private:
  void Request() {
    std::function<void()> handler;
    {
      std::lock_guard<std::mutex> guard(lock_);
      handler = handler_;
    }
    if (handler) handler();
  }

  static BOOL WINAPI OnControl(DWORD type) {
    ConsoleTermination* self = gInstance.load();
    if (!self) return FALSE;
    self->Request();
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
      ::WaitForSingleObject(self->finished_, 20000);
    return TRUE;
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<ConsoleTermination*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_CLOSE:
        if (self) self->Request();
        return 0;  // the program closes itself; DefWindowProc would destroy the window now
      case WM_QUERYENDSESSION:
        return TRUE;
      case WM_ENDSESSION:
        if (w && self) {
          self->Request();
          // The session ends when this returns: wait for the settings to be saved.
          ::WaitForSingleObject(self->finished_, 20000);
        }
        return 0;
      case kQuit:
        ::DestroyWindow(window);
        return 0;
      case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, w, l);
  }

  void WindowLoop(HANDLE ready) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ConsoleTermination::WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassW(&wc);
    // A top-level window that is never shown: only top-level windows get WM_QUERYENDSESSION.
    window_ = ::CreateWindowExW(0, kWindowClass, L"TalvenServer", WS_OVERLAPPED, 0, 0, 0, 0,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (window_) ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetEvent(ready);
    if (!window_) return;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }

  HANDLE finished_ = nullptr;
  std::atomic<HWND> window_{nullptr};
  std::mutex lock_;  // guards handler_ (set by main, read by the control and window threads)
  std::function<void()> handler_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<TerminationSignal> CreateTerminationSignal() {
  return std::make_unique<ConsoleTermination>();
}

}  // namespace vantaro::platform
