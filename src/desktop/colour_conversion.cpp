#include "desktop/colour_conversion.h"

namespace vantaro::desktop {

namespace {

// Built for the baseline processor and again for AVX2; the loader picks one at start-up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VANTARO_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VANTARO_CLONES
#endif

// The sums stay within 16 bits (Y: 0..56228; U, V: -28432..28688), which lets the compiler use
// 16-bit lanes; the results match the 32-bit equations exactly.
VANTARO_CLONES void LumaRow(const uint8_t* __restrict p, int width, uint8_t* __restrict y) {
  for (int x = 0; x < width; ++x) {
    uint16_t b = p[4 * x];
    uint16_t g = p[4 * x + 1];
    uint16_t r = p[4 * x + 2];
    uint16_t sum = static_cast<uint16_t>(66 * r + 129 * g + 25 * b + 128);
    y[x] = static_cast<uint8_t>((sum >> 8) + 16);
  }
}

VANTARO_CLONES void ChromaRow(const uint8_t* __restrict p, int pairs, uint8_t* __restrict u,
                              uint8_t* __restrict v) {
  for (int i = 0; i < pairs; ++i) {
    const uint8_t* q = p + 8 * i + 4;  // the odd column of the pair
    int16_t b = q[0];
    int16_t g = q[1];
    int16_t r = q[2];
    int16_t su = static_cast<int16_t>(-38 * r - 74 * g + 112 * b + 128);
    int16_t sv = static_cast<int16_t>(112 * r - 94 * g - 18 * b + 128);
    u[i] = static_cast<uint8_t>((su >> 8) + 128);
    v[i] = static_cast<uint8_t>((sv >> 8) + 128);
  }
}

}  // namespace

void ConvertRowToI420(const uint8_t* bgrx, int width, uint8_t* y, uint8_t* u, uint8_t* v) {
  LumaRow(bgrx, width, y);
  if (u != nullptr && v != nullptr) ChromaRow(bgrx, width / 2, u, v);
}

bool ConvertToI420(const uint8_t* bgrx, int stride, int width, int height, const I420Planes& out) {
  if (width < 2 || height < 2 || width % 2 != 0 || height % 2 != 0) return false;
  for (int row = 0; row < height; ++row) {
    bool chroma = row % 2 == 0;
    ConvertRowToI420(bgrx + static_cast<long>(row) * stride, width,
                     out.y + static_cast<long>(row) * out.strideY,
                     chroma ? out.u + static_cast<long>(row / 2) * out.strideU : nullptr,
                     chroma ? out.v + static_cast<long>(row / 2) * out.strideV : nullptr);
  }
  return true;
}

}  // namespace vantaro::desktop
