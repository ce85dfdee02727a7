#pragma once
// The mouse cursor in the scaled picture: it keeps its natural size, only its position follows the
// scale. Pure functions, any thread.

#include <cstdint>

#include "desktop/output_size.h"
#include "platform/screen_source.h"

namespace vantaro::desktop {

struct CursorPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const CursorPoint&) const = default;
};

// Top-left corner of the cursor in the output picture. The position less the hotspot is
// multiplied by output/screen, that ratio rounded to single precision and the product truncated
// toward zero (so 960 on a 1920 screen lands at 640 of 1280).
CursorPoint PlaceCursor(const platform::CursorImage& cursor, PictureSize screen,
                        PictureSize output);

// Blends the cursor rows that fall on output row `row` into `pixels` (`width` 32-bit pixels,
// blue first), clipped to the row. Does nothing for a hidden cursor or a malformed image.
void BlendCursorRow(const platform::CursorImage& cursor, CursorPoint at, int row, uint8_t* pixels,
                    int width);

}  // namespace vantaro::desktop
