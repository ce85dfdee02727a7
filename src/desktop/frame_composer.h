#pragma once
// Turns one screen picture into the encoder's I420 planes: area-scaled to the output size, the
// cursor drawn in at its natural size, converted row by row while the scaled row is still in the
// cache. One object per stream thread.

#include <cstdint>
#include <memory>
#include <vector>

#include "desktop/area_scaler.h"
#include "desktop/colour_conversion.h"
#include "desktop/output_size.h"
#include "platform/screen_source.h"

namespace vantaro::desktop {

class FrameComposer {
 public:
  // `output` even on both sides.
  explicit FrameComposer(PictureSize output);

  // Fills `planes` (output size) from `frame`. A picture of another size than the last one (the
  // screen was resized while streaming) is scaled to the same output. False for an empty frame
  // or an odd output size; the planes are then left as they were.
  bool Compose(const platform::ScreenFrame& frame, const I420Planes& planes);

 private:
  PictureSize output_;
  std::unique_ptr<AreaScaler> scaler_;
  std::vector<uint8_t> row_;  // one scaled row, 32-bit pixels
};

}  // namespace vantaro::desktop
