#include "capture/camera_stream.h"

#include <cstdio>

#include "capture/rgb24_to_i420.h"
#include "desktop/desktop_stream.h"
#include "desktop/media_packet.h"

namespace vantaro::capture {

CameraStream::CameraStream(app::MediaFlags& media, app::DataConnection& connection,
                           CaptureDeviceChoice& choice, PageState& page, platform::Clock& clock,
                           CameraEncoding encoding)
    : media_(media),
      connection_(connection),
      choice_(choice),
      page_(page),
      clock_(clock),
      encoder_(encoding) {}

CameraStream::~CameraStream() { StopCameraGraph(false); }

void CameraStream::OnCameraTimer() {
  // A camera that went away is closed at the next tick; in preview mode the rules below open it
  // again, while a stream is not retried until the next start.
  if (lost_.exchange(false) && graphRunning_.load()) StopCameraGraph();
  if (!media_.cameraOn.load()) {
    const bool wanted = page_.shown() && choice_.videoInputSelected();
    if (graphRunning_.load() && media_.cameraChangePending.load()) {
      media_.cameraChangePending.store(false);
      StopCameraGraph();
      clock_.SleepMs(kCameraRebuildWaitMs);
      if (wanted) BuildCameraGraph();
    }
    if (wanted) {
      if (!graphRunning_.load()) BuildCameraGraph();
    } else if (graphRunning_.load()) {
      StopCameraGraph();
    }
    return;
  }
  if (!media_.cameraChangePending.load()) return;
  if (graphRunning_.load()) {
    StopCameraGraph();
    clock_.SleepMs(kCameraRebuildWaitMs);
  }
  // Before the build: the camera may deliver its first frame before the build returns, and that
  // frame must be the one that only announces the size.
  media_.videoHeaderPending.store(true);
  BuildCameraGraph();                       // whether the page is shown or not
  media_.cameraChangePending.store(false);  // also when the build failed
}

bool CameraStream::BuildCameraGraph() {
  std::string error = "there is no such camera";
  capture_ = choice_.videoInputSelected()
                 ? choice_.devices().CreateVideoCapture(choice_.videoDeviceIndex())
                 : nullptr;
  lost_.store(false);
  callbackInstalled_.store(media_.cameraOn.load());
  if (capture_ == nullptr || !capture_->Start(*this, &error)) {
    capture_.reset();
    callbackInstalled_.store(false);
    if (!reportedBuildFailure_) {
      std::fprintf(stderr, "camera: cannot open \"%s\" (%s)\n", choice_.selectedVideoName().c_str(),
                   error.c_str());
      reportedBuildFailure_ = true;
    }
    return false;
  }
  reportedBuildFailure_ = false;
  graphRunning_.store(true);
  return true;
}

void CameraStream::StopCameraGraph(bool wait) {
  if (capture_ != nullptr) {
    capture_->Stop();  // no frame callback runs once this returns
    capture_.reset();
  }
  callbackInstalled_.store(false);
  encoder_.Close();
  const bool wasRunning = graphRunning_.exchange(false);
  if (!wasRunning) return;
  page_.PreviewStopped();
  if (wait) clock_.SleepMs(kCameraStopWaitMs);
}

void CameraStream::OnVideoCaptureLost(const std::string& reason) {
  std::fprintf(stderr, "camera: capture ended (%s)\n", reason.c_str());
  lost_.store(true);
}

void CameraStream::OnVideoFrame(const platform::VideoFrame& frame) {
  if (frame.pixels == nullptr) return;
  std::lock_guard<std::mutex> guard(cameraLock_);
  page_.PreviewFrame(frame);
  if (!callbackInstalled_.load()) return;
  // The encoder takes only even sizes: an odd last row or column is left out.
  const int32_t width = frame.width & ~1;
  const int32_t height = frame.height & ~1;
  if (width < 2 || height < 2 || frame.stride < frame.width * 3) return;
  const size_t needed =
      static_cast<size_t>(frame.height - 1) * frame.stride + static_cast<size_t>(frame.width) * 3;
  if (frame.size < needed) return;
  // The first frame after a start only announces the size; so does a change of size, so that
  // the device never gets a frame of a size it was not told.
  if (media_.videoHeaderPending.exchange(false) || width != announcedWidth_ ||
      height != announcedHeight_) {
    std::vector<uint8_t> payload = desktop::VideoFormatPayload(width, height);
    desktop::SendMediaPacket(connection_, desktop::kPacketVideoFormat, desktop::WholeSecondsNow(),
                             payload.data(), payload.size(), packet_);
    announcedWidth_ = width;
    announcedHeight_ = height;
    return;
  }
  if (!media_.cameraOn.load()) return;
  // Frames never queue: while the device has not taken the earlier bytes, this frame is dropped
  // and a newer one goes out once there is room, so that the picture stays live and the audio
  // on the same connection never waits behind a backlog of frames.
  if (connection_.WaitForSendRoom(desktop::kStreamSendBudget, 0) == platform::SendRoom::kBusy) {
    return;
  }
  SendFrame(frame, width, height);
}

void CameraStream::SendFrame(const platform::VideoFrame& frame, int32_t width, int32_t height) {
  const size_t luma = static_cast<size_t>(width) * height;
  i420_.resize(luma + luma / 2);
  // A bottom-up frame with an odd height keeps its top rows: its first stored row is dropped.
  const uint8_t* first = frame.pixels;
  if (frame.bottomUp && height != frame.height) first += frame.stride;
  ConvertRgb24ToI420(first, static_cast<size_t>(frame.stride), width, height, frame.bottomUp,
                     i420_.data());
  const int32_t size = encoder_.Encode(i420_.data(), i420_.size(), width, height);
  if (size <= 0) return;
  desktop::SendMediaPacket(connection_, desktop::kPacketVideoFrame, desktop::WholeSecondsNow(),
                           encoder_.frameData(), static_cast<size_t>(size), packet_);
}

}  // namespace vantaro::capture
