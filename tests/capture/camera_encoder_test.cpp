#include "capture/camera_encoder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "../desktop/h264_test_decoder.h"

namespace vantaro::capture {
namespace {

// The NAL unit types of an Annex B frame, in order.
std::vector<int> NalTypes(const uint8_t* data, size_t size) {
  std::vector<int> types;
  for (size_t i = 0; i + 3 < size; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
      types.push_back(data[i + 3] & 0x1f);
      i += 3;
    }
  }
  return types;
}

// Each frame, whichever way it was encoded, is an IDR frame with its own parameter sets, and a
// fresh decoder turns it alone back into the picture (a changing, textured one, so that an
// encoder that leaned on earlier frames would show).
TEST(CameraEncoder, EveryFrameDecodesAloneOnAFreshDecoder) {
  const int w = 96, h = 64;
  std::mt19937 random(7);
  for (CameraEncoding encoding :
       {CameraEncoding::kFreshPerFrame, CameraEncoding::kPersistentAllIdr}) {
    CameraEncoder encoder(encoding);
    for (int frame = 0; frame < 4; ++frame) {
      std::vector<uint8_t> i420(w * h * 3 / 2, 128);
      for (int i = 0; i < w * h; ++i) {
        i420[i] = static_cast<uint8_t>(((i % w) * 2 + frame * 40 + random() % 16) & 0xff);
      }
      const int32_t size = encoder.Encode(i420.data(), i420.size(), w, h);
      ASSERT_GT(size, 0);
      const std::vector<int> types = NalTypes(encoder.frameData(), static_cast<size_t>(size));
      ASSERT_GE(types.size(), 3u);
      EXPECT_EQ(types[0] == 7 || types[0] == 6 || types[0] == 9, true);
      bool sps = false, pps = false, idr = false, other = false;
      for (int t : types) {
        sps |= t == 7;
        pps |= t == 8;
        idr |= t == 5;
        other |= t == 1;
      }
      EXPECT_TRUE(sps && pps && idr && !other) << "frame " << frame;

      testing::H264TestDecoder decoder;
      std::vector<testing::DecodedPicture> pictures;
      ASSERT_TRUE(decoder.Decode(encoder.frameData(), static_cast<size_t>(size), &pictures));
      ASSERT_TRUE(decoder.Flush(&pictures));
      ASSERT_EQ(pictures.size(), 1u);
      double error = 0;
      for (int i = 0; i < w * h; ++i) error += std::abs(pictures[0].y[i] - i420[i]);
      EXPECT_LT(error / (w * h), 8.0) << "frame " << frame;
    }
  }
}

}  // namespace
}  // namespace vantaro::capture
