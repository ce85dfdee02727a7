#include "app/data_connection.h"

#include <chrono>
#include <cstdio>

namespace vantaro::app {

DataConnection::MessageWriter::MessageWriter(DataConnection& owner)
    : owner_(owner), lock_(owner.messageLock_, std::defer_lock), ok_(false) {
  socket_ = owner.Current();
  if (!socket_) return;
  if (!lock_.try_lock_for(std::chrono::milliseconds(owner.progressDeadlineMs()))) {
    std::fprintf(stderr, "data connection: no message could start for %d ms; closing it\n",
                 owner.progressDeadlineMs());
    owner.EndAfterFailure(socket_);
    return;
  }
  ok_ = true;
}

bool DataConnection::MessageWriter::Write(const void* data, size_t size) {
  if (!ok_) return false;
  if (size == 0) return true;
  ok_ = socket_->SendAll(data, size);
  if (!ok_) owner_.EndAfterFailure(socket_);
  return ok_;
}

void DataConnection::Replace(std::shared_ptr<platform::StreamSocket> socket) {
  if (socket) socket->SetSendProgressTimeout(progressDeadlineMs_.load());
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

void DataConnection::EndAfterFailure(const std::shared_ptr<platform::StreamSocket>& socket) {
  // Shut down outside the lock; a failed connection also wakes its data session this way.
  bool current = false;
  {
    std::lock_guard<std::mutex> guard(socketLock_);
    if (socket_ == socket) {
      socket_.reset();
      current = true;
    }
  }
  if (current) socket->Shutdown();
}

}  // namespace vantaro::app
