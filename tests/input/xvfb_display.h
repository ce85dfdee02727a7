#pragma once
// An Xvfb server of the test's own, on a display number Xvfb picks itself (-displayfd), ended by
// its PID when the object goes away. Header-only so that any integration test can use it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace vantaro::testing {

class XvfbDisplay {
 public:
  XvfbDisplay() = default;
  ~XvfbDisplay() { Stop(); }
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  // Starts Xvfb with one screen of the given size and waits until it accepts clients. False when
  // Xvfb is missing or does not come up within `timeoutMs`.
  bool Start(const std::string& screen = "1920x1080x24", int timeoutMs = 10000) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      int null = open("/dev/null", O_WRONLY);
      if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
      }
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
             "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
      close(fds[0]);
      return false;
    }
    // Xvfb writes its display number and a newline once it is ready.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, timeoutMs) > 0) {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty()) {
      Stop();
      return false;
    }
    name_ = ":" + number;
    return true;
  }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

}  // namespace vantaro::testing
