#include "capture/capture_device_choice.h"

#include <utility>

namespace vantaro::capture {

CaptureDeviceChoice::CaptureDeviceChoice(platform::CaptureDevices& devices,
                                         std::atomic<int32_t>& videoInputCount,
                                         std::atomic<int32_t>& audioInputCount,
                                         std::string noneText)
    : devices_(devices),
      videoInputCount_(videoInputCount),
      audioInputCount_(audioInputCount),
      noneText_(std::move(noneText)),
      selectedVideoName_(noneText_) {}

void CaptureDeviceChoice::Enumerate() {
  platform::CaptureDeviceList list = devices_.Enumerate();
  audioIndex_ = 0;
  EnumerateAudioInputs(list);
  videoIndex_ = 0;
  EnumerateVideoInputs(list);
}

void CaptureDeviceChoice::EnumerateAudioInputs(const platform::CaptureDeviceList& list) {
  // The count is what the platform reported, named or not: it is what the handshake tells.
  const int32_t reported = list.audioInputsReported;
  audioInputCount_.store(reported);
  audioEntries_ = list.audioInputs;
  if (reported > 0) {
    audioDeviceIndex_ = 0;
    audioInputSelected_ = true;
  } else {
    audioEntries_.push_back(noneText_);
    audioDeviceIndex_ = -1;
    audioInputSelected_ = false;
  }
  audioPosition_ = 0;
}

void CaptureDeviceChoice::EnumerateVideoInputs(const platform::CaptureDeviceList& list) {
  videoEntries_ = list.videoInputs;
  videoInputCount_.store(static_cast<int32_t>(videoEntries_.size()));
  videoPosition_ = 0;
  if (!videoEntries_.empty()) {
    videoInputSelected_ = true;
    selectedVideoName_ = videoEntries_.front();
  } else {
    videoEntries_.push_back(noneText_);
    videoInputSelected_ = false;
    selectedVideoName_ = noneText_;
  }
}

bool CaptureDeviceChoice::SelectVideo(int32_t position, bool graphRunning) {
  if (position < 0 || position >= static_cast<int32_t>(videoEntries_.size())) return false;
  videoPosition_ = position;
  selectedVideoName_ = videoEntries_[position];
  if (selectedVideoName_ == noneText_) {
    videoInputSelected_ = false;
    return false;
  }
  videoInputSelected_ = true;
  const bool changed = position != videoIndex_;
  videoIndex_ = position;
  return graphRunning && changed;
}

bool CaptureDeviceChoice::SelectAudio(int32_t position, bool recordingActive) {
  if (position < 0 || position >= static_cast<int32_t>(audioEntries_.size())) return false;
  audioPosition_ = position;
  audioDeviceIndex_ = position;
  if (audioEntries_[position] == noneText_) {
    audioInputSelected_ = false;
    return false;
  }
  audioInputSelected_ = true;
  const bool changed = position != audioIndex_;
  audioIndex_ = position;
  return recordingActive && changed;
}

}  // namespace vantaro::capture
