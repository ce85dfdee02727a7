#include "platform/linux/gst_pipeline.h"

#include <gst/app/gstappsink.h>

namespace vantaro::platform {

namespace {

// How long one pull waits, which bounds how long Stop waits for the pull thread.
constexpr GstClockTime kPullTimeout = 100 * GST_MSECOND;
// How long a start waits for the device to open or fail.
constexpr GstClockTime kStartTimeout = 5 * GST_SECOND;

}  // namespace

bool GstPipeline::Start(GstDevice* device, const char* converters, const char* caps, int maxBuffers,
                        SampleCallback onSample, LostCallback onLost, std::string* error) {
  Stop();
  GstElement* source = gst_device_create_element(device, nullptr);
  if (source == nullptr) {
    *error = "the device has no source element";
    return false;
  }
  GError* parseError = nullptr;
  const std::string tail = std::string(converters) + " ! " + caps +
                           " ! appsink name=sink sync=false emit-signals=false max-buffers=" +
                           std::to_string(maxBuffers) + " drop=true";
  GstElement* bin = gst_parse_bin_from_description(tail.c_str(), TRUE, &parseError);
  if (bin == nullptr) {
    *error = parseError != nullptr ? parseError->message : "cannot build the converters";
    if (parseError != nullptr) g_error_free(parseError);
    gst_object_unref(source);
    return false;
  }
  pipeline_ = gst_pipeline_new(nullptr);
  gst_bin_add_many(GST_BIN(pipeline_), source, bin, nullptr);
  sink_ = gst_bin_get_by_name(GST_BIN(bin), "sink");
  if (!gst_element_link(source, bin) || sink_ == nullptr) {
    *error = "the device's format cannot be converted";
    Stop();
    return false;
  }
  if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ||
      gst_element_get_state(pipeline_, nullptr, nullptr, kStartTimeout) ==
          GST_STATE_CHANGE_FAILURE) {
    std::string problem = TakeBusProblem(0);
    *error = problem.empty() ? "the device refused to start" : problem;
    Stop();
    return false;
  }
  onSample_ = std::move(onSample);
  onLost_ = std::move(onLost);
  running_.store(true);
  thread_ = std::thread(&GstPipeline::Pull, this);
  return true;
}

void GstPipeline::Stop() {
  running_.store(false);
  if (thread_.joinable()) thread_.join();
  if (pipeline_ != nullptr) {
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    if (sink_ != nullptr) gst_object_unref(sink_);
    gst_object_unref(pipeline_);
  }
  pipeline_ = nullptr;
  sink_ = nullptr;
}

void GstPipeline::Pull() {
  GstAppSink* appSink = GST_APP_SINK(sink_);
  while (running_.load()) {
    GstSample* sample = gst_app_sink_try_pull_sample(appSink, kPullTimeout);
    if (sample != nullptr) {
      onSample_(sample);
      gst_sample_unref(sample);
      continue;
    }
    std::string problem = TakeBusProblem(0);
    if (problem.empty() && gst_app_sink_is_eos(appSink)) problem = "the device ended its stream";
    if (!problem.empty()) {
      onLost_(problem);
      return;
    }
  }
}

std::string GstPipeline::TakeBusProblem(GstClockTime timeout) {
  GstBus* bus = gst_element_get_bus(pipeline_);
  GstMessage* message = gst_bus_timed_pop_filtered(
      bus, timeout, static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
  gst_object_unref(bus);
  if (message == nullptr) return std::string();
  std::string text = "the device ended its stream";
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    GError* err = nullptr;
    gst_message_parse_error(message, &err, nullptr);
    if (err != nullptr) {
      text = err->message;
      g_error_free(err);
    }
  }
  gst_message_unref(message);
  return text;
}

}  // namespace vantaro::platform
