#pragma once
// Factories of the Linux implementations; platform_factory.cpp assembles them. Paths and the
// environment are parameters so that tests run them on temporary folders.

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/xdg_paths.h"
#include "platform/platform.h"

namespace vantaro::platform {

std::unique_ptr<Network> CreatePosixNetwork();

// The wall clock, the steady clock and sleeping of the C++ library.
std::unique_ptr<Clock> CreateSystemClock();

// Settings in the INI file `filePath`, created (mode 0600, its folder 0700) at the first write.
std::unique_ptr<ProfileStore> CreateIniProfileStore(std::string filePath);

// The autostart entry as the Desktop Entry file `desktopFilePath`.
std::unique_ptr<AutoStart> CreateXdgAutoStart(std::string desktopFilePath);
// The Exec= value that runs `commandLine`, quoted and escaped for a Desktop Entry file.
std::string DesktopEntryExec(const std::vector<std::string>& commandLine);

// The settings file of this user: $XDG_CONFIG_HOME/TalvenServer/<application name>.ini.
std::string SettingsFilePath(const EnvLookup& env, SystemInfo& systemInfo);

// One copy per `folder` (the folder of the settings file): a lock file and a Unix socket there.
std::unique_ptr<SingleInstance> CreateLockFileSingleInstance(std::string folder);

// Host name, executable and interface language; `env` is read at each UiLanguage() call.
std::unique_ptr<SystemInfo> CreateLinuxSystemInfo(EnvLookup env);
// The first non-empty of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES and LANG.
std::string ChooseUiLanguage(const EnvLookup& env);

// UTF-8 against `codeSet` (an iconv name); empty means the current LC_CTYPE code set. UTF-8 and
// plain-ASCII code sets only validate and copy.
std::unique_ptr<TextCodec> CreateIconvTextCodec(std::string codeSet);

// The XDG user folders named in `configHome`/user-dirs.dirs, relative to `home`.
std::unique_ptr<UserFolders> CreateXdgUserFolders(std::string home, std::string configHome);
// "/" -> "Z:\", "/home/ann/Music" -> "Z:\home\ann\Music" (empty and "." components dropped).
std::string ComputerPathOf(const std::string& posixPath);

}  // namespace vantaro::platform
