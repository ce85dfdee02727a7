#pragma once
// The picture of the primary screen and of the mouse cursor, one frame at a time.
//
// Started once per stream (Start reads the screen size again, so a change of resolution between
// two streams is seen), then asked for frames until Stop. All calls come from one thread at a
// time: Start from the control thread before the stream thread exists, CaptureFrame and Stop from
// the stream thread (or from the control thread after the stream thread was joined).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/screen_size.h"

namespace vantaro::platform {

// The cursor as the system draws it: premultiplied ARGB pixels (alpha in bits 24..31, then red,
// green, blue), `width` * `height` of them, row by row.
struct CursorImage {
  bool visible = false;
  int32_t x = 0;  // pointer position on the screen
  int32_t y = 0;
  int32_t hotX = 0;  // hotspot within the image
  int32_t hotY = 0;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> argb;
};

// One screen picture: 32-bit pixels, blue in byte 0, green in 1, red in 2, byte 3 ignored.
// `pixels` stays valid until the next CaptureFrame or Stop.
struct ScreenFrame {
  const uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;  // bytes from one row to the next
  CursorImage cursor;
};

enum class ChangeResult {
  kChanged,    // the picture or the cursor changed (or the source cannot tell)
  kUnchanged,  // nothing changed within the time given
  kFailure,    // the source is gone; CaptureFrame will say so
};

enum class CaptureResult {
  kOk,
  kTemporaryFailure,  // this frame failed; the next call may succeed
  kPermanentFailure,  // the source is gone (display closed); stop asking
};

class ScreenSource {
 public:
  virtual ~ScreenSource() = default;
  // Connects to the screen and reads its size. False when there is no usable screen, with the
  // reason in `error` (one line).
  virtual bool Start(ScreenSize* size, std::string* error) = 0;
  // Fills `frame` with the picture of the screen as it is at the call.
  virtual CaptureResult CaptureFrame(ScreenFrame* frame) = 0;
  // Whether WaitForChange can tell that nothing changed. Valid after Start.
  virtual bool WatchesChanges() const { return false; }
  // Waits at most `timeoutMs` until the screen's content, the cursor's shape or its position
  // changed since the picture of the last CaptureFrame was taken (before the first capture:
  // kChanged). A source that cannot tell reports kChanged at once.
  virtual ChangeResult WaitForChange(int timeoutMs) {
    (void)timeoutMs;
    return ChangeResult::kChanged;
  }
  // Releases the connection and the buffers; Start may be called again afterwards.
  virtual void Stop() = 0;
};

}  // namespace vantaro::platform
