// The one place that picks the Windows implementations.

#include "platform/windows/wide_text.h"
#include "platform/windows/win32_file_system.h"
#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"TalvenServer_Win";

}  // namespace

// HKEY_CURRENT_USER\Software\TalvenServer\<executable name>\<section>: each copy of the program
// under another name keeps settings of its own, as the INI file of each name does elsewhere.
std::wstring SettingsKeyPath(const std::string& applicationName) {
  return L"Software\\TalvenServer\\" + WideFromUtf8(applicationName);
}

std::unique_ptr<Platform> CreatePlatform() {
  auto p = std::make_unique<Platform>();
  p->network = CreateWinsockNetwork();
  p->networkState = CreateWindowsNetworkState();
  p->idleInhibitor = CreateExecutionStateInhibitor();
  p->power = CreateWindowsPower();
  p->clock = CreateWindowsClock();
  p->systemInfo = CreateWindowsSystemInfo();
  const std::string application = p->systemInfo->ApplicationName();
  p->profileStore = CreateRegistryProfileStore(SettingsKeyPath(application));
  p->autoStart = CreateRunKeyAutoStart(kRunKey, kRunValue);
  p->singleInstance = CreateNamedMutexSingleInstance(application);
  p->textCodec = CreateUtf8TextCodec();
  p->userFolders = CreateKnownUserFolders();
  p->fileSystem = CreateWin32FileSystem();
  p->createInputInjector = &CreateSendInputInjector;
  p->screenSource = CreateGdiScreenSource();
  p->captureDevices = CreateNoCaptureDevices();
  return p;
}

}  // namespace vantaro::platform
