#pragma once
// One camera, delivering every frame as 24-bit pixels (blue, green, red) to a sink on a thread of
// the capture's own, at the rate and the size the camera gives.
//
// Threads: Start and Stop come from one thread (the user-interface thread); the sink's calls come
// from the capture's thread, one at a time, between Start and the return of Stop. A sink never
// calls Stop from inside its own callbacks.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantaro::platform {

// One camera frame. `pixels` is valid for the duration of the sink call only.
struct VideoFrame {
  const uint8_t* pixels = nullptr;  // `height` rows of `width` * 3 bytes: blue, green, red
  size_t size = 0;                  // bytes readable from `pixels`
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;     // bytes from one stored row to the next (at least width * 3)
  bool bottomUp = false;  // the first stored row is the bottom of the picture
};

class VideoFrameSink {
 public:
  virtual ~VideoFrameSink() = default;
  virtual void OnVideoFrame(const VideoFrame& frame) = 0;
  // The camera went away or failed while running; no frame follows. Called at most once per
  // Start, with a one-line reason. The owner still calls Stop.
  virtual void OnVideoCaptureLost(const std::string& reason) = 0;
};

class VideoCapture {
 public:
  // Stops first when still running.
  virtual ~VideoCapture() = default;
  // Opens the camera and starts delivering to `sink`, which must outlive the capture or the next
  // Stop. False, with a one-line reason in `error` and nothing running, when the camera cannot be
  // opened. Start after Stop opens it again.
  virtual bool Start(VideoFrameSink& sink, std::string* error) = 0;
  // Closes the camera. Returns when no sink call is running and none will follow. Idempotent.
  virtual void Stop() = 0;
};

}  // namespace vantaro::platform
