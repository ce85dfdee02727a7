#include "platform/fakes/fake_capture_devices.h"

#include <set>

namespace vantaro::platform {

struct FakeCaptureDevices::Shared {
  std::mutex lock;
  std::map<int32_t, VideoFrameSink*> videoSinks;  // running captures
  std::map<int32_t, AudioBufferSink*> audioSinks;
  std::set<int32_t> videoFailing;
  std::set<int32_t> audioFailing;
  std::vector<std::string> events;
  std::map<int32_t, const VideoFrame*> onStart;
};

namespace {

using Shared = FakeCaptureDevices::Shared;

template <typename Sink>
bool StartSink(Shared& s, std::map<int32_t, Sink*>& sinks, const std::set<int32_t>& failing,
               const char* kind, int32_t index, Sink& sink, std::string* error) {
  std::lock_guard<std::mutex> guard(s.lock);
  if (failing.count(index) != 0) {
    s.events.push_back(std::string(kind) + " start-failed " + std::to_string(index));
    *error = "the fake device refuses to open";
    return false;
  }
  sinks[index] = &sink;
  s.events.push_back(std::string(kind) + " start " + std::to_string(index));
  return true;
}

template <typename Sink>
void StopSink(Shared& s, std::map<int32_t, Sink*>& sinks, const char* kind, int32_t index,
              Sink* sink) {
  std::lock_guard<std::mutex> guard(s.lock);
  auto it = sinks.find(index);
  if (it == sinks.end() || it->second != sink) return;
  sinks.erase(it);
  s.events.push_back(std::string(kind) + " stop " + std::to_string(index));
}

class FakeVideoCapture : public VideoCapture {
 public:
  FakeVideoCapture(std::shared_ptr<Shared> shared, int32_t index)
      : shared_(std::move(shared)), index_(index) {}
  ~FakeVideoCapture() override { Stop(); }
  bool Start(VideoFrameSink& sink, std::string* error) override {
    if (!StartSink(*shared_, shared_->videoSinks, shared_->videoFailing, "video", index_, sink,
                   error)) {
      return false;
    }
    sink_ = &sink;
    const VideoFrame* first = nullptr;
    {
      std::lock_guard<std::mutex> guard(shared_->lock);
      auto it = shared_->onStart.find(index_);
      if (it != shared_->onStart.end()) first = it->second;
    }
    if (first != nullptr) sink.OnVideoFrame(*first);
    return true;
  }
  void Stop() override {
    if (sink_ == nullptr) return;
    StopSink(*shared_, shared_->videoSinks, "video", index_, sink_);
    sink_ = nullptr;
  }

 private:
  std::shared_ptr<Shared> shared_;
  const int32_t index_;
  VideoFrameSink* sink_ = nullptr;
};

class FakeAudioCapture : public AudioCapture {
 public:
  FakeAudioCapture(std::shared_ptr<Shared> shared, int32_t index)
      : shared_(std::move(shared)), index_(index) {}
  ~FakeAudioCapture() override { Stop(); }
  bool Start(AudioBufferSink& sink, std::string* error) override {
    if (!StartSink(*shared_, shared_->audioSinks, shared_->audioFailing, "audio", index_, sink,
                   error)) {
      return false;
    }
    sink_ = &sink;
    return true;
  }
  void Stop() override {
    if (sink_ == nullptr) return;
    StopSink(*shared_, shared_->audioSinks, "audio", index_, sink_);
    sink_ = nullptr;
  }

 private:
  std::shared_ptr<Shared> shared_;
  const int32_t index_;
  AudioBufferSink* sink_ = nullptr;
};

}  // namespace

FakeCaptureDevices::FakeCaptureDevices(std::vector<std::string> video,
                                       std::vector<std::string> audio, int32_t audioReported)
    : shared_(std::make_shared<Shared>()) {
  list_.videoInputs = std::move(video);
  list_.audioInputs = std::move(audio);
  list_.audioInputsReported =
      audioReported < 0 ? static_cast<int32_t>(list_.audioInputs.size()) : audioReported;
}

CaptureDeviceList FakeCaptureDevices::Enumerate() { return list_; }

std::unique_ptr<VideoCapture> FakeCaptureDevices::CreateVideoCapture(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(list_.videoInputs.size())) return nullptr;
  return std::make_unique<FakeVideoCapture>(shared_, index);
}

std::unique_ptr<AudioCapture> FakeCaptureDevices::CreateAudioCapture(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(list_.audioInputs.size())) return nullptr;
  return std::make_unique<FakeAudioCapture>(shared_, index);
}

void FakeCaptureDevices::FailVideoStart(int32_t index, bool fail) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  if (fail) {
    shared_->videoFailing.insert(index);
  } else {
    shared_->videoFailing.erase(index);
  }
}

void FakeCaptureDevices::FailAudioStart(int32_t index, bool fail) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  if (fail) {
    shared_->audioFailing.insert(index);
  } else {
    shared_->audioFailing.erase(index);
  }
}

void FakeCaptureDevices::DeliverOnStart(int32_t index, const VideoFrame* frame) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  if (frame == nullptr) {
    shared_->onStart.erase(index);
  } else {
    shared_->onStart[index] = frame;
  }
}

bool FakeCaptureDevices::DeliverVideo(int32_t index, const VideoFrame& frame) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  auto it = shared_->videoSinks.find(index);
  if (it == shared_->videoSinks.end()) return false;
  it->second->OnVideoFrame(frame);
  return true;
}

bool FakeCaptureDevices::LoseVideo(int32_t index, const std::string& reason) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  auto it = shared_->videoSinks.find(index);
  if (it == shared_->videoSinks.end()) return false;
  it->second->OnVideoCaptureLost(reason);
  return true;
}

bool FakeCaptureDevices::DeliverAudio(int32_t index, const int16_t* samples, size_t byteCount) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  auto it = shared_->audioSinks.find(index);
  if (it == shared_->audioSinks.end()) return false;
  it->second->OnAudioBuffer(samples, byteCount);
  return true;
}

bool FakeCaptureDevices::LoseAudio(int32_t index, const std::string& reason) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  auto it = shared_->audioSinks.find(index);
  if (it == shared_->audioSinks.end()) return false;
  it->second->OnAudioCaptureLost(reason);
  return true;
}

bool FakeCaptureDevices::videoRunning(int32_t index) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  return shared_->videoSinks.count(index) != 0;
}

bool FakeCaptureDevices::audioRunning(int32_t index) {
  std::lock_guard<std::mutex> guard(shared_->lock);
  return shared_->audioSinks.count(index) != 0;
}

std::vector<std::string> FakeCaptureDevices::events() {
  std::lock_guard<std::mutex> guard(shared_->lock);
  return shared_->events;
}

void FakeCaptureDevices::ClearEvents() {
  std::lock_guard<std::mutex> guard(shared_->lock);
  shared_->events.clear();
}

}  // namespace vantaro::platform
