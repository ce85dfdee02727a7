#include "app/data_connection.h"

namespace vantaro::app {

DataConnection::MessageWriter::MessageWriter(DataConnection& owner)
    : lock_(owner.messageLock_), socket_(owner.Current()), ok_(socket_ != nullptr) {}

bool DataConnection::MessageWriter::Write(const void* data, size_t size) {
  if (!ok_) return false;
  if (size == 0) return true;
  ok_ = socket_->SendAll(data, size);
  return ok_;
}

void DataConnection::Replace(std::shared_ptr<platform::StreamSocket> socket) {
  std::shared_ptr<platform::StreamSocket> old;
  {
    std::lock_guard<std::mutex> guard(socketLock_);
    old = std::move(socket_);
    socket_ = std::move(socket);
  }
  if (old) old->Shutdown();
}

void DataConnection::Close() { Replace(nullptr); }

bool DataConnection::HasConnection() { return Current() != nullptr; }

bool DataConnection::SendMessage(const void* data, size_t size) {
  MessageWriter writer(*this);
  return writer.Write(data, size);
}

platform::SendRoom DataConnection::WaitForSendRoom(size_t budget, int timeoutMs) {
  std::shared_ptr<platform::StreamSocket> socket = Current();
  if (!socket) return platform::SendRoom::kFailed;
  return socket->WaitForSendRoom(budget, timeoutMs);
}

std::shared_ptr<platform::StreamSocket> DataConnection::Current() {
  std::lock_guard<std::mutex> guard(socketLock_);
  return socket_;
}

}  // namespace vantaro::app
