#pragma once
// The cameras and microphones of the computer: listed once at start, then opened by their position
// in that list. The lists hold display names in the platform's enumeration order; devices whose
// name cannot be read are left out (of the audio list only after being counted, see below).
//
// Threads: Enumerate and the two Create calls come from the user-interface thread. The captures
// they create deliver on threads of their own (video_capture.h, audio_capture.h).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio_capture.h"
#include "platform/video_capture.h"

namespace vantaro::platform {

struct CaptureDeviceList {
  std::vector<std::string> videoInputs;  // display names, one per usable camera
  std::vector<std::string> audioInputs;  // display names of the microphones whose name was read
  // Microphones the platform reported, including those whose name could not be read: the
  // device is told a microphone exists as soon as the platform reports one.
  int32_t audioInputsReported = 0;
};

class CaptureDevices {
 public:
  virtual ~CaptureDevices() = default;
  // Lists the devices. Called once; later calls may return the same lists without looking again.
  virtual CaptureDeviceList Enumerate() = 0;
  // A capture of the camera at `index` of videoInputs (or the microphone at `index` of
  // audioInputs), not yet started. nullptr when there is no such entry. Opening the device itself
  // happens in Start, which reports a device that is gone or busy.
  virtual std::unique_ptr<VideoCapture> CreateVideoCapture(int32_t index) = 0;
  virtual std::unique_ptr<AudioCapture> CreateAudioCapture(int32_t index) = 0;
};

}  // namespace vantaro::platform
