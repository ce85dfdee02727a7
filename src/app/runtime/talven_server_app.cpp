#include "app/runtime/talven_server_app.h"

#include "app/folder_access.h"
#include "app/language.h"
#include "app/version.h"
#include "capture/test_capture_devices.h"
#include "control/dry_run_power.h"

namespace vantaro::app {

namespace {

// For networks without a default route (a closed LAN, a container): the service opens whenever
// the program runs, and the address display still reflects the real interfaces.
class AssumedUpNetworkState : public platform::NetworkState {
 public:
  explicit AssumedUpNetworkState(platform::NetworkState& real) : real_(real) {}
  platform::NetworkStatus Query() override {
    platform::NetworkStatus s = real_.Query();
    s.up = true;
    return s;
  }
  std::string LanAddress() override { return real_.LanAddress(); }

 private:
  platform::NetworkState& real_;
};

// How long a listing waits for the data connection it goes out on.
constexpr int kListingWaitMs = 1000;

}  // namespace

CTalvenServer_WinApp::CTalvenServer_WinApp(platform::Platform& platform,
                                           StatusObserver& observer, EventLoop& loop,
                                           CommandLine commandLine)
    : platform_(platform),
      loop_(loop),
      commandLine_(std::move(commandLine)),
      state_(observer),
      settingsStore_(*platform.profileStore, *platform.autoStart, *platform.clock,
                     *platform.systemInfo, *platform.userFolders) {}

CTalvenServer_WinApp::~CTalvenServer_WinApp() = default;

bool CTalvenServer_WinApp::InitInstance() {
  if (!platform_.singleInstance->Acquire(kInstanceName)) return false;
  // The shared state starts closed (status 2) with every media flag clear: AppState's defaults.
  DetectSystem();
  CreateServices();
  // The devices are listed before the service can open, so that the first handshake already
  // reports them.
  cameraRecorder_->Start();
  started_ = true;
  return true;
}

void CTalvenServer_WinApp::DetectSystem() {
  LoadLanguageTexts(ChooseLanguage(platform_.systemInfo->UiLanguage()), texts_);
  currentVersion_ = kCurrentVersion;
  latestVersion = currentVersion_;
  settingsStore_.LoadSettings(settings_);
  folderReadOnly_ = LoadFolderAccess(*platform_.profileStore, settings_.sharedFolders.size());
}

std::vector<std::string> CTalvenServer_WinApp::SharedFolders() {
  std::lock_guard<std::mutex> guard(foldersLock_);
  return settings_.sharedFolders;
}

std::vector<bool> CTalvenServer_WinApp::FolderReadOnly() {
  std::lock_guard<std::mutex> guard(foldersLock_);
  return folderReadOnly_;
}

std::vector<std::string> CTalvenServer_WinApp::ReadOnlyFolders() {
  std::lock_guard<std::mutex> guard(foldersLock_);
  std::vector<std::string> readOnly;
  for (size_t i = 0; i < settings_.sharedFolders.size() && i < folderReadOnly_.size(); ++i)
    if (folderReadOnly_[i]) readOnly.push_back(settings_.sharedFolders[i]);
  return readOnly;
}

void CTalvenServer_WinApp::SetSharedFolders(std::vector<std::string> folders,
                                            std::vector<bool> readOnly) {
  readOnly.resize(folders.size(), false);
  std::lock_guard<std::mutex> guard(foldersLock_);
  settings_.sharedFolders = std::move(folders);
  folderReadOnly_ = std::move(readOnly);
}

void CTalvenServer_WinApp::CreateServices() {
  platform::Power* power = platform_.power.get();
  if (commandLine_.dryRunPower) {
    dryRunPower_ = std::make_unique<control::DryRunPower>();
    power = dryRunPower_.get();
  }
  platform::NetworkState* network = platform_.networkState.get();
  if (commandLine_.assumeNetworkUp) {
    assumedNetwork_ = std::make_unique<AssumedUpNetworkState>(*network);
    network = assumedNetwork_.get();
  }
  control::ServicePlatform services{*platform_.network,  *platform_.clock,
                                    *platform_.systemInfo, *platform_.textCodec,
                                    *network,              *platform_.idleInhibitor,
                                    *power};
  platform::CaptureDevices* captureDevices = platform_.captureDevices.get();
  if (commandLine_.testCaptureDevices) {
    testCaptureDevices_ = capture::CreateTestCaptureDevices();
    captureDevices = testCaptureDevices_.get();
  }
  cameraRecorder_ = std::make_unique<capture::CameraRecorder>(*captureDevices, state_, loop_,
                                                              *platform_.clock, texts_.txtNone);
  inputInjector_ = platform_.createInputInjector();
  remoteInput_ = std::make_unique<input::RemoteInput>(*inputInjector_, *platform_.clock,
                                                       *platform_.textCodec);
  desktopStream_ = std::make_unique<desktop::DesktopStream>(
      state_, *platform_.screenSource, texts_.txtNoCaptureDevice, settings_.maxFps);
  // The file manager needs the control session (upload replies) and the control server needs the
  // file request handler, so the session is reached through connect_ once it exists.
  connect_ = std::make_unique<control::CTalvenConnect>(
      services, loop_, state_, settings_, *remoteInput_, *desktopStream_, fileRequestsProxy_,
      VersionValue(currentVersion_));
  fileManager_ = std::make_unique<files::FileManager>(
      *platform_.fileSystem, *platform_.textCodec, *platform_.clock, state_,
      connect_->controlSession(), [this] { return SharedFolders(); });
  fileManager_->SetReadOnlyFolders([this] { return ReadOnlyFolders(); });
  fileManager_->RemoveStaleUploads();
  dataChannel_ = std::make_unique<files::DataChannelServer>(
      *platform_.network, state_, connect_->controlSession(), *fileManager_);
  files::DataChannelServer* data = dataChannel_.get();
  fileRequests_ = std::make_unique<files::FileRequestHandler>(
      state_, *platform_.textCodec, *fileManager_,
      [data] { data->WaitForSessionConnection(kListingWaitMs); });
  fileRequestsProxy_.target = fileRequests_.get();
  connect_->SetDataServer(control::DataServer{
      [data](uint16_t port, std::string* error) { return data->Start(port, error); },
      [data] { data->Stop(); }, [data] { data->CheckConnectionOwner(); }});
}

void CTalvenServer_WinApp::StartService() {
  state_.observer().StatusChanged(state_.connectionStatus());
  connect_->StartWatchdog();
}

void CTalvenServer_WinApp::ExitInstance() {
  if (!started_) return;
  connect_->StopWatchdog();
  connect_->CloseService();
  cameraRecorder_->Stop();
  settingsStore_.SetAutoStart(settings_.autoLogin != 0);
  settingsStore_.SaveSettings(settings_);
}

}  // namespace vantaro::app
