#include <limits.h>
#include <unistd.h>

#include <vector>

#include "platform/linux/posix_factories.h"

namespace vantaro::platform {

namespace {

class LinuxSystemInfo : public SystemInfo {
 public:
  explicit LinuxSystemInfo(EnvLookup env) : env_(std::move(env)) {}

  std::string HostName() override {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0) return {};
    return name;
  }

  std::string ExecutablePath() override {
    std::vector<char> buffer(4096);
    for (;;) {
      ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
      if (n < 0) return {};
      if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
      if (buffer.size() >= (1u << 20)) return {};
      buffer.resize(buffer.size() * 2);
    }
  }

  std::string ApplicationName() override {
    std::string path = ExecutablePath();
    std::string name = path.substr(path.find_last_of('/') + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name.empty() ? "vantaro-server" : name;
  }

  std::string UiLanguage() override { return ChooseUiLanguage(env_); }

 private:
  EnvLookup env_;
};

}  // namespace

std::string ChooseUiLanguage(const EnvLookup& env) {
  // LANGUAGE is a colon-separated list of preferences; its first entry wins.
  std::string language = env("LANGUAGE");
  size_t begin = language.find_first_not_of(':');
  if (begin != std::string::npos) {
    size_t end = language.find(':', begin);
    return language.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string value = env(name);
    if (!value.empty()) return value;
  }
  return {};
}

std::unique_ptr<SystemInfo> CreateLinuxSystemInfo(EnvLookup env) {
  return std::make_unique<LinuxSystemInfo>(std::move(env));
}

}  // namespace vantaro::platform
