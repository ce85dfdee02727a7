#pragma once
// The discovery datagrams: a 28-byte request of seven little-endian int32 fields, and the reply
// with the same head followed by the computer's name.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vantaro::control {

inline constexpr size_t kDiscoveryRequestSize = 28;
inline constexpr int32_t kDiscoveryRequestMode = 1000;
inline constexpr int32_t kDiscoveryReplyMode = 1001;
// A constant of the protocol; it does not follow the configured port.
inline constexpr int32_t kDiscoveryCheckNumber = 5868;
inline constexpr uint32_t kDiscoveryGroup = 0xEF000001;  // 239.0.0.1

struct DiscoveryRequest {
  int32_t udp_operator_mode = 0;
  int32_t udp_check_number = 0;
  int32_t udp_port_number = 0;
  int32_t device_id = 0;
  int32_t udp_data_device_name_length = 0;
  int32_t data_jid_length = 0;
  int32_t nat_data_length = 0;
};

// Nothing for a datagram shorter than 28 bytes; only the first 28 bytes are read.
std::optional<DiscoveryRequest> ParseDiscoveryRequest(const uint8_t* bytes, size_t size);
bool IsValidDiscoveryRequest(const DiscoveryRequest& request);
// `nameUtf8` is "Win" followed by the host name, already in UTF-8.
std::string BuildDiscoveryReply(int32_t deviceId, const std::string& nameUtf8);

}  // namespace vantaro::control
