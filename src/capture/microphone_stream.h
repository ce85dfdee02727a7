#pragma once
// The microphone stream: the 900 ms timer that opens and closes the chosen microphone according
// to the recorder flags and the page's visibility, and the handling of each filled buffer (level,
// calibration of the encoder, the audio format packet, one audio data packet per buffer).
//
// A recording starts with 25 buffers that are encoded only to time the encoder, then one buffer
// that sends the audio format packet (its time field: the mean encode time plus one buffer's
// duration), then one data packet per buffer. While the page is shown and the device does not
// record, the microphone runs for the meter alone.
//
// Threads: OnAudioTimer, StartAudioCapture and StopAudioCapture run on the user-interface thread.
// OnAudioBuffer runs on the microphone's thread and encodes and sends there, so audio never waits
// behind the camera's frames; each packet is written whole under the data connection's lock. The
// calibration state and the meter belong to the microphone's thread while a capture runs and are
// reset by the user-interface thread only after the capture was stopped.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "capture/audio_encoder.h"
#include "capture/audio_level.h"
#include "capture/capture_device_choice.h"
#include "capture/page_state.h"
#include "platform/audio_capture.h"
#include "platform/clock.h"

namespace vantaro::capture {

inline constexpr int32_t kCalibrationBuffers = 25;
// Stopping a microphone waits this long before anything opens one again.
inline constexpr int kAudioStopWaitMs = 400;

class MicrophoneStream : public platform::AudioBufferSink {
 public:
  // Everything passed must outlive this object.
  MicrophoneStream(app::MediaFlags& media, app::DataConnection& connection,
                   CaptureDeviceChoice& choice, PageState& page, platform::Clock& clock,
                   NarrowbandEncoderFactory encoderFactory);
  // Closes the microphone without the wait.
  ~MicrophoneStream() override;
  MicrophoneStream(const MicrophoneStream&) = delete;
  MicrophoneStream& operator=(const MicrophoneStream&) = delete;

  void OnAudioTimer();
  // Opens the chosen microphone; false (with one line on standard error) when it cannot be.
  bool StartAudioCapture();
  // Closes it and resets the calibration; with `wait`, then waits kAudioStopWaitMs.
  void StopAudioCapture(bool wait = true);
  bool recordingActive() const { return recordingActive_.load(); }

  void OnAudioBuffer(const int16_t* samples, size_t byteCount) override;
  void OnAudioCaptureLost(const std::string& reason) override;

 private:
  void SendFormatPacket();
  void SendDataPacket(const int16_t* samples, size_t byteCount, int32_t level);

  app::MediaFlags& media_;
  app::DataConnection& connection_;
  CaptureDeviceChoice& choice_;
  PageState& page_;
  platform::Clock& clock_;
  const NarrowbandEncoderFactory encoderFactory_;

  std::unique_ptr<platform::AudioCapture> capture_;  // user-interface thread
  std::atomic<bool> recordingActive_{false};         // written by the user-interface thread
  std::atomic<bool> lost_{false};                    // set by the microphone's thread
  bool reportedStartFailure_ = false;                // one line per run of failed opens

  // The microphone's thread while a capture runs (see the header comment).
  LevelMeter meter_;
  int32_t calibrationCount_ = 0;
  double encodeSeconds_ = 0.0;
  std::vector<uint8_t> encoded_;
  std::vector<uint8_t> packet_;
};

}  // namespace vantaro::capture
