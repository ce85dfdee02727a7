#pragma once
// Synthetic pointer and keyboard input on the computer's primary screen and its single pointer.
//
// Keys are named by Windows virtual-key codes, the vocabulary the device's commands are written in
// (0x10 Shift, 0x11 Control, 0x12 Alt, 0x41 'A', 0x70 F1 ...); each implementation maps them to its
// own key codes. A code the implementation has no key for is ignored.
//
// Threads: an injector is used by one thread at a time (the control thread). Failures are not
// reported per call: without a display every call does nothing and the queries answer "unknown".

#include <cstdint>
#include <optional>

#include "platform/screen_size.h"

namespace vantaro::platform {

struct ScreenPoint {
  int x = 0;
  int y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

enum class MouseButton { kLeft, kRight };

// Where the current keyboard layout has a character: the virtual key of its key and whether the
// character needs Shift on that key.
struct LayoutKey {
  uint8_t virtualKey = 0;
  bool shift = false;
  bool operator==(const LayoutKey&) const = default;
};

class InputInjector {
 public:
  virtual ~InputInjector() = default;

  // Size of the primary screen in pixels; {0, 0} when it is not known.
  virtual ScreenSize GetScreenSize() = 0;
  // The pointer position in screen pixels, or nothing when it cannot be read.
  virtual std::optional<ScreenPoint> GetPointerPosition() = 0;
  // True when a top-level window lies under the screen point `at`.
  virtual bool IsWindowAt(ScreenPoint at) = 0;

  // Puts the pointer on pixel `at` (clamped to the screen by the caller).
  virtual void SetPointerPosition(ScreenPoint at) = 0;
  // Moves the pointer to a position given in normalised coordinates, 0 .. 65535 across the screen.
  // The pixel reached is the one whose normalised value, truncated, is `normalised`, so that
  // pixel x * 65535 / width (integer division) lands back on pixel x.
  virtual void MoveNormalised(ScreenPoint normalised) = 0;
  virtual void SetButton(MouseButton button, bool down) = 0;
  // A wheel turn in wheel units, 120 to a notch; positive turns away from the user (scrolls up).
  // Parts of a notch may be carried over to the next turn in the same direction.
  virtual void TurnWheel(int amount) = 0;

  virtual void SetKey(uint8_t virtualKey, bool down) = 0;
  // The key of `character` (a code point below 0x100) in the current layout at its base or Shift
  // level, or nothing when the layout has no such key.
  virtual std::optional<LayoutKey> FindLayoutKey(char32_t character) = 0;
  // Types one character by its code point, independent of the layout and of held modifiers: a
  // press and a release.
  virtual void TypeCharacter(char32_t character) = 0;
  virtual bool IsCapsLockOn() = 0;
};

}  // namespace vantaro::platform
