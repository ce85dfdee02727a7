#include "capture/capture_device_choice.h"

#include <gtest/gtest.h>

#include "capture_fixture.h"

namespace vantaro::capture {
namespace {

struct ChoiceCase {
  const char* name;
  std::vector<std::string> video, audio;
  int32_t audioReported;
  std::vector<std::string> videoEntries, audioEntries;
  int32_t videoCount, audioCount;
  bool videoSelected, audioSelected;
  int32_t audioDeviceIndex;
};

TEST(CaptureDeviceChoice, ListsCountsAndFirstEntries) {
  const ChoiceCase cases[] = {
      {"two cameras",
       {"Cam A", "Cam B"},
       {"Mic"},
       -1,
       {"Cam A", "Cam B"},
       {"Mic"},
       2,
       1,
       true,
       true,
       0},
      {"no camera, one microphone", {}, {"Mic"}, -1, {"None"}, {"Mic"}, 0, 1, false, true, 0},
      {"nothing", {}, {}, -1, {"None"}, {"None"}, 0, 0, false, false, -1},
      // A microphone without a readable name still counts for the handshake.
      {"unnamed microphone", {"Cam"}, {}, 1, {"Cam"}, {}, 1, 1, true, true, 0},
  };
  for (const ChoiceCase& c : cases) {
    platform::FakeCaptureDevices devices(c.video, c.audio, c.audioReported);
    std::atomic<int32_t> videoCount{0}, audioCount{0};
    CaptureDeviceChoice choice(devices, videoCount, audioCount, "None");
    choice.Enumerate();
    EXPECT_EQ(choice.videoEntries(), c.videoEntries) << c.name;
    EXPECT_EQ(choice.audioEntries(), c.audioEntries) << c.name;
    EXPECT_EQ(videoCount.load(), c.videoCount) << c.name;
    EXPECT_EQ(audioCount.load(), c.audioCount) << c.name;
    EXPECT_EQ(choice.videoInputSelected(), c.videoSelected) << c.name;
    EXPECT_EQ(choice.audioInputSelected(), c.audioSelected) << c.name;
    EXPECT_EQ(choice.audioDeviceIndex(), c.audioDeviceIndex) << c.name;
    EXPECT_EQ(choice.videoPosition(), 0) << c.name;
    EXPECT_EQ(choice.selectedVideoName(), c.videoEntries.front()) << c.name;
  }
}

TEST(CaptureDeviceChoice, ChoosingNoneDeselectsAndOutOfRangeIsIgnored) {
  platform::FakeCaptureDevices devices({}, {}, 0);
  std::atomic<int32_t> videoCount{0}, audioCount{0};
  CaptureDeviceChoice choice(devices, videoCount, audioCount, "None");
  choice.Enumerate();
  EXPECT_FALSE(choice.SelectVideo(0, true));
  EXPECT_FALSE(choice.videoInputSelected());
  EXPECT_FALSE(choice.SelectAudio(5, true));
  EXPECT_EQ(choice.audioDeviceIndex(), -1);
}

}  // namespace
}  // namespace vantaro::capture
