#pragma once
// The camera stream: the 800 ms timer that opens and closes the chosen camera (the "graph")
// according to the camera flags and the page's visibility, and the frame callback that sends the
// video format packet and then one video frame packet per camera frame.
//
// A camera opened while the device streams has the frame callback installed; one opened for the
// page's preview has not, so turning the camera on rebuilds a running preview (the change mark
// causes it). Every frame sent is converted to I420 with the full-range tables and encoded as an
// IDR frame that decodes alone.
//
// Threads: OnCameraTimer, BuildCameraGraph and StopCameraGraph run on the user-interface thread.
// OnVideoFrame runs on the camera's thread under `cameraLock`, and sends there: each packet is
// written whole under the data connection's lock, and no frame waits in a queue (the camera's
// next frame is taken only once this one went out). Stopping does not take `cameraLock`: the
// capture's Stop waits for the callback instead.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "capture/camera_encoder.h"
#include "capture/capture_device_choice.h"
#include "capture/page_state.h"
#include "platform/clock.h"
#include "platform/video_capture.h"

namespace vantaro::capture {

// Stopping a camera waits this long before anything opens one again; a rebuild waits a little
// more between the stop and the new start.
inline constexpr int kCameraStopWaitMs = 400;
inline constexpr int kCameraRebuildWaitMs = 20;

class CameraStream : public platform::VideoFrameSink {
 public:
  // Everything passed must outlive this object.
  CameraStream(app::MediaFlags& media, app::DataConnection& connection, CaptureDeviceChoice& choice,
               PageState& page, platform::Clock& clock,
               CameraEncoding encoding = CameraEncoding::kFreshPerFrame);
  // Closes the camera without the wait.
  ~CameraStream() override;
  CameraStream(const CameraStream&) = delete;
  CameraStream& operator=(const CameraStream&) = delete;

  void OnCameraTimer();
  // Opens the chosen camera, with the frame callback when the device streams. False (with one
  // line on standard error) when it cannot be opened.
  bool BuildCameraGraph();
  // Closes the camera; with `wait`, then waits kCameraStopWaitMs.
  void StopCameraGraph(bool wait = true);
  bool graphRunning() const { return graphRunning_.load(); }

  void OnVideoFrame(const platform::VideoFrame& frame) override;  // BufferCB
  void OnVideoCaptureLost(const std::string& reason) override;

 private:
  void SendFrame(const platform::VideoFrame& frame, int32_t width, int32_t height);

  app::MediaFlags& media_;
  app::DataConnection& connection_;
  CaptureDeviceChoice& choice_;
  PageState& page_;
  platform::Clock& clock_;

  std::unique_ptr<platform::VideoCapture> capture_;  // user-interface thread
  std::atomic<bool> graphRunning_{false};            // written by the user-interface thread
  std::atomic<bool> callbackInstalled_{false};       // written before the capture starts
  std::atomic<bool> lost_{false};                    // set by the camera's thread
  bool reportedBuildFailure_ = false;                // one line per run of failed opens

  std::mutex cameraLock_;  // held by the frame callback for its whole body
  // Under cameraLock_ (and by the user-interface thread once the capture was stopped).
  CameraEncoder encoder_;
  std::vector<uint8_t> i420_;
  std::vector<uint8_t> packet_;
  int32_t announcedWidth_ = 0;
  int32_t announcedHeight_ = 0;
};

}  // namespace vantaro::capture
