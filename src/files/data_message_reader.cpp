#include "files/data_message_reader.h"

#include <algorithm>
#include <cstring>

namespace vantaro::files {

bool ModeCarriesPayload(int32_t operatorMode) {
  return operatorMode >= 3 && operatorMode <= 12 && operatorMode != 10 && operatorMode != 11;
}

bool IsFileRequestMode(int32_t operatorMode) {
  switch (operatorMode) {
    case 3:
    case 5:
    case 6:
    case 8:
    case 9:
    case 12:
      return true;
    default:
      return false;
  }
}

bool IsUploadMode(int32_t operatorMode) { return operatorMode == 4 || operatorMode == 7; }

void DataMessageReader::Reset() {
  size_ = 0;
  complete_ = false;
  failed_ = false;
  header_ = DataHeader{};
}

size_t DataMessageReader::payloadSize() const {
  return size_ >= kDataMessageHeadSize ? size_ - kDataMessageHeadSize : 0;
}

bool DataMessageReader::EndsWithTerminator() const {
  return size_ >= kDataTerminatorSize && std::memcmp(buffer_.data() + size_ - kDataTerminatorSize,
                                                     kDataTerminator, kDataTerminatorSize) == 0;
}

// A request's payload has to fit the request buffer, so a request is given up as soon as it is
// longer than that, without reading the rest of a message that could never be served.
size_t DataMessageReader::Limit() const {
  if (IsFileRequestMode(header_.operator_mode))
    return kDataMessageHeadSize + kMaxRequestPayloadSize;
  return kMaxDataMessageSize;
}

DataMessageReader::Status DataMessageReader::Feed(const uint8_t* data, size_t size,
                                                  size_t* consumed) {
  *consumed = 0;
  if (failed_) return Status::kTooLong;
  if (complete_) Reset();

  if (size_ < kDataMessageHeadSize) {
    size_t take = std::min(size, kDataMessageHeadSize - size_);
    std::memcpy(buffer_.data() + size_, data, take);
    size_ += take;
    *consumed = take;
    if (size_ < kDataMessageHeadSize) return Status::kNeedMore;
    header_ = ParseDataHeader(buffer_.data());
    if (!ModeCarriesPayload(header_.operator_mode) || EndsWithTerminator()) {
      complete_ = true;
      return Status::kMessage;
    }
  }

  // The terminator is tested after every byte, so the message ends exactly at its first
  // occurrence, also when the payload itself holds those six bytes.
  const size_t limit = Limit();
  while (*consumed < size) {
    if (size_ >= limit) {
      failed_ = true;
      return Status::kTooLong;
    }
    buffer_[size_++] = data[(*consumed)++];
    if (EndsWithTerminator()) {
      complete_ = true;
      return Status::kMessage;
    }
  }
  if (size_ >= limit) {
    failed_ = true;
    return Status::kTooLong;
  }
  return Status::kNeedMore;
}

}  // namespace vantaro::files
