#pragma once
// The General settings page: start with the session, the port with Apply and Default, security
// login with the code and its confirmation, and the power settings button. Toolkit-neutral;
// user-interface thread only. The settings are reached through GeneralSettingsAccess, so that the
// services (which read the security fields on their own threads) see each change as one update.

#include <string>
#include <vector>

namespace vantaro::ui {

struct GeneralValues {
  bool autoLogin = false;
  bool securityLogin = false;
  std::string securityCode;
  std::string portText;
};

class GeneralSettingsAccess {
 public:
  virtual ~GeneralSettingsAccess() = default;
  virtual GeneralValues Values() = 0;
  // Replaces the in-memory values; not yet stored.
  virtual void SetValues(const GeneralValues& values) = 0;
  virtual void SaveSettings() = 0;
  // Creates or removes the autostart entry.
  virtual void SetAutoStart(bool enable) = 0;
};

inline constexpr char kDefaultPortText[] = "5868";

class GeneralPageModel {
 public:
  // `settings` must outlive the model.
  explicit GeneralPageModel(GeneralSettingsAccess& settings) : settings_(settings) {}

  // The page's initialisation. Returns the texts that the two code boxes start with; a view sets
  // them and reports them through OnCodeChanged and OnConfirmChanged, as typing would.
  struct InitialView {
    bool autoLogin;
    std::string portText;
    bool securityLogin;
    std::string code;  // both boxes; empty unless a code of at least four characters is held
  };
  InitialView Init();

  void OnStartupLogin(bool checked);
  void OnSecurityLogin(bool checked);
  void OnCodeChanged(const std::string& text);
  void OnConfirmChanged(const std::string& text);
  // Stores the port box's text as typed; the services use it from the next start.
  void OnApply(const std::string& portBoxText);
  // Returns the text the port box shows afterwards.
  std::string OnDefault();

  bool codeBoxesEnabled() const { return codeBoxesEnabled_; }
  bool codeTickShown() const { return typedCodeValid_; }
  bool confirmTickShown() const { return confirmTickShown_; }

 private:
  GeneralSettingsAccess& settings_;
  std::string typedCode_;
  bool typedCodeValid_ = false;
  bool confirmTickShown_ = false;
  bool codeBoxesEnabled_ = false;
};

// The programs that open the desktop's power settings, best first: the running desktop's own
// tool (from XDG_CURRENT_DESKTOP, a colon-separated list), then the others as fallbacks. Each entry
// is a program followed by its arguments.
std::vector<std::vector<std::string>> PowerSettingsCommands(const std::string& currentDesktop);

}  // namespace vantaro::ui
