#include "control/control_message_reader.h"

#include <cstring>

namespace vantaro::control {

size_t ControlMessageReader::NextReceiveSize() const {
  if (size_ < kFirstReceiveSize) return kFirstReceiveSize - size_;
  return 1;
}

ControlMessageReader::Result ControlMessageReader::Add(const uint8_t* data, size_t size) {
  if (complete_ || size == 0 || size > NextReceiveSize() || size_ + size > buffer_.size())
    return Result::kError;
  std::memcpy(buffer_.data() + size_, data, size);
  size_ += size;
  if (size_ < kFirstReceiveSize) return Result::kNeedMore;
  if (size_ == kFirstReceiveSize) framed_ = IsFramedCode(code());
  if (!framed_ || EndsWithCrLf()) {
    complete_ = true;
    return Result::kMessage;
  }
  // No room for another byte: the message cannot end inside the buffer.
  if (size_ == buffer_.size()) return Result::kError;
  return Result::kNeedMore;
}

void ControlMessageReader::Reset() {
  std::memset(buffer_.data(), 0, size_);
  size_ = 0;
  framed_ = false;
  complete_ = false;
}

size_t ControlMessageReader::payloadSize() const {
  size_t end = framed_ ? size_ - 2 : size_;
  return end > kControlHeadSize ? end - kControlHeadSize : 0;
}

bool ControlMessageReader::EndsWithCrLf() const {
  return size_ >= 2 && buffer_[size_ - 2] == '\r' && buffer_[size_ - 1] == '\n';
}

}  // namespace vantaro::control
