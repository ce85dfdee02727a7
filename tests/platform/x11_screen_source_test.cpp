#include "platform/linux/x11_screen_source.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <memory>

#include "support/x11_painter.h"
#include "support/xvfb_display.h"

namespace vantaro::platform {
namespace {

using testing::X11Painter;

class X11ScreenSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!xvfb.ok()) GTEST_SKIP() << xvfb.error();
    const char* old = std::getenv("DISPLAY");
    if (old) oldDisplay = old;
    ::setenv("DISPLAY", xvfb.name().c_str(), 1);
  }
  void TearDown() override {
    if (oldDisplay.empty()) ::unsetenv("DISPLAY");
    else ::setenv("DISPLAY", oldDisplay.c_str(), 1);
  }
  // The BGRX pixel at (x, y) of the newest picture, within a few frames of a change.
  bool SeesColour(ScreenSource& source, uint32_t rgb, int x, int y, ScreenFrame* frame) {
    for (int i = 0; i < 4; ++i) {
      if (source.CaptureFrame(frame) != CaptureResult::kOk) return false;
      const uint8_t* p = frame->pixels + y * frame->stride + x * 4;
      if (p[0] == (rgb & 0xff) && p[1] == ((rgb >> 8) & 0xff) && p[2] == ((rgb >> 16) & 0xff))
        return true;
    }
    return false;
  }

  testing::XvfbDisplay xvfb{"640x480x24"};
  std::string oldDisplay;
};

TEST_F(X11ScreenSourceTest, CapturesTheRootWindowAndTheCursor) {
  std::unique_ptr<ScreenSource> source = CreateX11ScreenSource();
  ScreenSize size;
  std::string error;
  ASSERT_TRUE(source->Start(&size, &error)) << error;
  EXPECT_EQ(size.width, 640);
  EXPECT_EQ(size.height, 480);

  X11Painter painter(xvfb.name());
  painter.MovePointer(100, 50);
  ScreenFrame frame;
  for (uint32_t rgb : {0xff0000u, 0x0000ffu, 0x12ab34u}) {
    painter.Fill(rgb);
    EXPECT_TRUE(SeesColour(*source, rgb, 600, 470, &frame)) << std::hex << rgb;
  }
  EXPECT_EQ(frame.width, 640);
  EXPECT_EQ(frame.height, 480);
  EXPECT_GE(frame.stride, 640 * 4);
  EXPECT_TRUE(frame.cursor.visible);
  EXPECT_EQ(frame.cursor.x, 100);
  EXPECT_EQ(frame.cursor.y, 50);
  EXPECT_GT(frame.cursor.width, 0);
  EXPECT_EQ(frame.cursor.argb.size(),
            static_cast<size_t>(frame.cursor.width) * frame.cursor.height);

  // Stopped and started again, it works as new.
  source->Stop();
  ASSERT_TRUE(source->Start(&size, &error)) << error;
  painter.Fill(0x00ff00);
  EXPECT_TRUE(SeesColour(*source, 0x00ff00, 0, 0, &frame));
  source->Stop();
}

TEST_F(X11ScreenSourceTest, MissingDisplayFailsAtStartWithAReason) {
  for (const char* display : {"", ":65531"}) {
    ::setenv("DISPLAY", display, 1);
    std::unique_ptr<ScreenSource> source = CreateX11ScreenSource();
    ScreenSize size;
    std::string error;
    EXPECT_FALSE(source->Start(&size, &error)) << display;
    EXPECT_FALSE(error.empty()) << display;
    ScreenFrame frame;
    EXPECT_EQ(source->CaptureFrame(&frame), CaptureResult::kPermanentFailure) << display;
  }
}

}  // namespace
}  // namespace vantaro::platform
