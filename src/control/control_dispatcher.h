#pragma once
// Carries out the commands of one control session. Runs on the control thread; one object per
// session. Replies go out through `send`, one call per reply.
//
// While the security code is required and has not been given, only the handshake and the code
// itself are carried out; every other known command is ignored without a reply, so that a device
// cannot skip the code. Unknown and unhandled codes end the session either way. Every code is
// answered at once: the wrong-code back-off refuses codes instead of delaying the answer.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "app/app_state.h"
#include "app/settings.h"
#include "control/command_handlers.h"
#include "control/control_message_reader.h"
#include "control/wrong_code_throttle.h"
#include "platform/text_codec.h"

namespace vantaro::control {

struct ControlServices {
  InputHandler& input;
  StreamHandler& stream;
  FileRequestHandler& files;
  PowerHandler& power;
};

class ControlDispatcher {
 public:
  enum class Outcome { kContinue, kEndSession };
  using SendFn = std::function<void(const std::string& bytes)>;

  struct Session {
    uint32_t peerAddress = 0;
    // Written here, read by the data-channel thread through the control server. The control
    // server sets it before the session becomes visible; the dispatcher only ever raises it.
    std::atomic<bool>* authorised = nullptr;
  };

  ControlDispatcher(app::AppState& state, const app::Settings& settings, platform::TextCodec& codec,
                    ControlServices services, WrongCodeThrottle& throttle, int32_t serverVersion,
                    SendFn send, Session session);

  Outcome Dispatch(const ControlMessageReader& message);
  Outcome Dispatch(int32_t code, int32_t length, const uint8_t* payload, size_t payloadSize);

 private:
  void OnHandshake(const uint8_t* payload, size_t size);
  void OnSecurityCode(int32_t length, const uint8_t* payload, size_t size);
  void OnSelectMode(int32_t subCode);
  void OnEndMode();
  void SendWelcome();

  app::AppState& state_;
  const app::Settings& settings_;
  platform::TextCodec& codec_;
  ControlServices services_;
  WrongCodeThrottle& throttle_;
  int32_t serverVersion_;
  SendFn send_;
  Session session_;
};

}  // namespace vantaro::control
