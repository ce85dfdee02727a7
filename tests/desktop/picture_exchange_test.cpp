#include "desktop/picture_exchange.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace vantaro::desktop {
namespace {

// The capture side numbers its pictures in the first luma byte (0 is a repeat); the encoder side
// checks that the picture it holds is never rewritten while it holds it.
TEST(PictureExchange, HandsEveryPictureOverOnceInOrderAndNeverWritesOneInUse) {
  PictureExchange exchange(4, 2);
  constexpr int kPictures = 200;
  std::thread capture([&] {
    for (int n = 1; n <= kPictures; ++n) {
      I420Picture* picture = exchange.AcquireFree(StreamClock::duration::zero());
      ASSERT_NE(picture, nullptr);
      if (n % 7 == 0) {
        exchange.PublishRepeat(StreamClock::now());  // a failed capture: the free picture stays untouched
        continue;
      }
      picture->planes.y[0] = static_cast<uint8_t>(n);
      exchange.Publish(picture);
    }
    exchange.Close();
  });
  std::vector<int> seen;
  for (;;) {
    const I420Picture* picture = exchange.TakeFilled();
    if (picture == nullptr) break;
    uint8_t value = picture->planes.y[0];
    std::this_thread::yield();  // give the capture side a chance to write into it
    EXPECT_EQ(picture->planes.y[0], value);
    seen.push_back(value);
  }
  capture.join();
  // The first picture is the black one until something was captured; a repeat shows the last
  // picture handed over again. Pictures still waiting at Close may be left untaken.
  std::vector<int> expected;
  int last = 16;
  for (int n = 1; n <= kPictures; ++n) {
    if (n % 7 != 0) last = n;
    expected.push_back(last);
  }
  ASSERT_LE(seen.size(), expected.size());
  ASSERT_GE(seen.size(), expected.size() - 1);
  expected.resize(seen.size());
  EXPECT_EQ(seen, expected);
}

TEST(PictureExchange, StartsBlackAndCloseWakesBothSides) {
  PictureExchange exchange(4, 2);
  exchange.PublishRepeat(StreamClock::now());
  const I420Picture* black = exchange.TakeFilled();
  ASSERT_NE(black, nullptr);
  EXPECT_EQ(black->bytes,
            std::vector<uint8_t>({16, 16, 16, 16, 16, 16, 16, 16, 128, 128, 128, 128}));
  std::thread taker([&] { EXPECT_EQ(exchange.TakeFilled(), nullptr); });
  exchange.Close();
  taker.join();
  EXPECT_EQ(exchange.AcquireFree(StreamClock::duration::zero()), nullptr);
}

}  // namespace
}  // namespace vantaro::desktop
