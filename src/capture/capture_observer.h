#pragma once
// What the Camera Recorder page shows while it is on screen: the chosen camera's picture and the
// chosen microphone's level. The capture logic decides when they run (only while the page is
// shown, or while the device streams); a view only draws what it is handed.

#include <cstdint>

#include "platform/video_capture.h"

namespace vantaro::capture {

// The meter's range: 0 (silence) to 480.
inline constexpr int32_t kLevelMeterMax = 480;

class CapturePreviewObserver {
 public:
  virtual ~CapturePreviewObserver() = default;
  // A camera frame while the page is shown, on the camera's thread. `frame` (24-bit pixels,
  // blue first) is valid for the duration of the call only: copy what is drawn later, and return
  // quickly, since the stream to the device waits for this call.
  virtual void OnPreviewFrame(const platform::VideoFrame& frame) = 0;
  // The camera was closed: clear the picture. On the user-interface thread.
  virtual void OnPreviewStopped() = 0;
  // The meter's new value, 0 to kLevelMeterMax, after every microphone buffer while the page is
  // shown (on the microphone's thread), and 0 when the microphone is closed (on the
  // user-interface thread).
  virtual void OnLevelMeter(int32_t value) = 0;
};

}  // namespace vantaro::capture
