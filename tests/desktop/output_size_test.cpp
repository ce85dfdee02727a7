#include "desktop/output_size.h"

#include <gtest/gtest.h>

namespace vantaro::desktop {
namespace {

struct SizeCase {
  const char* name;
  int32_t option;
  PictureSize device;
  PictureSize screen;
  PictureSize expected;
};

TEST(ChooseOutputSize, FollowsTheBoxRule) {
  const SizeCase cases[] = {
      {"device matches screen ratio", 1, {1280, 720}, {1920, 1080}, {1280, 720}},
      {"device smaller, other ratio", 1, {800, 480}, {1280, 1024}, {600, 480}},
      {"portrait device is wider than itself", 1, {480, 800}, {1920, 1080}, {1422, 800}},
      {"whole multiple across", 1, {2560, 1600}, {1280, 1024}, {2560, 2048}},
      {"screen itself", 2, {480, 800}, {1366, 768}, {1366, 768}},
      {"1024 box, single-precision scale, made even", 3, {0, 0}, {1920, 1080}, {1364, 768}},
      {"1024 box, screen fits once down", 3, {0, 0}, {1366, 768}, {1366, 768}},
      {"1024 box, portrait screen", 3, {0, 0}, {1024, 1280}, {1024, 1280}},
      {"option 4 is the 800 box", 4, {0, 0}, {1920, 1080}, {1066, 600}},
      {"option 0 is the 800 box", 0, {0, 0}, {1920, 1080}, {1066, 600}},
      {"negative option is the 800 box", -7, {1280, 720}, {1920, 1080}, {1066, 600}},
      {"odd multiple height lowered", 1, {3000, 40}, {1000, 33}, {3000, 98}},
      {"screen of zero size", 1, {1280, 720}, {0, 0}, {0, 0}},
  };
  for (const SizeCase& c : cases) {
    EXPECT_EQ(ChooseOutputSize(c.option, c.device, c.screen), c.expected) << c.name;
  }
}

TEST(MakeEncodableSize, LowersOddSidesAndRejectsWhatCannotBeStreamed) {
  struct Case {
    PictureSize in;
    bool ok;
    PictureSize out;
  };
  const Case cases[] = {
      {{1366, 767}, true, {1366, 766}},  // odd screen with option 2
      {{1281, 721}, true, {1280, 720}},
      {{2, 2}, true, {2, 2}},
      {{3, 1}, false, {2, 0}},
      {{0, 0}, false, {0, 0}},
      {{-4, 600}, false, {-4, 600}},
      {{8192, 8192}, true, {8192, 8192}},
      {{8194, 600}, false, {8194, 600}},  // a device display size that no screen needs
  };
  for (const Case& c : cases) {
    PictureSize size = c.in;
    EXPECT_EQ(MakeEncodableSize(&size), c.ok) << c.in.width << "x" << c.in.height;
    EXPECT_EQ(size, c.out) << c.in.width << "x" << c.in.height;
  }
}

}  // namespace
}  // namespace vantaro::desktop
