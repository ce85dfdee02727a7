// The primary screen through GDI: BitBlt with CAPTUREBLT (layered windows included) into a 32-bit
// top-down DIB section, and the cursor from GetCursorInfo drawn with DrawIconEx. The cursor is
// drawn twice, on black and on white, which gives its colour and its coverage even for the
// monochrome and inverting cursors that have no alpha channel of their own.

#include <windows.h>

#include <cstring>

#include "platform/windows/windows_factories.h"

namespace vantaro::platform {

namespace {

// A 32-bit top-down DIB section with a memory DC selected onto it.
struct DibSurface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;

  bool Create(HDC like, int w, int h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    dc = ::CreateCompatibleDC(like);
    bitmap = ::CreateDIBSection(like, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!dc || !bitmap) {
      Release();
      return false;
    }
    previous = ::SelectObject(dc, bitmap);
    bits = static_cast<uint8_t*>(pixels);
    width = w;
    height = h;
    return true;
  }
  void Release() {
    if (dc && previous) ::SelectObject(dc, previous);
    if (bitmap) ::DeleteObject(bitmap);
    if (dc) ::DeleteDC(dc);
    *this = DibSurface{};
  }
};

class GdiScreenSource : public ScreenSource {
 public:
  ~GdiScreenSource() override { Stop(); }

  bool Start(ScreenSize* size, std::string* error) override {
    Stop();
    int w = ::GetSystemMetrics(SM_CXSCREEN);
    int h = ::GetSystemMetrics(SM_CYSCREEN);
    screen_ = ::GetDC(nullptr);
    if (!screen_ || w <= 0 || h <= 0 || !frame_.Create(screen_, w, h)) {
      if (error) *error = "no screen to capture (GDI)";
      Stop();
      return false;
    }
    *size = ScreenSize{w, h};
    return true;
  }

  CaptureResult CaptureFrame(ScreenFrame* frame) override {
    if (!screen_) return CaptureResult::kPermanentFailure;
    if (!::BitBlt(frame_.dc, 0, 0, frame_.width, frame_.height, screen_, 0, 0,
                  SRCCOPY | CAPTUREBLT))
      return CaptureResult::kTemporaryFailure;  // the secure desktop, a mode change
    ::GdiFlush();
    frame->pixels = frame_.bits;
    frame->width = frame_.width;
    frame->height = frame_.height;
    frame->stride = frame_.width * 4;
    ReadCursor(&frame->cursor);
    return CaptureResult::kOk;
  }

  void Stop() override {
    frame_.Release();
    black_.Release();
    white_.Release();
    if (screen_) ::ReleaseDC(nullptr, screen_);
    screen_ = nullptr;
  }

 private:
  void ReadCursor(CursorImage* cursor) {
    cursor->visible = false;
    CURSORINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetCursorInfo(&info) || !(info.flags & CURSOR_SHOWING)) return;
    HCURSOR shape = info.hCursor ? info.hCursor : ::LoadCursorW(nullptr, IDC_ARROW);
    ICONINFO icon{};
    if (!::GetIconInfo(shape, &icon)) return;
    BITMAP mask{};
    ::GetObjectW(icon.hbmMask, sizeof(mask), &mask);
    int w = mask.bmWidth;
    // A monochrome cursor's mask holds the AND and the XOR halves one above the other.
    int h = icon.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
    cursor->hotX = static_cast<int32_t>(icon.xHotspot);
    cursor->hotY = static_cast<int32_t>(icon.yHotspot);
    if (icon.hbmMask) ::DeleteObject(icon.hbmMask);
    if (icon.hbmColor) ::DeleteObject(icon.hbmColor);
    if (w <= 0 || h <= 0 || w > 256 || h > 256) return;
    if (black_.width != w || black_.height != h) {
      black_.Release();
      white_.Release();
      if (!black_.Create(screen_, w, h) || !white_.Create(screen_, w, h)) return;
    }
    std::memset(black_.bits, 0x00, static_cast<size_t>(w) * h * 4);
    std::memset(white_.bits, 0xff, static_cast<size_t>(w) * h * 4);
    ::DrawIconEx(black_.dc, 0, 0, shape, 0, 0, 0, nullptr, DI_NORMAL | DI_COMPAT);
    ::DrawIconEx(white_.dc, 0, 0, shape, 0, 0, 0, nullptr, DI_NORMAL | DI_COMPAT);
    ::GdiFlush();
    cursor->width = w;
    cursor->height = h;
    cursor->x = info.ptScreenPos.x;
    cursor->y = info.ptScreenPos.y;
    cursor->argb.resize(static_cast<size_t>(w) * h);
    const auto* onBlack = reinterpret_cast<const uint32_t*>(black_.bits);
    const auto* onWhite = reinterpret_cast<const uint32_t*>(white_.bits);
    for (size_t i = 0; i < cursor->argb.size(); ++i) {
      // Over black the result is the premultiplied colour; the difference to the result over
      // white is how much of the background shows through. An inverting pixel shows more
      // than all of it and is taken as transparent.
      uint32_t b = onBlack[i] & 0xffffff, wh = onWhite[i] & 0xffffff;
      int showBlue = static_cast<int>(wh & 0xff) - static_cast<int>(b & 0xff);
      int showGreen = static_cast<int>((wh >> 8) & 0xff) - static_cast<int>((b >> 8) & 0xff);
      int showRed = static_cast<int>((wh >> 16) & 0xff) - static_cast<int>((b >> 16) & 0xff);
      int show = (showBlue + showGreen + showRed) / 3;
      int alpha = show < 0 ? 0 : 255 - show;
      cursor->argb[i] = alpha == 0 ? 0 : (static_cast<uint32_t>(alpha) << 24) | b;
    }
    cursor->visible = true;
  }

  HDC screen_ = nullptr;
  DibSurface frame_;
  DibSurface black_;  // cursor scratch images, kept while the cursor keeps its size
  DibSurface white_;
};

}  // namespace

std::unique_ptr<ScreenSource> CreateGdiScreenSource() { return std::make_unique<GdiScreenSource>(); }

}  // namespace vantaro::platform
