#pragma once
// Texts that came from the device, made safe for one diagnostic line: control characters (C0,
// DEL and the C1 range), and bytes that are not valid UTF-8, are written as \xNN, so that a name
// cannot end the line, start a forged one or drive the terminal. Everything else passes as it is.
// Pure; safe on any thread.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/utf8.h"

namespace vantaro::platform {

inline std::string EscapedForLog(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  auto escape = [&out](uint8_t b) {
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  };
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (b < 0x20 || b == 0x7F) {
      escape(b);
      ++i;
    } else if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
    } else {
      // One whole sequence at a time: its length is what the validator accepts of it.
      size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
      std::string_view sequence = text.substr(i, length);
      bool valid = sequence.size() == length && ValidUtf8PrefixLength(sequence) == length;
      bool c1 = valid && b == 0xC2 && static_cast<uint8_t>(text[i + 1]) <= 0x9F;
      if (!valid || c1) {
        for (size_t k = 0; k < (c1 ? 2 : 1); ++k) escape(static_cast<uint8_t>(text[i + k]));
        i += c1 ? 2 : 1;
      } else {
        out += sequence;
        i += length;
      }
    }
  }
  return out;
}

}  // namespace vantaro::platform
