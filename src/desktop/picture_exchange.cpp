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

I420Picture* PictureExchange::AcquireFree() {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait(guard, [&] { return closed_ || waiting_ < 0; });
  if (closed_) return nullptr;
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

void PictureExchange::PublishRepeat() {
  std::lock_guard<std::mutex> guard(lock_);
  if (closed_) return;
  waiting_ = last_;
  changed_.notify_all();
}

const I420Picture* PictureExchange::TakeFilled() {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait(guard, [&] { return closed_ || waiting_ >= 0; });
  if (closed_) return nullptr;
  const I420Picture* picture = &pictures_[waiting_];
  waiting_ = -1;
  changed_.notify_all();
  return picture;
}

void PictureExchange::Close() {
  std::lock_guard<std::mutex> guard(lock_);
  closed_ = true;
  changed_.notify_all();
}

}  // namespace vantaro::desktop
