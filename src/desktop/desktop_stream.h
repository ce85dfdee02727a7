#pragma once
// The Remote desktop stream and the start and end commands of the three media modes.
//
// Start (400) in the desktop mode reads the screen size, picks the output size and starts the
// stream thread, which encodes and sends one video frame packet per picture, preceded once by a
// video format packet. The pictures come from a capture thread that the stream thread starts and
// joins. It takes a picture only when the device can have it now, so that what the device shows
// is the screen as it is and not as it was: at most `maxFps` a second, counted from the previous
// capture; only once the data connection has sent on nearly all it was given (a device that
// reads slowly sets the pace, and listings, file contents and audio on the same connection are
// not held up behind frames); only when the screen or the cursor changed, or a second has passed
// (so the device still sees a live stream); and only as the encoder is about to be free. A start
// while a stream runs first stops that stream and waits for its thread, so two loops never share
// the encoder or the picture. In the camera and recorder modes the start only sets the flags that
// the capture timers act on.
//
// Threads: OnStartStream, OnEndMode and StopAll come from the control thread (StopAll also from
// the thread that closes the service); the stream thread is owned here and joined by the next
// start, by StopAll and by the destructor; the capture thread is the only user of the screen
// source while it runs.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "control/command_handlers.h"
#include "desktop/output_size.h"
#include "desktop/picture_exchange.h"
#include "desktop/video_encoder.h"
#include "platform/screen_source.h"

namespace vantaro::desktop {

// Frames a second when the settings say nothing usable; 0 means no cap.
inline constexpr int32_t kDefaultMaxFps = 60;
// Unsent bytes the data connection may hold when the next picture is taken: less than most
// frames, so that at most about one frame waits on this side of the connection.
inline constexpr size_t kStreamSendBudget = 16 * 1024;
// With an unchanged screen, one frame this often.
inline constexpr int kKeepAliveMs = 1000;

class DesktopStream : public control::StreamHandler {
 public:
  // Called on the stream thread after each frame packet went out, with the time its picture was
  // taken.
  using FrameSentHook = std::function<void(StreamClock::time_point captured)>;

  // `state` and `screen` must outlive this object. `noCaptureDeviceText` is shown to the local
  // user when a camera or recorder start finds no device. `maxFps` caps the frame rate (0: none;
  // below 0 reads as kDefaultMaxFps).
  DesktopStream(app::AppState& state, platform::ScreenSource& screen,
                std::string noCaptureDeviceText, int32_t maxFps = kDefaultMaxFps);
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
  // For measurements; set while no stream runs.
  void SetFrameSentHook(FrameSentHook hook);

 private:
  void StartDesktopStream(int32_t sizeOption);
  void StopLocked();
  void RunDesktopStream(PictureSize output);
  // The capture thread of one stream; sets `screenLost` when the screen went away for good.
  void RunCapture(PictureSize output, PictureExchange& exchange, std::atomic<bool>& screenLost);
  // Waits in the capture thread until the next picture is due (see the top of this file); false
  // when the stream is to end.
  bool WaitForTurn(PictureExchange& exchange, StreamClock::time_point lastCapture);
  bool SendFrame(PictureSize output, int32_t size, std::vector<uint8_t>& packet);

  app::AppState& state_;
  platform::ScreenSource& screen_;
  const std::string noCaptureDeviceText_;
  const StreamClock::duration frameInterval_;  // zero: no cap
  FrameSentHook frameSent_;                    // set only while no stream runs

  std::mutex threadLock_;  // guards thread_ and output_ (control thread, closing thread)
  std::thread thread_;
  PictureSize output_;
  // Used only by the stream thread while it runs.
  VideoEncoderContext encoder_;
};

}  // namespace vantaro::desktop
