#pragma once
// Carries out the commands of one control session. Runs on the control thread; one object per
// session. Replies go out through `send`, one call per reply.
//
// While the security code is required and has not been given, only the handshake and the code
// itself are carried out; every other known command is ignored without a reply, so that a device
// cannot skip the code. Unknown and unhandled codes end the session either way.

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
  // Waits `ms` milliseconds; false when the service is closing and the wait was cut short.
  using WaitFn = std::function<bool(int64_t ms)>;

  struct Session {
    uint32_t peerAddress = 0;
    // Written here, read by the data-channel thread through the control server.
    std::atomic<bool>* authorised = nullptr;
  };

  ControlDispatcher(app::AppState& state, const app::Settings& settings,
                    platform::TextCodec& codec, ControlServices services,
                    WrongCodeThrottle& throttle, int32_t serverVersion, SendFn send, WaitFn wait,
                    Session session);

  Outcome Dispatch(const ControlMessageReader& message);
  Outcome Dispatch(int32_t code, int32_t length, const uint8_t* payload, size_t payloadSize);

 private:
  void OnHandshake(const uint8_t* payload, size_t size);
  bool OnSecurityCode(int32_t length, const uint8_t* payload, size_t size);
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
  WaitFn wait_;
  Session session_;
};

}  // namespace vantaro::control
