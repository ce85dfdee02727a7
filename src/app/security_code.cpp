#include "app/security_code.h"

#include <random>

namespace vantaro::app {

namespace {

std::string DistinctAlphabet() {
  std::string distinct;
  for (char c : kSecurityCodeAlphabet)
    if (distinct.find(c) == std::string::npos) distinct += c;
  return distinct;
}

}  // namespace

bool IsValidSecurityCode(std::string_view code) {
  if (code.size() < kMinSecurityCodeLength) return false;
  for (char c : code)
    if (kSecurityCodeAlphabet.find(c) == std::string_view::npos) return false;
  return true;
}

std::string GenerateSecurityCode(const std::function<uint32_t(uint32_t n)>& uniform) {
  static const std::string alphabet = DistinctAlphabet();
  std::string code;
  for (size_t i = 0; i < kGeneratedSecurityCodeLength; ++i)
    code += alphabet[uniform(static_cast<uint32_t>(alphabet.size())) % alphabet.size()];
  return code;
}

std::string GenerateSecurityCode() {
  std::random_device device;
  return GenerateSecurityCode([&device](uint32_t n) {
    return std::uniform_int_distribution<uint32_t>(0, n - 1)(device);
  });
}

}  // namespace vantaro::app
