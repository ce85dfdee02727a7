#pragma once
// Reading media packets from the data connection and checking what they carry.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "desktop/h264_test_decoder.h"
#include "support/device_client.h"
#include "support/server_process.h"
#include "support/wire.h"

namespace vantaro::testing {

struct MediaPacket {
  int32_t type = 0;  // 0: none arrived in time, or malformed
  double time = 0;
  std::string payload;
};

inline MediaPacket ReadMediaPacket(DeviceClient& data, int timeoutMs = 5000) {
  std::string head = data.Receive(16, timeoutMs);
  if (head.size() != 16) return {};
  const int32_t n = ReadLe32(head, 4);
  if (n < 0 || n > 8 * 1024 * 1024) return {};
  std::string rest = data.Receive(static_cast<size_t>(n) + 6, timeoutMs);
  if (rest.size() != static_cast<size_t>(n) + 6 || rest.substr(n) != "\nkvrt\n") return {};
  MediaPacket p;
  p.type = ReadLe32(head, 0);
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<uint8_t>(head[8 + i]);
  std::memcpy(&p.time, &bits, sizeof(bits));
  p.payload = rest.substr(0, n);
  return p;
}

// Y, Cb and Cr of a colour by the camera's full-range formulas.
inline void FullRange(int r, int g, int b, int* y, int* cb, int* cr) {
  auto t = [](double v) { return static_cast<int>(v); };
  *y = t(0.299 * r) + t(0.587 * g) + t(0.114 * b);
  *cb = (t(0.5 * b) + t(-0.1687 * r) + t(-0.3313 * g) + 128) & 0xff;
  *cr = (t(0.5 * r) + t(-0.4187 * g) + t(-0.0813 * b) + 128) & 0xff;
}

// The seven bars of the top two thirds, sampled in the middle of each bar.
inline void ExpectColourBars(const DecodedPicture& p) {
  const int bars[7][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                          {255, 0, 255},   {255, 0, 0},   {0, 0, 255}};
  for (int i = 0; i < 7; ++i) {
    const int x = (2 * i + 1) * p.width / 14;
    const int row = p.height / 3;
    int y, cb, cr;
    FullRange(bars[i][0], bars[i][1], bars[i][2], &y, &cb, &cr);
    EXPECT_NEAR(p.y[row * p.width + x], y, 8) << "bar " << i;
    EXPECT_NEAR(p.u[(row / 2) * (p.width / 2) + x / 2], cb, 8) << "bar " << i;
    EXPECT_NEAR(p.v[(row / 2) * (p.width / 2) + x / 2], cr, 8) << "bar " << i;
  }
}

// The strongest frequency between 200 Hz and 5 kHz of samples played at `rate`, in 5 Hz steps.
// A spectrum peak rather than zero crossings: every buffer starts a new encoder, whose first
// frame adds a little noise that would cross zero too.
inline double ToneFrequency(const std::vector<float>& samples, int rate) {
  constexpr double kTwoPi = 6.283185307179586;
  double best = 0;
  double bestPower = -1;
  for (double f = 200; f <= 5000; f += 5) {
    double re = 0, im = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
      re += samples[i] * std::cos(kTwoPi * f * i / rate);
      im += samples[i] * std::sin(kTwoPi * f * i / rate);
    }
    if (re * re + im * im > bestPower) {
      bestPower = re * re + im * im;
      best = f;
    }
  }
  return best;
}

}  // namespace vantaro::testing
