#include "input/pointer_input.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "input/logging_clock.h"
#include "platform/fakes/recording_input_injector.h"

namespace vantaro::input {
namespace {

using ::testing::ElementsAreArray;
using Log = std::vector<std::string>;

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct PointerCase {
  const char* name;
  std::vector<PointerEvent> events;
  Log expected;
  platform::ScreenSize screen{1920, 1080};
  std::optional<platform::ScreenPoint> pointer = platform::ScreenPoint{100, 100};
};

// Each row starts from a fresh state with the pointer at (100, 100) on a 1920 x 1080 screen.
const PointerCase kCases[] = {
    {"move and click at the centre", {{10, 0.5f, 0.5f}}, {"pos 960,540", "left down", "left up"}},
    {"move and click at the far edges",
     {{10, 1.0f, 1.0f}},
     {"pos 1919,1079", "left down", "left up"}},
    {"move and click before the near edges",
     {{10, -0.2f, -0.2f}},
     {"pos 0,0", "left down", "left up"}},
    {"move and double click pauses between the clicks",
     {{11, 0.25f, 0.75f}},
     {"pos 480,810", "left down", "left up", "sleep 50", "left down", "left up"}},
    {"relative move truncates toward zero", {{1, 3.7f, -2.9f}}, {"pos 103,97"}},
    {"relative move stops at the edges",
     {{1, 5000, 5000}, {1, -3000, -3000}},
     {"pos 1919,1079", "pos 0,0"}},
    {"relative move by less than a pixel below zero stays at zero",
     {{1, -100.5f, -100.5f}},
     {"pos 0,0"}},
    {"left drag: one press, normalised moves, one release",
     {{2, 0, 0}, {1, 10, 0}, {1, 10, 0}, {1, 10, 0}, {4, 0, 0}},
     {"left down", "abs 3754,6068", "abs 4095,6068", "abs 4437,6068", "left up"}},
    {"right drag", {{3, 0, 0}, {1, 0, 10}, {5, 0, 0}}, {"right down", "abs 3413,6674", "right up"}},
    {"a second press before the release injects nothing",
     {{2, 0, 0}, {2, 0, 0}, {3, 0, 0}, {3, 0, 0}},
     {"left down", "right down"}},
    {"a left click ends the drag flag but not the count, so the next press is silent",
     {{2, 0, 0}, {6, 0, 0}, {1, 1, 1}, {2, 0, 0}, {1, 1, 1}},
     {"left down", "left down", "left up", "pos 101,101", "abs 3481,6189"}},
    {"a right click ends the drag flag but not the count",
     {{3, 0, 0}, {8, 0, 0}, {3, 0, 0}, {5, 0, 0}, {3, 0, 0}},
     {"right down", "right down", "right up", "right up", "right down"}},
    {"an absolute click ends the left drag flag",
     {{2, 0, 0}, {10, 0.5f, 0.5f}, {1, 1, 1}},
     {"left down", "pos 960,540", "left down", "left up", "pos 961,541"}},
    {"a release without a press still releases", {{4, 0, 0}}, {"left up"}},
    {"double clicks of both buttons",
     {{7, 0, 0}, {9, 0, 0}},
     {"left down", "left up", "sleep 50", "left down", "left up", "right down", "right up",
      "sleep 50", "right down", "right up"}},
    {"clicks do not move the pointer",
     {{6, 50, 50}, {8, 50, 50}},
     {"left down", "left up", "right down", "right up"}},
    {"vertical scroll turns the wheel by -4 per unit",
     {{12, 0, 3}, {12, 0.9f, -2.5f}},
     {"wheel -12", "wheel 8"}},
    {"scroll with a horizontal part or under one unit does nothing",
     {{12, 1, 3}, {12, -1, 3}, {12, 0, 0.5f}, {12, 2, 0}},
     {}},
    {"unknown actions do nothing", {{0, 0.5f, 0.5f}, {13, 0.5f, 0.5f}, {-1, 1, 1}}, {}},
    {"coordinates that are not numbers are ignored",
     {{10, kNan, 0.5f}, {11, 0.5f, kNan}, {1, kNan, 0}, {12, 0, kNan}, {12, kNan, 3}},
     {}},
    {"infinite and huge coordinates clamp instead of overflowing",
     {{10, kInf, -kInf}, {1, 1e30f, -1e30f}, {12, 0, 1e30f}},
     {"pos 1919,0", "left down", "left up", "pos 1919,0",
      "wheel " + std::to_string(-4 * (std::numeric_limits<int>::max() / 4))}},
    {"without a screen size only buttons and the wheel work",
     {{10, 0.5f, 0.5f}, {1, 5, 5}, {2, 0, 0}, {1, 5, 5}, {4, 0, 0}, {12, 0, 1}},
     {"left down", "left up", "wheel -4"},
     {0, 0}},
    {"without a pointer position relative moves do nothing",
     {{1, 5, 5}, {6, 0, 0}, {10, 0.5f, 0.5f}},
     {"left down", "left up", "pos 960,540", "left down", "left up"},
     {1920, 1080},
     std::nullopt},
};

TEST(PointerInputTest, EventsBecomeTheExpectedInput) {
  for (const PointerCase& row : kCases) {
    SCOPED_TRACE(row.name);
    Log log;
    platform::RecordingInputInjector injector(log);
    injector.screen = row.screen;
    injector.pointer = row.pointer;
    testing::LoggingClock clock(log);
    PointerInput pointer(injector, clock);
    for (const PointerEvent& event : row.events) pointer.Handle(event);
    EXPECT_THAT(log, ElementsAreArray(row.expected));
  }
}

TEST(PointerInputTest, CountersFollowPressesDragsAndReleases) {
  Log log;
  platform::RecordingInputInjector injector(log);
  testing::LoggingClock clock(log);
  PointerInput pointer(injector, clock);

  pointer.Handle({2, 0, 0});
  for (int i = 0; i < 3; ++i) pointer.Handle({1, 1, 0});
  EXPECT_TRUE(pointer.leftHeld());
  EXPECT_EQ(pointer.leftPressCount(), 4);
  pointer.Handle({4, 0, 0});
  EXPECT_FALSE(pointer.leftHeld());
  EXPECT_EQ(pointer.leftPressCount(), 0);

  // With both buttons held a move counts for the left one only.
  pointer.Handle({3, 0, 0});
  pointer.Handle({2, 0, 0});
  pointer.Handle({1, 1, 0});
  EXPECT_EQ(pointer.leftPressCount(), 2);
  EXPECT_EQ(pointer.rightPressCount(), 1);
  pointer.Handle({8, 0, 0});
  EXPECT_FALSE(pointer.rightHeld());
  EXPECT_EQ(pointer.rightPressCount(), 1);
}

}  // namespace
}  // namespace vantaro::input
