#include "desktop/cursor_overlay.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantaro::desktop {
namespace {

platform::CursorImage Cursor(int x, int y, int hotX, int hotY, int w = 2, int h = 2,
                             uint32_t argb = 0xff0000ff) {
  platform::CursorImage c;
  c.visible = true;
  c.x = x;
  c.y = y;
  c.hotX = hotX;
  c.hotY = hotY;
  c.width = w;
  c.height = h;
  c.argb.assign(static_cast<size_t>(w) * h, argb);
  return c;
}

TEST(PlaceCursor, PositionFollowsTheSinglePrecisionScale) {
  struct Case {
    const char* name;
    platform::CursorImage cursor;
    PictureSize screen, output;
    CursorPoint expected;
  };
  const Case cases[] = {
      {"two thirds of 1920 x 1080", Cursor(964, 544, 4, 4), {1920, 1080}, {1280, 720}, {640, 360}},
      {"same size: position less hotspot", Cursor(100, 50, 3, 7), {1366, 768}, {1366, 768},
       {97, 43}},
      {"truncated, not rounded", Cursor(1919, 1079, 0, 0), {1920, 1080}, {1280, 720}, {1279, 719}},
      {"above the left edge truncates toward zero", Cursor(0, 0, 5, 5), {1920, 1080},
       {1066, 600}, {-2, -2}},
      {"on another monitor: outside the picture", Cursor(2500, 100, 0, 0), {1920, 1080},
       {1280, 720}, {1666, 66}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaceCursor(c.cursor, c.screen, c.output), c.expected) << c.name;
}

std::vector<uint8_t> Row(int width, uint8_t value) {
  return std::vector<uint8_t>(static_cast<size_t>(width) * 4, value);
}

TEST(BlendCursorRow, BlendsPremultipliedPixelsAndClipsToTheRow) {
  // Opaque red, half-transparent white (premultiplied 0x80808080) and fully transparent.
  platform::CursorImage cursor = Cursor(0, 0, 0, 0, 3, 1);
  cursor.argb = {0xffff0000, 0x80808080, 0x00000000};
  std::vector<uint8_t> row = Row(4, 100);
  BlendCursorRow(cursor, {1, 5}, 5, row.data(), 4);
  EXPECT_EQ(row[0], 100);  // left of the cursor
  EXPECT_EQ(row[4], 0);    // blue of opaque red
  EXPECT_EQ(row[6], 255);  // red of opaque red
  EXPECT_EQ(row[8], 128 + 50);  // 128 + 100 * 127 / 255
  EXPECT_EQ(row[12], 100);      // transparent
  EXPECT_EQ(row[7], 100);       // the unused byte is left alone

  struct Clip {
    const char* name;
    CursorPoint at;
    int row;
    int changedFrom, changedTo;  // pixel range that turns blue
  };
  const Clip clips[] = {
      {"row above the cursor", {0, 3}, 2, 0, 0},
      {"row below the cursor", {0, 3}, 5, 0, 0},
      {"hanging off the left", {-1, 0}, 0, 0, 1},
      {"hanging off the right", {3, 0}, 1, 3, 4},
      {"wholly right of the row", {9, 0}, 0, 0, 0},
      {"wholly left of the row", {-5, 0}, 0, 0, 0},
  };
  platform::CursorImage blue = Cursor(0, 0, 0, 0, 2, 2, 0xff0000ff);
  for (const Clip& c : clips) {
    std::vector<uint8_t> line = Row(4, 0);
    BlendCursorRow(blue, c.at, c.row, line.data(), 4);
    for (int x = 0; x < 4; ++x) {
      bool inside = x >= c.changedFrom && x < c.changedTo;
      EXPECT_EQ(line[x * 4], inside ? 255 : 0) << c.name << " pixel " << x;
    }
  }
}

TEST(BlendCursorRow, HiddenOrMalformedCursorDrawsNothing) {
  platform::CursorImage hidden = Cursor(0, 0, 0, 0);
  hidden.visible = false;
  platform::CursorImage shortImage = Cursor(0, 0, 0, 0, 4, 4);
  shortImage.argb.resize(3);  // fewer pixels than its size says
  for (const platform::CursorImage& c : {hidden, shortImage}) {
    std::vector<uint8_t> row = Row(4, 7);
    BlendCursorRow(c, {0, 0}, 0, row.data(), 4);
    EXPECT_EQ(row, Row(4, 7));
  }
}

}  // namespace
}  // namespace vantaro::desktop
