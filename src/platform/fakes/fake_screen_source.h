#pragma once
// A screen source that hands out a picture the test painted, and counts how it is used.
// Thread-safe: the test thread paints and reads counters while the stream thread captures.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/screen_source.h"

namespace vantaro::platform {

class FakeScreenSource : public ScreenSource {
 public:
  // A `width` x `height` screen filled with one colour (0x00RRGGBB).
  FakeScreenSource(int32_t width, int32_t height, uint32_t rgb = 0x000000);

  // Sets the size reported by the next Start and repaints the whole screen with `rgb`.
  void Resize(int32_t width, int32_t height, uint32_t rgb);
  void Fill(uint32_t rgb);
  void SetCursor(const CursorImage& cursor);
  // The next Start fails with `error` (empty: succeeds again).
  void FailStart(const std::string& error);
  // From now on every capture is new random noise (true) or the painted picture (false): noise
  // makes frames as large as the encoder makes them.
  void SetNoise(bool noise);
  // Every CaptureFrame from now on returns `result` (kOk restores normal frames).
  void SetCaptureResult(CaptureResult result);

  int starts() const { return starts_.load(); }
  int stops() const { return stops_.load(); }
  int captures() const { return captures_.load(); }
  // Number of captures in progress at once, at most; more than 1 means two loops overlapped.
  int maxConcurrentCaptures() const { return maxConcurrent_.load(); }

  bool Start(ScreenSize* size, std::string* error) override;
  CaptureResult CaptureFrame(ScreenFrame* frame) override;
  void Stop() override;

 private:
  std::mutex lock_;  // guards everything below that is not atomic (test thread, stream thread)
  int32_t width_;
  int32_t height_;
  std::vector<uint8_t> pixels_;
  std::vector<uint8_t> handedOut_;  // copy given to the caller, stable until the next call
  CursorImage cursor_;
  std::string startError_;
  CaptureResult result_ = CaptureResult::kOk;
  bool noise_ = false;
  uint64_t seed_ = 0x9e3779b97f4a7c15ull;
  std::atomic<int> starts_{0};
  std::atomic<int> stops_{0};
  std::atomic<int> captures_{0};
  std::atomic<int> inCapture_{0};
  std::atomic<int> maxConcurrent_{0};
};

}  // namespace vantaro::platform
