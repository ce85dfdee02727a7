#include "capture/audio_level.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantaro::capture {
namespace {

struct LevelCase {
  const char* name;
  int32_t previousLeft, previousRight;
  int16_t even, odd;  // the loudest even and odd samples of the buffer
  int32_t meter, peakRight, level;
};

TEST(LevelMeter, PeaksDecayAndLevel) {
  const LevelCase cases[] = {
      {"silence", 0, 0, 0, 0, 0, 0, 0},
      {"full scale negative", 0, 0, -32768, -32768, 512, 512, 26},
      {"decay by four", 100, 0, 99 << 6, 0, 96, 0, 2},
      {"decay stops at zero", 3, 2, 0, 0, 0, 0, 0},
      {"louder replaces", 100, 100, 200 << 6, 150 << 6, 200, 150, 9},
      {"right decays alone", 0, 50, 10 << 6, 0, 10, 46, 1},
  };
  for (const LevelCase& c : cases) {
    LevelMeter meter;
    // Bring the peaks to the previous values with a buffer of exactly those magnitudes.
    const int16_t seed[2] = {static_cast<int16_t>(c.previousLeft << 6),
                             static_cast<int16_t>(c.previousRight << 6)};
    meter.Measure(seed, sizeof(seed));
    std::vector<int16_t> buffer(960, 0);
    buffer[10] = c.even;
    buffer[11] = c.odd;
    const AudioLevel got = meter.Measure(buffer.data(), buffer.size() * 2);
    EXPECT_TRUE(got.measured) << c.name;
    EXPECT_EQ(got.meter, c.meter) << c.name;
    EXPECT_EQ(meter.peakRight(), c.peakRight) << c.name;
    EXPECT_EQ(got.level, c.level) << c.name;
  }
}

TEST(LevelMeter, EmptyBufferLeavesThePeaks) {
  LevelMeter meter;
  const int16_t loud[2] = {300 << 6, 0};
  meter.Measure(loud, sizeof(loud));
  const AudioLevel got = meter.Measure(loud, 0);
  EXPECT_FALSE(got.measured);
  EXPECT_EQ(got.level, 0);
  EXPECT_EQ(meter.peakLeft(), 300);
}

}  // namespace
}  // namespace vantaro::capture
