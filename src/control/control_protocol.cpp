#include "control/control_protocol.h"

#include <algorithm>

namespace vantaro::control {

void AppendInt32(std::string& out, int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xff));
}

bool IsFramedCode(int32_t code) {
  return (code >= 200 && code <= 204) || (code >= 300 && code <= 301) ||
         (code >= 400 && code <= 403) || (code >= 500 && code <= 501) ||
         (code >= 600 && code <= 601) || (code >= 700 && code <= 703);
}

int32_t ReadInt32(const uint8_t* bytes, size_t size, size_t offset) {
  uint32_t u = 0;
  for (size_t i = 0; i < 4; ++i) {
    size_t at = offset + i;
    if (at < size) u |= uint32_t(bytes[at]) << (8 * i);
  }
  return static_cast<int32_t>(u);
}

std::string BuildShortReply(int32_t code) {
  std::string out;
  out.reserve(10);
  AppendInt32(out, code);
  AppendInt32(out, 0);
  out += "\r\n";
  return out;
}

std::string BuildWelcomeReply(int32_t serverVersion, bool cameraAvailable,
                              bool microphoneAvailable) {
  std::string out;
  out.reserve(30);
  AppendInt32(out, RspWelcome);
  AppendInt32(out, 20);  // the bytes after the head, CR LF not counted; the text is empty
  AppendInt32(out, kWelcomeMarker);
  AppendInt32(out, serverVersion);
  AppendInt32(out, cameraAvailable ? 1 : 0);
  AppendInt32(out, microphoneAvailable ? 1 : 0);
  AppendInt32(out, 0);
  out += "\r\n";
  return out;
}

HandshakeRequest ParseHandshake(const uint8_t* payload, size_t size) {
  HandshakeRequest r;
  r.check_number = ReadInt32(payload, size, 0);
  r.app_mode = ReadInt32(payload, size, 4);
  r.app_version = ReadInt32(payload, size, 8);
  r.device_display_width = ReadInt32(payload, size, 12);
  r.device_display_height = ReadInt32(payload, size, 16);
  r.device_name_length = ReadInt32(payload, size, 20);
  size_t available = size > 24 ? size - 24 : 0;
  size_t wanted = r.device_name_length > 0 ? static_cast<size_t>(r.device_name_length) : 0;
  size_t take = std::min(wanted, available);
  if (take > 0) r.device_name.assign(reinterpret_cast<const char*>(payload + 24), take);
  return r;
}

}  // namespace vantaro::control
