#pragma once
// The Camera Recorder page's preview on top of the server's own camera and microphone logic.
// CameraRecorder opens and closes the devices on its timers while the page flags are set, so
// starting here only raises the flags and picks the device; the frames and the level come back
// through the observer and go to the page's callbacks.
//
// Threads: everything but the observer calls runs on the user-interface thread. The callbacks are
// swapped under a lock that the capture threads hold while calling them, so once a Stop returns
// no call to the old callback runs.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "capture/camera_recorder.h"
#include "capture/capture_observer.h"
#include "ui/capture_preview.h"

namespace vantaro::ui {

class RecorderCapturePreview : public CapturePreview, private capture::CapturePreviewObserver {
 public:
  // `recorder` must outlive this object and be started (its lists filled). `noneText` is the
  // entry the recorder puts in an empty list; the page adds its own.
  RecorderCapturePreview(capture::CameraRecorder& recorder, std::string noneText);
  // Lowers the flags and waits for a call in progress to end.
  ~RecorderCapturePreview() override;
  RecorderCapturePreview(const RecorderCapturePreview&) = delete;
  RecorderCapturePreview& operator=(const RecorderCapturePreview&) = delete;

  std::vector<std::string> VideoInputs() override;
  std::vector<std::string> AudioInputs() override;
  bool StartPreview(int index, std::function<void(PreviewFrame)> onFrame) override;
  void StopPreview() override;
  bool StartLevelMeter(int index, std::function<void(int level)> onLevel) override;
  void StopLevelMeter() override;

 private:
  void OnPreviewFrame(const platform::VideoFrame& frame) override;
  void OnPreviewStopped() override {}
  void OnLevelMeter(int32_t value) override;
  // The recorder has one pair of flags for both devices: they stay up while either runs.
  void UpdateFlags();
  std::vector<std::string> Devices(const std::vector<std::string>& entries) const;

  capture::CameraRecorder& recorder_;
  const std::string none_;
  std::mutex lock_;
  std::function<void(PreviewFrame)> onFrame_;
  std::function<void(int)> onLevel_;
};

// The frame's pixels (blue first, any stride, either row order) as top-down RGB rows without
// padding; an empty frame when the pixels do not hold the picture.
PreviewFrame ToRgbFrame(const platform::VideoFrame& frame);

}  // namespace vantaro::ui
