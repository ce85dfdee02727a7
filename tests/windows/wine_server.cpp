#include "windows/wine_server.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace vantaro::testing {

namespace {

constexpr char kWine[] = "/usr/lib/wine/wine64";

// A value as a .reg file writes it: backslashes and quotes escaped.
std::string RegString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string WindowsServerPath() {
  const char* path = std::getenv("VANTARO_WINDOWS_SERVER");
  return path && std::filesystem::exists(path) ? path : "";
}

std::string WineDisplay() {
  const char* display = std::getenv("VANTARO_WINE_DISPLAY");
  return display ? display : "";
}

std::string WinePath(const std::string& native) {
  std::string out = "Z:";
  for (char c : native) out += c == '/' ? '\\' : c;
  return out;
}

std::optional<std::string> RunWineTool(const std::vector<std::string>& arguments) {
  int out[2];
  if (::pipe(out) != 0) return std::nullopt;
  pid_t pid = ::fork();
  if (pid < 0) return std::nullopt;
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::close(out[1]);
    std::vector<std::string> all{"timeout", "60", kWine};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execvp("timeout", argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  std::string text;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(out[0], buf, sizeof(buf))) > 0) text.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return text;
}

WineServer::WineServer(WineServerOptions options) : options_(std::move(options)) {
  std::random_device rd;
  name_ = "vantaro-test-" + std::to_string(rd() % 100000000);
  exe_ = dir_.path() + "/" + name_ + ".exe";
  std::error_code ec;
  std::filesystem::copy_file(WindowsServerPath(), exe_, ec);
  ServerOptions server;
  server.binary = kWine;
  server.writeSettings = false;
  server.args = {exe_};
  server.args.insert(server.args.end(), options_.args.begin(), options_.args.end());
  server.env = options_.env;
  // Wine's programs draw on the display its desktop was started with.
  if (std::string display = WineDisplay(); !display.empty()) server.env.emplace("DISPLAY", display);
  process_ = std::make_unique<ServerProcess>(server);
}

WineServer::~WineServer() {
  process_.reset();
  RunWineTool({"reg", "delete", SettingsKey(), "/f"});
}

std::string WineServer::SettingsKey() const {
  return "HKEY_CURRENT_USER\\Software\\TalvenServer\\" + name_;
}

std::string WineServer::WindowsPath() const { return WinePath(exe_); }

bool WineServer::Start() {
  if (options_.writeSettings) {
    auto config = options_.config;
    config.emplace("first_run", "FALSE");
    config.emplace("port", std::to_string(port()));
    std::ofstream reg(dir_.path() + "/settings.reg", std::ios::binary);
    reg << "Windows Registry Editor Version 5.00\r\n\r\n";
    reg << "[" << SettingsKey() << "\\TalvenServer_config]\r\n";
    for (auto& [k, v] : config) reg << RegString(k) << "=" << RegString(v) << "\r\n";
    if (!options_.sharedFolders.empty()) {
      reg << "\r\n[" << SettingsKey() << "\\TalvenServer_file_config]\r\n";
      reg << "\"path_count\"=" << RegString(std::to_string(options_.sharedFolders.size())) << "\r\n";
      for (size_t i = 0; i < options_.sharedFolders.size(); ++i)
        reg << RegString(std::to_string(i)) << "=" << RegString(options_.sharedFolders[i]) << "\r\n";
    }
    reg.close();
    if (!RunWineTool({"reg", "import", WinePath(dir_.path() + "/settings.reg")})) return false;
  }
  return process_->Start();
}

std::optional<std::string> WineServer::Setting(const std::string& section,
                                               const std::string& key) const {
  auto text = RunWineTool({"reg", "query", SettingsKey() + "\\" + section, "/v", key});
  if (!text) return std::nullopt;
  // "    port    REG_SZ    31200"
  size_t at = text->find("REG_SZ");
  if (at == std::string::npos) return std::nullopt;
  size_t begin = text->find_first_not_of(' ', at + 6);
  size_t end = text->find_first_of("\r\n", begin);
  if (begin == std::string::npos) return std::string();
  return text->substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

int WineServer::RunSecondCopy(int timeoutMs) {
  ServerOptions second;
  second.binary = kWine;
  second.writeSettings = false;
  second.args = {exe_};
  second.args.insert(second.args.end(), options_.args.begin(), options_.args.end());
  second.env = options_.env;
  if (std::string display = WineDisplay(); !display.empty()) second.env.emplace("DISPLAY", display);
  ServerProcess copy(second);
  if (!copy.Start()) return -1;
  return copy.WaitExit(timeoutMs);
}

}  // namespace vantaro::testing
