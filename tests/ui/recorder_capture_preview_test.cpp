#include "ui/recorder_capture_preview.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "capture/audio_level.h"
#include "platform/fakes/fake_capture_devices.h"
#include "platform/fakes/fake_clock.h"

namespace vantaro::ui {
namespace {

// The recorder's timers are fired by the test.
class ManualLoop : public app::EventLoop {
 public:
  void Post(std::function<void()> task) override { task(); }
  void StartTimer(int, int, std::function<void()>) override {}
  void StopTimer(int) override {}
};

class NullStatus : public app::StatusObserver {
 public:
  void StatusChanged(int32_t) override {}
  void ShowMessage(const std::string&) override {}
};

struct Fixture {
  explicit Fixture(std::vector<std::string> video = {"Cam A", "Cam B"},
                   std::vector<std::string> audio = {"Mic A"})
      : devices(std::move(video), std::move(audio)),
        recorder(devices, state, loop, clock, "None") {
    recorder.Start();
  }
  ~Fixture() { recorder.Stop(); }
  void Tick() {
    recorder.OnCameraTimer();
    recorder.OnAudioTimer();
  }
  NullStatus status;
  app::AppState state{status};
  ManualLoop loop;
  platform::FakeClock clock;
  platform::FakeCaptureDevices devices;
  capture::CameraRecorder recorder;
};

TEST(RecorderCapturePreview, ListsDevicesWithoutTheRecordersNoneEntry) {
  Fixture f({"Cam A", "Cam B"}, {});
  RecorderCapturePreview preview(f.recorder, "None");
  EXPECT_EQ(preview.VideoInputs(), (std::vector<std::string>{"Cam A", "Cam B"}));
  EXPECT_TRUE(preview.AudioInputs().empty());
  EXPECT_FALSE(preview.StartLevelMeter(0, [](int) {})) << "no microphone to meter";
}

// Two pixels, blue first, rows padded to eight bytes and stored bottom-up: the page gets them
// top-down, red first, unpadded. Then the meter's level, and the stops that close both devices.
TEST(RecorderCapturePreview, ForwardsRgbFramesAndLevelsUntilStopped) {
  Fixture f;
  RecorderCapturePreview preview(f.recorder, "None");
  std::vector<PreviewFrame> frames;
  std::vector<int> levels;
  ASSERT_TRUE(preview.StartPreview(1, [&](PreviewFrame frame) { frames.push_back(frame); }));
  ASSERT_TRUE(preview.StartLevelMeter(0, [&](int level) { levels.push_back(level); }));
  f.Tick();
  ASSERT_TRUE(f.devices.videoRunning(1)) << "the chosen camera opens";
  ASSERT_FALSE(f.devices.videoRunning(0));
  ASSERT_TRUE(f.devices.audioRunning(0));

  const std::vector<uint8_t> pixels = {
      1, 2, 3, 0, 0, 0, 0, 0,  // bottom row: blue 1, green 2, red 3
      4, 5, 6, 0, 0, 0, 0, 0,  // top row
  };
  platform::VideoFrame bgr{pixels.data(), pixels.size(), 1, 2, 8, true};
  ASSERT_TRUE(f.devices.DeliverVideo(1, bgr));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].width, 1);
  EXPECT_EQ(frames[0].height, 2);
  EXPECT_EQ(frames[0].rgb, (std::vector<uint8_t>{6, 5, 4, 3, 2, 1}));

  std::vector<int16_t> samples(960, 0);
  samples[0] = 100 << 6;
  ASSERT_TRUE(f.devices.DeliverAudio(0, samples.data(), 1920));
  const int expected = capture::LevelMeter().Measure(samples.data(), 1920).meter;
  ASSERT_GT(expected, 0);
  EXPECT_EQ(levels, (std::vector<int>{expected}));

  preview.StopPreview();
  f.Tick();
  EXPECT_TRUE(f.devices.audioRunning(0)) << "the meter still wants the page";
  preview.StopLevelMeter();
  f.Tick();
  EXPECT_FALSE(f.devices.videoRunning(1));
  EXPECT_FALSE(f.devices.audioRunning(0));
  EXPECT_EQ(frames.size(), 1u);
}

}  // namespace
}  // namespace vantaro::ui
