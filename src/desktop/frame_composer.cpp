#include "desktop/frame_composer.h"

#include "desktop/cursor_overlay.h"

namespace vantaro::desktop {

FrameComposer::FrameComposer(PictureSize output)
    : output_(output), row_(static_cast<size_t>(std::max(output.width, 0)) * 4 + 16) {}

bool FrameComposer::Compose(const platform::ScreenFrame& frame, const I420Planes& planes) {
  if (frame.pixels == nullptr || frame.width <= 0 || frame.height <= 0 ||
      frame.stride < frame.width * 4)
    return false;
  if (output_.width < 2 || output_.height < 2 || output_.width % 2 != 0 || output_.height % 2 != 0)
    return false;
  if (!scaler_ || scaler_->sourceWidth() != frame.width ||
      scaler_->sourceHeight() != frame.height) {
    scaler_ = std::make_unique<AreaScaler>(frame.width, frame.height, output_.width,
                                           output_.height);
  }
  PictureSize screen{frame.width, frame.height};
  CursorPoint cursorAt = PlaceCursor(frame.cursor, screen, output_);
  for (int row = 0; row < output_.height; ++row) {
    scaler_->ScaleRow(frame.pixels, frame.stride, row, row_.data());
    BlendCursorRow(frame.cursor, cursorAt, row, row_.data(), output_.width);
    bool chroma = row % 2 == 0;
    ConvertRowToI420(row_.data(), output_.width, planes.y + static_cast<long>(row) * planes.strideY,
                     chroma ? planes.u + static_cast<long>(row / 2) * planes.strideU : nullptr,
                     chroma ? planes.v + static_cast<long>(row / 2) * planes.strideV : nullptr);
  }
  return true;
}

}  // namespace vantaro::desktop
