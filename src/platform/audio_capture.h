#pragma once
// One microphone as 16-bit signed mono PCM at 44,100 Hz, handed over in buffers of 960 samples
// (1,920 bytes, about 21.8 ms) on a thread of the capture's own. Two buffers circulate: one is
// filled while the sink works on the other, so a sink that takes longer than a buffer's duration
// loses audio rather than delaying it.
//
// Threads: Start and Stop come from one thread (the user-interface thread); the sink's calls come
// from the capture's thread, one at a time, between Start and the return of Stop. A sink never
// calls Stop from inside its own callbacks.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantaro::platform {

inline constexpr int32_t kAudioSampleRate = 44100;
inline constexpr size_t kAudioBufferSamples = 960;
inline constexpr size_t kAudioBufferBytes = kAudioBufferSamples * 2;

class AudioBufferSink {
 public:
  virtual ~AudioBufferSink() = default;
  // `samples` holds `byteCount` recorded bytes (at most kAudioBufferBytes; fewer only for the
  // last buffer before a stop) and is readable for kAudioBufferBytes bytes, the rest zero. Valid
  // for the duration of the call only.
  virtual void OnAudioBuffer(const int16_t* samples, size_t byteCount) = 0;
  // The microphone went away or failed while running; no buffer follows. Called at most once
  // per Start, with a one-line reason. The owner still calls Stop.
  virtual void OnAudioCaptureLost(const std::string& reason) = 0;
};

class AudioCapture {
 public:
  // Stops first when still running.
  virtual ~AudioCapture() = default;
  // Opens the microphone and starts delivering to `sink`, which must outlive the capture or the
  // next Stop. False, with a one-line reason in `error` and nothing running, when it cannot be
  // opened. Start after Stop opens it again.
  virtual bool Start(AudioBufferSink& sink, std::string* error) = 0;
  // Closes the microphone. Returns when no sink call is running and none will follow. Idempotent.
  virtual void Stop() = 0;
};

}  // namespace vantaro::platform
