#include "control/discovery_responder.h"

#include "control/discovery_protocol.h"

namespace vantaro::control {

DiscoveryResponder::DiscoveryResponder(platform::Network& network, platform::SystemInfo& system,
                                       platform::TextCodec& codec, platform::Clock& clock,
                                       app::AppState& state, const app::Settings& settings)
    : network_(network),
      system_(system),
      codec_(codec),
      clock_(clock),
      state_(state),
      settings_(settings) {}

DiscoveryResponder::~DiscoveryResponder() { Stop(); }

bool DiscoveryResponder::Start(uint16_t port, std::string* error) {
  std::lock_guard<std::mutex> guard(lifecycleLock_);
  if (discoveryRunning_.load()) return true;
  if (thread_.joinable()) thread_.join();
  std::shared_ptr<platform::DatagramSocket> socket =
      network_.OpenMulticastUdp(port, kDiscoveryGroup, error);
  if (!socket) return false;
  discoverySocket_ = socket;
  discoveryRunning_.store(true);
  thread_ = std::thread([this, socket] { DiscoveryThread(socket); });
  return true;
}

void DiscoveryResponder::Stop() {
  std::lock_guard<std::mutex> guard(lifecycleLock_);
  discoveryRunning_.store(false);
  if (discoverySocket_) discoverySocket_->Shutdown();
  if (thread_.joinable()) thread_.join();
  discoverySocket_.reset();
}

void DiscoveryResponder::DiscoveryThread(std::shared_ptr<platform::DatagramSocket> socket) {
  uint8_t buffer[kDiscoveryRequestSize];
  while (discoveryRunning_.load()) {
    platform::Ipv4Endpoint from;
    long n = socket->ReceiveFrom(buffer, sizeof(buffer), &from);
    if (n < 0) {
      if (!discoveryRunning_.load()) break;
      // A failed receive on a live socket (an ICMP error from an earlier reply, say) is not the
      // end of the responder; pause briefly so that a socket that fails for good cannot spin.
      clock_.SleepMs(10);
      continue;
    }
    auto request = ParseDiscoveryRequest(buffer, static_cast<size_t>(n));
    if (!request) continue;
    state_.SetDeviceAddress(platform::FormatIpv4(from.address));
    if (!IsValidDiscoveryRequest(*request)) continue;
    if (!TakeReplyBudget(2)) continue;
    std::string name = codec_.AnsiToUtf8("Win" + system_.HostName()).value_or("Win");
    std::string reply = BuildDiscoveryReply(settings_.deviceId, name);
    platform::Ipv4Endpoint to{from.address, static_cast<uint16_t>(request->udp_port_number)};
    socket->SendTo(reply.data(), reply.size(), to);
    socket->SendTo(reply.data(), reply.size(), to);
  }
}

bool DiscoveryResponder::TakeReplyBudget(int datagrams) {
  int64_t now = clock_.MonotonicMs();
  if (now - windowStartMs_ >= 1000 || now < windowStartMs_) {
    windowStartMs_ = now;
    repliesInWindow_ = 0;
  }
  if (repliesInWindow_ + datagrams > kMaxRepliesPerSecond) return false;
  repliesInWindow_ += datagrams;
  return true;
}

}  // namespace vantaro::control
