#include "capture/test_pattern.h"

#include <cmath>

namespace vantaro::capture {

namespace {

struct Rgb {
  uint8_t r, g, b;
};

// videotestsrc's colour table in the order its pattern picks from.
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBars[7] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                          {255, 0, 255},   {255, 0, 0},   {0, 0, 255}};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kNegI{0, 0, 128};
constexpr Rgb kPosQ{0, 128, 255};
constexpr Rgb kSuperBlack{0, 0, 0};
constexpr Rgb kDarkGrey{19, 19, 19};

void Fill(uint8_t* row, int32_t x1, int32_t x2, Rgb c) {
  for (int32_t x = x1; x < x2; ++x) {
    row[3 * x] = c.b;
    row[3 * x + 1] = c.g;
    row[3 * x + 2] = c.r;
  }
}

// The same linear congruential generator as videotestsrc, for the same noise.
uint8_t NextNoise(uint32_t* state) {
  *state = *state * 1103515245u + 12345u;
  return static_cast<uint8_t>((*state >> 16) & 0xff);
}

}  // namespace

void PaintSmpteBars(uint8_t* bgr, size_t stride, int32_t width, int32_t height,
                    uint32_t* noiseState) {
  const int32_t w = width;
  const int32_t y1 = 2 * height / 3;
  const int32_t y2 = 3 * height / 4;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bgr + static_cast<size_t>(y) * stride;
    if (y < y1) {
      for (int i = 0; i < 7; ++i) Fill(row, i * w / 7, (i + 1) * w / 7, kBars[i]);
    } else if (y < y2) {
      for (int i = 0; i < 7; ++i) {
        Fill(row, i * w / 7, (i + 1) * w / 7, (i & 1) != 0 ? kBlack : kBars[6 - i]);
      }
    } else {
      const Rgb band[3] = {kNegI, kWhite, kPosQ};
      for (int i = 0; i < 3; ++i) Fill(row, i * w / 6, (i + 1) * w / 6, band[i]);
      const Rgb blacks[3] = {kSuperBlack, kBlack, kDarkGrey};
      for (int i = 0; i < 3; ++i)
        Fill(row, w / 2 + i * w / 12, w / 2 + (i + 1) * w / 12, blacks[i]);
      // White noise blended onto black: the grey level is the random byte itself.
      for (int32_t x = w * 3 / 4; x < w; ++x) {
        const uint8_t v = NextNoise(noiseState);
        Fill(row, x, x + 1, Rgb{v, v, v});
      }
    }
  }
}

void FillSine(int16_t* samples, size_t count, uint64_t first, double frequency, double amplitude,
              int32_t rate) {
  constexpr double kTwoPi = 6.283185307179586;
  for (size_t i = 0; i < count; ++i) {
    // The phase is taken modulo one second of samples so that it stays exact for long runs.
    const uint64_t n = (first + i) % static_cast<uint64_t>(rate);
    const double v = amplitude * std::sin(kTwoPi * frequency * static_cast<double>(n) / rate);
    samples[i] = static_cast<int16_t>(std::lround(v));
  }
}

}  // namespace vantaro::capture
