#pragma once
// The Windows build of the server (VANTARO_WINDOWS_SERVER) run under Wine, for tests on the Linux
// side. Each server is a copy of the executable under a name of its own in a temporary folder, so
// that its settings key (HKCU\Software\TalvenServer\<name>) and its single-instance name are its
// own too; the settings are imported into Wine's registry before the start and removed at the end.
// WINEPREFIX and a running wineserver come from make test-windows.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/server_process.h"

namespace vantaro::testing {

// The Windows server to test, or empty when this run has none (the tests then skip).
std::string WindowsServerPath();

// The Xvfb screen that Wine draws on (started by make test-windows), or empty.
std::string WineDisplay();

// Runs Wine's `reg` (or another built-in program) with `arguments`; its standard output, or
// nothing when it failed.
std::optional<std::string> RunWineTool(const std::vector<std::string>& arguments);

struct WineServerOptions {
  std::map<std::string, std::string> config;  // TalvenServer_config; port and first_run added
  bool writeSettings = true;                   // false: start with an empty settings key
  std::vector<std::string> sharedFolders;      // TalvenServer_file_config
  std::map<std::string, std::string> env;      // extra environment; DISPLAY is Wine's own
  std::vector<std::string> args{"--headless", "--dry-run-power", "--assume-network-up"};
};

class WineServer {
 public:
  explicit WineServer(WineServerOptions options = {});
  ~WineServer();  // ends the process, then removes the settings key
  WineServer(const WineServer&) = delete;
  WineServer& operator=(const WineServer&) = delete;

  bool Start();
  ServerProcess& process() { return *process_; }
  uint16_t port() const { return process_->port(); }
  const std::string& applicationName() const { return name_; }
  // The executable's path as Windows sees it ("Z:\tmp\...\vantaro-....exe").
  std::string WindowsPath() const;
  // A settings value as the registry holds it; nothing when it is absent.
  std::optional<std::string> Setting(const std::string& section, const std::string& key) const;
  // A second start of the same copy with the same settings: its exit status, or -1.
  int RunSecondCopy(int timeoutMs);

 private:
  std::string SettingsKey() const;

  WineServerOptions options_;
  TempDir dir_;
  std::string name_;
  std::string exe_;
  std::unique_ptr<ServerProcess> process_;
};

// A native path as Windows under Wine names it: the whole Linux file system is drive Z:.
std::string WinePath(const std::string& native);

}  // namespace vantaro::testing
