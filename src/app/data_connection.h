#pragma once
// The data connection to the device (`dataSocket`): the one connection that listings, file contents
// and media packets go out on. Several threads write to it (control, data channel, desktop stream,
// camera, audio); each message is written under `messageLock` so that no message is ever split by
// another one.
//
// A device that stops reading must not hold a writer for ever: a write fails once the device has
// accepted no byte for the progress deadline, and so does a message that cannot start within it
// because another writer is stuck. Either failure ends the data connection (it is shut down and
// forgotten), which also ends its data session; a later message then fails at once.

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>

#include "platform/socket.h"

namespace vantaro::app {

class DataConnection {
 public:
  static constexpr int kDefaultProgressDeadlineMs = 15000;

  // Holds the message lock for as long as it lives; every Write goes into the same message.
  class MessageWriter {
   public:
    explicit MessageWriter(DataConnection& owner);
    MessageWriter(const MessageWriter&) = delete;
    MessageWriter& operator=(const MessageWriter&) = delete;
    // False when there is no connection or it failed (also for every later Write).
    bool Write(const void* data, size_t size);
    bool ok() const { return ok_; }

   private:
    DataConnection& owner_;
    std::unique_lock<std::timed_mutex> lock_;
    std::shared_ptr<platform::StreamSocket> socket_;
    bool ok_;
  };

  // Applies to the connections set from now on. Tests shorten it.
  void SetProgressDeadlineMs(int ms) { progressDeadlineMs_.store(ms); }
  int progressDeadlineMs() const { return progressDeadlineMs_.load(); }

  // Makes `socket` the connection that senders write to; the previous one is shut down.
  void Replace(std::shared_ptr<platform::StreamSocket> socket);
  // Shuts the current connection down and forgets it.
  void Close();
  // Whether a connection is set (it may still have failed).
  bool HasConnection();
  // One whole message in one piece.
  bool SendMessage(const void* data, size_t size);
  // Waits at most `timeoutMs` until the connection holds fewer than `budget` unsent bytes
  // (StreamSocket::WaitForSendRoom); kFailed when there is no connection. Takes no message lock,
  // so the other senders go on writing meanwhile.
  platform::SendRoom WaitForSendRoom(size_t budget, int timeoutMs);
  // Starts a message that is written in several pieces.
  MessageWriter BeginMessage() { return MessageWriter(*this); }

 private:
  std::shared_ptr<platform::StreamSocket> Current();
  // Ends `socket` after a failed or stuck write, unless another connection replaced it already.
  void EndAfterFailure(const std::shared_ptr<platform::StreamSocket>& socket);

  std::atomic<int> progressDeadlineMs_{kDefaultProgressDeadlineMs};
  std::mutex socketLock_;  // guards socket_ (pointer swaps, never held while sending)
  std::shared_ptr<platform::StreamSocket> socket_;
  std::timed_mutex messageLock_;  // held while one whole message is written
};

}  // namespace vantaro::app
