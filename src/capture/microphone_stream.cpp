#include "capture/microphone_stream.h"

#include <cstdio>
#include <cstring>

#include "desktop/media_packet.h"

namespace vantaro::capture {

namespace {

// The duration of one buffer, 960 / 44,100 seconds.
constexpr double kBufferSeconds =
    static_cast<double>(platform::kAudioBufferSamples) / platform::kAudioSampleRate;

void PutLe32(uint8_t* at, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

MicrophoneStream::MicrophoneStream(app::MediaFlags& media, app::DataConnection& connection,
                                   CaptureDeviceChoice& choice, PageState& page,
                                   platform::Clock& clock, NarrowbandEncoderFactory encoderFactory)
    : media_(media),
      connection_(connection),
      choice_(choice),
      page_(page),
      clock_(clock),
      encoderFactory_(std::move(encoderFactory)) {}

MicrophoneStream::~MicrophoneStream() { StopAudioCapture(false); }

void MicrophoneStream::OnAudioTimer() {
  // A microphone that went away is closed at the next tick; in meter mode the rules below open
  // it again, while a recording is not retried until the next start.
  if (lost_.exchange(false) && recordingActive_.load()) StopAudioCapture();
  if (!media_.recorderOn.load()) {
    const bool wanted = page_.shown() && choice_.audioInputSelected();
    if (recordingActive_.load() && media_.recorderChangePending.load()) {
      media_.recorderChangePending.store(false);
      StopAudioCapture();
      if (wanted) StartAudioCapture();
    }
    if (wanted) {
      if (!recordingActive_.load()) StartAudioCapture();
    } else if (recordingActive_.load()) {
      StopAudioCapture();
    }
    return;
  }
  if (!media_.recorderChangePending.load()) return;
  if (recordingActive_.load()) StopAudioCapture();
  StartAudioCapture();
  media_.audioHeaderPending.store(true);
  media_.recorderChangePending.store(false);
}

bool MicrophoneStream::StartAudioCapture() {
  const int32_t index = choice_.audioDeviceIndex();
  std::string error = "there is no such microphone";
  capture_ = index >= 0 ? choice_.devices().CreateAudioCapture(index) : nullptr;
  calibrationCount_ = 0;
  encodeSeconds_ = 0.0;
  lost_.store(false);
  if (capture_ == nullptr || !capture_->Start(*this, &error)) {
    capture_.reset();
    if (!reportedStartFailure_) {
      std::fprintf(stderr, "microphone: cannot open it (%s)\n", error.c_str());
      reportedStartFailure_ = true;
    }
    return false;
  }
  reportedStartFailure_ = false;
  recordingActive_.store(true);
  return true;
}

void MicrophoneStream::StopAudioCapture(bool wait) {
  if (capture_ != nullptr) {
    capture_->Stop();  // no buffer is handled once this returns
    capture_.reset();
  }
  const bool wasActive = recordingActive_.exchange(false);
  calibrationCount_ = 0;
  encodeSeconds_ = 0.0;
  if (!wasActive) return;
  page_.LevelMeter(0, true);
  if (wait) clock_.SleepMs(kAudioStopWaitMs);
}

void MicrophoneStream::OnAudioCaptureLost(const std::string& reason) {
  std::fprintf(stderr, "microphone: capture ended (%s)\n", reason.c_str());
  lost_.store(true);
}

void MicrophoneStream::OnAudioBuffer(const int16_t* samples, size_t byteCount) {
  const int64_t t0 = clock_.MonotonicMs();
  if (byteCount > platform::kAudioBufferBytes) byteCount = platform::kAudioBufferBytes;
  const AudioLevel level = meter_.Measure(samples, byteCount);
  if (level.measured) page_.LevelMeter(level.meter, false);
  if (!media_.recorderOn.load() || media_.recorderChangePending.load()) return;
  if (media_.audioHeaderPending.load()) {
    if (calibrationCount_ < kCalibrationBuffers) {
      EncodeAudioBuffer(encoderFactory_, samples, byteCount, &encoded_);
      const auto elapsedMs = static_cast<uint32_t>(clock_.MonotonicMs() - t0);
      encodeSeconds_ += elapsedMs / 1000.0;
    } else {
      SendFormatPacket();
      media_.audioHeaderPending.store(false);
    }
    ++calibrationCount_;
    return;
  }
  calibrationCount_ = 0;
  SendDataPacket(samples, byteCount, level.level);
}

void MicrophoneStream::SendFormatPacket() {
  const double period = encodeSeconds_ / kCalibrationBuffers + kBufferSeconds;
  uint8_t payload[12] = {};
  PutLe32(payload, platform::kAudioSampleRate);
  desktop::SendMediaPacket(connection_, desktop::kPacketAudioFormat, period, payload,
                           sizeof(payload), packet_);
}

void MicrophoneStream::SendDataPacket(const int16_t* samples, size_t byteCount, int32_t level) {
  EncodeAudioBuffer(encoderFactory_, samples, byteCount, &encoded_);
  // Devices from app version 10500 on take the encoded bytes alone; older ones expect the level
  // after them.
  if (!media_.omitAudioLevel.load()) {
    const size_t at = encoded_.size();
    encoded_.resize(at + 4);
    PutLe32(encoded_.data() + at, level);
  }
  desktop::SendMediaPacket(connection_, desktop::kPacketAudioData, desktop::WholeSecondsNow(),
                           encoded_.data(), encoded_.size(), packet_);
}

}  // namespace vantaro::capture
