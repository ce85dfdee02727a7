#pragma once
// An input injector that records every injected event as a line of text in a log the test owns,
// and answers the queries from fields the test sets. The pointer follows the moves it records, so
// a sequence of relative moves behaves as on a real screen.
//
// Log lines: "pos X,Y" (pointer set to a pixel), "abs NX,NY" (normalised move), "left down",
// "right up", "wheel N", "key 0xVK down", "key 0xVK up", "char U+XXXX" (press and release).

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/input_injector.h"

namespace vantaro::platform {

class RecordingInputInjector : public InputInjector {
 public:
  explicit RecordingInputInjector(std::vector<std::string>& log);

  // What the queries answer; a test changes these freely between events.
  ScreenSize screen{1920, 1080};
  std::optional<ScreenPoint> pointer = ScreenPoint{100, 100};
  bool windowUnderPointer = true;
  bool capsLock = false;
  // The keyboard layout: by default a US layout (letters, digits, space and the punctuation of
  // the main block, with their Shift levels).
  std::map<char32_t, LayoutKey> layout;

  ScreenSize GetScreenSize() override { return screen; }
  std::optional<ScreenPoint> GetPointerPosition() override { return pointer; }
  bool IsWindowAt(ScreenPoint at) override;
  void SetPointerPosition(ScreenPoint at) override;
  void MoveNormalised(ScreenPoint normalised) override;
  void SetButton(MouseButton button, bool down) override;
  void TurnWheel(int amount) override;
  void SetKey(uint8_t virtualKey, bool down) override;
  std::optional<LayoutKey> FindLayoutKey(char32_t character) override;
  void TypeCharacter(char32_t character) override;
  bool IsCapsLockOn() override { return capsLock; }

  // Points asked about by IsWindowAt, in order.
  std::vector<ScreenPoint> windowQueries;
  // What is down on the computer now, as far as the recorded events say: "left", "right",
  // "key 0xVK".
  std::set<std::string> held;

 private:
  std::vector<std::string>& log_;
};

}  // namespace vantaro::platform
