#include "ui/recorder_capture_preview.h"

#include <utility>

namespace vantaro::ui {

RecorderCapturePreview::RecorderCapturePreview(capture::CameraRecorder& recorder,
                                               std::string noneText)
    : recorder_(recorder), none_(std::move(noneText)) {
  recorder_.SetObserver(this);
}

RecorderCapturePreview::~RecorderCapturePreview() {
  recorder_.SetObserver(nullptr);
  recorder_.SetSettingsPageShown(false);
  recorder_.SetCameraSubPageShown(false);
}

std::vector<std::string> RecorderCapturePreview::Devices(
    const std::vector<std::string>& entries) const {
  if (entries.size() == 1 && entries.front() == none_) return {};
  return entries;
}

std::vector<std::string> RecorderCapturePreview::VideoInputs() {
  return Devices(recorder_.choice().videoEntries());
}

std::vector<std::string> RecorderCapturePreview::AudioInputs() {
  return Devices(recorder_.choice().audioEntries());
}

bool RecorderCapturePreview::StartPreview(int index, std::function<void(PreviewFrame)> onFrame) {
  if (index < 0 || index >= static_cast<int>(VideoInputs().size())) return false;
  recorder_.OnVideoInputChanged(index);
  {
    std::lock_guard<std::mutex> guard(lock_);
    onFrame_ = std::move(onFrame);
  }
  UpdateFlags();
  return true;
}

void RecorderCapturePreview::StopPreview() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    onFrame_ = nullptr;
  }
  UpdateFlags();
}

bool RecorderCapturePreview::StartLevelMeter(int index, std::function<void(int level)> onLevel) {
  if (index < 0 || index >= static_cast<int>(AudioInputs().size())) return false;
  recorder_.OnAudioInputChanged(index);
  {
    std::lock_guard<std::mutex> guard(lock_);
    onLevel_ = std::move(onLevel);
  }
  UpdateFlags();
  return true;
}

void RecorderCapturePreview::StopLevelMeter() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    onLevel_ = nullptr;
  }
  UpdateFlags();
}

void RecorderCapturePreview::UpdateFlags() {
  bool shown;
  {
    std::lock_guard<std::mutex> guard(lock_);
    shown = onFrame_ != nullptr || onLevel_ != nullptr;
  }
  recorder_.SetSettingsPageShown(shown);
  recorder_.SetCameraSubPageShown(shown);
}

void RecorderCapturePreview::OnPreviewFrame(const platform::VideoFrame& frame) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!onFrame_) return;
  PreviewFrame rgb = ToRgbFrame(frame);
  if (rgb.width > 0) onFrame_(std::move(rgb));
}

void RecorderCapturePreview::OnLevelMeter(int32_t value) {
  std::lock_guard<std::mutex> guard(lock_);
  if (onLevel_) onLevel_(value);
}

PreviewFrame ToRgbFrame(const platform::VideoFrame& frame) {
  PreviewFrame out;
  if (frame.pixels == nullptr || frame.width <= 0 || frame.height <= 0) return out;
  const size_t rowBytes = static_cast<size_t>(frame.width) * 3;
  if (frame.stride < 0 || static_cast<size_t>(frame.stride) < rowBytes) return out;
  const size_t stride = static_cast<size_t>(frame.stride);
  const size_t rows = static_cast<size_t>(frame.height);
  if (frame.size < stride * (rows - 1) + rowBytes) return out;
  out.width = frame.width;
  out.height = frame.height;
  out.rgb.resize(rowBytes * rows);
  for (size_t y = 0; y < rows; ++y) {
    const uint8_t* src = frame.pixels + stride * (frame.bottomUp ? rows - 1 - y : y);
    uint8_t* dst = out.rgb.data() + rowBytes * y;
    for (size_t x = 0; x < rowBytes; x += 3) {
      dst[x] = src[x + 2];
      dst[x + 1] = src[x + 1];
      dst[x + 2] = src[x];
    }
  }
  return out;
}

}  // namespace vantaro::ui
