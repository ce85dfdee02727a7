#include "ui/connection_page_model.h"

#include <cstdio>

#include "app/app_state.h"
#include "app/status_text.h"

namespace vantaro::ui {

namespace {
constexpr char kNoValue[] = "-";
}

std::string FormatConnectedTime(int64_t elapsedSeconds) {
  if (elapsedSeconds < 0) elapsedSeconds = 0;
  char text[16];
  std::snprintf(text, sizeof(text), "%02d:%02d:%02d", static_cast<int>(elapsedSeconds / 3600 % 24),
                static_cast<int>(elapsedSeconds / 60 % 60), static_cast<int>(elapsedSeconds % 60));
  return text;
}

ConnectionPageModel::ConnectionPageModel(const app::Texts& texts) : texts_(texts) {
  fields_.modeText = texts_.txtModeNone;
  fields_.connectedTime = texts_.txtTimeNone;
  fields_.computerName = fields_.lanAddress = fields_.internetAddress = kNoValue;
  fields_.deviceName = fields_.deviceAddress = kNoValue;
}

void ConnectionPageModel::ClearDevice() {
  fields_.deviceName = kNoValue;
  fields_.deviceAddress = kNoValue;
  fields_.connectedTime = texts_.txtTimeNone;
  clockRunning_ = false;
}

void ConnectionPageModel::ApplyStatus(int32_t status, const ConnectionFacts& facts,
                                      int64_t nowSeconds) {
  fields_.modeText = app::ModeTextForStatus(texts_, status);
  serviceOpen_ = status != app::kStatusClosed;
  switch (status) {
    case app::kStatusWaiting:
      // The clock stops here too: a status 1 that follows a session directly (the service was
      // reopened) must not leave it counting over the "--:--:--".
      ClearDevice();
      fields_.computerName = facts.computerName.empty() ? kNoValue : facts.computerName;
      fields_.lanAddress = facts.lanAddress.empty() ? kNoValue : facts.lanAddress;
      fields_.internetAddress = facts.internetAddress.empty() ? kNoValue : facts.internetAddress;
      break;
    case app::kStatusConnected:
    case app::kStatusConnectedWithCode:
      fields_.deviceName = facts.deviceName;
      fields_.deviceAddress = facts.deviceAddress;
      connectionStart_ = nowSeconds;
      clockRunning_ = true;
      fields_.connectedTime = FormatConnectedTime(0);
      break;
    case app::kStatusDisconnected:
      ClearDevice();
      break;
    case app::kStatusClosed:
      ClearDevice();
      fields_.computerName = fields_.lanAddress = fields_.internetAddress = kNoValue;
      break;
    default:
      break;
  }
}

void ConnectionPageModel::Tick(int64_t nowSeconds) {
  if (!clockRunning_) return;
  fields_.connectedTime = FormatConnectedTime(nowSeconds - connectionStart_);
}

void ConnectionPageModel::SetSecurityCode(bool securityLogin, const std::string& code) {
  if (!securityLogin) codeRevealed_ = false;
  securityLogin_ = securityLogin;
  code_ = code;
}

std::string ConnectionPageModel::CodeText() const {
  if (codeRevealed_) return code_.empty() ? kNoValue : code_;
  // The mask does not give the code's length away.
  return "\xE2\x97\x8F\xE2\x97\x8F\xE2\x97\x8F\xE2\x97\x8F\xE2\x97\x8F\xE2\x97\x8F";
}

}  // namespace vantaro::ui
