#include "input/held_inputs.h"

namespace vantaro::input {

void HeldInputs::SetButton(platform::MouseButton button, bool down) {
  if (down)
    buttons_.insert(button);
  else
    buttons_.erase(button);
  target_.SetButton(button, down);
}

void HeldInputs::SetKey(uint8_t virtualKey, bool down) {
  if (down)
    keys_.insert(virtualKey);
  else
    keys_.erase(virtualKey);
  target_.SetKey(virtualKey, down);
}

void HeldInputs::ReleaseAll() {
  // Keys first, so that a modifier let go last cannot turn the button release into a modified
  // click.
  for (uint8_t key : std::set<uint8_t>(keys_)) SetKey(key, false);
  for (platform::MouseButton button : std::set<platform::MouseButton>(buttons_))
    SetButton(button, false);
}

}  // namespace vantaro::input
