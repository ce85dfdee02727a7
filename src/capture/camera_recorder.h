#pragma once
// The logic of the Camera Recorder page: the two device lists, the camera and microphone streams
// and their two timers (camera every 800 ms, microphone every 900 ms), and the preview and level
// meter that run while the page is on screen. A view (Qt window, or none for the headless server)
// only shows the lists, reports the user's choice and the page's visibility, and draws what the
// observer hands it.
//
// Threads: construction, Start, Stop, the Select and Set calls and destruction run on the
// user-interface thread (the event loop's); the timers tick there too. The camera and the
// microphone deliver on threads of their own, which Stop joins. The control thread talks to the
// streams only through the media flags of the shared state.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "capture/capture_device_choice.h"
#include "capture/capture_observer.h"
#include "platform/capture_devices.h"
#include "platform/clock.h"

namespace vantaro::capture {

class CameraStream;
class MicrophoneStream;
class PageState;

inline constexpr int kCameraTimerId = 4;
inline constexpr int kAudioTimerId = 5;
inline constexpr int kCameraTimerMs = 800;
inline constexpr int kAudioTimerMs = 900;

class CameraRecorder {
 public:
  // Everything passed must outlive this object. `noneText` is the "None" list entry in the
  // user's language.
  CameraRecorder(platform::CaptureDevices& devices, app::AppState& state, app::EventLoop& loop,
                 platform::Clock& clock, std::string noneText);
  // Stops (see Stop).
  ~CameraRecorder();
  CameraRecorder(const CameraRecorder&) = delete;
  CameraRecorder& operator=(const CameraRecorder&) = delete;

  // Lists the devices (setting the shared counts the handshake reports) and starts both timers.
  // Once, at program start.
  void Start();
  // Stops both timers and closes the camera and the microphone. Idempotent.
  void Stop();

  const CaptureDeviceChoice& choice() const { return choice_; }
  // The user picked another entry of the video or audio list. Choosing another device while its
  // capture runs closes that capture at once; the next tick opens the new one when it is wanted.
  void OnVideoInputChanged(int32_t position);
  void OnAudioInputChanged(int32_t position);

  // The main window shows the Settings page / the Settings page shows the Camera Recorder
  // sub-page. Both true: the preview and the meter run.
  void SetSettingsPageShown(bool shown);
  void SetCameraSubPageShown(bool shown);

  // Where the preview frames and the meter go; nullptr for none. Returns once no call to the
  // previous observer is running, so a view may be destroyed after setting nullptr.
  void SetObserver(CapturePreviewObserver* observer);

  // One tick of each timer; the timers call these, tests may call them directly.
  void OnCameraTimer();
  void OnAudioTimer();

  bool graphRunning() const;
  bool recordingActive() const;

 private:
  app::EventLoop& loop_;
  CaptureDeviceChoice choice_;
  std::unique_ptr<PageState> page_;  // page flags and the observer, shared by the streams
  std::unique_ptr<CameraStream> camera_;
  std::unique_ptr<MicrophoneStream> microphone_;
  bool started_ = false;
};

}  // namespace vantaro::capture
