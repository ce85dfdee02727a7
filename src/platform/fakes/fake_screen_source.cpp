#include "platform/fakes/fake_screen_source.h"

#include <cstring>
#include <thread>

namespace vantaro::platform {

FakeScreenSource::FakeScreenSource(int32_t width, int32_t height, uint32_t rgb) {
  Resize(width, height, rgb);
}

void FakeScreenSource::Resize(int32_t width, int32_t height, uint32_t rgb) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<size_t>(width) * height * 4, 0);
  }
  Fill(rgb);
}

void FakeScreenSource::Fill(uint32_t rgb) {
  std::lock_guard<std::mutex> guard(lock_);
  for (size_t i = 0; i + 4 <= pixels_.size(); i += 4) {
    pixels_[i] = static_cast<uint8_t>(rgb);
    pixels_[i + 1] = static_cast<uint8_t>(rgb >> 8);
    pixels_[i + 2] = static_cast<uint8_t>(rgb >> 16);
    pixels_[i + 3] = 0;
  }
}

void FakeScreenSource::SetCursor(const CursorImage& cursor) {
  std::lock_guard<std::mutex> guard(lock_);
  cursor_ = cursor;
}

void FakeScreenSource::FailStart(const std::string& error) {
  std::lock_guard<std::mutex> guard(lock_);
  startError_ = error;
}

void FakeScreenSource::SetNoise(bool noise) {
  std::lock_guard<std::mutex> guard(lock_);
  noise_ = noise;
}

void FakeScreenSource::SetCaptureResult(CaptureResult result) {
  std::lock_guard<std::mutex> guard(lock_);
  result_ = result;
}

bool FakeScreenSource::Start(ScreenSize* size, std::string* error) {
  std::lock_guard<std::mutex> guard(lock_);
  ++starts_;
  if (!startError_.empty()) {
    if (error) *error = startError_;
    return false;
  }
  size->width = width_;
  size->height = height_;
  return true;
}

CaptureResult FakeScreenSource::CaptureFrame(ScreenFrame* frame) {
  int now = ++inCapture_;
  int seen = maxConcurrent_.load();
  while (now > seen && !maxConcurrent_.compare_exchange_weak(seen, now)) {
  }
  // A short pause widens the window in which two overlapping loops would be caught.
  std::this_thread::yield();
  CaptureResult result;
  {
    std::lock_guard<std::mutex> guard(lock_);
    ++captures_;
    result = result_;
    if (result == CaptureResult::kOk) {
      handedOut_ = pixels_;
      for (size_t i = 0; noise_ && i + 8 <= handedOut_.size(); i += 8) {
        seed_ ^= seed_ << 13;  // xorshift64: cheap enough for a whole screen per capture
        seed_ ^= seed_ >> 7;
        seed_ ^= seed_ << 17;
        std::memcpy(&handedOut_[i], &seed_, 8);
      }
      frame->pixels = handedOut_.data();
      frame->width = width_;
      frame->height = height_;
      frame->stride = width_ * 4;
      frame->cursor = cursor_;
    }
  }
  --inCapture_;
  return result;
}

void FakeScreenSource::Stop() { ++stops_; }

}  // namespace vantaro::platform
