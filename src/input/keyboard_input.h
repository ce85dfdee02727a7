#pragma once
// Turns key events from the device into key strokes: modifier names update the held modifiers,
// special-key names press their key, and any other text is typed character by character through
// the keyboard layout.
//
// The modifier flags start false and keep their values between sessions, for as long as this
// object lives. Only one held modifier is applied to a key, in the priority Control, Alt, Shift.
//
// Threads: only the control thread calls these functions; the state needs no lock.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "input/input_events.h"
#include "platform/input_injector.h"
#include "platform/text_codec.h"

namespace vantaro::input {

// Virtual keys the core presses itself.
inline constexpr uint8_t kVkShift = 0x10;
inline constexpr uint8_t kVkControl = 0x11;
inline constexpr uint8_t kVkAlt = 0x12;

// The virtual key of a special-key name ("F5", "RETURN", "Page Up" ...), compared exactly and
// case-sensitively; nothing for any other text.
std::optional<uint8_t> FindNamedKey(std::string_view name);

class KeyboardInput {
 public:
  // Both references must outlive this object.
  KeyboardInput(platform::InputInjector& injector, platform::TextCodec& codec);

  void Handle(const KeyEvent& event);
  // Forgets the held modifiers.
  void Reset() { shiftHeld_ = controlHeld_ = altHeld_ = false; }

  // Presses and releases the named key `text` (in the narrow code page), or, when it names no key
  // and a window lies under the pointer, types it; otherwise drops it.
  void PressNamedKey(const std::string& text);
  // Types `text` (in the narrow code page) one character at a time.
  void TypeText(const std::string& text);
  // Presses and releases `virtualKey`, inside Shift when `shift`.
  void SendKeyWithShift(uint8_t virtualKey, bool shift);

  bool shiftHeld() const { return shiftHeld_; }
  bool controlHeld() const { return controlHeld_; }
  bool altHeld() const { return altHeld_; }

 private:
  void Tap(uint8_t virtualKey);
  void TypeCharacter(char32_t c);

  platform::InputInjector& injector_;
  platform::TextCodec& codec_;
  bool shiftHeld_ = false;
  bool controlHeld_ = false;
  bool altHeld_ = false;
};

}  // namespace vantaro::input
