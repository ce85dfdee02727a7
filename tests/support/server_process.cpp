#include "support/server_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

namespace vantaro::testing {

namespace {

bool PortFree(uint16_t port, int type) {
  int fd = ::socket(AF_INET, type, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  addr.sin_port = htons(port);
  bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
  ::close(fd);
  return ok;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

uint16_t FindFreePortBase() {
  std::random_device rd;
  std::mt19937 gen(rd() ^ static_cast<unsigned>(::getpid()));
  std::uniform_int_distribution<int> dist(20000, 60000);
  for (int i = 0; i < 1000; ++i) {
    auto p = static_cast<uint16_t>(dist(gen));
    if (PortFree(p, SOCK_DGRAM) && PortFree(p + 1, SOCK_STREAM) && PortFree(p + 2, SOCK_STREAM))
      return p;
  }
  return 0;
}

ServerProcess::ServerProcess(ServerOptions options) : options_(std::move(options)) {
  configHome_ = dir_.path() + "/config";
  home_ = dir_.path() + "/home";
  std::filesystem::create_directories(configHome_);
  std::filesystem::create_directories(home_);
  port_ = FindFreePortBase();
}

std::string ServerProcess::settingsFile() const {
  return configHome_ + "/TalvenServer/vantaro-server.ini";
}

bool ServerProcess::Start() {
  if (options_.writeSettings) {
    std::filesystem::create_directories(configHome_ + "/TalvenServer");
    auto config = options_.config;
    config.emplace("first_run", "FALSE");
    config.emplace("port", std::to_string(port_));
    std::ofstream out(settingsFile());
    out << "[TalvenServer_config]\n";
    for (auto& [k, v] : config) out << k << "=" << v << "\n";
    if (!options_.sharedFolders.empty()) {
      out << "[TalvenServer_file_config]\n";
      out << "path_count=" << options_.sharedFolders.size() << "\n";
      for (size_t i = 0; i < options_.sharedFolders.size(); ++i)
        out << i << "=" << options_.sharedFolders[i] << "\n";
      for (auto& [k, v] : options_.fileConfig) out << k << "=" << v << "\n";
    }
  } else if (!options_.config.empty()) {
    return false;
  }
  std::string binary = options_.binary;
#ifdef VANTARO_SERVER_PATH
  if (binary.empty()) binary = VANTARO_SERVER_PATH;
#endif
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return false;
  pid_ = ::fork();
  if (pid_ < 0) return false;
  if (pid_ == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::close(out[0]);
    ::close(err[0]);
    ::close(out[1]);
    ::close(err[1]);
    ::setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
    ::setenv("HOME", home_.c_str(), 1);
    ::unsetenv("DISPLAY");
    ::setenv("LANG", "C.UTF-8", 1);
    ::unsetenv("LANGUAGE");
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    for (auto& [k, v] : options_.env) ::setenv(k.c_str(), v.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (auto& a : options_.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  outReader_ = std::thread([this, fd = out[0]] { ReadLoop(fd, true); });
  errReader_ = std::thread([this, fd = err[0]] { ReadLoop(fd, false); });
  return true;
}

void ServerProcess::ReadLoop(int fd, bool isStdout) {
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof(buf));
    if (n <= 0) break;
    std::lock_guard<std::mutex> guard(lock_);
    if (!isStdout) {
      stderr_.append(buf, static_cast<size_t>(n));
      continue;
    }
    partial_.append(buf, static_cast<size_t>(n));
    size_t pos;
    while ((pos = partial_.find('\n')) != std::string::npos) {
      // A Windows build under Wine ends its lines in CR LF.
      size_t end = pos > 0 && partial_[pos - 1] == '\r' ? pos - 1 : pos;
      lines_.push_back(partial_.substr(0, end));
      partial_.erase(0, pos + 1);
    }
  }
  ::close(fd);
}

int ServerProcess::WaitForLine(const std::string& text, int timeoutMs, size_t fromLine) {
  int64_t deadline = NowMs() + timeoutMs;
  do {
    {
      std::lock_guard<std::mutex> guard(lock_);
      for (size_t i = fromLine; i < lines_.size(); ++i)
        if (lines_[i].find(text) != std::string::npos) return static_cast<int>(i);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (NowMs() < deadline);
  return -1;
}

std::vector<std::string> ServerProcess::Lines() {
  std::lock_guard<std::mutex> guard(lock_);
  return lines_;
}

std::string ServerProcess::Stderr() {
  std::lock_guard<std::mutex> guard(lock_);
  return stderr_;
}

int ServerProcess::WaitExit(int timeoutMs) {
  if (pid_ <= 0) return exitStatus_;
  int64_t deadline = NowMs() + timeoutMs;
  do {
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      if (outReader_.joinable()) outReader_.join();
      if (errReader_.joinable()) errReader_.join();
      return exitStatus_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (NowMs() < deadline);
  return -1;
}

int ServerProcess::Stop(int timeoutMs) {
  if (pid_ > 0) ::kill(pid_, SIGTERM);
  return WaitExit(timeoutMs);
}

ServerProcess::~ServerProcess() {
  if (pid_ > 0) {
    if (Stop(5000) < 0 && pid_ > 0) {
      ::kill(pid_, SIGKILL);
      WaitExit(5000);
    }
  }
  if (outReader_.joinable()) outReader_.join();
  if (errReader_.joinable()) errReader_.join();
  // A sanitizer report from the server fails the test that ran it.
  if (stderr_.find("Sanitizer") != std::string::npos ||
      stderr_.find("runtime error:") != std::string::npos)
    ADD_FAILURE() << "the server reported:\n" << stderr_;
}

}  // namespace vantaro::testing
