#pragma once

#include <cstdint>

namespace vantaro::platform {

// The size of the primary screen in pixels; zero when it is not known.
struct ScreenSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const ScreenSize&) const = default;
};

}  // namespace vantaro::platform
