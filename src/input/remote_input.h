#pragma once
// The control server's input handler: parses pointer (600) and key (601) payloads, bounded by the
// bytes received, and carries them out. A payload too short to hold its fixed fields is ignored.
//
// The pointer and keyboard state lives as long as this object, across sessions, except that the end
// of a session releases what it held down (buttons, keys) and clears the held flags and press
// counts with it, so that the next session starts from nothing pressed. Threads: only the control
// thread calls these methods.

#include <cstddef>
#include <cstdint>

#include "control/command_handlers.h"
#include "input/held_inputs.h"
#include "input/keyboard_input.h"
#include "input/pointer_input.h"
#include "platform/clock.h"
#include "platform/input_injector.h"
#include "platform/text_codec.h"

namespace vantaro::input {

class RemoteInput : public control::InputHandler {
 public:
  // The references must outlive this object.
  RemoteInput(platform::InputInjector& injector, platform::Clock& clock,
              platform::TextCodec& codec);

  void OnPointer(const uint8_t* payload, size_t size) override;
  void OnKey(const uint8_t* payload, size_t size) override;
  void OnSessionEnded() override;

  const PointerInput& pointer() const { return pointer_; }
  const KeyboardInput& keyboard() const { return keyboard_; }

 private:
  HeldInputs held_;  // in front of the injector; declared first, the two below use it
  PointerInput pointer_;
  KeyboardInput keyboard_;
};

}  // namespace vantaro::input
