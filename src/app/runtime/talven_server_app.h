#pragma once
// The application object: the process-wide state (settings, texts, the shared service state), the
// start-up and shutdown steps, and the services it wires together. One object for the life of the
// process, created by main() and passed to whoever needs it.
//
// Threads: every method runs on the user-interface thread (the event loop's).

#include <memory>
#include <mutex>
#include <vector>
#include <string>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/runtime/command_line.h"
#include "app/settings.h"
#include "app/settings_store.h"
#include "app/texts.h"
#include "capture/camera_recorder.h"
#include "control/command_handlers.h"
#include "control/talven_connect.h"
#include "input/remote_input.h"
#include "desktop/desktop_stream.h"
#include "files/data_channel.h"
#include "files/file_request_handler.h"
#include "files/file_manager.h"
#include "platform/platform.h"

namespace vantaro::app {

class CTalvenServer_WinApp {
 public:
  static constexpr const char* kInstanceName = "TalvenServer";

  // `platform`, `observer` and `loop` must outlive this object.
  CTalvenServer_WinApp(platform::Platform& platform, StatusObserver& observer, EventLoop& loop,
                       CommandLine commandLine);
  ~CTalvenServer_WinApp();
  CTalvenServer_WinApp(const CTalvenServer_WinApp&) = delete;
  CTalvenServer_WinApp& operator=(const CTalvenServer_WinApp&) = delete;

  // The start-up steps up to the running state: the single-instance rule, the language and texts,
  // the versions, the settings and the services. False when another copy runs; the process then
  // ends at once and silently, saving nothing.
  bool InitInstance();
  // What creating the service display does: show the status once and start the watchdog.
  void StartService();
  // The shutdown steps: close the service, then the autostart entry and the settings.
  void ExitInstance();

  const Texts& texts() const { return texts_; }
  Settings& settings() { return settings_; }
  SettingsStore& settingsStore() { return settingsStore_; }

  // The shared folders and their read-only marks. The data channel reads them on its own thread
  // while the File Manager page replaces them, so both go through foldersLock_.
  std::vector<std::string> SharedFolders();
  std::vector<bool> FolderReadOnly();
  // The paths of the read-only shared folders.
  std::vector<std::string> ReadOnlyFolders();
  void SetSharedFolders(std::vector<std::string> folders, std::vector<bool> readOnly);
  AppState& state() { return state_; }
  control::CTalvenConnect& connect() { return *connect_; }
  // The Camera Recorder page's logic, for the window to show; exists after InitInstance.
  capture::CameraRecorder& cameraRecorder() { return *cameraRecorder_; }
  const std::string& currentVersion() const { return currentVersion_; }
  std::string latestVersion;  // until a version check succeeds, the current version

 private:
  void DetectSystem();
  void CreateServices();

  platform::Platform& platform_;
  EventLoop& loop_;
  CommandLine commandLine_;
  AppState state_;
  Texts texts_;
  Settings settings_;
  SettingsStore settingsStore_;
  std::string currentVersion_;
  bool started_ = false;
  std::mutex foldersLock_;  // guards settings_.sharedFolders and folderReadOnly_ after start-up
  std::vector<bool> folderReadOnly_;

  std::unique_ptr<platform::Power> dryRunPower_;
  std::unique_ptr<platform::NetworkState> assumedNetwork_;
  std::unique_ptr<platform::CaptureDevices> testCaptureDevices_;  // --test-capture-devices
  // Timers and capture threads on the user-interface thread's loop; stopped by ExitInstance and
  // by its destructor, before the shared state it writes to goes away.
  std::unique_ptr<capture::CameraRecorder> cameraRecorder_;
  std::unique_ptr<platform::InputInjector> inputInjector_;  // used by the control thread only
  std::unique_ptr<input::RemoteInput> remoteInput_;         // called by the control thread
  std::unique_ptr<desktop::DesktopStream> desktopStream_;  // outlives connect_, which calls it
  // Hands 500 and 501 on to fileRequests_, which can only be made once connect_ exists (the file
  // manager needs its control session). Set before the service first opens.
  struct FileRequestsProxy : control::FileRequestHandler {
    void OnFileOperation(const uint8_t* payload, size_t size) override {
      if (target) target->OnFileOperation(payload, size);
    }
    void OnStopFileOperation() override {
      if (target) target->OnStopFileOperation();
    }
    control::FileRequestHandler* target = nullptr;
  };
  FileRequestsProxy fileRequestsProxy_;
  std::unique_ptr<files::FileManager> fileManager_;
  std::unique_ptr<files::FileRequestHandler> fileRequests_;
  // Declared before connect_, whose close stops it: neither runs any more by the time connect_
  // (and the control session they refer to) goes away.
  std::unique_ptr<files::DataChannelServer> dataChannel_;
  std::unique_ptr<control::CTalvenConnect> connect_;
};

}  // namespace vantaro::app
