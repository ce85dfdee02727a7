#pragma once
// Facts about the computer and the running program that several parts show or send.

#include <string>

namespace vantaro::platform {

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // The host name in the narrow code page; empty when it cannot be obtained.
  virtual std::string HostName() = 0;
  // Absolute path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // File name of the executable without folder and extension ("vantaro-server").
  virtual std::string ApplicationName() = 0;
  // The user's interface language as a locale name ("zh_CN.UTF-8", "en_US"), empty when unknown.
  virtual std::string UiLanguage() = 0;
};

}  // namespace vantaro::platform
