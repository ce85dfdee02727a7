// The Windows server under Wine, whose screen is the Xvfb display that make test-windows started
// for Wine: the GDI capture sees what the test paints there, and the pointer that SendInput moves
// is that display's pointer. The stream is decoded on this side.

#include <gtest/gtest.h>

#include <bit>

#include "desktop/h264_test_decoder.h"
#include "input/x_input_observer.h"
#include "support/device_client.h"
#include "support/wire.h"
#include "support/x11_painter.h"
#include "windows/wine_server.h"

namespace vantaro::testing {
namespace {

struct Packet {
  int32_t type = 0;
  std::string payload;
};

Packet ReadPacket(DeviceClient& data, int timeoutMs = 30000) {
  std::string head = data.Receive(16, timeoutMs);
  if (head.size() != 16) return {};
  int32_t n = ReadLe32(head, 4);
  if (n < 0 || n > 8 * 1024 * 1024) return {};
  std::string rest = data.Receive(static_cast<size_t>(n) + 6, timeoutMs);
  if (rest.size() != static_cast<size_t>(n) + 6 || rest.substr(n) != "\nkvrt\n") return {};
  return {ReadLe32(head, 0), rest.substr(0, n)};
}

std::string Pointer(int32_t action, float x = 0, float y = 0) {
  const std::string payload =
      Le32(action) + Le32(std::bit_cast<int32_t>(x)) + Le32(std::bit_cast<int32_t>(y));
  return ControlMessage(600, static_cast<int32_t>(payload.size()), payload);
}

class WindowsDesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (WindowsServerPath().empty()) GTEST_SKIP() << "no Windows server (make test-windows)";
    if (WineDisplay().empty()) GTEST_SKIP() << "Wine has no X display";
    X11Painter painter(WineDisplay());
    ASSERT_TRUE(painter.ok());
    painter.Fill(0xff0000);
    painter.MovePointer(1900, 1060);
    server_ = std::make_unique<WineServer>();
    ASSERT_TRUE(server_->Start());
    ASSERT_GE(server_->process().WaitForLine("status 1:", 60000), 0) << server_->process().Stderr();
    ASSERT_TRUE(control_.Connect(server_->port() + 1, 20000));
    ASSERT_TRUE(control_.Send(ControlMessage(200, 0, HandshakePayload("Tablet", 10500, 1280, 720))));
    ASSERT_EQ(Hex(control_.Receive(30, 20000)), Hex(WelcomeReply()));
    ASSERT_TRUE(data_.Connect(server_->port() + 2, 20000));
  }

  void Mode(int32_t subCode) {
    ASSERT_TRUE(control_.Send(ControlMessage(300, 0, Le32(subCode))));
    ASSERT_EQ(Hex(control_.Receive(10, 20000)), Hex(ShortReply(2006)));
  }

  std::unique_ptr<WineServer> server_;
  DeviceClient control_, data_;
};

TEST_F(WindowsDesktopTest, TheRedScreenStreamsAsDecodableStudioRangeRed) {
  Mode(100);
  ASSERT_TRUE(control_.Send(ControlMessage(400, 0, Le32(4))));
  Packet format = ReadPacket(data_);
  ASSERT_EQ(format.type, 2003) << server_->process().Stderr();
  const int32_t width = ReadLe32(format.payload, 0), height = ReadLe32(format.payload, 4);
  EXPECT_EQ(width, 1066);
  EXPECT_EQ(height, 600);
  H264TestDecoder decoder;
  ASSERT_TRUE(decoder.ok());
  std::vector<DecodedPicture> pictures;
  for (int i = 0; i < 3; ++i) {
    Packet frame = ReadPacket(data_);
    ASSERT_EQ(frame.type, 2001) << i;
    ASSERT_TRUE(decoder.Decode(frame.payload, &pictures));
  }
  ASSERT_TRUE(decoder.Flush(&pictures));
  ASSERT_FALSE(pictures.empty());
  const DecodedPicture& p = pictures.back();
  ASSERT_EQ(p.width, width);
  EXPECT_NEAR(p.y[static_cast<size_t>(height / 4) * width + width / 4], 82, 3);
  EXPECT_NEAR(p.u[static_cast<size_t>(height / 8) * (width / 2) + width / 8], 90, 3);
  EXPECT_NEAR(p.v[static_cast<size_t>(height / 8) * (width / 2) + width / 8], 240, 3);
  ASSERT_TRUE(control_.Send(ControlMessage(301, 0)));
}

TEST_F(WindowsDesktopTest, PointerCommandsMoveTheDisplaysPointer) {
  XInputObserver observer;
  ASSERT_TRUE(observer.Open(WineDisplay()));
  Mode(102);
  struct Row {
    std::string commands;
    std::pair<int, int> pointer;
  } rows[] = {
      {Pointer(10, 0.5f, 0.5f), {960, 540}},
      {Pointer(10, 1.0f, 1.0f), {1919, 1079}},
      {Pointer(10, 0.0f, 0.0f) + Pointer(1, 100, 100) + Pointer(1, 3.7f, -2.9f), {103, 97}},
  };
  for (const Row& row : rows) {
    ASSERT_TRUE(control_.Send(row.commands));
    EXPECT_TRUE(observer.WaitForPointer(row.pointer.first, row.pointer.second, 20000))
        << observer.Pointer().first << "," << observer.Pointer().second;
  }
}

}  // namespace
}  // namespace vantaro::testing
