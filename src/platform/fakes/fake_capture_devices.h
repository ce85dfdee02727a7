#pragma once
// Capture devices with scripted lists whose captures the test drives: it hands frames and buffers
// to whichever capture of a device is running, makes a device fail to open or go away, and reads
// the log of opens and closes.
//
// Thread-safe. A delivery holds the fake's lock while the sink runs, so Stop waits for it as the
// real captures do.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/capture_devices.h"

namespace vantaro::platform {

class FakeCaptureDevices : public CaptureDevices {
 public:
  // `audioReported` < 0: as many as `audio` names.
  FakeCaptureDevices(std::vector<std::string> video, std::vector<std::string> audio,
                     int32_t audioReported = -1);

  CaptureDeviceList Enumerate() override;
  std::unique_ptr<VideoCapture> CreateVideoCapture(int32_t index) override;
  std::unique_ptr<AudioCapture> CreateAudioCapture(int32_t index) override;

  // Later Starts of that device fail (or succeed again).
  void FailVideoStart(int32_t index, bool fail);
  void FailAudioStart(int32_t index, bool fail);
  // Every later Start of that camera hands `frame` to the sink before it returns, as a real
  // camera may (the pixels must stay valid). nullptr: no such frame.
  void DeliverOnStart(int32_t index, const VideoFrame* frame);
  // To the running capture of that device; false when none runs.
  bool DeliverVideo(int32_t index, const VideoFrame& frame);
  bool LoseVideo(int32_t index, const std::string& reason);
  bool DeliverAudio(int32_t index, const int16_t* samples, size_t byteCount);
  bool LoseAudio(int32_t index, const std::string& reason);

  bool videoRunning(int32_t index);
  bool audioRunning(int32_t index);
  // "video start 0", "video stop 0", "audio start 1", "audio start-failed 1", ... in order.
  std::vector<std::string> events();
  void ClearEvents();

  struct Shared;

 private:
  CaptureDeviceList list_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace vantaro::platform
