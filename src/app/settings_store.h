#pragma once
// Reads and writes the persistent settings (section "TalvenServer_config") and the autostart
// entry, and sets up a fresh profile on its first run. All methods run on the user-interface
// thread; the referenced platform objects must outlive this one. Store failures are not reported
// to the caller: the in-memory values then stay as they are.

#include <string>

#include "app/settings.h"
#include "platform/autostart.h"
#include "platform/clock.h"
#include "platform/profile_store.h"
#include "platform/system_info.h"
#include "platform/user_folders.h"

namespace vantaro::app {

inline constexpr char kConfigSection[] = "TalvenServer_config";
inline constexpr int32_t kDefaultPort = 5868;
// The highest service port whose three listeners (port, port + 1, port + 2) all fit.
inline constexpr int32_t kHighestPort = 65533;
inline constexpr int32_t kDefaultMaxFps = 60;
// The highest frame cap taken as it stands; anything above is a typing error, not a wish.
inline constexpr int32_t kHighestMaxFps = 1000;
// The argument that starts the program hidden, as the autostart entry passes it.
inline constexpr char kHiddenStartArgument[] = "-ar";

// The frame cap that a stored "max_fps" text means: a plain decimal number from 0 (no cap) to
// kHighestMaxFps; anything else (empty, signs, spaces, other characters, larger numbers) means
// kDefaultMaxFps.
int32_t MaxFpsValue(const std::string& text);

class SettingsStore {
 public:
  SettingsStore(platform::ProfileStore& store, platform::AutoStart& autoStart,
                platform::Clock& clock, platform::SystemInfo& systemInfo,
                platform::UserFolders& userFolders);

  // Start-up: runs InitializeFirstRun unless "first_run" is exactly "FALSE", reads the settings
  // into `settings`, then loads the shared-folder list (LoadSharedFolders).
  void LoadSettings(Settings& settings);

  // The defaults of a fresh profile: "autologin" TRUE and the autostart entry, "securitylogin"
  // TRUE with a random six-character "securitycode" (also set in `settings`), port 5868, a device_id from the clock, "first_run" FALSE, and the user's
  // default folders appended to `settings.sharedFolders` and written to the folder section.
  void InitializeFirstRun(Settings& settings);

  // Writes every field to the store; `portText` goes unchanged, the code only while required,
  // and "max_fps" as it was read (not at all when it was absent).
  void SaveSettings(const Settings& settings);

  // Creates (running the executable with "-ar") or removes the autostart entry. False when the
  // entry could not be changed; the caller keeps `autoLogin` as chosen either way.
  bool SetAutoStart(bool enable);

 private:
  platform::ProfileStore& store_;
  platform::AutoStart& autoStart_;
  platform::Clock& clock_;
  platform::SystemInfo& systemInfo_;
  platform::UserFolders& userFolders_;
};

}  // namespace vantaro::app
