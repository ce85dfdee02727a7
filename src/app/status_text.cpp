#include "app/status_text.h"

#include "app/app_state.h"

namespace vantaro::app {

const std::string& ModeTextForStatus(const Texts& texts, int32_t status) {
  switch (status) {
    case kStatusWaiting:
    case kStatusDisconnected:
      return texts.txtWaitingForDevice;
    case kStatusConnected:
    case kStatusConnectedWithCode:
    case kStatusModeEnded:
      return texts.txtConnected;
    case kStatusFileManager:
      return texts.txtModeFileManager;
    case kStatusRemoteDesktop:
      return texts.txtModeRemoteDesktop;
    case kStatusCamera:
      return texts.txtModeCamera;
    case kStatusTouchMouse:
      return texts.txtModeTouchMouse;
    case kStatusRecorder:
      return texts.txtModeRecorder;
    default:  // closed, and the values no state uses
      return texts.txtModeNone;
  }
}

}  // namespace vantaro::app
