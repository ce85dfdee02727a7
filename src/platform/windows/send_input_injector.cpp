// Input through SendInput: the pointer by absolute moves, keys by virtual key with their scan
// codes (some programs read only those), and text as KEYEVENTF_UNICODE key events, which type any
// character whatever the layout and the held modifiers.

#include <windows.h>

#include <algorithm>

#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

namespace {

// At most this many notches per turn, so that a wild amount from the network cannot flood the
// focused window with wheel messages.
constexpr int kMaxWheel = 50 * WHEEL_DELTA;

// Keys whose scan codes have the E0 prefix: without the extended flag, the arrows would arrive
// as the keypad's.
bool IsExtendedKey(uint8_t vk) {
  switch (vk) {
    case VK_RMENU: case VK_RCONTROL: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END: case VK_INSERT: case VK_DELETE:
    case VK_DIVIDE: case VK_NUMLOCK: case VK_LWIN: case VK_RWIN: case VK_APPS: case VK_SNAPSHOT:
      return true;
  }
  return false;
}

void Send(INPUT* inputs, UINT count) { ::SendInput(count, inputs, sizeof(INPUT)); }

INPUT MouseInput(DWORD flags, LONG dx = 0, LONG dy = 0, DWORD data = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = dx;
  in.mi.dy = dy;
  in.mi.mouseData = data;
  in.mi.dwFlags = flags;
  return in;
}

INPUT KeyInput(WORD vk, WORD scan, DWORD flags) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = scan;
  in.ki.dwFlags = flags;
  return in;
}

class SendInputInjector : public InputInjector {
 public:
  ScreenSize GetScreenSize() override {
    return ScreenSize{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }

  std::optional<ScreenPoint> GetPointerPosition() override {
    POINT p;
    if (!::GetCursorPos(&p)) return std::nullopt;
    return ScreenPoint{p.x, p.y};
  }

  bool IsWindowAt(ScreenPoint at) override {
    HWND w = ::WindowFromPoint(POINT{at.x, at.y});
    if (!w) return false;
    HWND top = ::GetAncestor(w, GA_ROOT);
    return top && top != ::GetDesktopWindow() && top != ::GetShellWindow();
  }

  void SetPointerPosition(ScreenPoint at) override { MoveToPixel(at.x, at.y); }

  void MoveNormalised(ScreenPoint normalised) override {
    ScreenSize size = GetScreenSize();
    if (size.width <= 0 || size.height <= 0) return;
    // The pixel whose normalised value x * 65535 / width, truncated, is the given one.
    auto pixel = [](int n, int extent) {
      int64_t p = (int64_t{std::clamp(n, 0, 65535)} * extent + 65534) / 65535;
      return static_cast<int>(std::min<int64_t>(p, extent - 1));
    };
    MoveToPixel(pixel(normalised.x, size.width), pixel(normalised.y, size.height));
  }

  void SetButton(MouseButton button, bool down) override {
    DWORD flag = button == MouseButton::kLeft ? (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)
                                              : (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
    INPUT in = MouseInput(flag);
    Send(&in, 1);
  }

  void TurnWheel(int amount) override {
    // Windows itself carries parts of a notch over to the next turn.
    amount = std::clamp(amount, -kMaxWheel, kMaxWheel);
    if (amount == 0) return;
    INPUT in = MouseInput(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(amount));
    Send(&in, 1);
  }

  void SetKey(uint8_t virtualKey, bool down) override {
    if (virtualKey == 0) return;
    WORD scan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    DWORD flags = (down ? 0 : KEYEVENTF_KEYUP) | (IsExtendedKey(virtualKey) ? KEYEVENTF_EXTENDEDKEY : 0);
    INPUT in = KeyInput(virtualKey, scan, flags);
    Send(&in, 1);
  }

  std::optional<LayoutKey> FindLayoutKey(char32_t character) override {
    if (character >= 0x100) return std::nullopt;
    SHORT r = ::VkKeyScanW(static_cast<wchar_t>(character));
    if (r == -1) return std::nullopt;
    int shiftState = (r >> 8) & 0xff;
    if (shiftState & ~1) return std::nullopt;  // needs Control or Alt: not the base or Shift level
    return LayoutKey{static_cast<uint8_t>(r & 0xff), shiftState == 1};
  }

  void TypeCharacter(char32_t character) override {
    if (character == 0 || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
      return;
    WORD units[2];
    int n = 1;
    if (character >= 0x10000) {
      char32_t v = character - 0x10000;
      units[0] = static_cast<WORD>(0xD800 + (v >> 10));
      units[1] = static_cast<WORD>(0xDC00 + (v & 0x3FF));
      n = 2;
    } else {
      units[0] = static_cast<WORD>(character);
    }
    INPUT in[4];
    int count = 0;
    for (int i = 0; i < n; ++i) in[count++] = KeyInput(0, units[i], KEYEVENTF_UNICODE);
    for (int i = 0; i < n; ++i) in[count++] = KeyInput(0, units[i], KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
    Send(in, static_cast<UINT>(count));
  }

  bool IsCapsLockOn() override { return (::GetKeyState(VK_CAPITAL) & 1) != 0; }

 private:
  void MoveToPixel(int x, int y) {
    ScreenSize size = GetScreenSize();
    if (size.width <= 0 || size.height <= 0) return;
    x = std::clamp(x, 0, size.width - 1);
    y = std::clamp(y, 0, size.height - 1);
    // Windows maps an absolute value a to pixel a * extent / 65536: the smallest a for pixel x.
    auto absolute = [](int p, int extent) {
      return static_cast<LONG>((int64_t{p} * 65536 + extent - 1) / extent);
    };
    INPUT in = MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, absolute(x, size.width),
                          absolute(y, size.height));
    Send(&in, 1);
  }
};

}  // namespace

std::unique_ptr<InputInjector> CreateSendInputInjector() {
  return std::make_unique<SendInputInjector>();
}

}  // namespace vantaro::platform
