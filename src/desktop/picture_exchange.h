#pragma once
// Two I420 pictures handed from the stream's capture thread, which fills them, to its encoder
// thread, which encodes them: the next picture is captured, scaled and converted while the one
// before is being encoded. Every picture handed over is taken once and in order; none is dropped
// and none is written while it waits or is being encoded.
//
// Threads: AcquireFree, Publish and PublishRepeat come from the capture thread, TakeFilled from
// the encoder thread, Close from either. The indices below are guarded by lock_.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "desktop/colour_conversion.h"

namespace vantaro::desktop {

struct I420Picture {
  std::vector<uint8_t> bytes;  // Y, then U, then V, rows without padding
  I420Planes planes;           // into `bytes`
};

class PictureExchange {
 public:
  // Both pictures black; `width` and `height` even.
  PictureExchange(int width, int height);
  PictureExchange(const PictureExchange&) = delete;
  PictureExchange& operator=(const PictureExchange&) = delete;

  // Capture thread. Waits until no picture waits for the encoder, then gives the picture that is
  // neither waiting nor being encoded (never the one handed over last). nullptr once closed.
  I420Picture* AcquireFree();
  // Hands the picture from AcquireFree to the encoder.
  void Publish(I420Picture* picture);
  // Hands the last picture (black before any) over again, for a capture that failed this time.
  void PublishRepeat();

  // Encoder thread. Waits for the next picture; nullptr once closed. Taking a picture gives the
  // one taken before back, so the encoder must be done with it.
  const I420Picture* TakeFilled();

  // Wakes both sides; from then on nothing is handed over.
  void Close();

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  I420Picture pictures_[2];
  int waiting_ = -1;  // picture handed over and not yet taken, or -1
  int last_ = 0;      // picture handed over last (the black one before any)
  bool closed_ = false;
};

}  // namespace vantaro::desktop
