#include "capture/test_capture_devices.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "capture/test_pattern.h"

namespace vantaro::capture {

namespace {

using Clock = std::chrono::steady_clock;

// A thread that runs `deliver` once per period, on a schedule that does not drift, until Stop.
class PacedThread {
 public:
  ~PacedThread() { Stop(); }

  template <typename Deliver>
  void Start(Clock::duration period, Deliver deliver) {
    Stop();
    running_ = true;
    thread_ = std::thread([this, period, deliver]() mutable {
      Clock::time_point due = Clock::now();
      std::unique_lock<std::mutex> lock(lock_);
      while (running_) {
        lock.unlock();
        deliver();
        lock.lock();
        due += period;
        wake_.wait_until(lock, due, [this] { return !running_; });
      }
    });
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      running_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::mutex lock_;  // guards running_
  std::condition_variable wake_;
  bool running_ = false;
  std::thread thread_;
};

class TestCamera : public platform::VideoCapture {
 public:
  ~TestCamera() override { Stop(); }

  bool Start(platform::VideoFrameSink& sink, std::string*) override {
    Stop();
    pixels_.assign(static_cast<size_t>(kTestCameraWidth) * kTestCameraHeight * 3, 0);
    noise_ = 0;
    platform::VideoFrameSink* target = &sink;
    thread_.Start(std::chrono::microseconds(1000000 / kTestCameraFps), [this, target] {
      const size_t stride = static_cast<size_t>(kTestCameraWidth) * 3;
      PaintSmpteBars(pixels_.data(), stride, kTestCameraWidth, kTestCameraHeight, &noise_);
      platform::VideoFrame frame;
      frame.pixels = pixels_.data();
      frame.size = pixels_.size();
      frame.width = kTestCameraWidth;
      frame.height = kTestCameraHeight;
      frame.stride = static_cast<int32_t>(stride);
      target->OnVideoFrame(frame);
    });
    return true;
  }

  void Stop() override { thread_.Stop(); }

 private:
  PacedThread thread_;
  std::vector<uint8_t> pixels_;  // the capture thread's, while it runs
  uint32_t noise_ = 0;
};

class TestMicrophone : public platform::AudioCapture {
 public:
  ~TestMicrophone() override { Stop(); }

  bool Start(platform::AudioBufferSink& sink, std::string*) override {
    Stop();
    next_ = 0;
    platform::AudioBufferSink* target = &sink;
    const auto period = std::chrono::nanoseconds(1000000000LL * platform::kAudioBufferSamples /
                                                 platform::kAudioSampleRate);
    thread_.Start(period, [this, target] {
      FillSine(buffer_, platform::kAudioBufferSamples, next_, kTestToneHz, kTestToneAmplitude,
               platform::kAudioSampleRate);
      next_ += platform::kAudioBufferSamples;
      target->OnAudioBuffer(buffer_, platform::kAudioBufferBytes);
    });
    return true;
  }

  void Stop() override { thread_.Stop(); }

 private:
  PacedThread thread_;
  int16_t buffer_[platform::kAudioBufferSamples] = {};  // the capture thread's, while it runs
  uint64_t next_ = 0;
};

class TestCaptureDevices : public platform::CaptureDevices {
 public:
  platform::CaptureDeviceList Enumerate() override {
    platform::CaptureDeviceList list;
    list.videoInputs = {kTestCameraName};
    list.audioInputs = {kTestMicrophoneName};
    list.audioInputsReported = 1;
    return list;
  }
  std::unique_ptr<platform::VideoCapture> CreateVideoCapture(int32_t index) override {
    if (index != 0) return nullptr;
    return std::make_unique<TestCamera>();
  }
  std::unique_ptr<platform::AudioCapture> CreateAudioCapture(int32_t index) override {
    if (index != 0) return nullptr;
    return std::make_unique<TestMicrophone>();
  }
};

}  // namespace

std::unique_ptr<platform::CaptureDevices> CreateTestCaptureDevices() {
  return std::make_unique<TestCaptureDevices>();
}

}  // namespace vantaro::capture
