#include "platform/fakes/fake_socket.h"

#include <algorithm>
#include <cstring>

namespace vantaro::platform {

void FakeStreamSocket::AddIncoming(const std::string& bytes) {
  std::lock_guard<std::mutex> guard(lock_);
  if (!bytes.empty()) incoming_.push_back(bytes);
}

void FakeStreamSocket::AddIncoming(const std::vector<uint8_t>& bytes) {
  AddIncoming(std::string(bytes.begin(), bytes.end()));
}

std::string FakeStreamSocket::Sent() {
  std::lock_guard<std::mutex> guard(lock_);
  return sent_;
}

std::vector<size_t> FakeStreamSocket::SendSizes() {
  std::lock_guard<std::mutex> guard(lock_);
  return sendSizes_;
}

bool FakeStreamSocket::shutDown() {
  std::lock_guard<std::mutex> guard(lock_);
  return shutDown_;
}

long FakeStreamSocket::Receive(void* buffer, size_t size) {
  std::lock_guard<std::mutex> guard(lock_);
  if (shutDown_) return -1;
  if (incoming_.empty()) return 0;
  std::string& chunk = incoming_.front();
  size_t n = std::min(size, chunk.size());
  std::memcpy(buffer, chunk.data(), n);
  chunk.erase(0, n);
  if (chunk.empty()) incoming_.pop_front();
  return static_cast<long>(n);
}

bool FakeStreamSocket::SendAll(const void* data, size_t size) {
  std::lock_guard<std::mutex> guard(lock_);
  if (shutDown_) return false;
  sent_.append(static_cast<const char*>(data), size);
  sendSizes_.push_back(size);
  return true;
}

void FakeStreamSocket::Shutdown() {
  std::lock_guard<std::mutex> guard(lock_);
  shutDown_ = true;
}

}  // namespace vantaro::platform
