#include "capture/rgb24_to_i420.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantaro::capture {
namespace {

struct ColourCase {
  const char* name;
  uint8_t r, g, b;
  uint8_t y, cb, cr;
};

// The values the device has always received for these colours.
TEST(ConvertRgb24ToI420, FullRangeTablesGiveTheKnownValues) {
  const ColourCase cases[] = {
      {"white", 255, 255, 255, 254, 128, 129}, {"black", 0, 0, 0, 0, 128, 128},
      {"red", 255, 0, 0, 76, 85, 255},         {"green", 0, 255, 0, 149, 44, 22},
      {"blue", 0, 0, 255, 29, 255, 108},
  };
  for (const ColourCase& c : cases) {
    const uint8_t bgr[2 * 2 * 3] = {c.b, c.g, c.r, c.b, c.g, c.r, c.b, c.g, c.r, c.b, c.g, c.r};
    uint8_t out[6] = {};
    ConvertRgb24ToI420(bgr, 6, 2, 2, false, out);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], c.y) << c.name;
    EXPECT_EQ(out[4], c.cb) << c.name;
    EXPECT_EQ(out[5], c.cr) << c.name;
  }
}

// A 4 x 2 picture: in each 2 x 2 block the chroma is that of the top-left pixel alone; rows are
// stepped by the padded stride, and a bottom-up picture comes out the same way up.
TEST(ConvertRgb24ToI420, ChromaFromTopLeftPaddedRowsAndBothRowOrders) {
  const size_t stride = 4 * 3 + 4;  // padding after each row
  std::vector<uint8_t> topDown(stride * 2, 0xEE);
  auto put = [&](std::vector<uint8_t>& img, int x, int row, uint8_t r, uint8_t g, uint8_t b) {
    img[row * stride + 3 * x] = b;
    img[row * stride + 3 * x + 1] = g;
    img[row * stride + 3 * x + 2] = r;
  };
  // Top row: red, white | black, blue. Bottom row: white, white | green, green.
  put(topDown, 0, 0, 255, 0, 0);
  put(topDown, 1, 0, 255, 255, 255);
  put(topDown, 2, 0, 0, 0, 0);
  put(topDown, 3, 0, 0, 0, 255);
  for (int x = 0; x < 2; ++x) put(topDown, x, 1, 255, 255, 255);
  for (int x = 2; x < 4; ++x) put(topDown, x, 1, 0, 255, 0);
  std::vector<uint8_t> bottomUp(stride * 2);
  std::copy(topDown.begin() + stride, topDown.end(), bottomUp.begin());
  std::copy(topDown.begin(), topDown.begin() + stride, bottomUp.begin() + stride);

  const uint8_t expected[12] = {76, 254, 0, 29, 254, 254, 149, 149, 85, 128, 255, 128};
  for (bool flipped : {false, true}) {
    uint8_t out[12] = {};
    ConvertRgb24ToI420(flipped ? bottomUp.data() : topDown.data(), stride, 4, 2, flipped, out);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(out[i], expected[i]) << "byte " << i << " " << flipped;
  }
}

}  // namespace
}  // namespace vantaro::capture
