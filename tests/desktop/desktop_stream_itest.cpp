// The real server on a private Xvfb screen, driven as a device: handshake, Remote desktop mode,
// start with a size option, then the video packets on the data connection, decoded.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <memory>
#include <vector>

#include "desktop/h264_test_decoder.h"
#include "support/device_client.h"
#include "support/server_process.h"
#include "support/wire.h"
#include "support/x11_painter.h"
#include "support/xvfb_display.h"

namespace vantaro::testing {
namespace {

struct Packet {
  int32_t type = 0;
  std::string payload;
};

// One media packet from the data connection; type 0 when none arrived in time or it is malformed.
Packet ReadPacket(DeviceClient& data, int timeoutMs = 5000) {
  std::string head = data.Receive(16, timeoutMs);
  if (head.size() != 16) return {};
  int32_t n = ReadLe32(head, 4);
  if (n < 0 || n > 8 * 1024 * 1024) return {};
  std::string rest = data.Receive(static_cast<size_t>(n) + 6, timeoutMs);
  if (rest.size() != static_cast<size_t>(n) + 6 || rest.substr(n) != "\nkvrt\n") return {};
  return {ReadLe32(head, 0), rest.substr(0, n)};
}

class DesktopStreamItest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!xvfb.ok()) GTEST_SKIP() << xvfb.error();
    X11Painter painter(xvfb.name());
    ASSERT_TRUE(painter.ok());
    painter.Fill(0xff0000);
    painter.MovePointer(1900, 1060);  // out of the way of the sampled pixels

    ServerOptions options;
    options.env["DISPLAY"] = xvfb.name();
    server = std::make_unique<ServerProcess>(options);
    ASSERT_TRUE(server->Start());
    ASSERT_GE(server->WaitForLine("status 1:"), 0)
        << server->Stderr() << (server->Lines().empty() ? "" : server->Lines().back());
    ASSERT_TRUE(control.Connect(server->controlPort()));
    ASSERT_TRUE(control.Send(ControlMessage(200, 0, HandshakePayload("Tablet", 10500, 1280, 720))));
    ASSERT_EQ(Hex(control.Receive(30)), Hex(WelcomeReply()));
    if (!data.Connect(server->dataPort(), 2000))
      GTEST_SKIP() << "this build's server does not accept data connections yet";
    ASSERT_TRUE(control.Send(ControlMessage(300, 0, Le32(100))));
    ASSERT_EQ(Hex(control.Receive(10)), Hex(ShortReply(2006)));
  }

  // Starts the stream and reads its format packet and `frames` frames, decoding them.
  void Stream(int32_t option, int frames, int32_t* width, int32_t* height,
              std::vector<DecodedPicture>* pictures) {
    ASSERT_TRUE(control.Send(ControlMessage(400, 0, Le32(option))));
    Packet format = ReadPacket(data);
    ASSERT_EQ(format.type, 2003) << server->Stderr();
    ASSERT_EQ(format.payload.size(), 12u);
    *width = ReadLe32(format.payload, 0);
    *height = ReadLe32(format.payload, 4);
    EXPECT_EQ(ReadLe32(format.payload, 8), 25);
    H264TestDecoder decoder;
    ASSERT_TRUE(decoder.ok());
    for (int i = 0; i < frames; ++i) {
      Packet frame = ReadPacket(data);
      ASSERT_EQ(frame.type, 2001) << i;
      ASSERT_EQ(frame.payload.compare(0, 4, std::string("\0\0\0\1", 4)), 0);
      ASSERT_TRUE(decoder.Decode(frame.payload, pictures));
    }
    ASSERT_TRUE(decoder.Flush(pictures));
  }

  // Ends the mode: the reply comes, and after the frame in flight nothing more.
  void EndMode() {
    ASSERT_TRUE(control.Send(ControlMessage(301, 0)));
    EXPECT_EQ(Hex(control.Receive(10)), Hex(ShortReply(2002)));
    std::string tail;
    for (int i = 0; i < 20; ++i) {
      std::string more = data.ReceiveAvailable(200);
      if (more.empty()) break;
      tail += more;
    }
    EXPECT_EQ(data.ReceiveAvailable(300), "") << "frames go on after the end of the mode";
  }

  XvfbDisplay xvfb{"1920x1080x24"};
  std::unique_ptr<ServerProcess> server;
  DeviceClient control;
  DeviceClient data;
};

TEST_F(DesktopStreamItest, EverySizeOptionStreamsDecodablePicturesOfThatSize) {
  struct Case {
    int32_t option;
    int32_t width, height;
  };
  // A 1920 x 1080 screen and a 1280 x 720 device.
  const Case cases[] = {{1, 1280, 720}, {2, 1920, 1080}, {3, 1364, 768}, {4, 1066, 600}};
  for (const Case& c : cases) {
    int32_t width = 0, height = 0;
    std::vector<DecodedPicture> pictures;
    Stream(c.option, 5, &width, &height, &pictures);
    EXPECT_EQ(width, c.width) << c.option;
    EXPECT_EQ(height, c.height) << c.option;
    ASSERT_EQ(pictures.size(), 5u) << c.option;
    for (const DecodedPicture& p : pictures) {
      EXPECT_EQ(p.width, c.width);
      EXPECT_EQ(p.height, c.height);
    }
    EndMode();
  }
}

TEST_F(DesktopStreamItest, RedScreenArrivesAsStudioRangeRed) {
  int32_t width = 0, height = 0;
  std::vector<DecodedPicture> pictures;
  Stream(4, 3, &width, &height, &pictures);
  ASSERT_FALSE(pictures.empty());
  const DecodedPicture& p = pictures.back();
  EXPECT_NEAR(p.y[static_cast<size_t>(height / 4) * width + width / 4], 82, 3);
  EXPECT_NEAR(p.u[static_cast<size_t>(height / 8) * (width / 2) + width / 8], 90, 3);
  EXPECT_NEAR(p.v[static_cast<size_t>(height / 8) * (width / 2) + width / 8], 240, 3);
  EndMode();
}

TEST_F(DesktopStreamItest, SigtermWhileStreamingToADeviceThatStoppedReadingEndsWithinASecond) {
  ASSERT_TRUE(control.Send(ControlMessage(400, 0, Le32(2))));
  ASSERT_EQ(ReadPacket(data).type, 2003);
  // The device stops reading: the stream thread soon blocks in a send on the full connection.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(server->Stop(1000), 0);
}

}  // namespace
}  // namespace vantaro::testing
