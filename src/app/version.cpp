#include "app/version.h"

#include <string_view>

namespace vantaro::app {
namespace {

int DigitValue(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

// The two-digit value of one part. The welcome reply sends this number to the device, so the rule
// stays as earlier releases computed it: a longer part is not read as a larger number, its middle
// characters are simply ignored.
int PartValue(std::string_view part) {
  if (part.empty()) return 0;
  if (part.size() == 1) return DigitValue(part.front());
  return DigitValue(part.front()) * 10 + DigitValue(part.back());
}

}  // namespace

int32_t VersionValue(const std::string& text) {
  const std::string_view view = text;
  const std::size_t firstDot = view.find('.');
  const std::size_t lastDot = view.rfind('.');
  std::string_view major = view;
  std::string_view minor;
  std::string_view patch;
  if (firstDot != std::string_view::npos) {
    major = view.substr(0, firstDot);
    if (firstDot == lastDot) {
      minor = view.substr(firstDot + 1);
    } else {
      minor = view.substr(firstDot + 1, lastDot - firstDot - 1);
      patch = view.substr(lastDot + 1);
    }
  }
  return PartValue(major) * 10000 + PartValue(minor) * 100 + PartValue(patch);
}

bool IsNewer(const std::string& current, const std::string& latest) {
  return VersionValue(current) < VersionValue(latest);
}

}  // namespace vantaro::app
