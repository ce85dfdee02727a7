#include "platform/linux/x11_input_injector.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/linux/x11_virtual_keys.h"

namespace vantaro::platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Wheel units of one notch, and the most notches one turn may produce, so that a wild amount from
// the network cannot flood the display with clicks.
constexpr int kWheelNotch = 120;
constexpr int kMaxNotchesPerTurn = 50;
constexpr unsigned kButtonLeft = 1, kButtonRight = 3, kWheelUp = 4, kWheelDown = 5;

// Spare key codes kept bound to characters the layout lacks. Clients read the new binding of a key
// only after they see the key event, so a binding is kept a while and a key code is rebound only
// when it has not been used for kRebindAfter.
constexpr size_t kMaxSpareKeys = 8;
constexpr auto kRebindAfter = std::chrono::milliseconds(100);

// Xlib's default handler of a lost connection ends the process before a display's own exit
// handler can step in. The handler is process-wide: this one only returns, so that each display's
// exit handler decides (Xlib's default one still ends the process).
int OnIoError(Display*) { return 0; }

class NullInputInjector : public InputInjector {
 public:
  ScreenSize GetScreenSize() override { return {}; }
  std::optional<ScreenPoint> GetPointerPosition() override { return std::nullopt; }
  bool IsWindowAt(ScreenPoint) override { return false; }
  void SetPointerPosition(ScreenPoint) override {}
  void MoveNormalised(ScreenPoint) override {}
  void SetButton(MouseButton, bool) override {}
  void TurnWheel(int) override {}
  void SetKey(uint8_t, bool) override {}
  std::optional<LayoutKey> FindLayoutKey(char32_t) override { return std::nullopt; }
  void TypeCharacter(char32_t) override {}
  bool IsCapsLockOn() override { return false; }
};

class X11InputInjector : public InputInjector {
 public:
  explicit X11InputInjector(Display* display);
  ~X11InputInjector() override;
  X11InputInjector(const X11InputInjector&) = delete;
  X11InputInjector& operator=(const X11InputInjector&) = delete;

  ScreenSize GetScreenSize() override;
  std::optional<ScreenPoint> GetPointerPosition() override;
  bool IsWindowAt(ScreenPoint at) override;
  void SetPointerPosition(ScreenPoint at) override;
  void MoveNormalised(ScreenPoint normalised) override;
  void SetButton(MouseButton button, bool down) override;
  void TurnWheel(int amount) override;
  void SetKey(uint8_t virtualKey, bool down) override;
  std::optional<LayoutKey> FindLayoutKey(char32_t character) override;
  void TypeCharacter(char32_t character) override;
  bool IsCapsLockOn() override;

 private:
  struct SpareKey {
    KeyCode code = 0;
    KeySym bound = NoSymbol;
    int pressed = 0;  // presses not yet released; such a key is never rebound
    SteadyClock::time_point lastUse{};
  };

  bool Alive();
  static void OnConnectionLost(Display* display, void* self);
  void RefreshKeymapIfChanged();
  KeySym SymAt(KeyCode code, int column) const;
  int CurrentGroup();
  // The key code that carries `keysym` at the base or Shift level of the current group (or, when
  // `anyLevel`, anywhere); 0 when none does.
  KeyCode FindKeyCode(KeySym keysym, bool anyLevel, bool* shift = nullptr);
  // A key code for `keysym`: the layout's, or a spare one bound to it. 0 when none is free.
  KeyCode KeyCodeFor(KeySym keysym);
  SpareKey* BindSpareKey(KeySym keysym);
  void FindSpareKeys();
  void RestoreSpareKeys();
  void Flush();

  Display* display_;
  int screen_;
  Window root_;
  bool lost_ = false;
  int minKeyCode_ = 8;
  int maxKeyCode_ = 255;
  // The keyboard mapping, as fetched from the server; refetched when the server announces a change.
  std::vector<KeySym> keymap_;
  int symsPerCode_ = 0;
  bool keymapStale_ = true;
  bool spareKeysSearched_ = false;
  std::vector<SpareKey> spareKeys_;
  int wheelRemainder_ = 0;
};

X11InputInjector::X11InputInjector(Display* display)
    : display_(display), screen_(DefaultScreen(display)), root_(RootWindow(display, screen_)) {
  XSetIOErrorHandler(&OnIoError);
  XSetIOErrorExitHandler(display_, &X11InputInjector::OnConnectionLost, this);
  XDisplayKeycodes(display_, &minKeyCode_, &maxKeyCode_);
}

X11InputInjector::~X11InputInjector() {
  if (!lost_) {
    RestoreSpareKeys();
    XSync(display_, False);
  }
  // A lost connection is not closed: Xlib would block on it. Its memory is left to the process end.
  if (!lost_) XCloseDisplay(display_);
}

void X11InputInjector::OnConnectionLost(Display*, void* self) {
  // Returning instead of exiting keeps the program alive; the connection is unusable from here.
  auto* injector = static_cast<X11InputInjector*>(self);
  if (!injector->lost_)
    std::fprintf(stderr, "vantaro: lost the X display; remote input is disabled\n");
  injector->lost_ = true;
}

bool X11InputInjector::Alive() { return !lost_; }

void X11InputInjector::Flush() {
  if (Alive()) XFlush(display_);
}

ScreenSize X11InputInjector::GetScreenSize() {
  if (!Alive()) return {};
  Window root;
  int x, y;
  unsigned width = 0, height = 0, border, depth;
  if (!XGetGeometry(display_, root_, &root, &x, &y, &width, &height, &border, &depth) || lost_)
    return {};
  return {static_cast<int>(width), static_cast<int>(height)};
}

std::optional<ScreenPoint> X11InputInjector::GetPointerPosition() {
  if (!Alive()) return std::nullopt;
  Window root, child;
  int rootX, rootY, winX, winY;
  unsigned mask;
  if (!XQueryPointer(display_, root_, &root, &child, &rootX, &rootY, &winX, &winY, &mask) ||
      lost_) {
    return std::nullopt;  // the pointer is on another screen
  }
  return ScreenPoint{rootX, rootY};
}

bool X11InputInjector::IsWindowAt(ScreenPoint at) {
  if (!Alive()) return false;
  Window child = None;
  int x, y;
  if (!XTranslateCoordinates(display_, root_, root_, at.x, at.y, &x, &y, &child) || lost_)
    return false;
  return child != None;
}

void X11InputInjector::SetPointerPosition(ScreenPoint at) {
  if (!Alive()) return;
  XTestFakeMotionEvent(display_, screen_, at.x, at.y, CurrentTime);
  Flush();
}

void X11InputInjector::MoveNormalised(ScreenPoint normalised) {
  const ScreenSize screen = GetScreenSize();
  if (screen.width <= 0 || screen.height <= 0) return;
  // The smallest pixel p with p * 65535 / size >= n, which is the pixel the value was made from.
  auto toPixel = [](int n, int size) {
    const int64_t clamped = std::clamp<int64_t>(n, 0, 65535);
    return static_cast<int>(std::min<int64_t>((clamped * size + 65534) / 65535, size - 1));
  };
  SetPointerPosition({toPixel(normalised.x, screen.width), toPixel(normalised.y, screen.height)});
}

void X11InputInjector::SetButton(MouseButton button, bool down) {
  if (!Alive()) return;
  XTestFakeButtonEvent(display_, button == MouseButton::kLeft ? kButtonLeft : kButtonRight,
                       down ? True : False, CurrentTime);
  Flush();
}

void X11InputInjector::TurnWheel(int amount) {
  if (!Alive() || amount == 0) return;
  // X has whole wheel clicks only: carry parts of a notch over while the direction stays.
  if ((amount > 0) != (wheelRemainder_ > 0)) wheelRemainder_ = 0;
  const int64_t total = int64_t{wheelRemainder_} + amount;
  const int64_t notches = total / kWheelNotch;
  wheelRemainder_ = static_cast<int>(total - notches * kWheelNotch);
  const unsigned button = notches > 0 ? kWheelUp : kWheelDown;
  const int64_t clicks = std::min<int64_t>(notches < 0 ? -notches : notches, kMaxNotchesPerTurn);
  for (int64_t i = 0; i < clicks; ++i) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
  }
  Flush();
}

void X11InputInjector::RefreshKeymapIfChanged() {
  // Mapping changes reach this connection as events; nothing else is selected, so any event means
  // the keymap may have changed.
  while (Alive() && XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
    keymapStale_ = true;
  }
  if (!keymapStale_ || !Alive()) return;
  const int count = maxKeyCode_ - minKeyCode_ + 1;
  int perCode = 0;
  KeySym* syms = XGetKeyboardMapping(display_, static_cast<KeyCode>(minKeyCode_), count, &perCode);
  keymap_.clear();
  symsPerCode_ = 0;
  if (syms != nullptr) {
    keymap_.assign(syms, syms + static_cast<size_t>(count) * static_cast<size_t>(perCode));
    symsPerCode_ = perCode;
    XFree(syms);
  }
  keymapStale_ = false;
}

KeySym X11InputInjector::SymAt(KeyCode code, int column) const {
  if (code < minKeyCode_ || code > maxKeyCode_ || column < 0 || column >= symsPerCode_)
    return NoSymbol;
  return keymap_[static_cast<size_t>(code - minKeyCode_) * static_cast<size_t>(symsPerCode_) +
                 static_cast<size_t>(column)];
}

int X11InputInjector::CurrentGroup() {
  XkbStateRec state;
  if (XkbGetState(display_, XkbUseCoreKbd, &state) != Success) return 0;
  // The core mapping holds two groups in its first four columns.
  return state.group == 1 ? 1 : 0;
}

KeyCode X11InputInjector::FindKeyCode(KeySym keysym, bool anyLevel, bool* shift) {
  if (keysym == NoSymbol || symsPerCode_ == 0) return 0;
  const int base = 2 * CurrentGroup();
  for (int level = 0; level < 2; ++level) {
    for (int code = minKeyCode_; code <= maxKeyCode_; ++code) {
      if (SymAt(static_cast<KeyCode>(code), base + level) == keysym) {
        if (shift != nullptr) *shift = level == 1;
        return static_cast<KeyCode>(code);
      }
    }
  }
  if (!anyLevel) return 0;
  for (int code = minKeyCode_; code <= maxKeyCode_; ++code) {
    for (int column = 0; column < symsPerCode_; ++column) {
      if (SymAt(static_cast<KeyCode>(code), column) == keysym) return static_cast<KeyCode>(code);
    }
  }
  return 0;
}

void X11InputInjector::FindSpareKeys() {
  spareKeysSearched_ = true;
  // Unused key codes from the top of the range, where no physical key sends.
  for (int code = maxKeyCode_; code >= minKeyCode_ && spareKeys_.size() < kMaxSpareKeys; --code) {
    bool empty = true;
    for (int column = 0; column < symsPerCode_ && empty; ++column) {
      empty = SymAt(static_cast<KeyCode>(code), column) == NoSymbol;
    }
    if (empty) spareKeys_.push_back({static_cast<KeyCode>(code), NoSymbol, 0, {}});
  }
  if (spareKeys_.empty()) {
    std::fprintf(stderr,
                 "vantaro: no spare key code on the X display; characters outside the keyboard "
                 "layout cannot be typed\n");
  }
}

X11InputInjector::SpareKey* X11InputInjector::BindSpareKey(KeySym keysym) {
  if (!spareKeysSearched_) FindSpareKeys();
  SpareKey* chosen = nullptr;
  for (SpareKey& key : spareKeys_) {
    if (key.bound == keysym) return &key;
    if (key.pressed == 0 && (chosen == nullptr || key.lastUse < chosen->lastUse)) chosen = &key;
  }
  if (chosen == nullptr) return nullptr;
  const auto idle = SteadyClock::now() - chosen->lastUse;
  if (chosen->bound != NoSymbol && idle < kRebindAfter) {
    XSync(display_, False);
    std::this_thread::sleep_for(kRebindAfter - idle);
  }
  KeySym syms[2] = {keysym, keysym};  // the same at the Shift level, so held Shift changes nothing
  XChangeKeyboardMapping(display_, chosen->code, 2, syms, 1);
  chosen->bound = keysym;
  keymapStale_ = true;
  return chosen;
}

void X11InputInjector::RestoreSpareKeys() {
  for (SpareKey& key : spareKeys_) {
    if (key.bound == NoSymbol) continue;
    KeySym none[1] = {NoSymbol};
    XChangeKeyboardMapping(display_, key.code, 1, none, 1);
    key.bound = NoSymbol;
  }
}

KeyCode X11InputInjector::KeyCodeFor(KeySym keysym) {
  RefreshKeymapIfChanged();
  if (const KeyCode code = FindKeyCode(keysym, true)) return code;
  SpareKey* key = BindSpareKey(keysym);
  return key != nullptr ? key->code : 0;
}

void X11InputInjector::SetKey(uint8_t virtualKey, bool down) {
  if (!Alive()) return;
  const KeySym keysym = VirtualKeyToKeysym(virtualKey);
  if (keysym == NoSymbol) return;
  const KeyCode code = KeyCodeFor(keysym);
  if (code == 0) return;
  for (SpareKey& key : spareKeys_) {
    if (key.code != code) continue;
    key.pressed = down ? key.pressed + 1 : std::max(0, key.pressed - 1);
    key.lastUse = SteadyClock::now();
  }
  XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
  Flush();
}

std::optional<LayoutKey> X11InputInjector::FindLayoutKey(char32_t character) {
  if (!Alive()) return std::nullopt;
  const KeySym keysym = CharacterToLayoutKeysym(character);
  if (keysym == NoSymbol) return std::nullopt;
  RefreshKeymapIfChanged();
  bool shift = false;
  const KeyCode code = FindKeyCode(keysym, false, &shift);
  if (code == 0) return std::nullopt;
  // Answer with the virtual key that presses this same key code, so that SetKey reaches it.
  for (int vk = 0; vk < 256; ++vk) {
    const auto virtualKey = static_cast<uint8_t>(vk);
    if (!IsCharacterVirtualKey(virtualKey)) continue;
    if (FindKeyCode(VirtualKeyToKeysym(virtualKey), true) == code)
      return LayoutKey{virtualKey, shift};
  }
  return std::nullopt;
}

void X11InputInjector::TypeCharacter(char32_t character) {
  if (!Alive()) return;
  const KeySym keysym = CharacterToUnicodeKeysym(character);
  if (keysym == NoSymbol) return;
  RefreshKeymapIfChanged();
  SpareKey* key = BindSpareKey(keysym);
  if (key == nullptr) return;
  XTestFakeKeyEvent(display_, key->code, True, CurrentTime);
  XTestFakeKeyEvent(display_, key->code, False, CurrentTime);
  key->lastUse = SteadyClock::now();
  Flush();
}

bool X11InputInjector::IsCapsLockOn() {
  if (!Alive()) return false;
  const Atom capsLock = XInternAtom(display_, "Caps Lock", False);
  Bool on = False;
  if (XkbGetNamedIndicator(display_, capsLock, nullptr, &on, nullptr, nullptr)) return on == True;
  // Without such an indicator, the locked Lock modifier tells the same.
  XkbStateRec state;
  if (XkbGetState(display_, XkbUseCoreKbd, &state) != Success) return false;
  return (state.locked_mods & LockMask) != 0;
}

}  // namespace

std::unique_ptr<InputInjector> CreateX11InputInjector() {
  const char* name = std::getenv("DISPLAY");
  Display* display = (name != nullptr && *name != '\0') ? XOpenDisplay(nullptr) : nullptr;
  int eventBase, errorBase, major, minor;
  if (display != nullptr && !XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
    std::fprintf(stderr,
                 "vantaro: the X display has no XTest extension; remote input is disabled\n");
    XCloseDisplay(display);
    return std::make_unique<NullInputInjector>();
  }
  if (display == nullptr) {
    std::fprintf(
        stderr, "vantaro: no X display (DISPLAY unset or unreachable); remote input is disabled\n");
    return std::make_unique<NullInputInjector>();
  }
  return std::make_unique<X11InputInjector>(display);
}

}  // namespace vantaro::platform
