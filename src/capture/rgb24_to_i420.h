#pragma once
// The camera's colour conversion: 24-bit pixels (blue, green, red) to I420 with the full-range
// JFIF coefficients, by table look-up (three look-ups and two additions give all three components
// of a pixel). Y has no offset (0 to 254); Cb and Cr are centred on 128. The chroma of each 2 x 2
// block is that of its top-left pixel, not an average: the device's decoder has always been fed
// this way.

#include <cstddef>
#include <cstdint>

namespace vantaro::capture {

// Converts `width` x `height` pixels (both even and at least 2) whose rows lie `stride` bytes
// apart, the top row first or, with `bottomUp`, the bottom row first. `output` receives the Y
// plane (top row first), then Cb and Cr, packed: width * height * 3 / 2 bytes.
void ConvertRgb24ToI420(const uint8_t* input, size_t stride, int32_t width, int32_t height,
                        bool bottomUp, uint8_t* output);

}  // namespace vantaro::capture
