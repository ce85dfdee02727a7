#pragma once
// The size of the streamed picture, derived from the device's display, the screen and the size
// option of the start command. Pure functions.

#include <cstdint>

namespace vantaro::desktop {

struct PictureSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const PictureSize&) const = default;
};

// Size options of the start command; any other value means an 800 x 600 box.
enum SizeOption : int32_t {
  kSizeDeviceDisplay = 1,
  kSizeScreen = 2,
  kSize1024x768 = 3,
};

// Largest side the stream accepts; the device's display size comes from the network and must not
// size an allocation unchecked.
inline constexpr int32_t kMaxPictureSide = 8192;

// Option 2 gives the screen itself; the boxes give the box's height with the screen's aspect
// ratio, or a whole-number multiple of the screen when it fits the box more than once across than
// down. The computed side is made even; the other side is the box's or the screen's as it is.
PictureSize ChooseOutputSize(int32_t sizeOption, PictureSize deviceDisplay, PictureSize screen);

// Lowers odd sides to even ones (4:2:0 pictures need even sides). Returns false when a side is
// then below 2 or above kMaxPictureSide: such a picture cannot be streamed.
bool MakeEncodableSize(PictureSize* size);

}  // namespace vantaro::desktop
