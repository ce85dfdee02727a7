#include "desktop/video_encoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "desktop/h264_test_decoder.h"

namespace vantaro::desktop {
namespace {

using testing::DecodedPicture;
using testing::H264TestDecoder;
using testing::NalTypes;

void FillLibraryPlanes(VideoEncoderContext& encoder, uint8_t y, uint8_t u, uint8_t v) {
  for (int row = 0; row < encoder.height(); ++row)
    std::memset(encoder.plane(0) + row * encoder.stride(0), y, encoder.width());
  for (int row = 0; row < encoder.height() / 2; ++row) {
    std::memset(encoder.plane(1) + row * encoder.stride(1), u, encoder.width() / 2);
    std::memset(encoder.plane(2) + row * encoder.stride(2), v, encoder.width() / 2);
  }
}

TEST(VideoEncoder, FirstFrameIsAnIdrWithParameterSetsThatDecodesAlone) {
  struct Case {
    int width, height;
  };
  for (Case c : {Case{320, 240}, Case{1066, 600}, Case{2, 2}}) {
    VideoEncoderContext encoder;
    ASSERT_TRUE(encoder.OpenVideoEncoder(c.width, c.height));
    ASSERT_NE(encoder.plane(0), nullptr);
    // The planes are packed rows, as the capture writes them.
    EXPECT_EQ(encoder.stride(0), c.width);
    EXPECT_EQ(encoder.stride(1), c.width / 2);
    EXPECT_EQ(encoder.plane(2) - encoder.plane(1), c.width / 2 * (c.height / 2));
    FillLibraryPlanes(encoder, 82, 90, 240);
    int32_t size = encoder.EncodeVideoPicture(0);
    ASSERT_GT(size, 0);
    const uint8_t* frame = encoder.frameData();
    ASSERT_GE(size, 4);
    EXPECT_EQ(std::vector<uint8_t>(frame, frame + 4), (std::vector<uint8_t>{0, 0, 0, 1}));
    std::vector<int> types = NalTypes(frame, static_cast<size_t>(size));
    ASSERT_GE(types.size(), 3u);
    EXPECT_EQ(types[0], 7);  // sequence parameters
    EXPECT_EQ(types[1], 8);  // picture parameters
    EXPECT_EQ(types.back(), 5);  // IDR slice

    H264TestDecoder decoder;
    ASSERT_TRUE(decoder.ok());
    std::vector<DecodedPicture> pictures;
    ASSERT_TRUE(decoder.Decode(frame, static_cast<size_t>(size), &pictures));
    ASSERT_TRUE(decoder.Flush(&pictures));
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].width, c.width);
    EXPECT_EQ(pictures[0].height, c.height);
    EXPECT_NEAR(pictures[0].y[0], 82, 3);
    EXPECT_NEAR(pictures[0].v[0], 240, 3);
  }
}

TEST(VideoEncoder, EveryPictureGivesAFrameThatFollowsTheFirst) {
  VideoEncoderContext encoder;
  ASSERT_TRUE(encoder.OpenVideoEncoder(64, 48));
  H264TestDecoder decoder;
  std::vector<DecodedPicture> pictures;
  for (int i = 0; i < 30; ++i) {
    FillLibraryPlanes(encoder, static_cast<uint8_t>(16 + i * 5), 128, 128);
    int32_t size = encoder.EncodeVideoPicture(i);
    ASSERT_GT(size, 0) << i;
    ASSERT_TRUE(decoder.Decode(encoder.frameData(), static_cast<size_t>(size), &pictures));
  }
  ASSERT_TRUE(decoder.Flush(&pictures));
  ASSERT_EQ(pictures.size(), 30u);
  EXPECT_NEAR(pictures.back().y[100], 16 + 29 * 5, 4);
}

TEST(VideoEncoder, CallerBufferFramesDecodeOnTheirOwn) {
  const int w = 96, h = 64;
  std::vector<uint8_t> i420(w * h * 3 / 2, 128);
  std::memset(i420.data(), 200, w * h);
  for (int round = 0; round < 2; ++round) {  // a fresh encoder per frame, as the camera does
    VideoEncoderContext encoder;
    ASSERT_TRUE(encoder.OpenVideoEncoder(w, h, PictureSupply::kCallerBuffer));
    EXPECT_EQ(encoder.plane(0), nullptr);
    EXPECT_EQ(encoder.EncodeVideoPicture(0), 0) << "no buffer was given";
    EXPECT_FALSE(encoder.SetCallerBuffer(i420.data(), i420.size() - 1));
    ASSERT_TRUE(encoder.SetCallerBuffer(i420.data(), i420.size()));
    int32_t size = encoder.EncodeVideoPicture(0);
    ASSERT_GT(size, 0);
    H264TestDecoder decoder;
    std::vector<DecodedPicture> pictures;
    ASSERT_TRUE(decoder.Decode(encoder.frameData(), static_cast<size_t>(size), &pictures));
    ASSERT_TRUE(decoder.Flush(&pictures));
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_TRUE(pictures[0].key);
    EXPECT_NEAR(pictures[0].y[w * h / 2], 200, 3);
  }
}

TEST(VideoEncoder, RefusesSizesTheLibraryCannotTake) {
  for (auto [w, h] : {std::pair{321, 240}, std::pair{320, 239}, std::pair{0, 0},
                      std::pair{-2, 4}}) {
    VideoEncoderContext encoder;
    EXPECT_FALSE(encoder.OpenVideoEncoder(w, h)) << w << "x" << h;
    EXPECT_FALSE(encoder.isOpen());
    EXPECT_EQ(encoder.EncodeVideoPicture(0), 0);
    EXPECT_EQ(encoder.plane(0), nullptr);
  }
}

}  // namespace
}  // namespace vantaro::desktop
