#pragma once
// Small fakes for the data-channel tests: a control session whose owner and authorisation the test
// sets, file operations that record their calls, a codec that passes UTF-8 through, and a network
// whose listener hands out connections the test queues.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "control/control_session.h"
#include "files/file_operations.h"
#include "platform/fakes/identity_text_codec.h"
#include "platform/socket.h"

namespace vantaro::files::testing {

inline constexpr uint32_t kDeviceAddress = 0x7f000001;    // 127.0.0.1
inline constexpr uint32_t kStrangerAddress = 0x7f000002;  // 127.0.0.2

class NoObserver : public app::StatusObserver {
 public:
  void StatusChanged(int32_t status) override { statuses.push_back(status); }
  void ShowMessage(const std::string&) override {}
  std::vector<int32_t> statuses;
};

class FakeControlSession : public control::ControlSession {
 public:
  uint32_t SessionPeerAddress() override { return peer.load(); }
  bool SessionAuthorised() override { return authorised.load(); }
  void SendStatusReply(int32_t code) override {
    std::lock_guard<std::mutex> guard(lock);
    replies.push_back(code);
  }
  std::vector<int32_t> Replies() {
    std::lock_guard<std::mutex> guard(lock);
    return replies;
  }
  std::atomic<uint32_t> peer{kDeviceAddress};
  std::atomic<bool> authorised{true};
  std::mutex lock;
  std::vector<int32_t> replies;
};

struct FileCall {
  std::string kind;  // "op", "empty listing", "batch", "upload"
  DataHeader header;
  std::string bytes;  // payload (op) or whole message (upload)
  size_t size = 0;    // payloadSize (op) or length (upload)
  std::string path;
  bool payloadNull = false;
  bool zeroAfterPayload = false;  // the byte after the payload in the buffer is 0
  int32_t stopFlag = -1;          // stopFileOperation when the call came
};

class RecordingFileOperations : public FileOperations {
 public:
  explicit RecordingFileOperations(app::AppState* state = nullptr) : state_(state) {}
  bool DoFileOperation(const DataHeader& header, const uint8_t* payload, size_t payloadSize,
                       const std::string& path) override {
    FileCall call;
    call.kind = "op";
    call.header = header;
    call.size = payloadSize;
    call.path = path;
    call.payloadNull = payload == nullptr;
    if (payload) {
      call.bytes.assign(reinterpret_cast<const char*>(payload), payloadSize);
      call.zeroAfterPayload = payload[payloadSize] == 0;
    }
    Record(std::move(call));
    return result.load();
  }
  void SendEmptyListing() override {
    FileCall call;
    call.kind = "empty listing";
    call.payloadNull = true;
    Record(std::move(call));
  }
  void BeginUploadBatch() override {
    FileCall call;
    call.kind = "batch";
    Record(std::move(call));
  }
  // Counted apart from the calls: every session starts and ends with one.
  void EndDataSession() override { ++sessionEnds; }
  void HandleUpload(const uint8_t* message, size_t length) override {
    FileCall call;
    call.kind = "upload";
    call.header = ParseDataHeader(message);
    call.bytes.assign(reinterpret_cast<const char*>(message), length);
    call.size = length;
    Record(std::move(call));
  }
  std::vector<FileCall> Calls() {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
  }
  std::atomic<bool> result{true};
  std::atomic<int> sessionEnds{0};

 private:
  void Record(FileCall call) {
    if (state_) call.stopFlag = state_->stopFileOperation.load();
    std::lock_guard<std::mutex> guard(lock_);
    calls_.push_back(std::move(call));
  }
  app::AppState* state_;
  std::mutex lock_;
  std::vector<FileCall> calls_;
};

using PassThroughCodec = platform::IdentityTextCodec;

// A connection whose Receive blocks until the test gives bytes, closes it, or it is shut down.
class BlockingStreamSocket : public platform::StreamSocket {
 public:
  explicit BlockingStreamSocket(uint32_t peer) : peer_{peer, 40000} {}
  void Give(const std::string& bytes) {
    std::lock_guard<std::mutex> guard(lock_);
    incoming_ += bytes;
    ready_.notify_all();
  }
  void CloseFromPeer() {
    std::lock_guard<std::mutex> guard(lock_);
    peerClosed_ = true;
    ready_.notify_all();
  }
  long Receive(void* buffer, size_t size) override {
    std::unique_lock<std::mutex> guard(lock_);
    ready_.wait(guard, [&] { return shutDown_ || peerClosed_ || !incoming_.empty(); });
    if (shutDown_) return -1;
    if (incoming_.empty()) return 0;
    size_t n = std::min(size, incoming_.size());
    incoming_.copy(static_cast<char*>(buffer), n);
    incoming_.erase(0, n);
    return static_cast<long>(n);
  }
  bool SendAll(const void* data, size_t size) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (shutDown_) return false;
    sent_.append(static_cast<const char*>(data), size);
    return true;
  }
  void Shutdown() override {
    std::lock_guard<std::mutex> guard(lock_);
    shutDown_ = true;
    ready_.notify_all();
  }
  platform::Ipv4Endpoint Peer() const override { return peer_; }
  bool shutDown() {
    std::lock_guard<std::mutex> guard(lock_);
    return shutDown_;
  }
  std::string Sent() {
    std::lock_guard<std::mutex> guard(lock_);
    return sent_;
  }

 private:
  std::mutex lock_;
  std::condition_variable ready_;
  std::string incoming_;
  std::string sent_;
  bool shutDown_ = false;
  bool peerClosed_ = false;
  platform::Ipv4Endpoint peer_;
};

// Connections are handed to the socket the Accept call currently waits on (or the next one).
class FakeNetwork : public platform::Network {
 public:
  class Listener : public platform::ListenSocket {
   public:
    explicit Listener(FakeNetwork& owner) : owner_(owner) {}
    std::unique_ptr<platform::StreamSocket> Accept() override { return owner_.Take(this); }
    void Shutdown() override {
      std::lock_guard<std::mutex> guard(owner_.lock_);
      shutDown_ = true;
      owner_.changed_.notify_all();
    }
    bool shutDown_ = false;  // guarded by owner_.lock_

   private:
    FakeNetwork& owner_;
  };

  std::unique_ptr<platform::ListenSocket> ListenTcp(uint16_t port, std::string* error) override {
    std::lock_guard<std::mutex> guard(lock_);
    ports_.push_back(port);
    if (refuseListen_ > 0) {
      --refuseListen_;
      if (error) *error = "refused by the test";
      return nullptr;
    }
    return std::make_unique<Listener>(*this);
  }
  std::unique_ptr<platform::DatagramSocket> OpenMulticastUdp(uint16_t, uint32_t,
                                                             std::string*) override {
    return nullptr;
  }

  // Queues a connection; returns a handle through which the test drives it.
  std::shared_ptr<BlockingStreamSocket> Connect(uint32_t peer) {
    auto socket = std::make_shared<BlockingStreamSocket>(peer);
    std::lock_guard<std::mutex> guard(lock_);
    pending_.push_back(socket);
    changed_.notify_all();
    return socket;
  }
  // The next Accept fails (as when the listener breaks while the service is open).
  void FailNextAccept() {
    std::lock_guard<std::mutex> guard(lock_);
    failAccept_ = true;
    changed_.notify_all();
  }
  void RefuseListen(int times) {
    std::lock_guard<std::mutex> guard(lock_);
    refuseListen_ = times;
  }
  size_t ListenCalls() {
    std::lock_guard<std::mutex> guard(lock_);
    return ports_.size();
  }
  size_t AcceptCalls() {
    std::lock_guard<std::mutex> guard(lock_);
    return acceptCalls_;
  }

 private:
  // Hands a queued connection out through a thin wrapper, so the test keeps its handle while the
  // server owns what Accept returned.
  class Handle : public platform::StreamSocket {
   public:
    explicit Handle(std::shared_ptr<BlockingStreamSocket> s) : s_(std::move(s)) {}
    long Receive(void* b, size_t n) override { return s_->Receive(b, n); }
    bool SendAll(const void* d, size_t n) override { return s_->SendAll(d, n); }
    void Shutdown() override { s_->Shutdown(); }
    platform::Ipv4Endpoint Peer() const override { return s_->Peer(); }

   private:
    std::shared_ptr<BlockingStreamSocket> s_;
  };

  std::unique_ptr<platform::StreamSocket> Take(Listener* listener) {
    std::unique_lock<std::mutex> guard(lock_);
    ++acceptCalls_;
    changed_.wait(guard, [&] { return listener->shutDown_ || failAccept_ || !pending_.empty(); });
    if (listener->shutDown_) return nullptr;
    if (failAccept_) {
      failAccept_ = false;
      return nullptr;
    }
    auto socket = pending_.front();
    pending_.pop_front();
    return std::make_unique<Handle>(socket);
  }

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<BlockingStreamSocket>> pending_;
  std::vector<uint16_t> ports_;
  int refuseListen_ = 0;
  bool failAccept_ = false;
  size_t acceptCalls_ = 0;
};

// A device message: header, payload, terminator.
inline std::string DataMessage(const DataHeader& header, const std::string& payload = "") {
  std::string out;
  AppendDataHeader(out, header);
  return out + payload + std::string(kDataTerminator, kDataTerminatorSize);
}

inline DataHeader Header(int32_t mode, int32_t sendMode = 4, int32_t current = 0,
                         int32_t pathLength = 0, int32_t dataLength = 0) {
  DataHeader h;
  h.operator_mode = mode;
  h.file_send_mode = sendMode;
  h.file_current_number = current;
  h.file_total_number = 1;
  h.file_path_length = pathLength;
  h.file_data_length = dataLength;
  return h;
}

}  // namespace vantaro::files::testing
