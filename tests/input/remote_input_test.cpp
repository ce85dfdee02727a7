#include "input/remote_input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "input/logging_clock.h"
#include "input/utf8_text_codec.h"
#include "platform/fakes/recording_input_injector.h"
#include "support/wire.h"

namespace vantaro::input {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using testing::Le32;
using Log = std::vector<std::string>;

std::string LeFloat(float v) { return Le32(std::bit_cast<int32_t>(v)); }

class RemoteInputTest : public ::testing::Test {
 protected:
  // Delivers exactly the bytes of `payload` in a buffer of their own size, so that a read past
  // them is caught by the address sanitizer.
  void Pointer(const std::string& payload) {
    std::vector<uint8_t> bytes(payload.begin(), payload.end());
    input.OnPointer(bytes.data(), bytes.size());
  }
  void Key(const std::string& payload) {
    std::vector<uint8_t> bytes(payload.begin(), payload.end());
    input.OnKey(bytes.data(), bytes.size());
  }

  Log log;
  platform::RecordingInputInjector injector{log};
  testing::LoggingClock clock{log};
  testing::Utf8TextCodec codec;
  RemoteInput input{injector, clock, codec};
};

TEST_F(RemoteInputTest, PointerPayloadIsReadAsLittleEndianIntAndFloats) {
  Pointer(Le32(10) + LeFloat(0.5f) + LeFloat(0.25f));
  Pointer(Le32(12) + LeFloat(0) + LeFloat(2));
  EXPECT_THAT(log, ElementsAre("pos 960,270", "left down", "left up", "wheel -8"));
}

TEST_F(RemoteInputTest, ShortPointerPayloadIsIgnored) {
  Pointer(Le32(6) + LeFloat(0) + std::string(3, '\0'));
  Pointer(Le32(6));
  Pointer("");
  input.OnPointer(nullptr, 0);
  EXPECT_THAT(log, IsEmpty());
}

TEST_F(RemoteInputTest, KeyTextIsBoundedByTheBytesReceived) {
  struct Row {
    const char* name;
    std::string payload;
    Log expected;
  };
  const Row rows[] = {
      {"length as sent", Le32(0) + Le32(6) + "RETURN", {"key 0x0D down", "key 0x0D up"}},
      {"length shorter than the bytes",
       Le32(0) + Le32(2) + "abcd",
       {"key 0x41 down", "key 0x41 up", "key 0x42 down", "key 0x42 up"}},
      {"length past the end",
       Le32(0) + Le32(100) + "ab",
       {"key 0x41 down", "key 0x41 up", "key 0x42 down", "key 0x42 up"}},
      {"largest length", Le32(0) + Le32(0x7fffffff) + "b", {"key 0x42 down", "key 0x42 up"}},
      {"negative length", Le32(0) + Le32(-1) + "abc", {}},
      {"no text at all", Le32(0) + Le32(5), {}},
      {"head cut short", Le32(0) + std::string(3, '\0'), {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    log.clear();
    Key(row.payload);
    EXPECT_THAT(log, ElementsAreArray(row.expected));
  }
}

TEST_F(RemoteInputTest, OnlyTheLowByteOfTheStateCounts) {
  Key(Le32(0x0101) + Le32(5) + "Shift");
  EXPECT_TRUE(input.keyboard().shiftHeld());
  Key(Le32(0x0100) + Le32(5) + "Shift");
  EXPECT_FALSE(input.keyboard().shiftHeld());
}

TEST_F(RemoteInputTest, StateSurvivesBetweenCommands) {
  Key(Le32(1) + Le32(7) + "Control");
  Pointer(Le32(2) + LeFloat(0) + LeFloat(0));
  Key(Le32(0) + Le32(1) + "v");
  Pointer(Le32(2) + LeFloat(0) + LeFloat(0));
  EXPECT_THAT(log, ElementsAre("left down", "key 0x11 down", "key 0x56 down", "key 0x56 up",
                               "key 0x11 up"));
  EXPECT_EQ(input.pointer().leftPressCount(), 2);
}

// A drag cut off by the end of its session: the button goes up, and the next session starts from
// nothing held (its own press reaches the system, its keys carry no modifier of the last one).
TEST_F(RemoteInputTest, TheEndOfASessionReleasesWhatItHeld) {
  Pointer(Le32(2) + LeFloat(0) + LeFloat(0));  // left press
  Pointer(Le32(1) + LeFloat(5) + LeFloat(5));  // dragging
  Pointer(Le32(3) + LeFloat(0) + LeFloat(0));  // right press
  Key(Le32(1) + Le32(5) + "Shift");
  ASSERT_EQ(injector.held, (std::set<std::string>{"left", "right"}));
  log.clear();
  input.OnSessionEnded();
  EXPECT_THAT(log, ElementsAre("left up", "right up"));
  EXPECT_TRUE(injector.held.empty());
  EXPECT_FALSE(input.pointer().leftHeld());
  EXPECT_EQ(input.pointer().leftPressCount(), 0);
  EXPECT_FALSE(input.keyboard().shiftHeld());

  log.clear();
  Pointer(Le32(2) + LeFloat(0) + LeFloat(0));
  Key(Le32(0) + Le32(1) + "a");
  EXPECT_THAT(log, ElementsAre("left down", "key 0x41 down", "key 0x41 up"));
  input.OnSessionEnded();
  EXPECT_TRUE(injector.held.empty());
  log.clear();
  input.OnSessionEnded();  // nothing held: nothing sent
  EXPECT_THAT(log, IsEmpty());
}

}  // namespace
}  // namespace vantaro::input
