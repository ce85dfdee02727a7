// The one place that picks the Linux implementations.

#include <clocale>

#include "platform/linux/gst_capture_devices.h"
#include "platform/linux/posix_factories.h"
#include "platform/linux/posix_file_system.h"
#include "platform/linux/service_factories.h"
#include "platform/linux/x11_input_injector.h"
#include "platform/linux/x11_screen_source.h"

namespace vantaro::platform {

namespace {

// The folder of the settings, the lock and the socket of the single-instance rule.
constexpr char kStoreFolder[] = "TalvenServer";
constexpr char kAutoStartFile[] = "TalvenServer_Win.desktop";

}  // namespace

std::string SettingsFilePath(const EnvLookup& env, SystemInfo& systemInfo) {
  return ConfigHome(env) + "/" + kStoreFolder + "/" + systemInfo.ApplicationName() + ".ini";
}

std::unique_ptr<Platform> CreatePlatform() {
  // The narrow code page is the locale's; the codec reads it once below.
  std::setlocale(LC_CTYPE, "");
  auto p = std::make_unique<Platform>();
  p->network = CreatePosixNetwork();
  p->networkState = CreateLinuxNetworkState();
  p->idleInhibitor = CreateLinuxIdleInhibitor();
  p->power = CreateLogindPower();
  p->clock = CreateSystemClock();

  EnvLookup env = ProcessEnvironment();
  p->systemInfo = CreateLinuxSystemInfo(env);
  const std::string home = HomeFolder(env);
  const std::string configHome = ConfigHome(env);
  const std::string storeFolder = configHome + "/" + kStoreFolder;
  p->profileStore = CreateIniProfileStore(SettingsFilePath(env, *p->systemInfo));
  p->autoStart = CreateXdgAutoStart(configHome + "/autostart/" + kAutoStartFile);
  p->singleInstance = CreateLockFileSingleInstance(storeFolder);
  p->textCodec = CreateIconvTextCodec("");
  p->userFolders = CreateXdgUserFolders(home, configHome);
  p->fileSystem = CreatePosixFileSystem();
  p->createInputInjector = &CreateX11InputInjector;
  p->screenSource = CreateX11ScreenSource();
  p->captureDevices = CreateGstCaptureDevices();
  return p;
}

}  // namespace vantaro::platform
