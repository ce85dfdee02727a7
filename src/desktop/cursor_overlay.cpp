#include "desktop/cursor_overlay.h"

#include <algorithm>

namespace vantaro::desktop {

namespace {

int32_t ScaleCoordinate(int32_t position, int32_t outputSide, int32_t screenSide) {
  if (screenSide <= 0) return position;
  float ratio = static_cast<float>(static_cast<double>(outputSide) / screenSide);
  // float times a 32-bit integer is exact in double precision.
  double product = static_cast<double>(position) * static_cast<double>(ratio);
  if (product >= 2147483647.0) return INT32_MAX;
  if (product <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(product);
}

// dst * (255 - alpha) / 255, rounded, for premultiplied source pixels.
uint8_t Over(uint32_t source, uint32_t destination, uint32_t inverseAlpha) {
  uint32_t value = source + (destination * inverseAlpha + 127) / 255;
  return static_cast<uint8_t>(std::min<uint32_t>(value, 255));
}

}  // namespace

CursorPoint PlaceCursor(const platform::CursorImage& cursor, PictureSize screen,
                        PictureSize output) {
  int64_t px = int64_t{cursor.x} - cursor.hotX;
  int64_t py = int64_t{cursor.y} - cursor.hotY;
  px = std::clamp<int64_t>(px, INT32_MIN, INT32_MAX);
  py = std::clamp<int64_t>(py, INT32_MIN, INT32_MAX);
  return {ScaleCoordinate(static_cast<int32_t>(px), output.width, screen.width),
          ScaleCoordinate(static_cast<int32_t>(py), output.height, screen.height)};
}

void BlendCursorRow(const platform::CursorImage& cursor, CursorPoint at, int row, uint8_t* pixels,
                    int width) {
  if (!cursor.visible || cursor.width <= 0 || cursor.height <= 0) return;
  if (cursor.argb.size() < static_cast<size_t>(cursor.width) * static_cast<size_t>(cursor.height))
    return;
  int64_t cursorRow = int64_t{row} - at.y;
  if (cursorRow < 0 || cursorRow >= cursor.height) return;
  int64_t from = std::max<int64_t>(0, at.x);
  int64_t to = std::min<int64_t>(width, int64_t{at.x} + cursor.width);
  const uint32_t* line = cursor.argb.data() + cursorRow * cursor.width;
  for (int64_t x = from; x < to; ++x) {
    uint32_t argb = line[x - at.x];
    uint32_t alpha = argb >> 24;
    if (alpha == 0 && (argb & 0xffffff) == 0) continue;
    uint8_t* p = pixels + 4 * x;
    uint32_t inverse = 255 - alpha;
    p[0] = Over(argb & 0xff, p[0], inverse);
    p[1] = Over((argb >> 8) & 0xff, p[1], inverse);
    p[2] = Over((argb >> 16) & 0xff, p[2], inverse);
  }
}

}  // namespace vantaro::desktop
