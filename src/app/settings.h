#pragma once
// The persistent settings as the program holds them in memory. Written by the user-interface
// thread only (start-up, the settings page, exit); the network threads read `port`, `deviceId`,
// `securityLogin` and `securityCode`, which change only while the service is closed.

#include <cstdint>
#include <string>
#include <vector>

namespace vantaro::app {

struct Settings {
  int32_t autoLogin = 0;      // start with the user's session
  int32_t securityLogin = 0;  // a device must give the security code
  std::string securityCode;
  std::string portText;  // exactly as stored and shown
  int32_t port = 0;      // the service port; the listeners use port, port + 1 and port + 2
  int32_t deviceId = 0;  // this computer's identifier in discovery replies
  std::vector<std::string> sharedFolders;  // computer paths, Windows syntax
  std::string maxFpsText;                  // "max_fps" exactly as stored; empty when absent
  int32_t maxFps = 60;  // the desktop stream's frame cap, 0 for none (read once, at start-up)
};

}  // namespace vantaro::app
