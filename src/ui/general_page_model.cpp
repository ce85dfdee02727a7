#include "ui/general_page_model.h"

#include <algorithm>
#include <cctype>

#include "app/security_code.h"

namespace vantaro::ui {

GeneralPageModel::InitialView GeneralPageModel::Init() {
  typedCode_.clear();
  typedCodeValid_ = false;
  confirmTickShown_ = false;
  GeneralValues v = settings_.Values();
  codeBoxesEnabled_ = v.securityLogin;
  InitialView view{v.autoLogin, v.portText, v.securityLogin, {}};
  if (v.securityLogin && v.securityCode.size() >= app::kMinSecurityCodeLength)
    view.code = v.securityCode;
  return view;
}

void GeneralPageModel::OnStartupLogin(bool checked) {
  GeneralValues v = settings_.Values();
  v.autoLogin = checked;
  settings_.SetValues(v);
  settings_.SetAutoStart(checked);
  settings_.SaveSettings();
}

void GeneralPageModel::OnSecurityLogin(bool checked) {
  GeneralValues v = settings_.Values();
  v.securityLogin = checked;
  settings_.SetValues(v);
  codeBoxesEnabled_ = checked;
  settings_.SaveSettings();
}

void GeneralPageModel::OnCodeChanged(const std::string& text) {
  typedCode_ = text;
  typedCodeValid_ = app::IsValidSecurityCode(typedCode_);
}

void GeneralPageModel::OnConfirmChanged(const std::string& text) {
  GeneralValues v = settings_.Values();
  if (typedCodeValid_ && text == typedCode_) {
    confirmTickShown_ = true;
    v.securityCode = typedCode_;
    settings_.SetValues(v);
    settings_.SaveSettings();
    return;
  }
  // The cleared code reaches the store with the next save, at the latest at exit.
  confirmTickShown_ = false;
  v.securityCode.clear();
  settings_.SetValues(v);
}

void GeneralPageModel::OnApply(const std::string& portBoxText) {
  GeneralValues v = settings_.Values();
  v.portText = portBoxText;
  settings_.SetValues(v);
  settings_.SaveSettings();
}

std::string GeneralPageModel::OnDefault() {
  GeneralValues v = settings_.Values();
  v.portText = kDefaultPortText;
  settings_.SetValues(v);
  settings_.SaveSettings();
  return kDefaultPortText;
}

std::vector<std::vector<std::string>> PowerSettingsCommands(const std::string& currentDesktop) {
  struct Tool {
    const char* desktop;
    std::vector<std::string> command;
  };
  static const std::vector<Tool> tools = {
      {"gnome", {"gnome-control-center", "power"}},
      {"unity", {"gnome-control-center", "power"}},
      {"kde", {"systemsettings", "kcm_powerdevilprofilesconfig"}},
      {"xfce", {"xfce4-power-manager-settings"}},
      {"mate", {"mate-power-preferences"}},
      {"x-cinnamon", {"cinnamon-settings", "power"}},
      {"lxqt", {"lxqt-config-powermanagement"}},
  };
  std::vector<std::vector<std::string>> commands;
  auto add = [&commands](const std::vector<std::string>& command) {
    if (std::find(commands.begin(), commands.end(), command) == commands.end())
      commands.push_back(command);
  };
  std::string desktops = currentDesktop;
  std::transform(desktops.begin(), desktops.end(), desktops.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  size_t start = 0;
  while (start <= desktops.size()) {
    size_t end = desktops.find(':', start);
    if (end == std::string::npos) end = desktops.size();
    std::string name = desktops.substr(start, end - start);
    for (const Tool& tool : tools)
      if (name == tool.desktop) add(tool.command);
    start = end + 1;
  }
  for (const Tool& tool : tools) add(tool.command);
  return commands;
}

}  // namespace vantaro::ui
