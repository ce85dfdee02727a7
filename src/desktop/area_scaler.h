#pragma once
// An area-averaging scaler for 32-bit pixels: every output pixel is the mean of the source area it
// covers, each source pixel weighted by the exact share of its area inside (separable: rows first,
// then columns). Text stays readable at the usual ratios (1.5, 1.8), where bilinear filters drop
// thin strokes. Weights are fixed-point; a result differs from the exact mean by at most one level.
//
// One object per thread: ScaleRow uses an internal row buffer.

#include <cstdint>
#include <vector>

#include "desktop/kernel_choice.h"

namespace vantaro::desktop {

// The source pixels that one output pixel (or row) covers: `first` and one weight per source
// pixel from there on; the weights sum to the axis' fixed-point one.
struct AreaTaps {
  int first = 0;
  std::vector<int32_t> weights;
};

// Taps of every output position for `source` -> `target` positions, weights summing to `one`.
std::vector<AreaTaps> ComputeAreaTaps(int source, int target, int32_t one);

class AreaScaler {
 public:
  // Sizes at least 1 each.
  AreaScaler(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight,
             Kernels kernels = Kernels::kBest);

  // Output row `row` (0 .. targetHeight - 1), `targetWidth` pixels, into `out`. `source` points at
  // the top-left pixel of a sourceWidth x sourceHeight picture with `sourceStride` bytes per row.
  void ScaleRow(const uint8_t* source, long sourceStride, int row, uint8_t* out);
  // The whole picture, `outStride` bytes per output row.
  void Scale(const uint8_t* source, long sourceStride, uint8_t* out, long outStride);

  int sourceWidth() const { return sourceWidth_; }
  int sourceHeight() const { return sourceHeight_; }
  int targetWidth() const { return targetWidth_; }
  int targetHeight() const { return targetHeight_; }

 private:
  Kernels kernels_;
  int sourceWidth_;
  int sourceHeight_;
  int targetWidth_;
  int targetHeight_;
  std::vector<AreaTaps> rowTaps_;
  // Column taps, padded to `columnTaps_` per output pixel (even, so that they go in pairs) and
  // moved left where needed so that no tap reads past the row.
  int columnTaps_ = 0;
  std::vector<int> columnFirst_;
  std::vector<int16_t> columnWeights_;
  std::vector<int32_t> columnLanes_;  // the same weights laid out for the vector kernels
  std::vector<uint16_t> rowSums_;     // the rows' weighted sum of one output row, per channel
};

}  // namespace vantaro::desktop
