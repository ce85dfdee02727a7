#include "platform/linux/gst_capture_devices.h"

#include <gst/gst.h>
#include <gst/video/video-info.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/linux/gst_pipeline.h"

namespace vantaro::platform {

namespace {

void InitGstreamerOnce() {
  static std::once_flag once;
  std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

// A reference to a listed device, released with the list at the end of the program.
struct DeviceRef {
  explicit DeviceRef(GstDevice* d) : device(GST_DEVICE(gst_object_ref(d))) {}
  ~DeviceRef() { gst_object_unref(device); }
  DeviceRef(const DeviceRef&) = delete;
  DeviceRef& operator=(const DeviceRef&) = delete;
  GstDevice* device;
};

class GstVideoCapture : public VideoCapture {
 public:
  explicit GstVideoCapture(GstDevice* device) : device_(device) {}
  ~GstVideoCapture() override { Stop(); }

  bool Start(VideoFrameSink& sink, std::string* error) override {
    // BGR rows are padded to four bytes by GStreamer; the frame's stride says so.
    return pipeline_.Start(
        device_.device, "videoconvert", "video/x-raw,format=BGR", 1,
        [&sink](GstSample* sample) { Deliver(sample, sink); },
        [&sink](const std::string& reason) { sink.OnVideoCaptureLost(reason); }, error);
  }
  void Stop() override { pipeline_.Stop(); }

 private:
  static void Deliver(GstSample* sample, VideoFrameSink& sink) {
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (caps == nullptr || buffer == nullptr || !gst_video_info_from_caps(&info, caps)) return;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
    VideoFrame frame;
    frame.pixels = map.data + GST_VIDEO_INFO_PLANE_OFFSET(&info, 0);
    frame.size = map.size - std::min<size_t>(map.size, GST_VIDEO_INFO_PLANE_OFFSET(&info, 0));
    frame.width = GST_VIDEO_INFO_WIDTH(&info);
    frame.height = GST_VIDEO_INFO_HEIGHT(&info);
    frame.stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    sink.OnVideoFrame(frame);
    gst_buffer_unmap(buffer, &map);
  }

  DeviceRef device_;
  GstPipeline pipeline_;
};

class GstAudioCapture : public AudioCapture {
 public:
  explicit GstAudioCapture(GstDevice* device) : device_(device) {}
  ~GstAudioCapture() override { Stop(); }

  bool Start(AudioBufferSink& sink, std::string* error) override {
    filled_ = 0;
    current_ = 0;
    // A few samples of slack: the sink's turn for one buffer may exceed a buffer's duration now
    // and then without losing audio; beyond that, the oldest audio is dropped.
    return pipeline_.Start(
        device_.device, "audioconvert ! audioresample",
        "audio/x-raw,format=S16LE,rate=44100,channels=1,layout=interleaved", 8,
        [this, &sink](GstSample* sample) { Collect(sample, sink); },
        [&sink](const std::string& reason) { sink.OnAudioCaptureLost(reason); }, error);
  }
  void Stop() override { pipeline_.Stop(); }

 private:
  // Cuts the stream into buffers of 960 samples; two circulate, one filling while the sink has
  // the other.
  void Collect(GstSample* sample, AudioBufferSink& sink) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (buffer == nullptr || !gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
    const uint8_t* bytes = map.data;
    size_t left = map.size - map.size % 2;
    while (left > 0) {
      auto* target = reinterpret_cast<uint8_t*>(buffers_[current_]);
      const size_t take = std::min(left, kAudioBufferBytes - filled_);
      std::memcpy(target + filled_, bytes, take);
      filled_ += take;
      bytes += take;
      left -= take;
      if (filled_ == kAudioBufferBytes) {
        sink.OnAudioBuffer(buffers_[current_], kAudioBufferBytes);
        current_ ^= 1;
        filled_ = 0;
      }
    }
    gst_buffer_unmap(buffer, &map);
  }

  DeviceRef device_;
  GstPipeline pipeline_;
  // The pull thread's while a capture runs.
  int16_t buffers_[2][kAudioBufferSamples] = {};
  size_t filled_ = 0;
  int current_ = 0;
};

// Every display name is read once; devices without one are left out of the lists.
class GstCaptureDevices : public CaptureDevices {
 public:
  CaptureDeviceList Enumerate() override {
    if (enumerated_) return list_;
    enumerated_ = true;
    InitGstreamerOnce();
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    gst_device_monitor_add_filter(monitor, "Audio/Source", nullptr);
    if (!gst_device_monitor_start(monitor)) {
      gst_object_unref(monitor);
      return list_;
    }
    GList* devices = gst_device_monitor_get_devices(monitor);
    for (GList* item = devices; item != nullptr; item = item->next) Add(GST_DEVICE(item->data));
    g_list_free_full(devices, gst_object_unref);
    gst_device_monitor_stop(monitor);
    gst_object_unref(monitor);
    return list_;
  }

  std::unique_ptr<VideoCapture> CreateVideoCapture(int32_t index) override {
    if (index < 0 || static_cast<size_t>(index) >= video_.size()) return nullptr;
    return std::make_unique<GstVideoCapture>(video_[index]->device);
  }

  std::unique_ptr<AudioCapture> CreateAudioCapture(int32_t index) override {
    if (index < 0 || static_cast<size_t>(index) >= audio_.size()) return nullptr;
    return std::make_unique<GstAudioCapture>(audio_[index]->device);
  }

 private:
  void Add(GstDevice* device) {
    const bool video = gst_device_has_classes(device, "Video/Source");
    const bool audio = !video && gst_device_has_classes(device, "Audio/Source");
    if (!video && !audio) return;
    if (audio) ++list_.audioInputsReported;
    gchar* name = gst_device_get_display_name(device);
    if (name == nullptr || name[0] == '\0') {
      g_free(name);
      return;
    }
    if (video) {
      list_.videoInputs.emplace_back(name);
      video_.push_back(std::make_unique<DeviceRef>(device));
    } else {
      list_.audioInputs.emplace_back(name);
      audio_.push_back(std::make_unique<DeviceRef>(device));
    }
    g_free(name);
  }

  bool enumerated_ = false;
  CaptureDeviceList list_;
  std::vector<std::unique_ptr<DeviceRef>> video_;
  std::vector<std::unique_ptr<DeviceRef>> audio_;
};

class GstCaptureDeviceProbe : public CaptureDeviceProbe {
 public:
  CaptureFacts Query() override {
    CaptureDeviceList list = devices_.Enumerate();
    return CaptureFacts{list.videoInputs, list.audioInputs};
  }

 private:
  GstCaptureDevices devices_;
};

}  // namespace

std::unique_ptr<CaptureDeviceProbe> CreateGstCaptureDeviceProbe() {
  return std::make_unique<GstCaptureDeviceProbe>();
}

std::unique_ptr<CaptureDevices> CreateGstCaptureDevices() {
  return std::make_unique<GstCaptureDevices>();
}

}  // namespace vantaro::platform
