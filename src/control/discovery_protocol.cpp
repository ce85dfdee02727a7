#include "control/discovery_protocol.h"

#include "control/control_protocol.h"

namespace vantaro::control {

std::optional<DiscoveryRequest> ParseDiscoveryRequest(const uint8_t* bytes, size_t size) {
  if (size < kDiscoveryRequestSize) return std::nullopt;
  DiscoveryRequest r;
  r.udp_operator_mode = ReadInt32(bytes, size, 0);
  r.udp_check_number = ReadInt32(bytes, size, 4);
  r.udp_port_number = ReadInt32(bytes, size, 8);
  r.device_id = ReadInt32(bytes, size, 12);
  r.udp_data_device_name_length = ReadInt32(bytes, size, 16);
  r.data_jid_length = ReadInt32(bytes, size, 20);
  r.nat_data_length = ReadInt32(bytes, size, 24);
  return r;
}

bool IsValidDiscoveryRequest(const DiscoveryRequest& request) {
  return request.udp_operator_mode == kDiscoveryRequestMode &&
         request.udp_check_number == kDiscoveryCheckNumber;
}

std::string BuildDiscoveryReply(int32_t deviceId, const std::string& nameUtf8) {
  std::string out;
  out.reserve(kDiscoveryRequestSize + nameUtf8.size());
  AppendInt32(out, kDiscoveryReplyMode);
  AppendInt32(out, kDiscoveryCheckNumber);
  AppendInt32(out, 0);
  AppendInt32(out, deviceId);
  AppendInt32(out, static_cast<int32_t>(nameUtf8.size()));
  AppendInt32(out, 0);
  AppendInt32(out, 0);
  out += nameUtf8;
  return out;
}

}  // namespace vantaro::control
