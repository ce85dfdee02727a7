#include "capture/microphone_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "capture_fixture.h"

namespace vantaro::capture {
namespace {

// An encoder whose every buffer is the header and one 10-byte frame, and which takes 3 ms of
// the fake clock per frame, so that the calibration has a known mean.
class TimedFrameEncoder : public NarrowbandFrameEncoder {
 public:
  explicit TimedFrameEncoder(platform::FakeClock& clock) : clock_(clock) {}
  size_t EncodeFrame(const float*, std::vector<uint8_t>* out) override {
    clock_.AdvanceMs(3);
    out->insert(out->end(), 10, 0xAB);
    return 10;
  }
  void WriteHeader(int32_t, uint8_t* out) override { std::fill(out, out + 80, 0x11); }

 private:
  platform::FakeClock& clock_;
};

struct MicrophoneFixture : CaptureFixture {
  MicrophoneFixture()
      : stream(state.media, state.dataSocket, choice, page, clock,
               [this] { return std::make_unique<TimedFrameEncoder>(clock); }) {}
  // Buffers of 960 samples with a peak of 64 << 6 on the even samples.
  void Deliver(int count, int32_t device = 0) {
    std::vector<int16_t> samples(960, 0);
    samples[0] = 64 << 6;
    for (int i = 0; i < count; ++i) ASSERT_TRUE(devices.DeliverAudio(device, samples.data(), 1920));
  }
  MicrophoneStream stream;
};

TEST(MicrophoneStream, RecordingCalibratesThenSendsFormatThenData) {
  MicrophoneFixture f;
  f.StartRecorder();
  f.stream.OnAudioTimer();
  ASSERT_TRUE(f.stream.recordingActive());
  EXPECT_TRUE(f.state.media.audioHeaderPending);
  EXPECT_FALSE(f.state.media.recorderChangePending);

  f.Deliver(kCalibrationBuffers);
  EXPECT_TRUE(f.Packets().empty());
  f.Deliver(1);
  std::vector<SentPacket> packets = f.Packets();
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0].type, 2004);
  ASSERT_EQ(packets[0].payload.size(), 12u);
  EXPECT_EQ(ReadLe32(packets[0].payload.data()), 44100);
  EXPECT_EQ(ReadLe32(packets[0].payload.data() + 4), 0);
  EXPECT_EQ(ReadLe32(packets[0].payload.data() + 8), 0);
  // Six frames of 3 ms each per buffer: 18 ms, plus one buffer's 960 / 44,100 s.
  EXPECT_NEAR(packets[0].time, 0.018 + 960.0 / 44100.0, 1e-12);

  f.Deliver(2);
  packets = f.Packets();
  ASSERT_EQ(packets.size(), 3u);
  for (int i = 1; i < 3; ++i) {
    EXPECT_EQ(packets[i].type, 2002);
    // Header, six frames, then the level: (64 + 0) / 3840 * 100 = 1.
    ASSERT_EQ(packets[i].payload.size(), 80u + 60u + 4u);
    EXPECT_EQ(ReadLe32(packets[i].payload.data() + 140), 1);
  }
}

TEST(MicrophoneStream, NewerDevicesGetNoLevelField) {
  MicrophoneFixture f;
  f.state.media.omitAudioLevel = true;
  f.StartRecorder();
  f.stream.OnAudioTimer();
  f.Deliver(kCalibrationBuffers + 2);
  std::vector<SentPacket> packets = f.Packets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[1].type, 2002);
  EXPECT_EQ(packets[1].payload.size(), 80u + 60u);
}

TEST(MicrophoneStream, MeterRunsWhileThePageIsShownAndSendsNothing) {
  MicrophoneFixture f;
  f.stream.OnAudioTimer();
  EXPECT_FALSE(f.stream.recordingActive());
  f.ShowPage(true);
  f.stream.OnAudioTimer();
  EXPECT_TRUE(f.devices.audioRunning(0));
  f.Deliver(30);
  EXPECT_TRUE(f.Packets().empty());
  f.ShowPage(false);
  f.stream.OnAudioTimer();
  EXPECT_FALSE(f.devices.audioRunning(0));
  EXPECT_EQ(f.clock.sleptMs(), kAudioStopWaitMs);
}

// Start while the meter runs: the next tick reopens the input for the recording; the end of the
// mode reopens it for the meter alone.
TEST(MicrophoneStream, StartAndEndWhileTheMeterRuns) {
  MicrophoneFixture f;
  f.ShowPage(true);
  f.stream.OnAudioTimer();
  f.devices.ClearEvents();
  f.StartRecorder();
  f.Deliver(3);  // the change is not acted on yet: nothing is sent
  EXPECT_TRUE(f.Packets().empty());
  f.stream.OnAudioTimer();
  EXPECT_EQ(f.devices.events(), (std::vector<std::string>{"audio stop 0", "audio start 0"}));
  f.Deliver(kCalibrationBuffers + 1);
  ASSERT_EQ(f.Packets().size(), 1u);

  f.devices.ClearEvents();
  f.EndMode();
  f.Deliver(1);  // dropped: the device no longer records
  EXPECT_EQ(f.Packets().size(), 1u);
  f.stream.OnAudioTimer();
  EXPECT_EQ(f.devices.events(), (std::vector<std::string>{"audio stop 0", "audio start 0"}));
  EXPECT_FALSE(f.state.media.recorderChangePending);
}

TEST(MicrophoneStream, FailedOpenIsRetriedOnlyForTheMeter) {
  MicrophoneFixture f;
  f.devices.FailAudioStart(0, true);
  f.StartRecorder();
  f.stream.OnAudioTimer();
  f.stream.OnAudioTimer();
  EXPECT_EQ(f.devices.events(), (std::vector<std::string>{"audio start-failed 0"}));

  f.EndMode();
  f.ShowPage(true);
  f.stream.OnAudioTimer();
  f.stream.OnAudioTimer();
  EXPECT_EQ(f.devices.events().size(), 3u);  // each meter tick tries again
}

TEST(MicrophoneStream, LostMicrophoneEndsTheRecordingQuietly) {
  MicrophoneFixture f;
  f.StartRecorder();
  f.stream.OnAudioTimer();
  ASSERT_TRUE(f.devices.LoseAudio(0, "unplugged"));
  f.stream.OnAudioTimer();
  EXPECT_FALSE(f.stream.recordingActive());
  f.stream.OnAudioTimer();
  EXPECT_EQ(f.devices.events(), (std::vector<std::string>{"audio start 0", "audio stop 0"}));
  // The next start opens it again.
  f.EndMode();
  f.StartRecorder();
  f.stream.OnAudioTimer();
  EXPECT_TRUE(f.devices.audioRunning(0));
}

// Choosing another microphone while the meter runs stops it at once; the next tick opens the
// new one.
TEST(MicrophoneStream, OtherMicrophoneChosenWhileRunning) {
  MicrophoneFixture f;
  f.ShowPage(true);
  f.stream.OnAudioTimer();
  ASSERT_TRUE(f.devices.audioRunning(0));
  EXPECT_FALSE(f.choice.SelectAudio(0, true));  // the same entry again: nothing to stop
  ASSERT_TRUE(f.choice.SelectAudio(1, f.stream.recordingActive()));
  f.stream.StopAudioCapture();
  f.stream.OnAudioTimer();
  EXPECT_TRUE(f.devices.audioRunning(1));
  EXPECT_FALSE(f.devices.audioRunning(0));
}

}  // namespace
}  // namespace vantaro::capture
