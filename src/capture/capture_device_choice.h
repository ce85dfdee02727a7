#pragma once
// The two device lists of the Camera Recorder page and the user's choice in them.
//
// The lists are filled once at start, audio first, from the platform's enumeration; an empty list
// shows the single "None" entry. The first entry of each list is selected at every start (the
// choice is not stored). The counts go to the shared state, where the handshake and the start
// command read them on the control thread.
//
// Threads: everything here runs on the user-interface thread.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/capture_devices.h"

namespace vantaro::capture {

class CaptureDeviceChoice {
 public:
  // `videoInputCount` and `audioInputCount` are the shared counts (written once, by Enumerate);
  // they and `devices` must outlive this object. `noneText` is the "None" entry in the user's
  // language.
  CaptureDeviceChoice(platform::CaptureDevices& devices, std::atomic<int32_t>& videoInputCount,
                      std::atomic<int32_t>& audioInputCount, std::string noneText);

  // EnumerateAudioInputs then EnumerateVideoInputs, from one look at the platform.
  void Enumerate();

  // The entries as the drop-down lists show them ("None" alone when no device was found).
  const std::vector<std::string>& videoEntries() const { return videoEntries_; }
  const std::vector<std::string>& audioEntries() const { return audioEntries_; }
  // Positions of the selected entries.
  int32_t videoPosition() const { return videoPosition_; }
  int32_t audioPosition() const { return audioPosition_; }

  // The user picked entry `position` (out-of-range positions are ignored). Returns true when the
  // capture that runs must be stopped because another device was chosen.
  bool SelectVideo(int32_t position, bool graphRunning);
  bool SelectAudio(int32_t position, bool recordingActive);

  bool videoInputSelected() const { return videoInputSelected_; }
  bool audioInputSelected() const { return audioInputSelected_; }
  const std::string& selectedVideoName() const { return selectedVideoName_; }
  // The platform's number of the chosen microphone; -1 when there is none.
  int32_t audioDeviceIndex() const { return audioDeviceIndex_; }
  // The platform's number of the chosen camera: its position in the list.
  int32_t videoDeviceIndex() const { return videoPosition_; }
  platform::CaptureDevices& devices() { return devices_; }

 private:
  void EnumerateAudioInputs(const platform::CaptureDeviceList& list);
  void EnumerateVideoInputs(const platform::CaptureDeviceList& list);

  platform::CaptureDevices& devices_;
  std::atomic<int32_t>& videoInputCount_;
  std::atomic<int32_t>& audioInputCount_;
  const std::string noneText_;
  std::vector<std::string> videoEntries_;
  std::vector<std::string> audioEntries_;
  int32_t videoPosition_ = 0;
  int32_t audioPosition_ = 0;
  int32_t videoIndex_ = 0;  // last camera position seen, to tell a change of device
  int32_t audioIndex_ = 0;
  bool videoInputSelected_ = false;
  bool audioInputSelected_ = false;
  std::string selectedVideoName_;
  int32_t audioDeviceIndex_ = -1;
};

}  // namespace vantaro::capture
