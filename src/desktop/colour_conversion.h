#pragma once
// Conversion of 32-bit screen pixels (blue, green, red, unused) to 8-bit I420 with the integer
// BT.601 studio-range equations:
//   Y = ((66 R + 129 G + 25 B + 128) >> 8) + 16
//   U = ((-38 R - 74 G + 112 B + 128) >> 8) + 128
//   V = ((112 R - 94 G - 18 B + 128) >> 8) + 128
// with ">>" an arithmetic shift. Chroma is not averaged: on even rows it is taken from the single
// pixel at each odd column (x = 1, 3, 5, ...), which is what the receiving side was built against.
// Pure functions, any thread.

#include <cstdint>

#include "desktop/kernel_choice.h"

namespace vantaro::desktop {

// One picture row of `width` pixels (even). Y gets `width` bytes; when `u` and `v` are given
// (even rows), each gets `width`/2 bytes.
void ConvertRowToI420(const uint8_t* bgrx, int width, uint8_t* y, uint8_t* u, uint8_t* v,
                      Kernels kernels = Kernels::kBest);

struct I420Planes {
  uint8_t* y = nullptr;
  uint8_t* u = nullptr;
  uint8_t* v = nullptr;
  int strideY = 0;
  int strideU = 0;
  int strideV = 0;
};

// A whole picture; `width` and `height` even. Returns false (writing nothing) for odd or empty
// sizes, which would need more chroma samples than the planes hold.
bool ConvertToI420(const uint8_t* bgrx, int stride, int width, int height, const I420Planes& out,
                   Kernels kernels = Kernels::kBest);

}  // namespace vantaro::desktop
