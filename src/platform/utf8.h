#pragma once
// Strict UTF-8 validation shared by the text codecs: no overlong forms, no surrogates, nothing
// above U+10FFFF. Pure; safe on any thread.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantaro::platform {

// Length of the longest prefix of `bytes` made of whole, valid UTF-8 sequences.
inline size_t ValidUtf8PrefixLength(std::string_view bytes) {
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    const auto b0 = static_cast<uint8_t>(bytes[i]);
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (b0 < 0x80) {
      ++i;
      continue;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      length = 3;
      if (b0 == 0xE0) low = 0xA0;   // overlong
      if (b0 == 0xED) high = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      length = 4;
      if (b0 == 0xF0) low = 0x90;   // overlong
      if (b0 == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      return i;
    }
    if (n - i < length) return i;
    const auto b1 = static_cast<uint8_t>(bytes[i + 1]);
    if (b1 < low || b1 > high) return i;
    for (size_t k = 2; k < length; ++k) {
      const auto b = static_cast<uint8_t>(bytes[i + k]);
      if (b < 0x80 || b > 0xBF) return i;
    }
    i += length;
  }
  return n;
}

inline bool IsValidUtf8Text(std::string_view bytes) {
  return ValidUtf8PrefixLength(bytes) == bytes.size();
}

}  // namespace vantaro::platform
