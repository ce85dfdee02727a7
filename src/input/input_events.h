#pragma once
// The payloads of the pointer (600) and key (601) commands, read from the bytes actually received.
// Pure functions; no I/O.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vantaro::input {

struct PointerEvent {
  int32_t action = 0;
  float x = 0;  // a fraction of the screen, a distance in pixels or a scroll amount, by action
  float y = 0;
};

// Offsets 0 (action), 4 (x), 8 (y). Nothing when fewer than 12 bytes arrived.
std::optional<PointerEvent> ParsePointerEvent(const uint8_t* payload, size_t size);

struct KeyEvent {
  uint8_t state = 0;      // the low byte of the state field; 1 means pressed
  std::string_view text;  // the UTF-8 key name or text, pointing into the payload
};

// Offsets 0 (state), 4 (length), 8 (text). The text is cut to the bytes that arrived after the
// head, and a negative length counts as none. Nothing when the 8-byte head is incomplete.
std::optional<KeyEvent> ParseKeyEvent(const uint8_t* payload, size_t size);

}  // namespace vantaro::input
