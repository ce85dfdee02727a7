#pragma once
// What the Connection page shows for each connection status: the mode text, the connected-time
// clock, the device and computer facts, the look of the ON and OFF buttons and the security code.
// Toolkit-neutral; a view draws these fields and calls the handlers. User-interface thread only.

#include <cstdint>
#include <string>

#include "app/texts.h"

namespace vantaro::ui {

// "HH:MM:SS" of whole seconds, the hours taken modulo 24; a negative time (the clock was set back)
// shows as 00:00:00.
std::string FormatConnectedTime(int64_t elapsedSeconds);

// The facts shown next to the labels, as the services know them when the status changes.
struct ConnectionFacts {
  std::string computerName;
  std::string lanAddress;
  std::string internetAddress;
  std::string deviceName;
  std::string deviceAddress;
};

struct ConnectionFields {
  std::string modeText;
  std::string connectedTime;
  std::string computerName;
  std::string lanAddress;
  std::string internetAddress;
  std::string deviceName;
  std::string deviceAddress;
};

// A picture button's look: the lit picture carries a light caption.
struct ButtonLook {
  bool lit = false;
  bool darkCaption = true;
};

class ConnectionPageModel {
 public:
  // `texts` must outlive the model.
  explicit ConnectionPageModel(const app::Texts& texts);

  // UpdateStatusDisplay: applies `status` with the facts of that moment. `nowSeconds` starts the
  // clock when a device connects.
  void ApplyStatus(int32_t status, const ConnectionFacts& facts, int64_t nowSeconds);
  // The clock timer's tick; does nothing while the clock is stopped.
  void Tick(int64_t nowSeconds);
  bool clockRunning() const { return clockRunning_; }
  const ConnectionFields& fields() const { return fields_; }

  // The ON and OFF buttons: the one that names the current state is lit.
  ButtonLook onButton() const { return {serviceOpen_, !serviceOpen_}; }
  ButtonLook offButton() const { return {!serviceOpen_, serviceOpen_}; }
  bool serviceOpen() const { return serviceOpen_; }

  // The security code row: shown only while security login is on, masked until revealed.
  void SetSecurityCode(bool securityLogin, const std::string& code);
  void ToggleCodeRevealed() { codeRevealed_ = !codeRevealed_; }
  bool codeRowShown() const { return securityLogin_; }
  bool codeRevealed() const { return codeRevealed_; }
  std::string CodeText() const;

 private:
  void ClearDevice();

  const app::Texts& texts_;
  ConnectionFields fields_;
  bool clockRunning_ = false;
  int64_t connectionStart_ = 0;
  bool serviceOpen_ = false;
  bool securityLogin_ = false;
  bool codeRevealed_ = false;
  std::string code_;
};

}  // namespace vantaro::ui
