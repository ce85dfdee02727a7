#include "capture/rgb24_to_i420.h"

#include <array>

namespace vantaro::capture {

namespace {

// One entry per colour and byte value: the three products v * c, each truncated toward zero, in
// fields of 10 bits (Y in bits 0-9, Cb in 10-19, Cr in 20-29). Negative products are stored modulo
// 256, so the three entries of a pixel add up without a field carrying into the next (each sum
// stays below 768) and the low 8 bits of a chroma field are the signed sum modulo 256.
struct Tables {
  std::array<uint32_t, 256> red;
  std::array<uint32_t, 256> green;
  std::array<uint32_t, 256> blue;
};

uint32_t Field(double product) {
  const int truncated = static_cast<int>(product);  // toward zero
  return static_cast<uint32_t>(truncated) & 0xff;
}

uint32_t Pack(int v, double y, double cb, double cr) {
  return Field(v * y) | (Field(v * cb) << 10) | (Field(v * cr) << 20);
}

Tables BuildTables() {
  Tables t;
  for (int v = 0; v < 256; ++v) {
    t.red[v] = Pack(v, 0.299, -0.1687, 0.5);
    t.green[v] = Pack(v, 0.587, -0.3313, -0.4187);
    t.blue[v] = Pack(v, 0.114, 0.5, -0.0813);
  }
  return t;
}

const Tables& SharedTables() {
  static const Tables tables = BuildTables();
  return tables;
}

inline uint32_t Sum(const Tables& t, const uint8_t* bgr) {
  return t.blue[bgr[0]] + t.green[bgr[1]] + t.red[bgr[2]];
}

}  // namespace

void ConvertRgb24ToI420(const uint8_t* input, size_t stride, int32_t width, int32_t height,
                        bool bottomUp, uint8_t* output) {
  const Tables& t = SharedTables();
  const size_t w = static_cast<size_t>(width);
  const size_t h = static_cast<size_t>(height);
  uint8_t* yPlane = output;
  uint8_t* cbPlane = output + w * h;
  uint8_t* crPlane = cbPlane + (w / 2) * (h / 2);
  auto row = [&](size_t top) { return input + (bottomUp ? (h - 1 - top) : top) * stride; };
  for (size_t pair = 0; pair < h / 2; ++pair) {
    const uint8_t* upper = row(2 * pair);
    const uint8_t* lower = row(2 * pair + 1);
    uint8_t* yUpper = yPlane + 2 * pair * w;
    uint8_t* yLower = yUpper + w;
    uint8_t* cb = cbPlane + pair * (w / 2);
    uint8_t* cr = crPlane + pair * (w / 2);
    for (size_t x = 0; x < w; x += 2) {
      const uint32_t topLeft = Sum(t, upper + 3 * x);
      yUpper[x] = static_cast<uint8_t>(topLeft & 0x3ff);
      yUpper[x + 1] = static_cast<uint8_t>(Sum(t, upper + 3 * x + 3) & 0x3ff);
      yLower[x] = static_cast<uint8_t>(Sum(t, lower + 3 * x) & 0x3ff);
      yLower[x + 1] = static_cast<uint8_t>(Sum(t, lower + 3 * x + 3) & 0x3ff);
      cb[x / 2] = static_cast<uint8_t>(((topLeft >> 10) & 0x3ff) + 128);
      cr[x / 2] = static_cast<uint8_t>(((topLeft >> 20) & 0x3ff) + 128);
    }
  }
}

}  // namespace vantaro::capture
