#pragma once
// Answers the discovery requests of devices while the service is open and no device is connected.
// Each Start creates a new socket and thread; Stop clears `discoveryRunning`, shuts the socket down
// and joins the thread. Start and Stop are serialised by `lifecycleLock_`: the control thread
// (accept, session end) and the service owner (open, close) both call them.
//
// Replies go to the address a datagram names, so a forged request could aim them at a third host;
// at most kMaxRepliesPerSecond reply datagrams leave per second in all, requests beyond that are
// dropped. Within that cap each sender address has a budget of its own
// (kMaxRepliesPerSenderPerSecond), so that one address that floods cannot starve a device that
// asks once.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "app/app_state.h"
#include "app/settings.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "platform/system_info.h"
#include "platform/text_codec.h"

namespace vantaro::control {

class DiscoveryResponder {
 public:
  static constexpr int kMaxRepliesPerSecond = 20;
  static constexpr int kMaxRepliesPerSenderPerSecond = 4;

  DiscoveryResponder(platform::Network& network, platform::SystemInfo& system,
                     platform::TextCodec& codec, platform::Clock& clock, app::AppState& state,
                     const app::Settings& settings);
  ~DiscoveryResponder();
  DiscoveryResponder(const DiscoveryResponder&) = delete;
  DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

  // StartDiscovery on UDP `port`. False (reason in `error`) when the socket cannot be opened.
  bool Start(uint16_t port, std::string* error);
  void Stop();
  bool running() const { return discoveryRunning_.load(); }

 private:
  void DiscoveryThread(std::shared_ptr<platform::DatagramSocket> socket);
  // Whether `datagrams` more replies to `sender` fit into the current one-second windows; takes
  // them from both budgets when they do.
  bool TakeReplyBudget(uint32_t sender, int datagrams);

  platform::Network& network_;
  platform::SystemInfo& system_;
  platform::TextCodec& codec_;
  platform::Clock& clock_;
  app::AppState& state_;
  const app::Settings& settings_;

  std::mutex lifecycleLock_;  // serialises Start and Stop
  std::atomic<bool> discoveryRunning_{false};
  std::shared_ptr<platform::DatagramSocket> discoverySocket_;  // under lifecycleLock_
  std::thread thread_;                                         // under lifecycleLock_
  // Used by the discovery thread only.
  struct Window {
    int64_t startMs = 0;
    int replies = 0;
  };
  Window all_;
  // Only senders that were answered get an entry, and the global cap bounds how many a second
  // can be; windows that have ended are dropped now and then.
  std::unordered_map<uint32_t, Window> senders_;
};

}  // namespace vantaro::control
