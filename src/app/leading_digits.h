#pragma once
// Numbers in the settings store are read from their leading decimal digits.

#include <cstdint>
#include <limits>
#include <string_view>

namespace vantaro::app {

// The value of the decimal digits at the start of `text`; 0 when it does not begin with a digit
// (a sign or a space included). A run of digits too long for int32 gives INT32_MAX rather than an
// overflow.
inline int32_t LeadingDigitsValue(std::string_view text) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > kMax) return static_cast<int32_t>(kMax);
  }
  return static_cast<int32_t>(value);
}

}  // namespace vantaro::app
