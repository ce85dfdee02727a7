#pragma once
// Factories of the Windows implementations; platform_factory.cpp assembles them. Registry keys
// are parameters, so that tests use keys of their own below the current user's.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vantaro::platform {

// Calls WSAStartup for its lifetime.
std::unique_ptr<Network> CreateWinsockNetwork();
std::unique_ptr<NetworkState> CreateWindowsNetworkState();
// Resets the system's idle timers at each call while in use.
std::unique_ptr<IdleInhibitor> CreateExecutionStateInhibitor();
std::unique_ptr<Power> CreateWindowsPower();
std::unique_ptr<Clock> CreateWindowsClock();

// Software\TalvenServer\<application name>: the program's settings key below HKEY_CURRENT_USER.
std::wstring SettingsKeyPath(const std::string& applicationName);
// Settings below HKEY_CURRENT_USER\`keyPath`, one subkey per section, REG_SZ values.
std::unique_ptr<ProfileStore> CreateRegistryProfileStore(std::wstring keyPath);
// The value `valueName` in HKEY_CURRENT_USER\`keyPath` (the Run key in the program).
std::unique_ptr<AutoStart> CreateRunKeyAutoStart(std::wstring keyPath, std::wstring valueName);
// A command line that CommandLineToArgvW splits back into `commandLine`; the first element (the
// program) is always quoted.
std::string WindowsCommandLine(const std::vector<std::string>& commandLine);

// One copy per `scope` (the settings store's name) and instance name, in the user's session.
std::unique_ptr<SingleInstance> CreateNamedMutexSingleInstance(std::string scope);

std::unique_ptr<SystemInfo> CreateWindowsSystemInfo();
// "zh_CN", "zh_TW", "zh_HK" for the Chinese interface languages, otherwise the locale name of
// the language identifier with "_" ("en_US"); empty when the system has no name for it.
std::string LocaleNameOfLanguage(uint16_t languageId);
// UTF-8 inside and on the wire: validates and copies.
std::unique_ptr<TextCodec> CreateUtf8TextCodec();

std::unique_ptr<UserFolders> CreateKnownUserFolders();
std::unique_ptr<ScreenSource> CreateGdiScreenSource();
std::unique_ptr<CaptureDevices> CreateNoCaptureDevices();
std::unique_ptr<InputInjector> CreateSendInputInjector();

}  // namespace vantaro::platform
