// The desktop stream in this process on a real loopback connection, read as a device would: a
// device that reads slowly is never sent more than a few frames ahead, while other messages on
// the same connection still get through; and on an unchanged Xvfb screen only the keep-alive
// frames are sent, while a drawing or a pointer move is sent at once.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "desktop/desktop_stream.h"
#include "desktop/h264_test_decoder.h"
#include "desktop/media_packet.h"
#include "platform/fakes/fake_screen_source.h"
#include "platform/linux/posix_factories.h"
#include "platform/linux/x11_screen_source.h"
#include "support/device_client.h"
#include "support/wire.h"
#include "support/x11_painter.h"
#include "support/xvfb_display.h"

namespace vantaro::desktop {
namespace {

using Clock = std::chrono::steady_clock;
using testing::ReadLe32;

class QuietObserver : public app::StatusObserver {
 public:
  void StatusChanged(int32_t) override {}
  void ShowMessage(const std::string&) override {}
};

struct Packet {
  int32_t type = 0;
  std::string payload;
};

// One media packet; type 0 when none came in time or it is malformed.
Packet ReadPacket(testing::DeviceClient& device, int timeoutMs = 5000) {
  std::string head = device.Receive(16, timeoutMs);
  if (head.size() != 16) return {};
  int32_t n = ReadLe32(head, 4);
  if (n < 0 || n > 16 * 1024 * 1024) return {};
  std::string rest = device.Receive(static_cast<size_t>(n) + 6, timeoutMs);
  if (rest.size() != static_cast<size_t>(n) + 6 || rest.compare(n, 6, "\nkvrt\n") != 0) return {};
  return {ReadLe32(head, 0), rest.substr(0, n)};
}

// The app state with its data connection going to `device` over loopback.
class LoopbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state.media.sessionMode = app::kModeRemoteDesktop;
    auto network = platform::CreatePosixNetwork();
    std::unique_ptr<platform::ListenSocket> listener;
    uint16_t port = 0;
    std::string error;
    for (uint16_t p = 47300; p < 47600 && !listener; ++p) {
      listener = network->ListenTcp(p, &error);
      port = p;
    }
    ASSERT_TRUE(listener) << error;
    std::thread connector([&] { ASSERT_TRUE(device.Connect(port)); });
    state.dataSocket.Replace(listener->Accept());
    connector.join();
  }
  void TearDown() override { state.dataSocket.Close(); }

  QuietObserver observer;
  app::AppState state{observer};
  testing::DeviceClient device;
};

TEST_F(LoopbackTest, ASlowDeviceIsNeverAFewFramesBehindAndOtherMessagesStillGetThrough) {
  // Noise makes every frame as large as a busy screen's; no cap, so only the device holds the
  // stream back.
  platform::FakeScreenSource screen(640, 360);
  screen.SetNoise(true);
  DesktopStream stream(state, screen, "", 0);
  std::atomic<int> framesSent{0};
  stream.SetFrameSentHook([&](Clock::time_point) { ++framesSent; });
  stream.OnStartStream(2);

  // Meanwhile another sender: one large message (a listing, a file part) and a run of small
  // ones (audio).
  const std::string large(2 * 1024 * 1024, 'L');
  constexpr int kSmall = 20;
  std::atomic<bool> largeSent{false};
  std::thread other([&] {
    largeSent = SendMediaPacket(state.dataSocket, kPacketAudioData, 0,
                                reinterpret_cast<const uint8_t*>(large.data()), large.size());
    for (int i = 0; i < kSmall; ++i) {
      SendMediaPacket(state.dataSocket, kPacketAudioData, 0,
                      reinterpret_cast<const uint8_t*>("audio"), 5);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });

  int framesRead = 0, smallRead = 0, mostWaiting = 0;
  bool largeRead = false;
  while (framesRead < 40 || !largeRead || smallRead < kSmall) {
    Packet p = ReadPacket(device);
    ASSERT_NE(p.type, 0) << "frames " << framesRead << ", small " << smallRead;
    if (p.type == kPacketAudioData) {
      if (p.payload.size() == large.size()) {
        EXPECT_EQ(p.payload, large);
        largeRead = true;
      } else {
        EXPECT_EQ(p.payload, "audio");
        ++smallRead;
      }
    } else if (p.type == kPacketVideoFrame) {
      ++framesRead;
      mostWaiting = std::max(mostWaiting, framesSent.load() - framesRead);
      // A device that decodes far slower than the computer encodes.
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  other.join();
  stream.OnEndMode();
  state.dataSocket.Close();
  stream.StopAll();
  EXPECT_TRUE(largeSent.load());
  EXPECT_LE(mostWaiting, 3) << "frames sent but not yet read by the device";
}

class UnchangedScreenTest : public LoopbackTest {
 protected:
  void SetUp() override {
    if (!xvfb.ok()) GTEST_SKIP() << xvfb.error();
    const char* old = std::getenv("DISPLAY");
    if (old) oldDisplay = old;
    ::setenv("DISPLAY", xvfb.name().c_str(), 1);
    LoopbackTest::SetUp();
  }
  void TearDown() override {
    if (!xvfb.ok()) return;
    LoopbackTest::TearDown();
    if (oldDisplay.empty())
      ::unsetenv("DISPLAY");
    else
      ::setenv("DISPLAY", oldDisplay.c_str(), 1);
  }

  testing::XvfbDisplay xvfb{"640x480x24"};
  std::string oldDisplay;
};

TEST_F(UnchangedScreenTest, OnlyKeepAliveFramesUntilADrawingOrAPointerMoveIsSentAtOnce) {
  testing::X11Painter painter(xvfb.name());
  ASSERT_TRUE(painter.ok());
  painter.Fill(0x204060);
  painter.MovePointer(600, 440);
  auto source = platform::CreateX11ScreenSource();
  DesktopStream stream(state, *source, "", 20);  // a frame may follow the last after 50 ms
  stream.OnStartStream(2);
  ASSERT_EQ(ReadPacket(device).type, kPacketVideoFormat);
  testing::H264TestDecoder decoder;
  std::vector<testing::DecodedPicture> pictures;
  auto nextFrame = [&] {
    Packet p = ReadPacket(device);
    EXPECT_EQ(p.type, kPacketVideoFrame);
    EXPECT_TRUE(decoder.Decode(p.payload, &pictures));
    return Clock::now();
  };

  // Left alone: a frame at the start and then about one a second, not twenty.
  nextFrame();
  int frames = 0;
  for (auto end = Clock::now() + std::chrono::milliseconds(3000);;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) break;
    Packet p = ReadPacket(device, static_cast<int>(left));
    if (p.type == 0) break;
    EXPECT_TRUE(decoder.Decode(p.payload, &pictures));
    ++frames;
  }
  EXPECT_GE(frames, 1) << "the keep-alive frames";
  EXPECT_LE(frames, 5) << "frames of an unchanged screen";

  // Just after a frame, so that the next keep-alive is about a second away.
  struct Change {
    const char* name;
    void (*apply)(testing::X11Painter&);
  };
  const Change changes[] = {
      {"a drawn rectangle",
       [](testing::X11Painter& p) { p.FillRect(100, 100, 200, 150, 0xff0000); }},
      {"a pointer move", [](testing::X11Painter& p) { p.MovePointer(320, 240); }},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.name);
    nextFrame();
    auto changed = Clock::now();
    c.apply(painter);
    Clock::time_point seen = nextFrame();
    EXPECT_LT(seen - changed, std::chrono::milliseconds(700));
  }
  ASSERT_FALSE(pictures.empty());
  const testing::DecodedPicture& p = pictures.back();
  EXPECT_NEAR(p.y[175 * static_cast<size_t>(p.width) + 200], 82, 3) << "the rectangle is red";
  stream.OnEndMode();
  state.dataSocket.Close();
  stream.StopAll();
}

}  // namespace
}  // namespace vantaro::desktop
