#include "capture/camera_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "../desktop/h264_test_decoder.h"
#include "capture_fixture.h"

namespace vantaro::capture {
namespace {

// A red picture of `width` x `height` with rows padded to four bytes.
struct RedFrame {
  RedFrame(int32_t width, int32_t height, bool bottomUp = false) {
    stride = (width * 3 + 3) & ~3;
    pixels.assign(static_cast<size_t>(stride) * height, 0);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) pixels[y * stride + 3 * x + 2] = 255;
    }
    frame.pixels = pixels.data();
    frame.size = pixels.size();
    frame.width = width;
    frame.height = height;
    frame.stride = stride;
    frame.bottomUp = bottomUp;
  }
  int32_t stride;
  std::vector<uint8_t> pixels;
  platform::VideoFrame frame;
};

class RecordingPreview : public CapturePreviewObserver {
 public:
  void OnPreviewFrame(const platform::VideoFrame&) override { ++frames; }
  void OnPreviewStopped() override { ++stops; }
  void OnLevelMeter(int32_t) override {}
  int frames = 0;
  int stops = 0;
};

struct CameraFixture : CaptureFixture {
  CameraFixture() : stream(state.media, state.dataSocket, choice, page, clock) {
    page.SetObserver(&preview);
  }
  ~CameraFixture() { page.SetObserver(nullptr); }
  RecordingPreview preview;
  CameraStream stream;
};

// Camera start while the preview runs: the preview is closed (with its wait), the camera opens
// again with the callback, the first frame only announces the size, every later frame is one
// packet that a fresh decoder decodes alone.
TEST(CameraStream, StartWhilePreviewRunsAnnouncesThenSendsSelfContainedFrames) {
  CameraFixture f;
  f.ShowPage(true);
  f.stream.OnCameraTimer();
  ASSERT_TRUE(f.stream.graphRunning());
  RedFrame red(64, 48);
  ASSERT_TRUE(f.devices.DeliverVideo(0, red.frame));
  EXPECT_TRUE(f.Packets().empty());  // a preview sends nothing
  EXPECT_EQ(f.preview.frames, 1);

  f.StartCamera();
  f.stream.OnCameraTimer();
  EXPECT_EQ(f.devices.events(),
            (std::vector<std::string>{"video start 0", "video stop 0", "video start 0"}));
  EXPECT_EQ(f.clock.sleptMs(), kCameraStopWaitMs + kCameraRebuildWaitMs);
  EXPECT_FALSE(f.state.media.cameraChangePending);

  for (int i = 0; i < 3; ++i) ASSERT_TRUE(f.devices.DeliverVideo(0, red.frame));
  std::vector<SentPacket> packets = f.Packets();
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(packets[0].type, 2003);
  ASSERT_EQ(packets[0].payload.size(), 12u);
  EXPECT_EQ(ReadLe32(packets[0].payload.data()), 64);
  EXPECT_EQ(ReadLe32(packets[0].payload.data() + 4), 48);
  EXPECT_EQ(ReadLe32(packets[0].payload.data() + 8), 25);
  for (size_t i = 1; i < packets.size(); ++i) {
    EXPECT_EQ(packets[i].type, 2001);
    testing::H264TestDecoder decoder;
    std::vector<testing::DecodedPicture> pictures;
    ASSERT_TRUE(decoder.Decode(packets[i].payload.data(), packets[i].payload.size(), &pictures));
    ASSERT_TRUE(decoder.Flush(&pictures));
    ASSERT_EQ(pictures.size(), 1u) << "frame " << i;
    EXPECT_TRUE(pictures[0].key);
    EXPECT_NEAR(pictures[0].y[100], 76, 4);
    EXPECT_NEAR(pictures[0].u[10], 85, 4);
    EXPECT_NEAR(pictures[0].v[10], 255, 4);
  }
}

// A camera may deliver its first frame while it is still being opened: that frame too only
// announces the size, and the format packet is sent once.
TEST(CameraStream, FrameDuringTheOpenOnlyAnnounces) {
  CameraFixture f;
  RedFrame red(64, 48);
  f.devices.DeliverOnStart(0, &red.frame);
  f.StartCamera();
  f.stream.OnCameraTimer();
  f.devices.DeliverVideo(0, red.frame);
  std::vector<SentPacket> packets = f.Packets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0].type, 2003);
  EXPECT_EQ(packets[1].type, 2001);
}

// A connection that has not sent the earlier bytes yet: the frames that come meanwhile are
// dropped, not queued, and the next one after the connection drained goes out.
class BusySocket : public platform::FakeStreamSocket {
 public:
  platform::SendRoom WaitForSendRoom(size_t, int) override {
    return busy ? platform::SendRoom::kBusy : platform::SendRoom::kReady;
  }
  std::atomic<bool> busy{false};
};

TEST(CameraStream, FramesAreDroppedWhileTheConnectionIsBusy) {
  CameraFixture f;
  auto socket = std::make_shared<BusySocket>();
  f.state.dataSocket.Replace(socket);
  f.StartCamera();
  f.stream.OnCameraTimer();
  RedFrame red(64, 48);
  f.devices.DeliverVideo(0, red.frame);  // the format packet
  socket->busy = true;
  for (int i = 0; i < 3; ++i) f.devices.DeliverVideo(0, red.frame);
  EXPECT_EQ(ParsePackets(socket->Sent()).size(), 1u);
  socket->busy = false;
  f.devices.DeliverVideo(0, red.frame);
  std::vector<SentPacket> packets = ParsePackets(socket->Sent());
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[1].type, 2001);
}

TEST(CameraStream, EndModeDropsFramesUntilTheTickClosesTheCamera) {
  CameraFixture f;
  f.StartCamera();
  f.stream.OnCameraTimer();  // built although the page is not shown
  RedFrame red(64, 48);
  f.devices.DeliverVideo(0, red.frame);
  f.devices.DeliverVideo(0, red.frame);
  ASSERT_EQ(f.Packets().size(), 2u);
  EXPECT_EQ(f.preview.frames, 0);  // a hidden page draws nothing

  f.EndMode();
  f.devices.DeliverVideo(0, red.frame);
  EXPECT_EQ(f.Packets().size(), 2u);
  f.stream.OnCameraTimer();
  EXPECT_FALSE(f.stream.graphRunning());
  EXPECT_FALSE(f.devices.videoRunning(0));
  EXPECT_EQ(f.preview.stops, 1);
}

// Odd sizes are cropped to even ones, and a bottom-up frame's top rows are the ones kept.
TEST(CameraStream, OddBottomUpFrameIsCroppedToEven) {
  CameraFixture f;
  f.StartCamera();
  f.stream.OnCameraTimer();
  RedFrame odd(33, 19, true);
  // The stored first row is the picture's bottom row: make it black, so that keeping it would
  // show at the bottom of the decoded picture.
  std::fill(odd.pixels.begin(), odd.pixels.begin() + odd.stride, 0);
  f.devices.DeliverVideo(0, odd.frame);
  f.devices.DeliverVideo(0, odd.frame);
  std::vector<SentPacket> packets = f.Packets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(ReadLe32(packets[0].payload.data()), 32);
  EXPECT_EQ(ReadLe32(packets[0].payload.data() + 4), 18);
  testing::H264TestDecoder decoder;
  std::vector<testing::DecodedPicture> pictures;
  ASSERT_TRUE(decoder.Decode(packets[1].payload.data(), packets[1].payload.size(), &pictures));
  ASSERT_TRUE(decoder.Flush(&pictures));
  ASSERT_EQ(pictures.size(), 1u);
  ASSERT_EQ(pictures[0].width, 32);
  EXPECT_NEAR(pictures[0].y[17 * 32 + 5], 76, 6);  // last row kept is red, not black
}

TEST(CameraStream, FailedOpenIsRetriedOnlyForThePreview) {
  CameraFixture f;
  f.devices.FailVideoStart(0, true);
  f.StartCamera();
  f.stream.OnCameraTimer();
  f.stream.OnCameraTimer();
  EXPECT_EQ(f.devices.events(), (std::vector<std::string>{"video start-failed 0"}));
  EXPECT_FALSE(f.state.media.cameraChangePending);
  f.EndMode();
  f.ShowPage(true);
  f.stream.OnCameraTimer();
  f.stream.OnCameraTimer();
  EXPECT_EQ(f.devices.events().size(), 3u);
}

TEST(CameraStream, LostCameraEndsTheStreamQuietly) {
  CameraFixture f;
  f.StartCamera();
  f.stream.OnCameraTimer();
  ASSERT_TRUE(f.devices.LoseVideo(0, "unplugged"));
  f.stream.OnCameraTimer();
  f.stream.OnCameraTimer();
  EXPECT_FALSE(f.stream.graphRunning());
  EXPECT_EQ(f.devices.events(), (std::vector<std::string>{"video start 0", "video stop 0"}));
}

// Choosing another camera while the preview runs stops it; the next tick opens the new one.
TEST(CameraStream, OtherCameraChosenWhilePreviewRuns) {
  CameraFixture f;
  f.ShowPage(true);
  f.stream.OnCameraTimer();
  ASSERT_TRUE(f.choice.SelectVideo(1, f.stream.graphRunning()));
  f.stream.StopCameraGraph();
  f.stream.OnCameraTimer();
  EXPECT_TRUE(f.devices.videoRunning(1));
  EXPECT_FALSE(f.devices.videoRunning(0));
}

}  // namespace
}  // namespace vantaro::capture
