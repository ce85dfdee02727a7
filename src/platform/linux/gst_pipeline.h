#pragma once
// One running GStreamer capture pipeline, "device ! converters ! caps ! appsink", and the thread
// that pulls its samples. Shared by the camera and the microphone.

#include <gst/gst.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace vantaro::platform {

class GstPipeline {
 public:
  // Called on the pull thread: each sample (valid during the call), and at most once the reason
  // why the pipeline stopped by itself (error or end of stream); nothing follows it.
  using SampleCallback = std::function<void(GstSample* sample)>;
  using LostCallback = std::function<void(const std::string& reason)>;

  ~GstPipeline() { Stop(); }

  // Builds device ! `converters` ! `caps` ! appsink and sets it playing. False, with the reason
  // in `error` and nothing left running, when the device cannot be opened.
  bool Start(GstDevice* device, const char* converters, const char* caps, int maxBuffers,
             SampleCallback onSample, LostCallback onLost, std::string* error);
  // Ends the pull thread and releases the pipeline. Returns when no callback runs. Idempotent.
  void Stop();

 private:
  void Pull();
  // The first error or end of stream on the bus, or an empty text.
  std::string TakeBusProblem(GstClockTime timeout);

  GstElement* pipeline_ = nullptr;
  GstElement* sink_ = nullptr;
  SampleCallback onSample_;
  LostCallback onLost_;
  std::atomic<bool> running_{false};  // written by the owner's thread, read by the pull thread
  std::thread thread_;
};

}  // namespace vantaro::platform
