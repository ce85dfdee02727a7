#pragma once
// The main window: a fixed 640 x 400 window with three tabs (Connection, Settings, More) and one
// page visible below them, and the notification-area icon with its menu. Closing or minimising
// only hides the window while a notification area exists; Exit in the icon's menu ends the
// program. User-interface thread only.

#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "ui/main_window_model.h"
#include "ui/version_check.h"
#include "ui/window_services.h"

namespace vantaro::ui::qt {

class CBitmapTextButton;
class ConnectionPageView;
class SettingsPageView;
class MorePageView;

class CTalvenServer_WinDlg : public QWidget {
 public:
  // `onExit` runs when the user chooses Exit, after the icon was removed.
  CTalvenServer_WinDlg(WindowServices& services, std::function<void()> onExit);
  ~CTalvenServer_WinDlg() override;

  // Shows the window unless the program started hidden (then only the icon is there).
  void Start();
  // A change of the connection status, delivered on the user-interface thread with the facts of
  // the moment it happened.
  void OnStatusChanged(int32_t status, const ConnectionFacts& facts);
  // A message for the user; never blocks the caller.
  void ShowMessage(const std::string& text);
  // Brings the window back from the notification area (the icon, a second copy's request).
  void ShowMainWindow();
  void SelectPage(Page page);
  void OnTrayCommand(TrayCommand command);
  void CheckForUpdate();

  const MainWindowModel& model() const { return model_; }
  CBitmapTextButton* tab(Page page) const { return tabs_[static_cast<int>(page)]; }
  ConnectionPageView* connectionPage() const { return connection_; }
  SettingsPageView* settingsPage() const { return settings_; }
  MorePageView* morePage() const { return more_; }
  QSystemTrayIcon* trayIcon() const { return tray_.get(); }
  QMenu* trayMenu() const { return trayMenu_.get(); }
  // Fills the icon's menu for the current status, as right before it opens.
  void RebuildTrayMenu();
  // The last report of the version check, for tests.
  const std::optional<VersionReport>& lastVersionReport() const { return lastReport_; }
  // Replaces the message box of the version check (tests).
  void SetReportSink(std::function<void(const VersionReport&)> sink) { reportSink_ = std::move(sink); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void HideToTray();
  bool TrayAvailable() const;
  void ShowReport(const VersionReport& report);
  void Notify(const Notification& n);

  WindowServices& services_;
  std::function<void()> onExit_;
  MainWindowModel model_;
  VersionCheck versionCheck_;
  CBitmapTextButton* tabs_[3];
  ConnectionPageView* connection_;
  SettingsPageView* settings_;
  MorePageView* more_;
  std::unique_ptr<QMenu> trayMenu_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  int32_t lastStatus_;
  ConnectionFacts lastDevice_;
  bool noTrayNoted_ = false;
  bool exiting_ = false;
  std::optional<VersionReport> lastReport_;
  std::function<void(const VersionReport&)> reportSink_;
};

}  // namespace vantaro::ui::qt
