#include "platform/linux/x11_virtual_keys.h"

#include <X11/keysym.h>

namespace vantaro::platform {

namespace {

struct Punctuation {
  uint8_t virtualKey;
  KeySym keysym;
};

// The punctuation keys are named by what they carry on a US keyboard; on other layouts the same
// virtual key means the key that carries that keysym there.
constexpr Punctuation kPunctuation[] = {
    {0xBA, XK_semicolon}, {0xBB, XK_equal},        {0xBC, XK_comma},      {0xBD, XK_minus},
    {0xBE, XK_period},    {0xBF, XK_slash},        {0xC0, XK_grave},      {0xDB, XK_bracketleft},
    {0xDC, XK_backslash}, {0xDD, XK_bracketright}, {0xDE, XK_apostrophe},
};

}  // namespace

KeySym VirtualKeyToKeysym(uint8_t vk) {
  if (vk >= 0x30 && vk <= 0x39) return XK_0 + (vk - 0x30);
  if (vk >= 0x41 && vk <= 0x5A) return XK_a + (vk - 0x41);
  if (vk >= 0x70 && vk <= 0x87) return XK_F1 + (vk - 0x70);  // F1 .. F24; 0x81 is F18
  switch (vk) {
    case 0x08:
      return XK_BackSpace;
    case 0x09:
      return XK_Tab;
    case 0x0C:
      return XK_Clear;
    case 0x0D:
      return XK_Return;
    case 0x10:
      return XK_Shift_L;
    case 0x11:
      return XK_Control_L;
    case 0x12:
      return XK_Alt_L;
    case 0x13:
      return XK_Pause;
    case 0x14:
      return XK_Caps_Lock;
    case 0x1B:
      return XK_Escape;
    case 0x20:
      return XK_space;
    case 0x21:
      return XK_Prior;
    case 0x22:
      return XK_Next;
    case 0x23:
      return XK_End;
    case 0x24:
      return XK_Home;
    case 0x25:
      return XK_Left;
    case 0x26:
      return XK_Up;
    case 0x27:
      return XK_Right;
    case 0x28:
      return XK_Down;
    case 0x2D:
      return XK_Insert;
    case 0x2E:
      return XK_Delete;
    case 0x5B:
      return XK_Super_L;
    case 0x5C:
      return XK_Super_R;
    default:
      break;
  }
  for (const Punctuation& p : kPunctuation) {
    if (p.virtualKey == vk) return p.keysym;
  }
  return NoSymbol;
}

bool IsCharacterVirtualKey(uint8_t vk) {
  if ((vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A)) return true;
  if (vk == 0x08 || vk == 0x09 || vk == 0x0D || vk == 0x20) return true;
  for (const Punctuation& p : kPunctuation) {
    if (p.virtualKey == vk) return true;
  }
  return false;
}

KeySym CharacterToLayoutKeysym(char32_t c) {
  // Latin-1 keysyms are the code points themselves.
  if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)) return static_cast<KeySym>(c);
  switch (c) {
    case 0x08:
      return XK_BackSpace;
    case 0x09:
      return XK_Tab;
    case 0x0A:
    case 0x0D:
      return XK_Return;
    case 0x1B:
      return XK_Escape;
    case 0x7F:
      return XK_Delete;
    default:
      return NoSymbol;
  }
}

KeySym CharacterToUnicodeKeysym(char32_t c) {
  if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)) return static_cast<KeySym>(c);
  if (c < 0x100 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return NoSymbol;
  // Keysyms of the form 0x01000000 + code point stand for any Unicode character.
  return static_cast<KeySym>(0x01000000 + c);
}

}  // namespace vantaro::platform
