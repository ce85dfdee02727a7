#include "desktop/desktop_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "desktop/h264_test_decoder.h"
#include "desktop/media_packet.h"
#include "platform/fakes/fake_screen_source.h"
#include "platform/fakes/fake_socket.h"
#include "support/wire.h"

namespace vantaro::desktop {
namespace {

using testing::ReadLe32;

class RecordingObserver : public app::StatusObserver {
 public:
  void StatusChanged(int32_t) override {}
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;  // control thread only in these tests
};

struct Packet {
  int32_t type;
  std::string payload;
};

// Splits what was sent into media packets; stops at the first malformed one.
std::vector<Packet> Packets(const std::string& bytes, bool* wellFormed) {
  std::vector<Packet> packets;
  size_t at = 0;
  *wellFormed = true;
  while (at + 22 <= bytes.size()) {
    int32_t n = ReadLe32(bytes, at + 4);
    if (n < 0 || at + 22 + static_cast<size_t>(n) > bytes.size()) break;
    if (bytes.compare(at + 16 + n, 6, "\nkvrt\n") != 0) {
      *wellFormed = false;
      break;
    }
    packets.push_back({ReadLe32(bytes, at), bytes.substr(at + 16, n)});
    at += 22 + n;
  }
  return packets;
}

template <typename Condition>
bool WaitFor(Condition condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class DesktopStreamTest : public ::testing::Test {
 protected:
  DesktopStreamTest() : state(observer), screen(640, 360, 0xff0000) {
    state.dataSocket.Replace(socket);
    state.deviceDisplayWidth = 320;
    state.deviceDisplayHeight = 180;
    state.media.sessionMode = app::kModeRemoteDesktop;
  }

  std::vector<Packet> SentPackets() {
    bool wellFormed = false;
    std::vector<Packet> packets = Packets(socket->Sent(), &wellFormed);
    EXPECT_TRUE(wellFormed);
    return packets;
  }
  bool WaitForPackets(size_t count) {
    return WaitFor([&] { return SentPackets().size() >= count; });
  }

  RecordingObserver observer;
  app::AppState state;
  platform::FakeScreenSource screen;
  std::shared_ptr<platform::FakeStreamSocket> socket =
      std::make_shared<platform::FakeStreamSocket>();
  DesktopStream stream{state, screen, "No video or audio device found"};
};

TEST_F(DesktopStreamTest, EachSizeOptionSendsFormatThenFramesOfThatSize) {
  struct Case {
    int32_t option;
    int32_t width, height;
  };
  // A 640 x 360 screen and a 320 x 180 device.
  const Case cases[] = {{1, 320, 180}, {2, 640, 360}, {3, 1364, 768}, {4, 1066, 600}};
  for (const Case& c : cases) {
    socket = std::make_shared<platform::FakeStreamSocket>();
    state.dataSocket.Replace(socket);
    stream.OnStartStream(c.option);
    ASSERT_TRUE(WaitForPackets(3)) << c.option;
    stream.OnEndMode();
    stream.StopAll();
    EXPECT_EQ(stream.outputSize(), (PictureSize{c.width, c.height}));

    std::vector<Packet> packets = SentPackets();
    ASSERT_EQ(packets[0].type, kPacketVideoFormat);
    ASSERT_EQ(packets[0].payload.size(), 12u);
    EXPECT_EQ(ReadLe32(packets[0].payload, 0), c.width);
    EXPECT_EQ(ReadLe32(packets[0].payload, 4), c.height);
    EXPECT_EQ(ReadLe32(packets[0].payload, 8), 25);
    testing::H264TestDecoder decoder;
    std::vector<testing::DecodedPicture> pictures;
    for (size_t i = 1; i < packets.size(); ++i) {
      ASSERT_EQ(packets[i].type, kPacketVideoFrame) << "only one format packet";
      ASSERT_EQ(packets[i].payload.compare(0, 4, std::string("\0\0\0\1", 4)), 0);
      ASSERT_TRUE(decoder.Decode(packets[i].payload, &pictures));
    }
    ASSERT_TRUE(decoder.Flush(&pictures));
    ASSERT_EQ(pictures.size(), packets.size() - 1);
    EXPECT_EQ(pictures[0].width, c.width);
    EXPECT_EQ(pictures[0].height, c.height);
    EXPECT_NEAR(pictures[0].y[pictures[0].y.size() / 2], 82, 3) << "red";
    EXPECT_NEAR(pictures[0].u[0], 90, 3);
  }
}

TEST_F(DesktopStreamTest, EndModeStopsTheLoopWithoutBeingJoined) {
  stream.OnStartStream(1);
  ASSERT_TRUE(WaitForPackets(2));
  stream.OnEndMode();
  EXPECT_FALSE(state.media.streamRunning.load());
  ASSERT_TRUE(WaitFor([&] { return screen.stops() == 1; })) << "the loop ends by itself";
  size_t sent = socket->Sent().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(socket->Sent().size(), sent);
}

TEST_F(DesktopStreamTest, StartWhileRunningStopsTheFirstLoopAndRereadsTheScreen) {
  stream.OnStartStream(2);
  ASSERT_TRUE(WaitForPackets(2));
  screen.Resize(800, 600, 0x00ff00);  // the resolution changes between two starts
  stream.OnStartStream(2);
  EXPECT_EQ(screen.stops(), 1) << "the first loop ended before the second began";
  EXPECT_EQ(screen.starts(), 2);
  auto formats = [](const std::vector<Packet>& p) {
    return std::count_if(p.begin(), p.end(),
                         [](const Packet& q) { return q.type == kPacketVideoFormat; });
  };
  ASSERT_TRUE(WaitFor([&] {
    std::vector<Packet> p = SentPackets();
    return formats(p) == 2 && p.back().type == kPacketVideoFrame;
  }));
  stream.StopAll();
  EXPECT_EQ(screen.maxConcurrentCaptures(), 1);
  EXPECT_EQ(stream.outputSize(), (PictureSize{800, 600}));
  std::vector<Packet> packets = SentPackets();
  auto second = std::find_if(packets.begin() + 1, packets.end(),
                             [](const Packet& q) { return q.type == kPacketVideoFormat; });
  ASSERT_NE(second, packets.end());
  EXPECT_EQ(ReadLe32(second->payload, 0), 800);
  EXPECT_EQ(ReadLe32(second->payload, 4), 600);
}

TEST_F(DesktopStreamTest, TheFrameCapIsHonoured) {
  struct Case {
    int32_t maxFps;
    size_t frames;
  };
  // The fake screen reports every wait as a change and the fake connection always has room, so
  // only the cap holds the loop back. Counted from the start, so the bound is generous.
  for (Case c : {Case{10, 12}, Case{25, 30}}) {
    SCOPED_TRACE(c.maxFps);
    socket = std::make_shared<platform::FakeStreamSocket>();
    state.dataSocket.Replace(socket);
    DesktopStream capped(state, screen, "", c.maxFps);
    auto start = std::chrono::steady_clock::now();
    capped.OnStartStream(1);
    ASSERT_TRUE(WaitForPackets(c.frames + 1));
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    capped.StopAll();
    EXPECT_LE(static_cast<double>(c.frames - 1), c.maxFps * seconds + 1);
  }
}

TEST_F(DesktopStreamTest, NoScreenMeansNoStream) {
  screen.FailStart("cannot open display :99");
  stream.OnStartStream(1);
  stream.StopAll();
  EXPECT_FALSE(state.media.streamRunning.load());
  EXPECT_EQ(screen.captures(), 0);
  EXPECT_EQ(socket->Sent(), "");
}

TEST_F(DesktopStreamTest, SizesThatCannotBeEncodedSendNothing) {
  state.deviceDisplayWidth = 100000;  // from the network: must not size a picture
  state.deviceDisplayHeight = 100000;
  stream.OnStartStream(1);
  stream.StopAll();
  EXPECT_EQ(screen.captures(), 0);
  EXPECT_EQ(screen.stops(), 1) << "the screen is released again";
  EXPECT_EQ(socket->Sent(), "");
}

TEST_F(DesktopStreamTest, LostScreenOrLostDeviceEndsTheLoop) {
  // The screen goes away mid-stream.
  stream.OnStartStream(1);
  ASSERT_TRUE(WaitForPackets(2));
  screen.SetCaptureResult(platform::CaptureResult::kPermanentFailure);
  ASSERT_TRUE(WaitFor([&] { return screen.stops() == 1; }));
  EXPECT_FALSE(state.media.streamRunning.load());
  stream.StopAll();

  // The device's data connection goes away: the frames must not flow on to the next device.
  screen.SetCaptureResult(platform::CaptureResult::kOk);
  socket = std::make_shared<platform::FakeStreamSocket>();
  state.dataSocket.Replace(socket);
  stream.OnStartStream(1);
  ASSERT_TRUE(WaitForPackets(3));
  socket->Shutdown();
  ASSERT_TRUE(WaitFor([&] { return screen.stops() == 2; }));
  EXPECT_FALSE(state.media.streamRunning.load());
  stream.StopAll();
}

TEST_F(DesktopStreamTest, TemporaryCaptureFailureStillSendsAPicture) {
  screen.SetCaptureResult(platform::CaptureResult::kTemporaryFailure);
  stream.OnStartStream(1);
  ASSERT_TRUE(WaitForPackets(2));
  stream.StopAll();
  testing::H264TestDecoder decoder;
  std::vector<testing::DecodedPicture> pictures;
  ASSERT_TRUE(decoder.Decode(SentPackets()[1].payload, &pictures));
  ASSERT_TRUE(decoder.Flush(&pictures));
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_NEAR(pictures[0].y[0], 16, 2) << "black, not uninitialised memory";
}

TEST_F(DesktopStreamTest, CameraAndRecorderStartsSetTheirFlagsOrTellTheUser) {
  struct Case {
    const char* name;
    int32_t mode;
    int32_t videoInputs, audioInputs;
    bool cameraOn, recorderOn, message;
  };
  const Case cases[] = {
      {"camera with both devices", app::kModeCamera, 1, 1, true, true, false},
      {"camera without microphone", app::kModeCamera, 1, 0, false, false, true},
      {"camera without camera", app::kModeCamera, 0, 2, false, false, true},
      {"recorder with microphone", app::kModeRecorder, 0, 1, false, true, false},
      {"recorder without microphone", app::kModeRecorder, 3, 0, false, false, true},
      {"no mode chosen", app::kModeNone, 1, 1, false, false, false},
  };
  for (const Case& c : cases) {
    RecordingObserver localObserver;
    app::AppState local(localObserver);
    platform::FakeScreenSource localScreen(64, 64);
    DesktopStream handler(local, localScreen, "No video or audio device found");
    local.media.sessionMode = c.mode;
    local.videoInputCount = c.videoInputs;
    local.audioInputCount = c.audioInputs;
    handler.OnStartStream(1);
    EXPECT_EQ(local.media.cameraOn.load(), c.cameraOn) << c.name;
    EXPECT_EQ(local.media.cameraChangePending.load(), c.cameraOn) << c.name;
    EXPECT_EQ(local.media.recorderOn.load(), c.recorderOn) << c.name;
    EXPECT_EQ(local.media.recorderChangePending.load(), c.recorderOn) << c.name;
    EXPECT_EQ(localObserver.messages,
              c.message ? std::vector<std::string>{"No video or audio device found"}
                        : std::vector<std::string>{})
        << c.name;
    EXPECT_EQ(localScreen.starts(), 0) << c.name;
  }
}

TEST_F(DesktopStreamTest, EndModeSwitchesOnlyRunningMediaOff) {
  struct Case {
    bool cameraOn, recorderOn;
  };
  for (Case c : {Case{true, true}, Case{true, false}, Case{false, true}, Case{false, false}}) {
    state.media.cameraOn = c.cameraOn;
    state.media.recorderOn = c.recorderOn;
    state.media.cameraChangePending = false;
    state.media.recorderChangePending = false;
    stream.OnEndMode();
    EXPECT_FALSE(state.media.cameraOn.load());
    EXPECT_FALSE(state.media.recorderOn.load());
    EXPECT_EQ(state.media.cameraChangePending.load(), c.cameraOn);
    EXPECT_EQ(state.media.recorderChangePending.load(), c.recorderOn);
  }
}

}  // namespace
}  // namespace vantaro::desktop
