#pragma once
// An input injector in front of the real one that remembers which mouse buttons and keys it has
// pressed and not released, so that the end of a session can release them: a drag cut off by a
// lost connection would otherwise leave the button down for whoever uses the computer next.
//
// Threads: used by the control thread only, like the injector behind it.

#include <cstdint>
#include <set>

#include "platform/input_injector.h"

namespace vantaro::input {

class HeldInputs : public platform::InputInjector {
 public:
  // `target` must outlive this object.
  explicit HeldInputs(platform::InputInjector& target) : target_(target) {}

  // Releases every button and key that went down through this object and is still down.
  void ReleaseAll();

  platform::ScreenSize GetScreenSize() override { return target_.GetScreenSize(); }
  std::optional<platform::ScreenPoint> GetPointerPosition() override {
    return target_.GetPointerPosition();
  }
  bool IsWindowAt(platform::ScreenPoint at) override { return target_.IsWindowAt(at); }
  void SetPointerPosition(platform::ScreenPoint at) override { target_.SetPointerPosition(at); }
  void MoveNormalised(platform::ScreenPoint normalised) override {
    target_.MoveNormalised(normalised);
  }
  void SetButton(platform::MouseButton button, bool down) override;
  void TurnWheel(int amount) override { target_.TurnWheel(amount); }
  void SetKey(uint8_t virtualKey, bool down) override;
  std::optional<platform::LayoutKey> FindLayoutKey(char32_t character) override {
    return target_.FindLayoutKey(character);
  }
  void TypeCharacter(char32_t character) override { target_.TypeCharacter(character); }
  bool IsCapsLockOn() override { return target_.IsCapsLockOn(); }

 private:
  platform::InputInjector& target_;
  std::set<platform::MouseButton> buttons_;
  std::set<uint8_t> keys_;
};

}  // namespace vantaro::input
