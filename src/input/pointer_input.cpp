#include "input/pointer_input.h"

#include <cmath>
#include <limits>

namespace vantaro::input {

namespace {

using platform::MouseButton;
using platform::ScreenPoint;
using platform::ScreenSize;

constexpr int kDoubleClickPauseMs = 50;

enum Action : int32_t {
  kMove = 1,
  kLeftPress = 2,
  kRightPress = 3,
  kLeftRelease = 4,
  kRightRelease = 5,
  kLeftClick = 6,
  kLeftDoubleClick = 7,
  kRightClick = 8,
  kRightDoubleClick = 9,
  kMoveAndClick = 10,
  kMoveAndDoubleClick = 11,
  kScroll = 12,
};

// A coordinate truncated toward zero and kept within [0, size - 1]. Clamping the real value before
// the truncation gives the same pixel as truncating first, without converting out-of-range values.
int ClampToPixel(float value, int size) {
  if (value < 0) return 0;
  if (value >= static_cast<float>(size)) return size - 1;
  return static_cast<int>(value);
}

// Truncation toward zero that saturates instead of overflowing; `limit` bounds the magnitude.
int TruncateSaturated(float value, int limit) {
  if (value >= static_cast<float>(limit)) return limit;
  if (value <= -static_cast<float>(limit)) return -limit;
  return static_cast<int>(value);
}

}  // namespace

PointerInput::PointerInput(platform::InputInjector& injector, platform::Clock& clock)
    : injector_(injector), clock_(clock) {}

void PointerInput::Reset() {
  leftHeld_ = rightHeld_ = false;
  leftPressCount_ = rightPressCount_ = 0;
}

void PointerInput::Handle(const PointerEvent& event) {
  if (event.action == kMoveAndClick || event.action == kMoveAndDoubleClick) {
    HandleAbsolute(event);
  } else {
    HandleRelative(event);
  }
}

void PointerInput::HandleAbsolute(const PointerEvent& event) {
  const ScreenSize screen = injector_.GetScreenSize();
  if (screen.width <= 0 || screen.height <= 0) return;
  if (std::isnan(event.x) || std::isnan(event.y)) return;
  // Single precision, as the device computes its fractions.
  float px = static_cast<float>(screen.width) * event.x;
  float py = static_cast<float>(screen.height) * event.y;
  if (px <= 0) px = 0;
  if (py <= 0) py = 0;
  if (px >= static_cast<float>(screen.width)) px = static_cast<float>(screen.width - 1);
  if (py >= static_cast<float>(screen.height)) py = static_cast<float>(screen.height - 1);
  injector_.SetPointerPosition(ScreenPoint{static_cast<int>(px), static_cast<int>(py)});
  if (event.action == kMoveAndClick) {
    leftHeld_ = false;
    Click(MouseButton::kLeft);
  } else {
    DoubleClick(MouseButton::kLeft);
  }
}

void PointerInput::HandleRelative(const PointerEvent& event) {
  switch (event.action) {
    case kMove:
      Move(event.x, event.y);
      break;
    case kLeftPress:
      ++leftPressCount_;
      leftHeld_ = true;
      // Only the first press since the last release reaches the system, so that a repeated press
      // during a drag does not break it.
      if (leftPressCount_ == 1) injector_.SetButton(MouseButton::kLeft, true);
      break;
    case kRightPress:
      ++rightPressCount_;
      rightHeld_ = true;
      if (rightPressCount_ == 1) injector_.SetButton(MouseButton::kRight, true);
      break;
    case kLeftRelease:
      leftHeld_ = false;
      leftPressCount_ = 0;
      injector_.SetButton(MouseButton::kLeft, false);
      break;
    case kRightRelease:
      rightHeld_ = false;
      rightPressCount_ = 0;
      injector_.SetButton(MouseButton::kRight, false);
      break;
    case kLeftClick:
      leftHeld_ = false;
      Click(MouseButton::kLeft);
      break;
    case kLeftDoubleClick:
      DoubleClick(MouseButton::kLeft);
      break;
    case kRightClick:
      rightHeld_ = false;
      Click(MouseButton::kRight);
      break;
    case kRightDoubleClick:
      DoubleClick(MouseButton::kRight);
      break;
    case kScroll:
      Scroll(event.x, event.y);
      break;
    default:
      break;
  }
}

void PointerInput::Move(float dx, float dy) {
  const ScreenSize screen = injector_.GetScreenSize();
  const std::optional<ScreenPoint> current = injector_.GetPointerPosition();
  // Without a screen size or a pointer there is nothing to move relative to (and no divisor).
  if (screen.width <= 0 || screen.height <= 0 || !current) return;
  const float sumX = static_cast<float>(current->x) + dx;
  const float sumY = static_cast<float>(current->y) + dy;
  if (std::isnan(sumX) || std::isnan(sumY)) return;
  const int nx = ClampToPixel(sumX, screen.width);
  const int ny = ClampToPixel(sumY, screen.height);
  const bool dragging = leftHeld_ || rightHeld_;
  if (leftHeld_) {
    ++leftPressCount_;
  } else if (rightHeld_) {
    ++rightPressCount_;
  }
  if (dragging) {
    // A drag goes through the normalised move so that it travels with the held button.
    const auto normalise = [](int pixel, int size) {
      return static_cast<int>(int64_t{pixel} * 65535 / size);
    };
    injector_.MoveNormalised(
        ScreenPoint{normalise(nx, screen.width), normalise(ny, screen.height)});
  } else {
    injector_.SetPointerPosition(ScreenPoint{nx, ny});
  }
}

void PointerInput::Scroll(float x, float y) {
  if (std::isnan(x) || std::isnan(y)) return;
  // -4 * iy must stay representable.
  constexpr int kLimit = std::numeric_limits<int>::max() / 4;
  const int ix = TruncateSaturated(x, kLimit);
  const int iy = TruncateSaturated(y, kLimit);
  // Only vertical scrolling exists; a gesture with any horizontal part scrolls nothing.
  if (ix == 0 && iy != 0) injector_.TurnWheel(-4 * iy);
}

void PointerInput::Click(MouseButton button) {
  injector_.SetButton(button, true);
  injector_.SetButton(button, false);
}

void PointerInput::DoubleClick(MouseButton button) {
  Click(button);
  clock_.SleepMs(kDoubleClickPauseMs);
  Click(button);
}

}  // namespace vantaro::input
