#include "desktop/output_size.h"

namespace vantaro::desktop {

namespace {

int64_t LowerToEven(int64_t value) { return (value % 2 != 0) ? value - 1 : value; }

int32_t Saturate(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace

PictureSize ChooseOutputSize(int32_t sizeOption, PictureSize deviceDisplay, PictureSize screen) {
  if (sizeOption == kSizeScreen) return screen;
  PictureSize box{800, 600};
  if (sizeOption == kSizeDeviceDisplay) box = deviceDisplay;
  if (sizeOption == kSize1024x768) box = {1024, 768};
  if (screen.width <= 0 || screen.height <= 0) return {0, 0};

  // Whole-number quotients on purpose: the picture grows by whole multiples only.
  int32_t kx = box.width / screen.width;
  int32_t ky = box.height / screen.height;
  if (kx > ky) {
    return {box.width, Saturate(LowerToEven(int64_t{screen.height} * kx))};
  }
  // The scale is rounded to single precision before it is applied; the device side relies on
  // the widths this gives (1364 for a 1920 x 1080 screen in a 1024 x 768 box).
  float s = static_cast<float>(static_cast<double>(box.height) / screen.height);
  double width = static_cast<double>(screen.width) * static_cast<double>(s);
  int64_t truncated = width >= static_cast<double>(INT32_MAX) ? INT32_MAX
                      : width <= static_cast<double>(INT32_MIN)
                          ? INT32_MIN
                          : static_cast<int64_t>(width);
  return {Saturate(LowerToEven(truncated)), box.height};
}

bool MakeEncodableSize(PictureSize* size) {
  size->width = static_cast<int32_t>(LowerToEven(size->width));
  size->height = static_cast<int32_t>(LowerToEven(size->height));
  return size->width >= 2 && size->height >= 2 && size->width <= kMaxPictureSide &&
         size->height <= kMaxPictureSide;
}

}  // namespace vantaro::desktop
