#include "ui/camera_recorder_page_model.h"

#include <algorithm>

namespace vantaro::ui {

void CameraRecorderPageModel::Enumerate(const std::vector<std::string>& videoInputs,
                                        const std::vector<std::string>& audioInputs) {
  audioIndex_ = 0;
  audioItems_ = audioInputs;
  audioInputCount_ = static_cast<int>(audioInputs.size());
  if (audioInputCount_ > 0) {
    audioDeviceIndex_ = 0;
    audioInputSelected_ = true;
  } else {
    audioItems_.push_back(none_);
    audioDeviceIndex_ = -1;
    audioInputSelected_ = false;
  }

  videoIndex_ = 0;
  videoItems_ = videoInputs;
  videoInputCount_ = static_cast<int>(videoInputs.size());
  if (videoInputCount_ > 0) {
    videoInputSelected_ = true;
    selectedVideoName_ = videoItems_.front();
  } else {
    videoItems_.push_back(none_);
    videoInputSelected_ = false;
    selectedVideoName_ = none_;
  }
}

std::string CameraRecorderPageModel::ItemAt(const std::vector<std::string>& items, int p) const {
  if (p < 0 || p >= static_cast<int>(items.size())) return none_;
  return items[static_cast<size_t>(p)];
}

bool CameraRecorderPageModel::OnVideoInputChanged(int p, bool previewRunning) {
  selectedVideoName_ = ItemAt(videoItems_, p);
  if (selectedVideoName_ == none_) {
    videoInputSelected_ = false;
    return false;
  }
  videoInputSelected_ = true;
  bool stop = previewRunning && p != videoIndex_;
  videoIndex_ = p;
  return stop;
}

bool CameraRecorderPageModel::OnAudioInputChanged(int p, bool meterRunning) {
  bool stop = false;
  if (ItemAt(audioItems_, p) == none_) {
    audioInputSelected_ = false;
  } else {
    audioInputSelected_ = true;
    stop = meterRunning && p != audioIndex_;
    audioIndex_ = p;
  }
  audioDeviceIndex_ = p;
  return stop;
}

bool CameraRecorderPageModel::PreviewWanted(const PageFlags& flags) const {
  return flags.settingsPageShown && flags.cameraSubPageShown && videoInputSelected_;
}

bool CameraRecorderPageModel::MeterWanted(const PageFlags& flags) const {
  return flags.settingsPageShown && flags.cameraSubPageShown && audioInputSelected_;
}

Rect FitPreview(int frameWidth, int frameHeight, int areaWidth, int areaHeight) {
  if (frameWidth <= 0 || frameHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return {};
  // Compare areaW/frameW with areaH/frameH without rounding.
  int64_t w, h;
  if (static_cast<int64_t>(areaWidth) * frameHeight <= static_cast<int64_t>(areaHeight) * frameWidth) {
    w = areaWidth;
    h = static_cast<int64_t>(frameHeight) * areaWidth / frameWidth;
  } else {
    h = areaHeight;
    w = static_cast<int64_t>(frameWidth) * areaHeight / frameHeight;
  }
  return Rect{static_cast<int>((areaWidth - w) / 2), static_cast<int>((areaHeight - h) / 2),
              static_cast<int>(w), static_cast<int>(h)};
}

}  // namespace vantaro::ui
