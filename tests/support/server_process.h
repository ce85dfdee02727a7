#pragma once
// Starts the real server binary with a temporary XDG_CONFIG_HOME and HOME on free loopback ports,
// collects its standard output and error, and ends it (by its PID) when the test is done.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace vantaro::testing {

// A base port p such that TCP p+1, p+2 and UDP p are free right now.
uint16_t FindFreePortBase();

struct ServerOptions {
  // Power commands only print what they would do, and the service opens whatever the machine's
  // routes are; tests that replace `args` must keep --dry-run-power.
  std::vector<std::string> args{"--headless", "--dry-run-power", "--assume-network-up"};
  // Values written to the settings file before the start, in section TalvenServer_config; the port
  // and first_run=FALSE are added unless given. Empty `writeSettings` leaves the store empty.
  std::map<std::string, std::string> config;
  bool writeSettings = true;
  // Written as section TalvenServer_file_config ("path_count" and "0", "1", ...) when not empty.
  std::vector<std::string> sharedFolders;
  // Further values of that section (e.g. "access_0"), written after the folders.
  std::map<std::string, std::string> fileConfig;
  std::map<std::string, std::string> env;  // extra environment (DISPLAY, LANG, ...)
  std::string binary;                      // default: the server built with the tests
};

class ServerProcess {
 public:
  explicit ServerProcess(ServerOptions options = {});
  ~ServerProcess();  // sends SIGTERM, then SIGKILL after 5 s
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  bool Start();
  // Waits until a line of standard output contains `text`, counting only lines after the
  // `fromLine`-th one. Returns the line index, or -1 after the timeout.
  int WaitForLine(const std::string& text, int timeoutMs = 10000, size_t fromLine = 0);
  std::vector<std::string> Lines();
  std::string Stderr();
  // SIGTERM, then the exit status (or -1 when it did not end within `timeoutMs`).
  int Stop(int timeoutMs = 5000);
  // Waits for the process to end by itself; the exit status or -1.
  int WaitExit(int timeoutMs);
  pid_t pid() const { return pid_; }

  uint16_t port() const { return port_; }
  uint16_t controlPort() const { return static_cast<uint16_t>(port_ + 1); }
  uint16_t dataPort() const { return static_cast<uint16_t>(port_ + 2); }
  const std::string& configHome() const { return configHome_; }
  const std::string& home() const { return home_; }
  std::string settingsFile() const;

 private:
  void ReadLoop(int fd, bool isStdout);

  ServerOptions options_;
  TempDir dir_;
  std::string configHome_;
  std::string home_;
  uint16_t port_ = 0;
  pid_t pid_ = -1;
  int exitStatus_ = -1;
  std::mutex lock_;
  std::vector<std::string> lines_;
  std::string partial_;
  std::string stderr_;
  std::thread outReader_;
  std::thread errReader_;
};

}  // namespace vantaro::testing
