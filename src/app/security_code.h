#pragma once
// The security code's alphabet and rules, shared by the settings page and the first run.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vantaro::app {

// Every lower-case letter (g twice, as it has always been written), every capital letter but I,
// and the ten digits. Only membership counts.
inline constexpr std::string_view kSecurityCodeAlphabet =
    "abcdefghijgklmnopqrstuvwxyzABCDEFGHJKLMNOPQRSTUVWXYZ0123456789";
inline constexpr size_t kMinSecurityCodeLength = 4;
inline constexpr size_t kGeneratedSecurityCodeLength = 6;

// At least four characters, each from the alphabet (bytes; a multi-byte character never is).
bool IsValidSecurityCode(std::string_view code);

// A code of kGeneratedSecurityCodeLength characters drawn evenly from the alphabet's distinct
// characters. `uniform(n)` returns a number in [0, n) from a source of good randomness.
std::string GenerateSecurityCode(const std::function<uint32_t(uint32_t n)>& uniform);

// GenerateSecurityCode on the system's random device.
std::string GenerateSecurityCode();

}  // namespace vantaro::app
