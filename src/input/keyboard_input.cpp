#include "input/keyboard_input.h"

#include <utility>
#include <vector>

namespace vantaro::input {

namespace {

struct NamedKey {
  std::string_view name;
  uint8_t virtualKey;
};

// After F1 to F12, in the order they are tried. The device's ESCAPE and ReturnR2 buttons both
// mean F18, and its DELETE button means Backspace; the device relies on these meanings.
constexpr NamedKey kNamedKeys[] = {
    {"SPACE", 0x20},  {"DELETE", 0x08},    {"Delete Right", 0x2E}, {"Clear", 0x0C},
    {"LEFT", 0x25},   {"RIGHT", 0x27},     {"UP", 0x26},           {"DOWN", 0x28},
    {"ESCAPE", 0x81}, {"Page Down", 0x22}, {"Page Up", 0x21},      {"ReturnR2", 0x81},
    {"RETURN", 0x0D}, {"TAB", 0x09},       {"Windows", 0x5C},      {"Command", 0x5C},
};

constexpr uint8_t kVkF1 = 0x70;

bool IsAsciiLetter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Code points of UTF-8 text; an invalid or truncated sequence is skipped a byte at a time.
std::vector<char32_t> DecodeUtf8(std::string_view text) {
  std::vector<char32_t> out;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
      ++i;
      continue;
    }
    if (i + static_cast<size_t>(extra) >= text.size() && extra > 0) {
      ++i;
      continue;
    }
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (next & 0x3F);
    }
    if (!valid || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      ++i;
      continue;
    }
    out.push_back(c);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

}  // namespace

std::optional<uint8_t> FindNamedKey(std::string_view name) {
  if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F' && name[1] >= '1' && name[1] <= '9') {
    int number = name[1] - '0';
    if (name.size() == 3) {
      if (name[1] != '1' || name[2] < '0' || name[2] > '2') return std::nullopt;
      number = 10 + (name[2] - '0');
    }
    return static_cast<uint8_t>(kVkF1 + number - 1);
  }
  for (const NamedKey& key : kNamedKeys) {
    if (key.name == name) return key.virtualKey;
  }
  return std::nullopt;
}

KeyboardInput::KeyboardInput(platform::InputInjector& injector, platform::TextCodec& codec)
    : injector_(injector), codec_(codec) {}

void KeyboardInput::Handle(const KeyEvent& event) {
  const std::string text = codec_.Utf8ToAnsi(event.text).value_or(std::string());
  const bool pressed = event.state == 1;
  if (text == "Shift") {
    shiftHeld_ = pressed;
    return;
  }
  if (text == "Control") {
    controlHeld_ = pressed;
    return;
  }
  if (text == "Alt") {
    altHeld_ = pressed;
    return;
  }
  if (controlHeld_) {
    if (event.text.size() == 1) {
      // A single letter or digit becomes Control with that letter's key. A byte that did not
      // survive the conversion names no key at all.
      if (text.empty()) return;
      char v = text[0];
      if (v >= 'a' && v <= 'z') v = static_cast<char>(v - 'a' + 'A');
      injector_.SetKey(kVkControl, true);
      Tap(static_cast<uint8_t>(v));
      injector_.SetKey(kVkControl, false);
    } else {
      injector_.SetKey(kVkControl, true);
      PressNamedKey(text);
      injector_.SetKey(kVkControl, false);
    }
  } else if (altHeld_) {
    injector_.SetKey(kVkAlt, true);
    PressNamedKey(text);
    injector_.SetKey(kVkAlt, false);
  } else if (shiftHeld_) {
    injector_.SetKey(kVkShift, true);
    PressNamedKey(text);
    injector_.SetKey(kVkShift, false);
  } else {
    PressNamedKey(text);
  }
}

void KeyboardInput::PressNamedKey(const std::string& text) {
  if (const std::optional<uint8_t> key = FindNamedKey(text)) {
    Tap(*key);
    return;
  }
  // Text goes only where a window can take it.
  const std::optional<platform::ScreenPoint> pointer = injector_.GetPointerPosition();
  if (pointer && injector_.IsWindowAt(*pointer)) TypeText(text);
}

void KeyboardInput::TypeText(const std::string& text) {
  for (char32_t c : DecodeUtf8(codec_.AnsiToUtf8(text).value_or(std::string()))) TypeCharacter(c);
}

void KeyboardInput::TypeCharacter(char32_t c) {
  if (c >= 0x100) {
    injector_.TypeCharacter(c);
    return;
  }
  const std::optional<platform::LayoutKey> key = injector_.FindLayoutKey(c);
  if (!key) {
    injector_.TypeCharacter(c);
    return;
  }
  // Caps Lock inverts letters, and Shift inverts it back: pressing the opposite of what the
  // layout asks gives the intended case. Control and Alt levels of the layout are not used.
  bool shift = key->shift;
  if (IsAsciiLetter(c) && injector_.IsCapsLockOn()) shift = !shift;
  SendKeyWithShift(key->virtualKey, shift);
}

void KeyboardInput::SendKeyWithShift(uint8_t virtualKey, bool shift) {
  if (shift) injector_.SetKey(kVkShift, true);
  Tap(virtualKey);
  if (shift) injector_.SetKey(kVkShift, false);
}

void KeyboardInput::Tap(uint8_t virtualKey) {
  injector_.SetKey(virtualKey, true);
  injector_.SetKey(virtualKey, false);
}

}  // namespace vantaro::input
