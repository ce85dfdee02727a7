#pragma once
// System facts set by the test. Set the fields before handing the object to the code under test.

#include <string>

#include "platform/system_info.h"

namespace vantaro::platform {

class FakeSystemInfo : public SystemInfo {
 public:
  std::string HostName() override { return hostName; }
  std::string ExecutablePath() override { return executablePath; }
  std::string ApplicationName() override { return applicationName; }
  std::string UiLanguage() override { return uiLanguage; }

  std::string hostName = "test-host";
  std::string executablePath = "/opt/vantaro/bin/vantaro-server";
  std::string applicationName = "vantaro-server";
  std::string uiLanguage = "en_US.UTF-8";
};

}  // namespace vantaro::platform
