#include "files/data_channel.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace vantaro::files {

namespace {

// The accept failure is the one diagnostic that goes to standard output; the listener interface
// does not report the system's error code, hence -1.
void PrintAcceptFailure() {
  std::printf("accept() faild! code:%d\n", -1);
  std::fflush(stdout);
}

const char* EndReason(DataSession::End end) {
  switch (end) {
    case DataSession::End::kTooLong:
      return "a message longer than its buffer";
    case DataSession::End::kNotAuthorised:
      return "a request outside an authorised control session";
    default:
      return "";
  }
}

}  // namespace

DataChannelServer::DataChannelServer(platform::Network& network, app::AppState& state,
                                     control::ControlSession& control, FileOperations& operations,
                                     Timing timing)
    : network_(network),
      state_(state),
      control_(control),
      timing_(timing),
      session_(state, control, operations) {}

DataChannelServer::~DataChannelServer() { Stop(); }

bool DataChannelServer::Start(uint16_t port, std::string* error) {
  std::lock_guard<std::mutex> lifecycle(lifecycleLock_);
  std::string reason;
  std::unique_ptr<platform::ListenSocket> listener;
  if (thread_.joinable()) {
    reason = "already running";
  } else {
    listener = network_.ListenTcp(port, &reason);
  }
  if (!listener) {
    if (error) {
      *error = reason;
    } else {
      std::fprintf(stderr, "data channel on port %u: %s\n", unsigned(port), reason.c_str());
    }
    return false;
  }
  {
    std::lock_guard<std::mutex> guard(socketsLock_);
    dataListenSocket = std::move(listener);
  }
  port_ = port;
  dataServerRunning.store(true);
  thread_ = std::thread(&DataChannelServer::DataChannelThread, this);
  return true;
}

void DataChannelServer::Stop() {
  std::lock_guard<std::mutex> lifecycle(lifecycleLock_);
  dataServerRunning.store(false);
  {
    std::lock_guard<std::mutex> guard(socketsLock_);
    if (dataListenSocket) dataListenSocket->Shutdown();
    if (servedConnection_) servedConnection_->Shutdown();
  }
  wake_.notify_all();
  connectionSet_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> guard(socketsLock_);
  dataListenSocket.reset();
  if (dataSocketPeer_ != 0) {
    state_.dataSocket.Close();
    dataSocketPeer_ = 0;
  }
}

void DataChannelServer::CheckConnectionOwner() {
  const uint32_t owner = control_.SessionPeerAddress();
  std::lock_guard<std::mutex> guard(socketsLock_);
  if (dataSocketPeer_ == 0 || owner == 0 || owner == dataSocketPeer_) return;
  std::fprintf(stderr, "data channel: closing the connection of %s, %s took over\n",
               platform::FormatIpv4(dataSocketPeer_).c_str(), platform::FormatIpv4(owner).c_str());
  if (servedConnection_) servedConnection_->Shutdown();
  state_.dataSocket.Close();
  dataSocketPeer_ = 0;
}

bool DataChannelServer::WaitForSessionConnection(int timeoutMs) {
  std::unique_lock<std::mutex> guard(socketsLock_);
  auto ready = [this] {
    return dataSocketPeer_ != 0 && dataSocketPeer_ == control_.SessionPeerAddress();
  };
  connectionSet_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                          [&] { return ready() || !dataServerRunning.load(); });
  return ready();
}

std::shared_ptr<platform::ListenSocket> DataChannelServer::CurrentListener() {
  std::lock_guard<std::mutex> guard(socketsLock_);
  return dataListenSocket;
}

void DataChannelServer::DataChannelThread() {
  dataSessionActive.store(false);
  while (dataServerRunning.load()) {
    std::shared_ptr<platform::ListenSocket> listener = CurrentListener();
    std::unique_ptr<platform::StreamSocket> accepted = listener ? listener->Accept() : nullptr;
    if (!accepted) {
      PrintAcceptFailure();
      // A listener that failed stays failed: waiting in it again would spin.
      if (!ReopenListener()) break;
      continue;
    }
    ServeConnection(std::move(accepted));
  }
}

bool DataChannelServer::ReopenListener() {
  {
    std::lock_guard<std::mutex> guard(socketsLock_);
    if (dataListenSocket) dataListenSocket->Shutdown();
    dataListenSocket.reset();
  }
  bool reported = false;
  while (Pause(timing_.reopenPauseMs)) {
    std::string error;
    std::unique_ptr<platform::ListenSocket> listener = network_.ListenTcp(port_, &error);
    if (listener) {
      std::lock_guard<std::mutex> guard(socketsLock_);
      if (!dataServerRunning.load()) return false;
      dataListenSocket = std::move(listener);
      return true;
    }
    if (!reported) {
      std::fprintf(stderr, "data channel: cannot reopen port %u: %s\n", unsigned(port_),
                   error.c_str());
      reported = true;
    }
  }
  return false;
}

bool DataChannelServer::Pause(int ms) {
  std::unique_lock<std::mutex> guard(socketsLock_);
  wake_.wait_for(guard, std::chrono::milliseconds(ms),
                 [this] { return !dataServerRunning.load(); });
  return dataServerRunning.load();
}

bool DataChannelServer::WaitForOwner(uint32_t peer) {
  constexpr int kPollMs = 10;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timing_.ownerGraceMs);
  for (;;) {
    const uint32_t owner = control_.SessionPeerAddress();
    if (owner == peer) return true;
    if (owner != 0) return false;  // another device's session
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (!Pause(kPollMs)) return false;
  }
}

void DataChannelServer::ServeConnection(std::shared_ptr<platform::StreamSocket> connection) {
  const uint32_t peer = connection->Peer().address;
  {
    // Registered before the wait so that Stop can wake a connection held in the grace.
    std::lock_guard<std::mutex> guard(socketsLock_);
    if (!dataServerRunning.load()) {
      connection->Shutdown();
      return;
    }
    servedConnection_ = connection;
  }
  if (!WaitForOwner(peer)) {
    if (dataServerRunning.load()) {
      std::fprintf(stderr, "data channel: refused %s, not the device of the control session\n",
                   platform::FormatIpv4(peer).c_str());
    }
    std::lock_guard<std::mutex> guard(socketsLock_);
    connection->Shutdown();
    servedConnection_.reset();
    return;
  }
  {
    std::lock_guard<std::mutex> guard(socketsLock_);
    if (!dataServerRunning.load()) {
      connection->Shutdown();
      servedConnection_.reset();
      return;
    }
    state_.dataSocket.Replace(connection);
    dataSocketPeer_ = peer;
  }
  connectionSet_.notify_all();
  dataSessionActive.store(true);
  DataSession::End end = session_.Serve(*connection, peer);
  dataSessionActive.store(false);

  std::lock_guard<std::mutex> guard(socketsLock_);
  servedConnection_.reset();
  if (end == DataSession::End::kTooLong || end == DataSession::End::kNotAuthorised) {
    std::fprintf(stderr, "data channel: closing the connection of %s after %s\n",
                 platform::FormatIpv4(peer).c_str(), EndReason(end));
    connection->Shutdown();
    if (dataSocketPeer_ == peer) {
      state_.dataSocket.Close();
      dataSocketPeer_ = 0;
    }
  }
  // Otherwise the connection stays the data connection, so the stream senders keep writing to it
  // until the next accepted connection replaces it.
}

}  // namespace vantaro::files
