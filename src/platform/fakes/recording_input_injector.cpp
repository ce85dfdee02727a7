#include "platform/fakes/recording_input_injector.h"

#include <cstdio>

namespace vantaro::platform {

namespace {

std::map<char32_t, LayoutKey> UsLayout() {
  std::map<char32_t, LayoutKey> keys;
  for (char32_t c = 'a'; c <= 'z'; ++c) keys[c] = {static_cast<uint8_t>(c - 'a' + 'A'), false};
  for (char32_t c = 'A'; c <= 'Z'; ++c) keys[c] = {static_cast<uint8_t>(c), true};
  for (char32_t c = '0'; c <= '9'; ++c) keys[c] = {static_cast<uint8_t>(c), false};
  keys[' '] = {0x20, false};
  keys['\t'] = {0x09, false};
  keys['\r'] = {0x0D, false};
  const char* shiftedDigits = ")!@#$%^&*(";
  for (int i = 0; i < 10; ++i)
    keys[char32_t(shiftedDigits[i])] = {static_cast<uint8_t>('0' + i), true};
  struct Oem {
    uint8_t vk;
    char base;
    char shifted;
  };
  const Oem oem[] = {{0xBA, ';', ':'},  {0xBB, '=', '+'}, {0xBC, ',', '<'}, {0xBD, '-', '_'},
                     {0xBE, '.', '>'},  {0xBF, '/', '?'}, {0xC0, '`', '~'}, {0xDB, '[', '{'},
                     {0xDC, '\\', '|'}, {0xDD, ']', '}'}, {0xDE, '\'', '"'}};
  for (const Oem& k : oem) {
    keys[char32_t(k.base)] = {k.vk, false};
    keys[char32_t(k.shifted)] = {k.vk, true};
  }
  return keys;
}

}  // namespace

RecordingInputInjector::RecordingInputInjector(std::vector<std::string>& log)
    : layout(UsLayout()), log_(log) {}

bool RecordingInputInjector::IsWindowAt(ScreenPoint at) {
  windowQueries.push_back(at);
  return windowUnderPointer;
}

void RecordingInputInjector::SetPointerPosition(ScreenPoint at) {
  pointer = at;
  log_.push_back("pos " + std::to_string(at.x) + "," + std::to_string(at.y));
}

void RecordingInputInjector::MoveNormalised(ScreenPoint normalised) {
  log_.push_back("abs " + std::to_string(normalised.x) + "," + std::to_string(normalised.y));
  if (screen.width > 0 && screen.height > 0) {
    // The smallest pixel whose normalised value reaches the given one.
    auto toPixel = [](int n, int size) {
      return static_cast<int>((int64_t{n} * size + 65534) / 65535);
    };
    pointer =
        ScreenPoint{toPixel(normalised.x, screen.width), toPixel(normalised.y, screen.height)};
  }
}

void RecordingInputInjector::SetButton(MouseButton button, bool down) {
  std::string name = button == MouseButton::kLeft ? "left" : "right";
  log_.push_back(name + (down ? " down" : " up"));
  if (down)
    held.insert(name);
  else
    held.erase(name);
}

void RecordingInputInjector::TurnWheel(int amount) {
  log_.push_back("wheel " + std::to_string(amount));
}

void RecordingInputInjector::SetKey(uint8_t virtualKey, bool down) {
  char line[32];
  std::snprintf(line, sizeof line, "key 0x%02X %s", virtualKey, down ? "down" : "up");
  log_.push_back(line);
  std::snprintf(line, sizeof line, "key 0x%02X", virtualKey);
  if (down)
    held.insert(line);
  else
    held.erase(line);
}

std::optional<LayoutKey> RecordingInputInjector::FindLayoutKey(char32_t character) {
  auto it = layout.find(character);
  if (it == layout.end()) return std::nullopt;
  return it->second;
}

void RecordingInputInjector::TypeCharacter(char32_t character) {
  char line[32];
  std::snprintf(line, sizeof line, "char U+%04X", static_cast<unsigned>(character));
  log_.push_back(line);
}

}  // namespace vantaro::platform
