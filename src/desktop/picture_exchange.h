#pragma once
// Two I420 pictures handed from the stream's capture thread, which fills them, to its encoder
// thread, which encodes and sends them. Every picture handed over is taken once and in order;
// none is dropped and none is written while it waits or is being encoded.
//
// A picture that waits for the encoder reaches the device that much older, so the capture thread
// is let in only when the encoder is idle or about to be: when its usual time per picture, less
// the time the capture needs, has passed since it took the last one. The next picture is then
// taken while the encoder finishes, and seldom waits for it.
//
// Threads: AcquireFree, Publish and PublishRepeat come from the capture thread, TakeFilled from
// the encoder thread, Close and WaitUntil from either. Everything below is guarded by lock_.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "desktop/colour_conversion.h"

namespace vantaro::desktop {

using StreamClock = std::chrono::steady_clock;

struct I420Picture {
  std::vector<uint8_t> bytes;        // Y, then U, then V, rows without padding
  I420Planes planes;                 // into `bytes`
  StreamClock::time_point captured;  // when the screen was taken
};

class PictureExchange {
 public:
  // Both pictures black; `width` and `height` even.
  PictureExchange(int width, int height);
  PictureExchange(const PictureExchange&) = delete;
  PictureExchange& operator=(const PictureExchange&) = delete;

  // Capture thread. Waits until no picture waits for the encoder and the encoder is done within
  // `leadTime` (the time a capture takes), then gives the picture that is neither waiting nor
  // being encoded (never the one handed over last). nullptr once closed.
  I420Picture* AcquireFree(StreamClock::duration leadTime);
  // Hands the picture from AcquireFree to the encoder.
  void Publish(I420Picture* picture);
  // Hands the last picture (black before any) over again, for a capture that failed this time.
  void PublishRepeat(StreamClock::time_point attempted);

  // Encoder thread. Waits for the next picture; nullptr once closed. Taking a picture gives the
  // one taken before back, so the encoder must be done with it.
  const I420Picture* TakeFilled();

  // Waits until `deadline` or Close, whichever comes first; false once closed.
  bool WaitUntil(StreamClock::time_point deadline);
  // Wakes both sides; from then on nothing is handed over.
  void Close();

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  I420Picture pictures_[2];
  int waiting_ = -1;  // picture handed over and not yet taken, or -1
  int last_ = 0;      // picture handed over last (the black one before any)
  bool closed_ = false;
  bool encoding_ = false;  // the encoder holds a picture
  StreamClock::time_point encodingSince_;
  StreamClock::duration encodeTime_{};  // running average of the encoder's time per picture
};

}  // namespace vantaro::desktop
