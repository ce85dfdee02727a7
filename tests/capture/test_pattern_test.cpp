#include "capture/test_pattern.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "capture/test_capture_devices.h"

namespace vantaro::capture {
namespace {

// The synthetic camera must show what GStreamer's own test source shows, noise included, frame
// after frame: compare with videotestsrc itself.
TEST(PaintSmpteBars, MatchesVideotestsrcPatternZero) {
  gst_init(nullptr, nullptr);
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(
      "videotestsrc pattern=0 num-buffers=2 ! video/x-raw,format=BGR,width=640,height=480 "
      "! appsink name=sink sync=false",
      &error);
  if (pipeline == nullptr) {
    if (error != nullptr) g_error_free(error);
    GTEST_SKIP() << "videotestsrc is not installed";
  }
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  uint32_t noise = 0;
  std::vector<uint8_t> ours(640 * 480 * 3);
  for (int frame = 0; frame < 2; ++frame) {
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    ASSERT_NE(sample, nullptr);
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_READ));
    PaintSmpteBars(ours.data(), 640 * 3, 640, 480, &noise);
    ASSERT_EQ(map.size, ours.size());
    size_t differences = 0;
    for (size_t i = 0; i < ours.size(); ++i) differences += ours[i] != map.data[i];
    EXPECT_EQ(differences, 0u) << "frame " << frame;
    gst_buffer_unmap(buffer, &map);
    gst_sample_unref(sample);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
}

TEST(FillSine, HalfScaleToneJoinsAcrossBuffers) {
  std::vector<int16_t> whole(960 * 3), pieces(960 * 3);
  FillSine(whole.data(), whole.size(), 0, kTestToneHz, kTestToneAmplitude, 44100);
  for (int b = 0; b < 3; ++b) {
    FillSine(pieces.data() + 960 * b, 960, 960 * b, kTestToneHz, kTestToneAmplitude, 44100);
  }
  EXPECT_EQ(whole, pieces);
  int16_t peak = 0;
  int crossings = 0;
  for (size_t i = 1; i < whole.size(); ++i) {
    peak = std::max<int16_t>(peak, whole[i]);
    crossings += (whole[i - 1] < 0) != (whole[i] < 0);
  }
  EXPECT_NEAR(peak, 16384, 2);
  // 2,880 samples are 65.3 ms of a 1 kHz tone: about 130 zero crossings.
  EXPECT_NEAR(crossings, 130, 2);
}

}  // namespace
}  // namespace vantaro::capture
