// One copy per settings store: the first copy holds an exclusive flock() on "<name>.lock" in the
// store's folder for as long as it runs, and listens on the Unix socket "<name>.sock" beside it. A
// later copy that finds the lock taken connects to that socket; the connection itself is the
// request to show the window, so the first copy never waits for bytes from a stranger.
// The kernel drops the lock when the process ends in any way, so a crash leaves no stale claim.

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/linux/atomic_file.h"
#include "platform/linux/posix_factories.h"

namespace vantaro::platform {

namespace {

// A socket address for `path`. Unix socket paths are limited to about 100 bytes; a longer one is
// reached through the folder's descriptor, whose /proc name is short.
bool SocketAddress(const std::string& path, int folderFd, sockaddr_un* address) {
  *address = sockaddr_un{};
  address->sun_family = AF_UNIX;
  std::string name = path;
  if (name.size() >= sizeof(address->sun_path)) {
    if (folderFd < 0) return false;
    name = "/proc/self/fd/" + std::to_string(folderFd) + path.substr(path.find_last_of('/'));
    if (name.size() >= sizeof(address->sun_path)) return false;
  }
  std::memcpy(address->sun_path, name.c_str(), name.size() + 1);
  return true;
}

class LockFileSingleInstance : public SingleInstance {
 public:
  explicit LockFileSingleInstance(std::string folder) : folder_(std::move(folder)) {}

  ~LockFileSingleInstance() override {
    running_.store(false);
    // shutdown() wakes the accept() of the socket thread; close() alone would not.
    if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    if (listenFd_ >= 0) {
      ::close(listenFd_);
      // Still holding the lock, so no newer first copy can have bound this path yet.
      ::unlink(socketPath_.c_str());
    }
    if (folderFd_ >= 0) ::close(folderFd_);
    if (lockFd_ >= 0) ::close(lockFd_);  // releases the claim
  }

  bool Acquire(const std::string& name) override {
    if (lockFd_ >= 0) return true;
    std::string safeName = name;
    for (char& c : safeName)
      if (c == '/') c = '_';
    std::string error;
    if (!CreateFolders(folder_, 0700, &error)) return Unchecked(error);
    const std::string lockPath = folder_ + "/" + safeName + ".lock";
    socketPath_ = folder_ + "/" + safeName + ".sock";
    folderFd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Unchecked("cannot open " + lockPath + ": " + std::strerror(errno));
    int rc;
    do rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      int lockError = errno;
      ::close(fd);
      if (lockError != EWOULDBLOCK)
        return Unchecked("cannot lock " + lockPath + ": " + std::strerror(lockError));
      AskFirstCopyToShow();
      return false;
    }
    lockFd_ = fd;
    Listen();
    return true;
  }

  void SetShowRequestHandler(std::function<void()> handler) override {
    std::lock_guard<std::mutex> guard(handlerLock_);
    handler_ = std::move(handler);
  }

 private:
  // When the claim cannot be checked at all, running is better than refusing to start.
  static bool Unchecked(const std::string& reason) {
    std::fprintf(stderr, "vantaro: single instance not checked: %s\n", reason.c_str());
    return true;
  }

  void Listen() {
    sockaddr_un address;
    if (!SocketAddress(socketPath_, folderFd_, &address)) {
      std::fprintf(stderr, "vantaro: single instance: socket path too long\n");
      return;
    }
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    // A socket file left by a copy that crashed; the lock proves nobody serves it any more.
    ::unlink(socketPath_.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 4) != 0) {
      std::fprintf(stderr, "vantaro: single instance: cannot listen on %s: %s\n",
                   socketPath_.c_str(), std::strerror(errno));
      ::close(fd);
      return;
    }
    listenFd_ = fd;
    running_.store(true);
    thread_ = std::thread([this] { AcceptLoop(); });
  }

  void AcceptLoop() {
    while (running_.load()) {
      int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if (running_.load())
          std::fprintf(stderr, "vantaro: single instance: accept failed: %s\n",
                       std::strerror(errno));
        return;
      }
      ::close(fd);
      if (!running_.load()) return;
      std::function<void()> handler;
      {
        std::lock_guard<std::mutex> guard(handlerLock_);
        handler = handler_;
      }
      if (handler) handler();
    }
  }

  // The first copy may hold the lock but not listen yet when both start together; a few short
  // retries cover that window.
  void AskFirstCopyToShow() {
    sockaddr_un address;
    if (!SocketAddress(socketPath_, folderFd_, &address)) {
      std::fprintf(stderr, "vantaro: single instance: socket path too long\n");
      return;
    }
    for (int attempt = 0; attempt < 20; ++attempt) {
      int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      if (fd < 0) return;
      int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
      ::close(fd);
      if (rc == 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    std::fprintf(stderr, "vantaro: the running copy did not answer the request to show itself\n");
  }

  const std::string folder_;
  std::string socketPath_;
  int folderFd_ = -1;  // keeps a short name for long socket paths
  int lockFd_ = -1;    // held while this copy is the first one
  // Set before the socket thread starts and closed after it was joined.
  int listenFd_ = -1;
  // Cleared by the destructor (owner's thread), read by the socket thread.
  std::atomic<bool> running_{false};
  std::thread thread_;
  // Guards handler_: set from the owner's thread, called on the socket thread.
  std::mutex handlerLock_;
  std::function<void()> handler_;
};

}  // namespace

std::unique_ptr<SingleInstance> CreateLockFileSingleInstance(std::string folder) {
  return std::make_unique<LockFileSingleInstance>(std::move(folder));
}

}  // namespace vantaro::platform
