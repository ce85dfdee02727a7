#include "desktop/area_scaler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>
#include <vector>

namespace vantaro::desktop {
namespace {

// The exact mean of the source area under each output pixel, in double precision.
std::vector<double> ReferenceArea(const std::vector<uint8_t>& src, int sw, int sh, int dw, int dh) {
  std::vector<double> out(static_cast<size_t>(dw) * dh * 4, 0.0);
  double fx = static_cast<double>(sw) / dw, fy = static_cast<double>(sh) / dh;
  for (int oy = 0; oy < dh; ++oy) {
    for (int ox = 0; ox < dw; ++ox) {
      double x0 = ox * fx, x1 = (ox + 1) * fx, y0 = oy * fy, y1 = (oy + 1) * fy;
      double sum[4] = {0, 0, 0, 0};
      for (int sy = static_cast<int>(y0); sy < sh && sy < y1; ++sy) {
        double wy = std::min<double>(sy + 1, y1) - std::max<double>(sy, y0);
        for (int sx = static_cast<int>(x0); sx < sw && sx < x1; ++sx) {
          double wx = std::min<double>(sx + 1, x1) - std::max<double>(sx, x0);
          for (int c = 0; c < 4; ++c)
            sum[c] += wx * wy * src[(static_cast<size_t>(sy) * sw + sx) * 4 + c];
        }
      }
      for (int c = 0; c < 4; ++c)
        out[(static_cast<size_t>(oy) * dw + ox) * 4 + c] = sum[c] / (fx * fy);
    }
  }
  return out;
}

std::vector<uint8_t> Scale(const std::vector<uint8_t>& src, int sw, int sh, int dw, int dh,
                           Kernels kernels = Kernels::kBest) {
  AreaScaler scaler(sw, sh, dw, dh, kernels);
  std::vector<uint8_t> out(static_cast<size_t>(dw) * dh * 4, 0xEE);
  scaler.Scale(src.data(), sw * 4, out.data(), dw * 4);
  return out;
}

TEST(AreaScaler, StaysWithinOneLevelOfTheExactAreaMean) {
  struct Case {
    int sw, sh, dw, dh;
  };
  // The stream's ratios (1.5 and 1.8 down), odd ratios, a plain copy and an enlargement.
  const Case cases[] = {{192, 108, 128, 72}, {192, 108, 106, 60}, {150, 50, 37, 13},
                        {64, 16, 64, 16},    {5, 3, 8, 7},        {400, 6, 7, 2},
                        {1, 1, 2, 2},        {200, 20, 79, 8}};
  std::mt19937 random(7);
  for (const Case& c : cases) {
    std::vector<uint8_t> src(static_cast<size_t>(c.sw) * c.sh * 4);
    for (uint8_t& b : src) b = static_cast<uint8_t>(random());
    std::vector<uint8_t> got = Scale(src, c.sw, c.sh, c.dw, c.dh);
    std::vector<double> want = ReferenceArea(src, c.sw, c.sh, c.dw, c.dh);
    double worst = 0;
    for (size_t i = 0; i < got.size(); ++i) worst = std::max(worst, std::fabs(got[i] - want[i]));
    EXPECT_LE(worst, 1.0) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
    // The processor's best kernels and the portable ones give the same bytes.
    EXPECT_EQ(got, Scale(src, c.sw, c.sh, c.dw, c.dh, Kernels::kPortable))
        << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
  }
}

TEST(AreaScaler, ThinStrokesKeepTheirShareOfInk) {
  // One-pixel black columns on white every other pixel: at 1.5 down each output pixel covers
  // one and a half source pixels, so every output column holds a third or two thirds of ink.
  const int sw = 12, sh = 4, dw = 8, dh = 4;
  std::vector<uint8_t> src(sw * sh * 4, 255);
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; x += 2)
      for (int c = 0; c < 3; ++c) src[(y * sw + x) * 4 + c] = 0;
  std::vector<uint8_t> out = Scale(src, sw, sh, dw, dh);
  for (int x = 0; x < dw; ++x) {
    int value = out[x * 4];
    EXPECT_GE(value, 84) << x;   // 255 * 1/3 at the least ...
    EXPECT_LE(value, 171) << x;  // ... and 255 * 2/3 at the most
  }
}

TEST(AreaScaler, TapWeightsCoverEachOutputExactly) {
  const int cases[][2] = {{1920, 1280}, {1920, 1066}, {1080, 600}, {3, 8}, {7, 7}};
  for (const auto& c : cases) {
    std::vector<AreaTaps> taps = ComputeAreaTaps(c[0], c[1], 16384);
    ASSERT_EQ(taps.size(), static_cast<size_t>(c[1]));
    for (const AreaTaps& t : taps) {
      EXPECT_EQ(std::accumulate(t.weights.begin(), t.weights.end(), 0), 16384);
      EXPECT_GE(t.first, 0);
      EXPECT_LE(t.first + static_cast<int>(t.weights.size()), c[0]);
    }
    EXPECT_EQ(taps.back().first + static_cast<int>(taps.back().weights.size()), c[0]);
  }
}

}  // namespace
}  // namespace vantaro::desktop
