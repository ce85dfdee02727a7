#include "input/input_events.h"

#include <bit>

namespace vantaro::input {

namespace {

uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace

std::optional<PointerEvent> ParsePointerEvent(const uint8_t* payload, size_t size) {
  if (payload == nullptr || size < 12) return std::nullopt;
  PointerEvent event;
  event.action = static_cast<int32_t>(ReadLe32(payload));
  event.x = std::bit_cast<float>(ReadLe32(payload + 4));
  event.y = std::bit_cast<float>(ReadLe32(payload + 8));
  return event;
}

std::optional<KeyEvent> ParseKeyEvent(const uint8_t* payload, size_t size) {
  if (payload == nullptr || size < 8) return std::nullopt;
  KeyEvent event;
  event.state = payload[0];
  const int32_t length = static_cast<int32_t>(ReadLe32(payload + 4));
  const size_t available = size - 8;
  size_t take = length > 0 ? static_cast<size_t>(length) : 0;
  if (take > available) take = available;
  event.text = std::string_view(reinterpret_cast<const char*>(payload + 8), take);
  return event;
}

}  // namespace vantaro::input
