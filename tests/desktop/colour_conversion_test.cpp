#include "desktop/colour_conversion.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vantaro::desktop {
namespace {

// The rule as written, one pixel at a time in 32-bit arithmetic, for a picture of any depth that
// stores blue, green, red in the low bytes of a little-endian word.
void ReferenceConvert(const std::vector<uint8_t>& image, int stride, int bpp, int width, int height,
                      std::vector<uint8_t>* y, std::vector<uint8_t>* u, std::vector<uint8_t>* v) {
  y->clear();
  u->clear();
  v->clear();
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      size_t at = static_cast<size_t>(row) * stride + static_cast<size_t>(x) * bpp / 8;
      uint32_t word = image[at] | image[at + 1] << 8 | image[at + 2] << 16;
      int32_t b = word & 0xff, g = (word >> 8) & 0xff, r = (word >> 16) & 0xff;
      y->push_back(static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16));
      if (row % 2 == 0 && (height - 1 - x) % 2 == 0) {
        u->push_back(static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128));
        v->push_back(static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128));
      }
    }
  }
}

struct Converted {
  std::vector<uint8_t> y, u, v;
};

Converted Convert(const std::vector<uint8_t>& image, int stride, int width, int height,
                  Kernels kernels = Kernels::kBest) {
  Converted c;
  c.y.assign(static_cast<size_t>(width) * height, 0xAA);
  c.u.assign(static_cast<size_t>(width / 2) * (height / 2), 0xAA);
  c.v.assign(c.u.size(), 0xAA);
  I420Planes planes{c.y.data(), c.u.data(), c.v.data(), width, width / 2, width / 2};
  EXPECT_TRUE(ConvertToI420(image.data(), stride, width, height, planes, kernels));
  return c;
}

std::vector<uint8_t> Solid(int width, int height, uint32_t rgb) {
  std::vector<uint8_t> image(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < image.size(); i += 4) {
    image[i] = rgb & 0xff;
    image[i + 1] = (rgb >> 8) & 0xff;
    image[i + 2] = (rgb >> 16) & 0xff;
    image[i + 3] = 0x5a;  // the unused byte must not matter
  }
  return image;
}

TEST(ColourConversion, PrimaryColoursGiveStudioRangeValues) {
  struct Case {
    const char* name;
    uint32_t rgb;
    uint8_t y, u, v;
  };
  const Case cases[] = {
      {"white", 0xffffff, 235, 128, 128}, {"black", 0x000000, 16, 128, 128},
      {"red", 0xff0000, 82, 90, 240},     {"green", 0x00ff00, 144, 54, 34},
      {"blue", 0x0000ff, 41, 240, 110},
  };
  for (const Case& c : cases) {
    Converted out = Convert(Solid(6, 4, c.rgb), 6 * 4, 6, 4);
    for (uint8_t value : out.y) EXPECT_EQ(value, c.y) << c.name;
    for (uint8_t value : out.u) EXPECT_EQ(value, c.u) << c.name;
    for (uint8_t value : out.v) EXPECT_EQ(value, c.v) << c.name;
  }
}

TEST(ColourConversion, ChromaComesFromTheOddColumnsOfEvenRows) {
  // 4 x 2, every pixel a different colour: only (1, 0) and (3, 0) may reach U and V.
  std::vector<uint8_t> image(4 * 2 * 4, 0);
  const uint32_t colours[8] = {0x102030, 0xff0000, 0x00ff00, 0x0000ff,
                               0xffffff, 0x808080, 0x404040, 0x000000};
  for (int i = 0; i < 8; ++i) {
    image[4 * i] = colours[i] & 0xff;
    image[4 * i + 1] = (colours[i] >> 8) & 0xff;
    image[4 * i + 2] = (colours[i] >> 16) & 0xff;
  }
  Converted out = Convert(image, 16, 4, 2);
  ASSERT_EQ(out.y.size(), 8u);
  ASSERT_EQ(out.u.size(), 2u);
  EXPECT_EQ(out.u[0], 90);  // red at (1, 0)
  EXPECT_EQ(out.v[0], 240);
  EXPECT_EQ(out.u[1], 240);  // blue at (3, 0)
  EXPECT_EQ(out.v[1], 110);
  EXPECT_EQ(out.y[1], 82);
  EXPECT_EQ(out.y[4], 235);
}

TEST(ColourConversion, MatchesTheScalarRuleBitForBitOnRandomPictures) {
  std::mt19937 random(12345);
  const int sizes[][2] = {{2, 2}, {6, 4}, {34, 10}, {1066, 8}, {1280, 6}, {98, 66}};
  for (const auto& size : sizes) {
    int width = size[0], height = size[1];
    int stride = width * 4 + 12;  // rows with padding between them
    std::vector<uint8_t> image(static_cast<size_t>(stride) * height);
    for (uint8_t& b : image) b = static_cast<uint8_t>(random());
    std::vector<uint8_t> y, u, v;
    ReferenceConvert(image, stride, 32, width, height, &y, &u, &v);
    // The processor's best kernels and the portable ones, which run where AVX2 is missing.
    for (Kernels kernels : {Kernels::kBest, Kernels::kPortable}) {
      Converted out = Convert(image, stride, width, height, kernels);
      const char* name = kernels == Kernels::kBest ? "best" : "portable";
      EXPECT_EQ(out.y, y) << width << "x" << height << " " << name;
      EXPECT_EQ(out.u, u) << width << "x" << height << " " << name;
      EXPECT_EQ(out.v, v) << width << "x" << height << " " << name;
    }
  }
}

TEST(ColourConversion, RefusesOddSizesWithoutWriting) {
  std::vector<uint8_t> image = Solid(5, 5, 0xffffff);
  std::vector<uint8_t> y(25, 1), u(4, 1), v(4, 1);
  I420Planes planes{y.data(), u.data(), v.data(), 5, 2, 2};
  EXPECT_FALSE(ConvertToI420(image.data(), 20, 5, 4, planes));
  EXPECT_FALSE(ConvertToI420(image.data(), 20, 4, 5, planes));
  EXPECT_FALSE(ConvertToI420(image.data(), 20, 0, 0, planes));
  EXPECT_EQ(y, std::vector<uint8_t>(25, 1));
}

}  // namespace
}  // namespace vantaro::desktop
