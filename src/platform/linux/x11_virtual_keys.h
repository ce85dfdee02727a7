#pragma once
// The X keysyms behind the Windows virtual keys the device's commands use, and the keysym of a
// character the layout is asked about.

#include <X11/X.h>

#include <cstdint>

namespace vantaro::platform {

// NoSymbol for a virtual key without a meaning here.
KeySym VirtualKeyToKeysym(uint8_t virtualKey);

// True for the virtual keys that stand for a character key of the main block (letters, digits,
// space, punctuation, Return, Tab, Backspace), the ones a layout lookup may answer with.
bool IsCharacterVirtualKey(uint8_t virtualKey);

// The keysym that types code point `c` (below 0x100) on a layout key, or NoSymbol for control
// characters that no key types.
KeySym CharacterToLayoutKeysym(char32_t c);

// The keysym that types any printable code point, for a key bound to it alone; NoSymbol for
// control characters and values that are not code points.
KeySym CharacterToUnicodeKeysym(char32_t c);

}  // namespace vantaro::platform
