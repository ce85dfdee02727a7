#pragma once
// The Camera Recorder page: the two device lists with their "None" entries, the choice, and when
// the preview and the level meter run. The choice is not stored; each start begins with the first
// entries. Toolkit-neutral; user-interface thread only.

#include <string>
#include <vector>

#include "ui/capture_preview.h"
#include "ui/main_window_model.h"

namespace vantaro::ui {

inline constexpr int kLevelMeterMax = 480;

class CameraRecorderPageModel {
 public:
  // `noneText` is the "None" entry in the user's language.
  explicit CameraRecorderPageModel(std::string noneText) : none_(std::move(noneText)) {}

  // Fills both lists from the devices found (EnumerateVideoInputs, EnumerateAudioInputs).
  void Enumerate(const std::vector<std::string>& videoInputs,
                 const std::vector<std::string>& audioInputs);
  const std::vector<std::string>& videoItems() const { return videoItems_; }
  const std::vector<std::string>& audioItems() const { return audioItems_; }

  // A new selection at position `p`. True when a running preview (or meter) must stop at once,
  // because another device was chosen; the next tick starts it on the new one.
  bool OnVideoInputChanged(int p, bool previewRunning);
  bool OnAudioInputChanged(int p, bool meterRunning);

  // Whether the preview and the meter should run now: the page is on screen and a device chosen.
  bool PreviewWanted(const PageFlags& flags) const;
  bool MeterWanted(const PageFlags& flags) const;

  int videoInputCount() const { return videoInputCount_; }
  int audioInputCount() const { return audioInputCount_; }
  bool videoInputSelected() const { return videoInputSelected_; }
  bool audioInputSelected() const { return audioInputSelected_; }
  const std::string& selectedVideoName() const { return selectedVideoName_; }
  int videoIndex() const { return videoIndex_; }
  int audioDeviceIndex() const { return audioDeviceIndex_; }

 private:
  std::string ItemAt(const std::vector<std::string>& items, int p) const;

  std::string none_;
  std::vector<std::string> videoItems_;
  std::vector<std::string> audioItems_;
  int videoInputCount_ = 0;
  int audioInputCount_ = 0;
  bool videoInputSelected_ = false;
  bool audioInputSelected_ = false;
  std::string selectedVideoName_;
  int audioDeviceIndex_ = -1;
  int videoIndex_ = 0;
  int audioIndex_ = 0;
};

// The largest picture of `frameWidth` x `frameHeight` that fits `areaWidth` x `areaHeight` with its
// proportions kept, centred. An empty frame or area gives an empty rectangle.
Rect FitPreview(int frameWidth, int frameHeight, int areaWidth, int areaHeight);

}  // namespace vantaro::ui
