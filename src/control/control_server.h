#pragma once
// The control server: the listener on the control port, its accept loop and one session at a
// time. Created by the service owner, started when the service opens and stopped when it closes.
//
// Threads: Start and Stop are called by the service owner (user-interface, watchdog or, for an
// immediate hibernation, the control thread itself). The control thread is the only reader of the
// control connection; SendStatusReply may be called from any thread (the data channel's replies).
// Stop wakes every blocked call (shutdown before close) and joins the control thread, except when
// it runs on that thread: then the thread ends on its own right after, and is joined by the next
// Start or by the destructor.
//
// One session at a time, so no session may keep the slot without using it: until its handshake a
// session is closed after a silence of `silenceBeforeHandshakeMs` (counted from its last complete
// command), and after it, while the required security code has not been shown, at
// `codeWithinMs` after the handshake. An authorised session after its handshake has no limit.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/settings.h"
#include "control/control_dispatcher.h"
#include "control/control_message_reader.h"
#include "control/control_session.h"
#include "control/wrong_code_throttle.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "platform/text_codec.h"

namespace vantaro::control {

struct ControlTiming {
  int64_t silenceBeforeHandshakeMs = 60 * 1000;
  int64_t codeWithinMs = 60 * 1000;
  // A reply that the device accepts no byte of for this long ends the session.
  int sendProgressMs = 15 * 1000;
};

class ControlServer : public ControlSession {
 public:
  using Timing = ControlTiming;
  struct Hooks {
    std::function<void()> sessionStarted;  // a device was accepted: stop discovery
    std::function<void()> sessionEnded;    // a session ended by itself: restart discovery
  };

  // Every reference must outlive this object.
  ControlServer(platform::Network& network, platform::Clock& clock, platform::TextCodec& codec,
                app::AppState& state, const app::Settings& settings, ControlServices services,
                int32_t serverVersion, Hooks hooks, Timing timing = Timing());
  ~ControlServer() override;
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  // StartControlServer: listens on `tcpPort` and starts the control thread. False (with a one-line
  // reason in `error`) when the listener cannot be opened; nothing is started then.
  bool Start(uint16_t tcpPort, std::string* error);
  // Clears the running flags, shuts the listener and the session down and joins the thread.
  void Stop();
  bool running() const { return controlServerRunning_.load(); }

  uint32_t SessionPeerAddress() override { return sessionPeer_.load(); }
  bool SessionAuthorised() override {
    return controlSessionActive_.load() && sessionAuthorised_.load();
  }
  void SendStatusReply(int32_t code) override;

 private:
  void ControlChannelThread(uint16_t tcpPort);
  void Serve(const std::shared_ptr<platform::StreamSocket>& socket);
  // The next message of the session into `reader`; false when the session is to end, which a
  // deadline (-1: none) passed with `missing` ends with a line on standard error.
  bool ReadMessage(platform::StreamSocket& socket, ControlMessageReader& reader, int64_t deadlineMs,
                   const char* missing);
  void SendReply(const std::shared_ptr<platform::StreamSocket>& socket, const std::string& bytes);
  bool WaitWhileRunning(int64_t ms);
  void JoinFinished();

  platform::Network& network_;
  platform::Clock& clock_;
  platform::TextCodec& codec_;
  app::AppState& state_;
  const app::Settings& settings_;
  ControlServices services_;
  int32_t serverVersion_;
  Hooks hooks_;
  Timing timing_;
  WrongCodeThrottle throttle_;  // lives across sessions

  std::atomic<bool> controlServerRunning_{false};
  std::atomic<bool> controlSessionActive_{false};
  std::atomic<uint32_t> sessionPeer_{0};
  std::atomic<bool> sessionAuthorised_{false};

  // Guards the two socket pointers: the control thread swaps them, Stop shuts them down, reply
  // senders copy controlSocket_.
  std::mutex socketLock_;
  std::unique_ptr<platform::ListenSocket> controlListenSocket_;
  std::shared_ptr<platform::StreamSocket> controlSocket_;
  std::mutex replyLock_;  // one reply at a time on the control connection

  std::mutex waitLock_;
  std::condition_variable waitCv_;  // cuts the pause before reopening a listener short at Stop

  std::thread thread_;                 // started and joined by Start/Stop (service owner)
  std::vector<std::thread> finished_;  // a thread that stopped itself, joined later
};

}  // namespace vantaro::control
