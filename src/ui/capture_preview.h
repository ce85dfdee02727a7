#pragma once
// What the Camera Recorder page needs of the capture devices: their names, a live preview of one
// camera and the level of one microphone. The capture layer implements it; the page only asks.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantaro::ui {

// One preview picture, 24-bit RGB rows without padding.
struct PreviewFrame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

class CapturePreview {
 public:
  virtual ~CapturePreview() = default;
  // The device names in the platform's order; called once, when the page is created.
  virtual std::vector<std::string> VideoInputs() = 0;
  virtual std::vector<std::string> AudioInputs() = 0;
  // Starts the preview of video input `index`; `onFrame` runs on a capture thread for every
  // picture until StopPreview returns. False when the camera cannot be opened.
  virtual bool StartPreview(int index, std::function<void(PreviewFrame)> onFrame) = 0;
  virtual void StopPreview() = 0;
  // Starts metering audio input `index`; `onLevel` (0 to 480) runs on a capture thread for every
  // buffer until StopLevelMeter returns.
  virtual bool StartLevelMeter(int index, std::function<void(int level)> onLevel) = 0;
  virtual void StopLevelMeter() = 0;
};

// A computer without capture support: no devices.
class NoCapturePreview : public CapturePreview {
 public:
  std::vector<std::string> VideoInputs() override { return {}; }
  std::vector<std::string> AudioInputs() override { return {}; }
  bool StartPreview(int, std::function<void(PreviewFrame)>) override { return false; }
  void StopPreview() override {}
  bool StartLevelMeter(int, std::function<void(int)>) override { return false; }
  void StopLevelMeter() override {}
};

}  // namespace vantaro::ui
