#include "input/keyboard_input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/utf8_text_codec.h"
#include "platform/fakes/recording_input_injector.h"

namespace vantaro::input {
namespace {

using ::testing::ElementsAreArray;
using Log = std::vector<std::string>;

struct Key {
  uint8_t state;
  std::string text;
};

struct KeyboardCase {
  const char* name;
  std::vector<Key> events;
  Log expected;
  bool capsLock = false;
  bool windowUnderPointer = true;
};

// Taps of a virtual key, with and without Shift around it.
Log Tap(const char* vk) {
  return {std::string("key ") + vk + " down", std::string("key ") + vk + " up"};
}
Log Join(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
const Log kShiftDown{"key 0x10 down"}, kShiftUp{"key 0x10 up"};
const Log kControlDown{"key 0x11 down"}, kControlUp{"key 0x11 up"};
const Log kAltDown{"key 0x12 down"}, kAltUp{"key 0x12 up"};

const KeyboardCase kCases[] = {
    {"held Shift wraps a typed letter; the modifier events inject nothing",
     {{1, "Shift"}, {1, "a"}, {0, "Shift"}, {1, "a"}},
     Join({kShiftDown, Tap("0x41"), kShiftUp, Tap("0x41")})},
    {"held Control with one letter presses Control and the upper-case letter's key",
     {{1, "Control"}, {1, "c"}, {1, "7"}},
     Join({kControlDown, Tap("0x43"), kControlUp, kControlDown, Tap("0x37"), kControlUp})},
    {"held Control with a key name",
     {{1, "Control"}, {1, "F5"}},
     Join({kControlDown, Tap("0x74"), kControlUp})},
    {"held Control with a longer text types it inside Control",
     {{1, "Control"}, {1, "ab"}},
     Join({kControlDown, Tap("0x41"), Tap("0x42"), kControlUp})},
    {"Control wins over Alt and Shift, Alt over Shift",
     {{1, "Shift"},
      {1, "Alt"},
      {1, "Control"},
      {1, "x"},
      {0, "Control"},
      {1, "TAB"},
      {0, "Alt"},
      {1, "UP"}},
     Join({kControlDown, Tap("0x58"), kControlUp, kAltDown, Tap("0x09"), kAltUp, kShiftDown,
           Tap("0x26"), kShiftUp})},
    {"only a state of exactly 1 presses a modifier", {{2, "Shift"}, {1, "b"}}, Tap("0x42")},
    {"named keys in the table",
     {{0, "F1"},
      {0, "F12"},
      {0, "SPACE"},
      {0, "DELETE"},
      {0, "Delete Right"},
      {0, "Clear"},
      {0, "LEFT"},
      {0, "RIGHT"},
      {0, "DOWN"},
      {0, "Page Down"},
      {0, "Page Up"},
      {0, "RETURN"},
      {0, "Windows"},
      {0, "Command"}},
     Join({Tap("0x70"), Tap("0x7B"), Tap("0x20"), Tap("0x08"), Tap("0x2E"), Tap("0x0C"),
           Tap("0x25"), Tap("0x27"), Tap("0x28"), Tap("0x22"), Tap("0x21"), Tap("0x0D"),
           Tap("0x5C"), Tap("0x5C")})},
    {"ESCAPE and ReturnR2 both press F18",
     {{0, "ESCAPE"}, {0, "ReturnR2"}},
     Join({Tap("0x81"), Tap("0x81")})},
    {"names match case-sensitively: Space is text",
     {{0, "Space"}},
     Join({kShiftDown, Tap("0x53"), kShiftUp, Tap("0x50"), Tap("0x41"), Tap("0x43"), Tap("0x45")})},
    {"F13 and F0 are text",
     {{0, "F13"}, {0, "F0"}},
     Join({kShiftDown, Tap("0x46"), kShiftUp, Tap("0x31"), Tap("0x33"), kShiftDown, Tap("0x46"),
           kShiftUp, Tap("0x30")})},
    {"Caps Lock inverts Shift for ASCII letters only",
     {{0, "aA1!"}},
     Join({kShiftDown, Tap("0x41"), kShiftUp, Tap("0x41"), Tap("0x31"), kShiftDown, Tap("0x31"),
           kShiftUp}),
     true},
    {"characters outside the layout are typed as code points",
     {{0, "\xE4\xB8\xAD"}, {0, "\xC3\xA9"}, {0, "\xF0\x9F\x98\x80"}},
     {"char U+4E2D", "char U+00E9", "char U+1F600"}},
    {"without a window under the pointer text is dropped but keys still work",
     {{0, "hello"}, {0, "RETURN"}},
     Tap("0x0D"),
     false,
     false},
    {"an empty text and a text cut at a zero byte",
     {{0, ""}, {0, std::string("a\0b", 3)}},
     Tap("0x41")},
    {"held Control with one byte that converts to nothing injects nothing",
     {{1, "Control"}, {0, std::string(1, '\0')}},
     {}},
};

TEST(KeyboardInputTest, EventsBecomeTheExpectedKeyStrokes) {
  for (const KeyboardCase& row : kCases) {
    SCOPED_TRACE(row.name);
    Log log;
    platform::RecordingInputInjector injector(log);
    injector.capsLock = row.capsLock;
    injector.windowUnderPointer = row.windowUnderPointer;
    testing::Utf8TextCodec codec;
    KeyboardInput keyboard(injector, codec);
    for (const Key& key : row.events) keyboard.Handle({key.state, key.text});
    EXPECT_THAT(log, ElementsAreArray(row.expected));
  }
}

TEST(KeyboardInputTest, TextIsTypedOnlyWhenThePointerCanBeRead) {
  Log log;
  platform::RecordingInputInjector injector(log);
  testing::Utf8TextCodec codec;
  KeyboardInput keyboard(injector, codec);
  injector.pointer = platform::ScreenPoint{300, 400};
  keyboard.PressNamedKey("x");
  ASSERT_EQ(injector.windowQueries.size(), 1u);
  EXPECT_EQ(injector.windowQueries[0], (platform::ScreenPoint{300, 400}));

  injector.pointer.reset();
  keyboard.PressNamedKey("y");
  EXPECT_EQ(injector.windowQueries.size(), 1u);
  EXPECT_THAT(log, ElementsAreArray(Tap("0x58")));
}

TEST(KeyboardInputTest, ModifierFlagsFollowTheirEvents) {
  Log log;
  platform::RecordingInputInjector injector(log);
  testing::Utf8TextCodec codec;
  KeyboardInput keyboard(injector, codec);
  keyboard.Handle({1, "Shift"});
  keyboard.Handle({1, "Alt"});
  EXPECT_TRUE(keyboard.shiftHeld());
  EXPECT_TRUE(keyboard.altHeld());
  EXPECT_FALSE(keyboard.controlHeld());
  keyboard.Handle({0, "Alt"});
  EXPECT_FALSE(keyboard.altHeld());
  EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace vantaro::input
