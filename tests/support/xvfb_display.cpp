#include "support/xvfb_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace vantaro::testing {

XvfbDisplay::XvfbDisplay(const std::string& screen) {
  int fds[2];
  if (::pipe(fds) != 0) {
    error_ = "pipe failed";
    return;
  }
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(fds[0]);
    // Xvfb tries the display numbers in turn and complains about each one in use.
    int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0) ::dup2(quiet, 2);
    std::string fd = std::to_string(fds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  if (pid_ < 0) {
    ::close(fds[0]);
    error_ = "fork failed";
    return;
  }
  std::string number;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char c;
    ssize_t n = ::read(fds[0], &c, 1);
    if (n <= 0) break;
    if (c == '\n') break;
    number += c;
  }
  ::close(fds[0]);
  if (number.empty()) {
    error_ = "Xvfb did not start (is it installed?)";
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return;
  }
  name_ = ":" + number;
}

XvfbDisplay::~XvfbDisplay() { Stop(); }

void XvfbDisplay::Stop() {
  if (pid_ <= 0) return;
  pid_t pid = pid_;
  pid_ = -1;
  ::kill(pid, SIGTERM);
  for (int i = 0; i < 300; ++i) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

}  // namespace vantaro::testing
