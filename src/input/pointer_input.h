#pragma once
// Turns pointer events from the device into pointer motion, button and wheel input.
//
// Two paths: actions 10 and 11 place the pointer at a fraction of the screen and click; every other
// action works relative to where the pointer is. The held flags and press counters decide whether
// a move is a drag and whether a press reaches the system; they keep their values between
// sessions, for as long as this object lives.
//
// Threads: only the control thread calls Handle; the state needs no lock. Double clicks block the
// caller for 50 ms between their two clicks.

#include <cstdint>

#include "input/input_events.h"
#include "platform/clock.h"
#include "platform/input_injector.h"

namespace vantaro::input {

class PointerInput {
 public:
  // Both references must outlive this object.
  PointerInput(platform::InputInjector& injector, platform::Clock& clock);

  void Handle(const PointerEvent& event);
  // Forgets the held flags and press counts (the buttons were released by other means).
  void Reset();

  bool leftHeld() const { return leftHeld_; }
  bool rightHeld() const { return rightHeld_; }
  int32_t leftPressCount() const { return leftPressCount_; }
  int32_t rightPressCount() const { return rightPressCount_; }

 private:
  void HandleAbsolute(const PointerEvent& event);
  void HandleRelative(const PointerEvent& event);
  void Move(float dx, float dy);
  void Scroll(float x, float y);
  void Click(platform::MouseButton button);
  void DoubleClick(platform::MouseButton button);

  platform::InputInjector& injector_;
  platform::Clock& clock_;
  bool leftHeld_ = false;
  bool rightHeld_ = false;
  int32_t leftPressCount_ = 0;
  int32_t rightPressCount_ = 0;
};

}  // namespace vantaro::input
