#include "desktop/picture_exchange.h"

#include <cstring>

namespace vantaro::desktop {

PictureExchange::PictureExchange(int width, int height) {
  const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (I420Picture& picture : pictures_) {
    picture.bytes.resize(luma + luma / 2);
    std::memset(picture.bytes.data(), 16, luma);
    std::memset(picture.bytes.data() + luma, 128, luma / 2);
    uint8_t* base = picture.bytes.data();
    picture.planes = {base, base + luma, base + luma + luma / 4, width, width / 2, width / 2};
  }
}

I420Picture* PictureExchange::AcquireFree(StreamClock::duration leadTime) {
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    if (closed_) return nullptr;
    if (waiting_ >= 0) {
      changed_.wait(guard);
      continue;
    }
    if (!encoding_) break;
    StreamClock::time_point doneSoon = encodingSince_ + encodeTime_ - leadTime;
    if (StreamClock::now() >= doneSoon) break;
    changed_.wait_until(guard, doneSoon);
  }
  // The encoder holds at most the last picture handed over, so the other one is free.
  return &pictures_[1 - last_];
}

void PictureExchange::Publish(I420Picture* picture) {
  std::lock_guard<std::mutex> guard(lock_);
  if (closed_) return;
  last_ = picture == &pictures_[0] ? 0 : 1;
  waiting_ = last_;
  changed_.notify_all();
}

void PictureExchange::PublishRepeat(StreamClock::time_point attempted) {
  std::lock_guard<std::mutex> guard(lock_);
  if (closed_) return;
  // Only the picture that the encoder does not hold may be touched; the time is all that changes.
  if (!encoding_) pictures_[last_].captured = attempted;
  waiting_ = last_;
  changed_.notify_all();
}

const I420Picture* PictureExchange::TakeFilled() {
  std::unique_lock<std::mutex> guard(lock_);
  StreamClock::time_point now = StreamClock::now();
  if (encoding_) {
    StreamClock::duration took = now - encodingSince_;
    // A quarter of each new time: a slow picture now and then does not throw the guess far off.
    encodeTime_ =
        encodeTime_ == StreamClock::duration{} ? took : encodeTime_ + (took - encodeTime_) / 4;
    encoding_ = false;
    changed_.notify_all();
  }
  changed_.wait(guard, [&] { return closed_ || waiting_ >= 0; });
  if (closed_) return nullptr;
  const I420Picture* picture = &pictures_[waiting_];
  waiting_ = -1;
  encoding_ = true;
  encodingSince_ = StreamClock::now();
  changed_.notify_all();
  return picture;
}

bool PictureExchange::WaitUntil(StreamClock::time_point deadline) {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait_until(guard, deadline, [&] { return closed_; });
  return !closed_;
}

void PictureExchange::Close() {
  std::lock_guard<std::mutex> guard(lock_);
  closed_ = true;
  changed_.notify_all();
}

}  // namespace vantaro::desktop
