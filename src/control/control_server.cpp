#include "control/control_server.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "control/control_protocol.h"

namespace vantaro::control {

namespace {
// A failed accept while the service is open: wait this long before reopening the listener, so that
// a persistent failure cannot spin.
constexpr int64_t kReopenPauseMs = 500;
constexpr int64_t kNoDeadline = -1;
}  // namespace

ControlServer::ControlServer(platform::Network& network, platform::Clock& clock,
                             platform::TextCodec& codec, app::AppState& state,
                             const app::Settings& settings, ControlServices services,
                             int32_t serverVersion, Hooks hooks, Timing timing)
    : network_(network),
      clock_(clock),
      codec_(codec),
      state_(state),
      settings_(settings),
      services_(services),
      serverVersion_(serverVersion),
      hooks_(std::move(hooks)),
      timing_(timing),
      throttle_(clock) {}

ControlServer::~ControlServer() {
  Stop();
  JoinFinished();
}

bool ControlServer::Start(uint16_t tcpPort, std::string* error) {
  if (controlServerRunning_.load()) return true;
  JoinFinished();
  auto listener = network_.ListenTcp(tcpPort, error);
  if (!listener) return false;
  {
    std::lock_guard<std::mutex> guard(socketLock_);
    controlListenSocket_ = std::move(listener);
  }
  controlServerRunning_.store(true);
  thread_ = std::thread([this, tcpPort] { ControlChannelThread(tcpPort); });
  return true;
}

void ControlServer::Stop() {
  controlServerRunning_.store(false);
  controlSessionActive_.store(false);
  {
    std::lock_guard<std::mutex> guard(socketLock_);
    if (controlListenSocket_) controlListenSocket_->Shutdown();
    if (controlSocket_) controlSocket_->Shutdown();
  }
  {
    std::lock_guard<std::mutex> guard(waitLock_);
    waitCv_.notify_all();
  }
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id()) {
    finished_.push_back(std::move(thread_));
    return;
  }
  thread_.join();
  std::lock_guard<std::mutex> guard(socketLock_);
  controlListenSocket_.reset();
}

void ControlServer::JoinFinished() {
  for (auto& t : finished_)
    if (t.joinable()) t.join();
  finished_.clear();
}

void ControlServer::ControlChannelThread(uint16_t tcpPort) {
  while (controlServerRunning_.load()) {
    std::unique_ptr<platform::StreamSocket> accepted;
    platform::ListenSocket* listener = nullptr;
    {
      std::lock_guard<std::mutex> guard(socketLock_);
      listener = controlListenSocket_.get();
    }
    if (listener) accepted = listener->Accept();
    if (!accepted) {
      if (!controlServerRunning_.load()) break;
      std::fprintf(stderr, "control: accept failed; reopening the listener\n");
      {
        std::lock_guard<std::mutex> guard(socketLock_);
        controlListenSocket_.reset();
      }
      if (!WaitWhileRunning(kReopenPauseMs)) break;
      std::string error;
      auto reopened = network_.ListenTcp(tcpPort, &error);
      std::lock_guard<std::mutex> guard(socketLock_);
      if (!controlServerRunning_.load()) break;
      controlListenSocket_ = std::move(reopened);
      continue;
    }
    std::shared_ptr<platform::StreamSocket> socket = std::move(accepted);
    {
      std::lock_guard<std::mutex> guard(socketLock_);
      if (!controlServerRunning_.load()) break;  // Stop ran between accept and here
      controlSocket_ = socket;
    }
    socket->SetSendProgressTimeout(timing_.sendProgressMs);
    // Authorised before the data channel can see the session's address: a data request in between
    // would otherwise be refused and its connection closed.
    sessionAuthorised_.store(settings_.securityLogin == 0);
    controlSessionActive_.store(true);
    sessionPeer_.store(socket->Peer().address);
    state_.SetDeviceAddress(platform::FormatIpv4(socket->Peer().address));
    if (hooks_.sessionStarted) hooks_.sessionStarted();

    Serve(socket);
    services_.input.OnSessionEnded();

    controlSessionActive_.store(false);
    sessionAuthorised_.store(false);
    sessionPeer_.store(0);
    {
      std::lock_guard<std::mutex> guard(socketLock_);
      controlSocket_.reset();
    }
    socket->Shutdown();
    if (controlServerRunning_.load()) {
      state_.SetConnectionStatus(app::kStatusDisconnected);
      if (hooks_.sessionEnded) hooks_.sessionEnded();
    }
  }
}

void ControlServer::Serve(const std::shared_ptr<platform::StreamSocket>& socket) {
  ControlDispatcher dispatcher(
      state_, settings_, codec_, services_, throttle_, serverVersion_,
      [this, socket](const std::string& bytes) { SendReply(socket, bytes); },
      ControlDispatcher::Session{socket->Peer().address, &sessionAuthorised_});
  ControlMessageReader reader;
  int64_t lastMessageMs = clock_.MonotonicMs();
  int64_t handshakeMs = kNoDeadline;
  while (controlSessionActive_.load()) {
    int64_t deadline = kNoDeadline;
    const char* missing = "";
    if (handshakeMs == kNoDeadline) {
      deadline = lastMessageMs + timing_.silenceBeforeHandshakeMs;
      missing = "no handshake";
    } else if (!sessionAuthorised_.load()) {
      deadline = handshakeMs + timing_.codeWithinMs;
      missing = "no security code";
    }
    if (!ReadMessage(*socket, reader, deadline, missing)) return;
    lastMessageMs = clock_.MonotonicMs();
    // Only the first handshake starts the time for the code; sending it again does not restart it.
    if (reader.code() == CmdHandshake && handshakeMs == kNoDeadline) handshakeMs = lastMessageMs;
    if (dispatcher.Dispatch(reader) == ControlDispatcher::Outcome::kEndSession) return;
  }
}

bool ControlServer::ReadMessage(platform::StreamSocket& socket, ControlMessageReader& reader,
                                int64_t deadlineMs, const char* missing) {
  uint8_t chunk[kFirstReceiveSize];
  reader.Reset();
  ControlMessageReader::Result result = ControlMessageReader::Result::kNeedMore;
  while (result == ControlMessageReader::Result::kNeedMore) {
    long n;
    if (deadlineMs == kNoDeadline) {
      n = socket.Receive(chunk, reader.NextReceiveSize());
    } else {
      int64_t left = deadlineMs - clock_.MonotonicMs();
      if (left <= 0) {
        std::fprintf(stderr, "control: closing the session of %s: %s in time\n",
                     platform::FormatIpv4(socket.Peer().address).c_str(), missing);
        return false;
      }
      n = socket.ReceiveWithin(chunk, reader.NextReceiveSize(),
                               static_cast<int>(std::min<int64_t>(left, INT_MAX)));
      if (n == platform::StreamSocket::kTimedOut) continue;
    }
    if (n <= 0) return false;
    result = reader.Add(chunk, static_cast<size_t>(n));
  }
  return result == ControlMessageReader::Result::kMessage;
}

void ControlServer::SendReply(const std::shared_ptr<platform::StreamSocket>& socket,
                              const std::string& bytes) {
  std::lock_guard<std::mutex> guard(replyLock_);
  socket->SendAll(bytes.data(), bytes.size());  // a lost reply shows as the next receive failing
}

void ControlServer::SendStatusReply(int32_t code) {
  std::shared_ptr<platform::StreamSocket> socket;
  {
    std::lock_guard<std::mutex> guard(socketLock_);
    socket = controlSocket_;
  }
  if (socket) SendReply(socket, BuildShortReply(code));
}

bool ControlServer::WaitWhileRunning(int64_t ms) {
  std::unique_lock<std::mutex> lock(waitLock_);
  return !waitCv_.wait_for(lock, std::chrono::milliseconds(ms),
                           [this] { return !controlServerRunning_.load(); });
}

}  // namespace vantaro::control
