#include "ui/window_runner.h"

#include <QApplication>
#include <QNetworkProxyFactory>
#include <QProcess>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/folder_access.h"
#include "app/language.h"
#include "app/runtime/talven_server_app.h"
#include "app/settings_store.h"
#include "app/shared_folders.h"
#include "ui/qt/fonts.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_event_loop.h"
#include "ui/qt/qt_http_getter.h"
#include "ui/recorder_capture_preview.h"
#include "ui/window_services.h"

namespace vantaro::ui::qt {

namespace {

// Status changes come from any thread; each is carried to the window on the user-interface thread
// with the device's and computer's facts as they were at the change.
class WindowObserver : public QObject, public app::StatusObserver {
 public:
  void SetFacts(std::function<ConnectionFacts()> facts) { facts_ = std::move(facts); }
  void SetWindow(CTalvenServer_WinDlg* window) { window_ = window; }  // user-interface thread

  void StatusChanged(int32_t status) override {
    ConnectionFacts facts = facts_ ? facts_() : ConnectionFacts{};
    QMetaObject::invokeMethod(
        this,
        [this, status, facts] {
          if (window_) window_->OnStatusChanged(status, facts);
        },
        Qt::QueuedConnection);
  }
  void ShowMessage(const std::string& text) override {
    QMetaObject::invokeMethod(
        this,
        [this, text] {
          if (window_) window_->ShowMessage(text);
        },
        Qt::QueuedConnection);
  }

 private:
  std::function<ConnectionFacts()> facts_;  // set before any service thread runs
  CTalvenServer_WinDlg* window_ = nullptr;
};

class GeneralAccess : public GeneralSettingsAccess {
 public:
  explicit GeneralAccess(app::CTalvenServer_WinApp& app) : app_(app) {}
  GeneralValues Values() override {
    const app::Settings& s = app_.settings();
    return {s.autoLogin != 0, s.securityLogin != 0, s.securityCode, s.portText};
  }
  void SetValues(const GeneralValues& v) override {
    app::Settings& s = app_.settings();
    s.autoLogin = v.autoLogin;
    s.securityLogin = v.securityLogin;
    s.securityCode = v.securityCode;
    s.portText = v.portText;
  }
  void SaveSettings() override { app_.settingsStore().SaveSettings(app_.settings()); }
  void SetAutoStart(bool enable) override { app_.settingsStore().SetAutoStart(enable); }

 private:
  app::CTalvenServer_WinApp& app_;
};

class FoldersAccess : public SharedFoldersAccess {
 public:
  FoldersAccess(app::CTalvenServer_WinApp& app, platform::ProfileStore& store)
      : app_(app), store_(store) {}
  std::vector<SharedFolder> Folders() override {
    std::vector<std::string> paths = app_.SharedFolders();
    std::vector<bool> readOnly = app_.FolderReadOnly();
    std::vector<SharedFolder> list;
    for (size_t i = 0; i < paths.size(); ++i)
      list.push_back({paths[i], i < readOnly.size() && readOnly[i]});
    return list;
  }
  void SetFoldersAndSave(const std::vector<SharedFolder>& folders) override {
    std::vector<std::string> paths;
    std::vector<bool> readOnly;
    for (const SharedFolder& f : folders) {
      paths.push_back(f.path);
      readOnly.push_back(f.readOnly);
    }
    app_.SetSharedFolders(paths, readOnly);
    app::SaveSharedFolders(store_, paths);
    app::WriteFolderAccess(store_, readOnly);
  }

 private:
  app::CTalvenServer_WinApp& app_;
  platform::ProfileStore& store_;
};

bool OpenPowerSettings() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  for (const std::vector<std::string>& command : PowerSettingsCommands(desktop ? desktop : "")) {
    QStringList args;
    for (size_t i = 1; i < command.size(); ++i) args << QString::fromStdString(command[i]);
    if (QProcess::startDetached(QString::fromStdString(command[0]), args)) return true;
  }
  return false;
}

}  // namespace

int RunQtWindow(int argc, char** argv, platform::Platform& platform,
                const app::CommandLine& commandLine, platform::TerminationSignal& termination) {
  QApplication qtApp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vantaro"));
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setFont(ApplicationFont());
  QNetworkProxyFactory::setUseSystemConfiguration(true);

  QtEventLoop loop;
  WindowObserver observer;
  app::CTalvenServer_WinApp application(platform, observer, loop, commandLine);
  if (!application.InitInstance()) return 0;
  auto facts = [&application] {
    ConnectionFacts f;
    f.computerName = application.connect().ComputerName();
    f.lanAddress = application.connect().LanAddress();
    f.internetAddress = application.connect().InternetAddress();
    f.deviceName = application.state().DeviceName();
    f.deviceAddress = application.state().DeviceAddress();
    return f;
  };
  observer.SetFacts(facts);

  GeneralAccess general(application);
  FoldersAccess folders(application, *platform.profileStore);
  RecorderCapturePreview capture(application.cameraRecorder(), application.texts().txtNone);
  QtHttpGetter http;
  std::string versionUrl = platform.profileStore->GetString(app::kConfigSection, kVersionUrlKey);
  if (versionUrl.empty()) versionUrl = kDefaultVersionUrl;
  const int languageId = app::ChooseLanguage(platform.systemInfo->UiLanguage());
  WindowServices services{
      application.texts(),
      LoadWindowTexts(languageId),
      general,
      folders,
      capture,
      http,
      [&application] { application.connect().OnButtonOn(); },
      [&application] { application.connect().OnButtonOff(); },
      facts,
      [&application] { return application.state().connectionStatus(); },
      [&platform] { return static_cast<int64_t>(platform.clock->UnixTimeSeconds()); },
      versionUrl,
      application.currentVersion(),
      application.latestVersion,
      commandLine.startedHidden,
      OpenPowerSettings,
  };

  int status = 0;
  {
    CTalvenServer_WinDlg window(services, [&loop] { loop.Quit(); });
    observer.SetWindow(&window);
    platform.singleInstance->SetShowRequestHandler(
        [&loop, &window] { loop.Post([&window] { window.ShowMainWindow(); }); });
    termination.SetHandler([&loop] { loop.Quit(); });
    window.Start();
    application.StartService();
    status = QApplication::exec();
    // The service threads report until the service is closed; then nothing reaches the window.
    platform.singleInstance->SetShowRequestHandler({});
    termination.SetHandler([] {});
    application.ExitInstance();
    observer.SetWindow(nullptr);
  }
  return status;
}

}  // namespace vantaro::ui::qt

namespace vantaro::ui {

int RunWindow(int argc, char** argv, platform::Platform& platform,
              const app::CommandLine& commandLine, platform::TerminationSignal& termination) {
  return qt::RunQtWindow(argc, argv, platform, commandLine, termination);
}

}  // namespace vantaro::ui
