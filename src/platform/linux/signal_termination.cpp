// SIGINT and SIGTERM arrive through a signalfd read by a thread of our own, so that the handler runs
// as ordinary code rather than in signal context. The signals are blocked before any other thread
// exists, so that every thread inherits the mask and none of them is interrupted instead.

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <mutex>
#include <thread>

#include "platform/platform.h"

namespace vantaro::platform {

namespace {

class SignalTermination : public TerminationSignal {
 public:
  SignalTermination() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { Loop(); });
  }
  ~SignalTermination() override {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(stopFd_, &one, sizeof(one));
    thread_.join();
    ::close(signalFd_);
    ::close(stopFd_);
  }
  void SetHandler(std::function<void()> handler) override {
    std::lock_guard<std::mutex> guard(lock_);
    handler_ = std::move(handler);
  }

 private:
  void Loop() {
    for (;;) {
      pollfd fds[2] = {{signalFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents) return;
      if (fds[0].revents) {
        signalfd_siginfo info;
        if (::read(signalFd_, &info, sizeof(info)) != sizeof(info)) continue;
        std::function<void()> handler;
        {
          std::lock_guard<std::mutex> guard(lock_);
          handler = handler_;
        }
        if (handler) handler();
      }
    }
  }

  int signalFd_ = -1;
  int stopFd_ = -1;
  std::mutex lock_;  // guards handler_ (set by main, read by the signal thread)
  std::function<void()> handler_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<TerminationSignal> CreateTerminationSignal() {
  return std::make_unique<SignalTermination>();
}

}  // namespace vantaro::platform
