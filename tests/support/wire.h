#pragma once
// Little-endian helpers for building and checking device messages in tests.

#include <cstdint>
#include <string>

namespace vantaro::testing {

inline std::string Le32(int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((u >> (8 * i)) & 0xff);
  return s;
}

inline int32_t ReadLe32(const std::string& s, size_t offset) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= uint32_t(static_cast<uint8_t>(s.at(offset + i))) << (8 * i);
  return static_cast<int32_t>(u);
}

// A control-channel command: code, length, payload and (unless `terminate` is false) CR LF.
inline std::string ControlMessage(int32_t code, int32_t length, const std::string& payload = "",
                                  bool terminate = true) {
  return Le32(code) + Le32(length) + payload + (terminate ? std::string("\r\n") : std::string());
}

inline std::string ShortReply(int32_t code) { return Le32(code) + Le32(0) + "\r\n"; }

// The welcome reply as the server sends it (version 2.2, no capture devices unless given).
inline std::string WelcomeReply(int32_t camera = 0, int32_t microphone = 0) {
  return Le32(2001) + Le32(20) + Le32(8081) + Le32(20200) + Le32(camera) + Le32(microphone) +
         Le32(0) + "\r\n";
}

// The payload of a handshake (200).
inline std::string HandshakePayload(const std::string& deviceName, int32_t appVersion = 10500,
                                    int32_t width = 1080, int32_t height = 1920) {
  return Le32(5868) + Le32(1) + Le32(appVersion) + Le32(width) + Le32(height) +
         Le32(static_cast<int32_t>(deviceName.size())) + deviceName;
}

inline std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

}  // namespace vantaro::testing
