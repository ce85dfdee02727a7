#include "control/control_dispatcher.h"

#include <algorithm>

#include "control/control_protocol.h"

namespace vantaro::control {

ControlDispatcher::ControlDispatcher(app::AppState& state, const app::Settings& settings,
                                     platform::TextCodec& codec, ControlServices services,
                                     WrongCodeThrottle& throttle, int32_t serverVersion,
                                     SendFn send, Session session)
    : state_(state),
      settings_(settings),
      codec_(codec),
      services_(services),
      throttle_(throttle),
      serverVersion_(serverVersion),
      send_(std::move(send)),
      session_(session) {
  if (session_.authorised && settings_.securityLogin == 0) session_.authorised->store(true);
}

ControlDispatcher::Outcome ControlDispatcher::Dispatch(const ControlMessageReader& message) {
  return Dispatch(message.code(), ReadInt32(message.message(), message.size(), 4),
                  message.payload(), message.payloadSize());
}

ControlDispatcher::Outcome ControlDispatcher::Dispatch(int32_t code, int32_t length,
                                                       const uint8_t* payload, size_t size) {
  bool authorised = !session_.authorised || session_.authorised->load();
  switch (code) {
    case CmdHandshake:
      OnHandshake(payload, size);
      return Outcome::kContinue;
    case CmdSecurityCode:
      OnSecurityCode(length, payload, size);
      return Outcome::kContinue;
    case CmdSelectMode:
    case CmdEndMode:
    case CmdStartStream:
    case CmdFileOperation:
    case CmdStopFileOperation:
    case CmdPointer:
    case CmdKey:
    case CmdHibernate:
    case CmdReboot:
    case CmdLogOff:
    case CmdShutDown:
      break;
    default:
      return Outcome::kEndSession;  // 201, 203, 204, 401-403 and every unknown code
  }
  if (!authorised) return Outcome::kContinue;
  switch (code) {
    case CmdSelectMode:
      OnSelectMode(ReadInt32(payload, size, 0));
      break;
    case CmdEndMode:
      OnEndMode();
      break;
    case CmdStartStream:
      services_.stream.OnStartStream(ReadInt32(payload, size, 0));
      break;
    case CmdFileOperation:
      services_.files.OnFileOperation(payload, size);
      break;
    case CmdStopFileOperation:
      services_.files.OnStopFileOperation();
      break;
    case CmdPointer:
      services_.input.OnPointer(payload, size);
      break;
    case CmdKey:
      services_.input.OnKey(payload, size);
      break;
    default:  // the four power commands, `length` being the delay
      services_.power.OnPowerCommand(code, length);
      break;
  }
  return Outcome::kContinue;
}

void ControlDispatcher::OnHandshake(const uint8_t* payload, size_t size) {
  HandshakeRequest request = ParseHandshake(payload, size);
  state_.SetDeviceName(codec_.Utf8ToAnsi(request.device_name).value_or(std::string()));
  state_.deviceDisplayWidth.store(request.device_display_width);
  state_.deviceDisplayHeight.store(request.device_display_height);
  if (request.app_version >= 10500) state_.media.omitAudioLevel.store(true);
  if (settings_.securityLogin) {
    send_(BuildShortReply(RspSecurityRequired));
    return;
  }
  SendWelcome();
  state_.SetConnectionStatus(app::kStatusConnected);
}

void ControlDispatcher::OnSecurityCode(int32_t length, const uint8_t* payload, size_t size) {
  // Inside its back-off window a code is not even looked at: an answer that came later but told
  // the truth would still let a guesser go on at full speed.
  if (throttle_.InBackOff(session_.peerAddress)) {
    send_(BuildShortReply(RspSecurityCodeWrong));
    return;
  }
  size_t take = length > 0 ? std::min(static_cast<size_t>(length), size) : 0;
  std::string received(reinterpret_cast<const char*>(payload), take);
  if (codec_.IsValidUtf8(received)) received = codec_.Utf8ToAnsi(received).value_or(received);
  // An empty stored code means that none has been set, not that the empty text opens the door.
  if (!settings_.securityCode.empty() && received == settings_.securityCode) {
    throttle_.Clear(session_.peerAddress);
    if (session_.authorised) session_.authorised->store(true);
    SendWelcome();
    state_.SetConnectionStatus(app::kStatusConnectedWithCode);
    return;
  }
  throttle_.RecordWrongCode(session_.peerAddress);
  send_(BuildShortReply(RspSecurityCodeWrong));
}

void ControlDispatcher::OnSelectMode(int32_t subCode) {
  bool accepted = true;
  switch (subCode) {
    case 100:
      state_.SetConnectionStatus(app::kStatusRemoteDesktop);
      state_.media.sessionMode.store(app::kModeRemoteDesktop);
      break;
    case 102:
      state_.SetConnectionStatus(app::kStatusTouchMouse);
      break;
    case 103:
      state_.SetConnectionStatus(app::kStatusCamera);
      state_.media.sessionMode.store(app::kModeCamera);
      break;
    case 104:
      state_.SetConnectionStatus(app::kStatusRecorder);
      state_.media.sessionMode.store(app::kModeRecorder);
      break;
    case 101:
    case 200:
    case 201:
      break;
    default:
      accepted = false;
  }
  send_(BuildShortReply(accepted ? RspModeAccepted : RspModeRejected));
}

void ControlDispatcher::OnEndMode() {
  services_.stream.OnEndMode();
  send_(BuildShortReply(RspModeEnded));
  state_.SetConnectionStatus(app::kStatusModeEnded);
}

void ControlDispatcher::SendWelcome() {
  send_(BuildWelcomeReply(serverVersion_, state_.videoInputCount.load() > 0,
                          state_.audioInputCount.load() > 0));
}

}  // namespace vantaro::control
