#include "control/discovery_responder.h"

#include <iterator>

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
    if (!TakeReplyBudget(from.address, 2)) continue;
    std::string name = codec_.AnsiToUtf8("Win" + system_.HostName()).value_or("Win");
    std::string reply = BuildDiscoveryReply(settings_.deviceId, name);
    platform::Ipv4Endpoint to{from.address, static_cast<uint16_t>(request->udp_port_number)};
    socket->SendTo(reply.data(), reply.size(), to);
    socket->SendTo(reply.data(), reply.size(), to);
  }
}

namespace {

constexpr int64_t kWindowMs = 1000;
constexpr size_t kSendersKept = 64;

bool Ended(int64_t startMs, int64_t now) { return now - startMs >= kWindowMs || now < startMs; }

}  // namespace

bool DiscoveryResponder::TakeReplyBudget(uint32_t sender, int datagrams) {
  int64_t now = clock_.MonotonicMs();
  if (Ended(all_.startMs, now)) all_ = Window{now, 0};
  if (all_.replies + datagrams > kMaxRepliesPerSecond) return false;
  if (senders_.size() >= kSendersKept) {
    for (auto it = senders_.begin(); it != senders_.end();)
      it = Ended(it->second.startMs, now) ? senders_.erase(it) : std::next(it);
  }
  auto it = senders_.find(sender);
  if (it != senders_.end() && Ended(it->second.startMs, now)) it->second = Window{now, 0};
  int sent = it == senders_.end() ? 0 : it->second.replies;
  if (sent + datagrams > kMaxRepliesPerSenderPerSecond) return false;
  if (it == senders_.end()) it = senders_.emplace(sender, Window{now, 0}).first;
  it->second.replies += datagrams;
  all_.replies += datagrams;
  return true;
}

}  // namespace vantaro::control
