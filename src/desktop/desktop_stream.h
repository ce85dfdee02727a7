#pragma once
// The Remote desktop stream and the start and end commands of the three media modes.
//
// Start (400) in the desktop mode reads the screen size, picks the output size and starts the
// stream thread, which encodes and sends one video frame packet per picture, preceded once by a
// video format packet, as fast as the data connection takes them. The pictures come from a
// capture thread that the stream thread starts and joins: it captures, scales and converts the
// next picture while the current one is being encoded. A start while a
// stream runs first stops that stream and waits for its thread, so two loops never share the
// encoder or the picture. In the camera and recorder modes the start only sets the flags that the
// capture timers act on.
//
// Threads: OnStartStream, OnEndMode and StopAll come from the control thread (StopAll also from
// the thread that closes the service); the stream thread is owned here and joined by the next
// start, by StopAll and by the destructor; the capture thread is the only user of the screen
// source while it runs.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "app/app_state.h"
#include "control/command_handlers.h"
#include "desktop/output_size.h"
#include "desktop/picture_exchange.h"
#include "desktop/video_encoder.h"
#include "platform/screen_source.h"

namespace vantaro::desktop {

class DesktopStream : public control::StreamHandler {
 public:
  // `state` and `screen` must outlive this object. `noCaptureDeviceText` is shown to the local
  // user when a camera or recorder start finds no device.
  DesktopStream(app::AppState& state, platform::ScreenSource& screen,
                std::string noCaptureDeviceText);
  ~DesktopStream() override;
  DesktopStream(const DesktopStream&) = delete;
  DesktopStream& operator=(const DesktopStream&) = delete;

  void OnStartStream(int32_t sizeOption) override;
  // Clears the stream flag (the loop ends after the frame in progress) and switches the camera
  // and the recorder off. Does not wait for the stream thread: a device that stopped reading
  // must not block the control thread.
  void OnEndMode() override;
  // Stops the stream and joins its thread. A loop blocked in a write to a device that does not
  // read is released when the data connection is closed, so close it first.
  void StopAll() override;

  // Output size of the stream started last (0 x 0 before any).
  PictureSize outputSize();

 private:
  void StartDesktopStream(int32_t sizeOption);
  void StopLocked();
  void RunDesktopStream(PictureSize output);
  // The capture thread of one stream; sets `screenLost` when the screen went away for good.
  void RunCapture(PictureSize output, PictureExchange& exchange, std::atomic<bool>& screenLost);

  app::AppState& state_;
  platform::ScreenSource& screen_;
  const std::string noCaptureDeviceText_;

  std::mutex threadLock_;  // guards thread_ and output_ (control thread, closing thread)
  std::thread thread_;
  PictureSize output_;
  // Used only by the stream thread while it runs.
  VideoEncoderContext encoder_;
};

}  // namespace vantaro::desktop
