#pragma once
// The pictures and sounds of the synthetic test devices.

#include <cstddef>
#include <cstdint>

namespace vantaro::capture {

// Paints the SMPTE colour bars in 24-bit pixels (blue, green, red; top row first, rows `stride`
// bytes apart) exactly as GStreamer's videotestsrc draws its pattern 0 into BGR: seven 100% bars,
// the reversed blue row, and the -I, white, +Q, black and noise band at the bottom. The noise
// comes from `noiseState`, which carries on from frame to frame (0 for the first frame).
void PaintSmpteBars(uint8_t* bgr, size_t stride, int32_t width, int32_t height,
                    uint32_t* noiseState);

// Fills `count` samples of a sine of `frequency` Hz at `amplitude` sampled at `rate` Hz,
// beginning at sample number `first` of the tone (so that buffers join without a click). The
// frequency is a whole number of hertz.
void FillSine(int16_t* samples, size_t count, uint64_t first, double frequency, double amplitude,
              int32_t rate);

}  // namespace vantaro::capture
