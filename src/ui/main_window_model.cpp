#include "ui/main_window_model.h"

#include "app/app_state.h"

namespace vantaro::ui {

namespace {

bool IsConnectedStatus(int32_t status) {
  switch (status) {
    case app::kStatusWaiting:
    case app::kStatusClosed:
    case app::kStatusDisconnected:
      return false;
    default:
      return true;
  }
}

std::string Substitute(std::string text, const std::string& name, const std::string& address) {
  auto put = [&text](const std::string& key, const std::string& value) {
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
      text.replace(at, key.size(), value);
  };
  put("%name", name.empty() ? "-" : name);
  put("%address", address.empty() ? "-" : address);
  return text;
}

}  // namespace

const std::string& TrayStatusCaption(const app::Texts& texts, int32_t status) {
  if (status == app::kStatusWaiting || status == app::kStatusDisconnected)
    return texts.txtTrayServerOpen;
  if (status == app::kStatusClosed) return texts.txtTrayServerClose;
  return texts.txtTrayServerConnected;
}

std::vector<TrayMenuItem> TrayMenuItems(const app::Texts& texts, int32_t status) {
  return {
      {TrayCommand::kStatus, TrayStatusCaption(texts, status), false},
      {TrayCommand::kPreferences, texts.txtTrayPreferences, true},
      {TrayCommand::kSeparator, {}, false},
      {TrayCommand::kUpdate, texts.txtTrayUpdate, true},
      {TrayCommand::kSeparator, {}, false},
      {TrayCommand::kExit, texts.txtTrayExit, true},
  };
}

std::optional<Notification> NotificationFor(const WindowTexts& texts, int32_t previous,
                                            int32_t status, const ConnectionFacts& facts) {
  const bool was = IsConnectedStatus(previous);
  const bool is = IsConnectedStatus(status);
  if (is && !was)
    return Notification{texts.deviceConnectedTitle,
                        Substitute(texts.deviceConnectedBody, facts.deviceName, facts.deviceAddress)};
  if (was && !is)
    return Notification{
        texts.deviceDisconnectedTitle,
        Substitute(texts.deviceDisconnectedBody, facts.deviceName, facts.deviceAddress)};
  return std::nullopt;
}

void MainWindowModel::SelectPage(Page page) {
  page_ = page;
  flags_.settingsPageShown = page == Page::kSettings;
  flags_.morePageShown = page == Page::kMore;
}

void MainWindowModel::SelectSettingsSubPage(SettingsSubPage sub) {
  settingsSubPage_ = sub;
  flags_.generalSubPageShown = sub == SettingsSubPage::kGeneral;
  flags_.cameraSubPageShown = sub == SettingsSubPage::kCameraRecorder;
}

std::optional<Rect> MainWindowModel::ShowPlacement(int screenWidth, int screenHeight, int width,
                                                   int height) {
  if (!startedHidden_ || centredOnce_) return std::nullopt;
  centredOnce_ = true;
  return Rect{(screenWidth - width) / 2, (screenHeight - height) / 2, width, height};
}

void MainWindowModel::OnPreferences() {
  if (!flags_.settingsPageShown) SelectPage(Page::kSettings);
}

}  // namespace vantaro::ui
