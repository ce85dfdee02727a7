#include "platform/linux/xdg_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace vantaro::platform {

EnvLookup ProcessEnvironment() {
  return [](const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return std::string(value ? value : "");
  };
}

std::string HomeFolder(const EnvLookup& env) {
  std::string home = env("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* result = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir)
    return result->pw_dir;
  return {};
}

std::string ConfigHome(const EnvLookup& env) {
  std::string configHome = env("XDG_CONFIG_HOME");
  if (!configHome.empty() && configHome.front() == '/') return configHome;
  return HomeFolder(env) + "/.config";
}

}  // namespace vantaro::platform
