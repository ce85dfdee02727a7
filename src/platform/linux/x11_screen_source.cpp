#include "platform/linux/x11_screen_source.h"

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/damage.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vantaro::platform {

namespace {

// Neither DAMAGE nor XFixes reports pointer motion, so the pointer is asked for at this period
// while the screen is unchanged: a move shows within about one frame of the default cap, at one
// round trip each, some 60 a second.
constexpr int kPointerCheckMs = 16;

struct Segment {
  int id = -1;
  uint8_t* address = nullptr;
  xcb_shm_seg_t xid = 0;
  bool attached = false;
};

struct Point {
  int32_t x = -1;
  int32_t y = -1;
  bool operator!=(const Point& other) const { return x != other.x || y != other.y; }
};

class X11ScreenSource : public ScreenSource {
 public:
  ~X11ScreenSource() override { Stop(); }

  bool Start(ScreenSize* size, std::string* error) override;
  CaptureResult CaptureFrame(ScreenFrame* frame) override;
  bool WatchesChanges() const override { return damage_ != 0; }
  ChangeResult WaitForChange(int timeoutMs) override;
  void Stop() override;

 private:
  bool CheckDepth(xcb_screen_t* screen, std::string* error);
  bool SetUpSharedMemory();
  void WatchChanges();
  // Takes the queued X events; true when one of them reports a change.
  bool TakeEvents(bool readSocket);
  bool QueryPointer(Point* at);
  CaptureResult Collect(xcb_shm_get_image_cookie_t shm, xcb_get_image_cookie_t image,
                        xcb_xfixes_get_cursor_image_cookie_t cursor, ScreenFrame* frame);
  void ReadCursor(xcb_xfixes_get_cursor_image_cookie_t cookie, CursorImage* cursor);

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  size_t frameBytes_ = 0;
  bool useShm_ = false;
  bool haveXFixes_ = false;
  Segment segment_;
  std::vector<uint8_t> copy_;  // the picture when shared memory is not available
  // Change watching: the damage object (0 without DAMAGE), the first event codes of the two
  // extensions, whether a change was reported since the last capture, and the pointer then.
  xcb_damage_damage_t damage_ = 0;
  uint8_t damageEvent_ = 0;
  uint8_t cursorEvent_ = 0;
  bool changed_ = true;
  Point pointerAtCapture_;
};

bool X11ScreenSource::Start(ScreenSize* size, std::string* error) {
  Stop();
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    if (error) *error = "DISPLAY is not set";
    return false;
  }
  int screenNumber = 0;
  connection_ = xcb_connect(display, &screenNumber);
  if (xcb_connection_has_error(connection_)) {
    if (error) *error = std::string("cannot open display ") + display;
    Stop();
    return false;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
  for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
  if (it.rem == 0) {
    if (error) *error = "the display has no such screen";
    Stop();
    return false;
  }
  if (!CheckDepth(it.data, error)) {
    Stop();
    return false;
  }
  root_ = it.data->root;
  width_ = it.data->width_in_pixels;
  height_ = it.data->height_in_pixels;
  frameBytes_ = static_cast<size_t>(width_) * height_ * 4;

  const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(connection_, &xcb_xfixes_id);
  if (fixes != nullptr && fixes->present) {
    // XFixes answers cursor requests only after the client has said which version it speaks.
    xcb_xfixes_query_version_reply_t* version = xcb_xfixes_query_version_reply(
        connection_, xcb_xfixes_query_version(connection_, 4, 0), nullptr);
    haveXFixes_ = version != nullptr && version->major_version >= 1;
    std::free(version);
    cursorEvent_ = static_cast<uint8_t>(fixes->first_event + XCB_XFIXES_CURSOR_NOTIFY);
  }
  useShm_ = SetUpSharedMemory();
  WatchChanges();
  size->width = width_;
  size->height = height_;
  return true;
}

bool X11ScreenSource::CheckDepth(xcb_screen_t* screen, std::string* error) {
  // The conversion reads blue, green and red bytes of 32-bit pixels.
  bool thirtyTwoBits = false;
  xcb_format_iterator_t formats = xcb_setup_pixmap_formats_iterator(xcb_get_setup(connection_));
  for (; formats.rem > 0; xcb_format_next(&formats)) {
    if (formats.data->depth == screen->root_depth && formats.data->bits_per_pixel == 32)
      thirtyTwoBits = true;
  }
  if (!thirtyTwoBits || (screen->root_depth != 24 && screen->root_depth != 32)) {
    if (error) *error = "the display's depth is not 24 or 32 bits";
    return false;
  }
  return true;
}

bool X11ScreenSource::SetUpSharedMemory() {
  const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection_, &xcb_shm_id);
  if (shm == nullptr || !shm->present) return false;
  Segment& s = segment_;
  s.id = shmget(IPC_PRIVATE, frameBytes_, IPC_CREAT | 0600);
  if (s.id < 0) return false;
  void* address = shmat(s.id, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(s.id, IPC_RMID, nullptr);
    s.id = -1;
    return false;
  }
  s.address = static_cast<uint8_t*>(address);
  s.xid = xcb_generate_id(connection_);
  xcb_generic_error_t* failure =
      xcb_request_check(connection_, xcb_shm_attach_checked(connection_, s.xid, s.id, 0));
  // Marked for removal at once: the segment goes away with the last detach, even after a crash.
  shmctl(s.id, IPC_RMID, nullptr);
  if (failure != nullptr) {
    std::free(failure);
    return false;
  }
  s.attached = true;
  return true;
}

void X11ScreenSource::WatchChanges() {
  changed_ = true;
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(connection_, &xcb_damage_id);
  xcb_damage_query_version_reply_t* version = nullptr;
  if (ext != nullptr && ext->present)
    version = xcb_damage_query_version_reply(connection_,
                                             xcb_damage_query_version(connection_, 1, 1), nullptr);
  if (version == nullptr) {
    std::fprintf(stderr,
                 "remote desktop: the X server has no DAMAGE extension; every frame is captured\n");
    return;
  }
  std::free(version);
  damageEvent_ = static_cast<uint8_t>(ext->first_event + XCB_DAMAGE_NOTIFY);
  damage_ = xcb_generate_id(connection_);
  // One event when the damage turns non-empty, then silence until the capture subtracts it: an
  // animated screen costs one event per frame, not one per drawing request.
  xcb_damage_create(connection_, damage_, root_, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
  if (haveXFixes_)
    xcb_xfixes_select_cursor_input(connection_, root_,
                                   XCB_XFIXES_CURSOR_NOTIFY_MASK_DISPLAY_CURSOR);
  xcb_flush(connection_);
}

bool X11ScreenSource::TakeEvents(bool readSocket) {
  bool change = false;
  for (;;) {
    xcb_generic_event_t* event =
        readSocket ? xcb_poll_for_event(connection_) : xcb_poll_for_queued_event(connection_);
    if (event == nullptr) return change;
    uint8_t type = event->response_type & 0x7f;
    if ((damage_ != 0 && type == damageEvent_) || (haveXFixes_ && type == cursorEvent_))
      change = true;
    std::free(event);
  }
}

bool X11ScreenSource::QueryPointer(Point* at) {
  xcb_query_pointer_reply_t* reply =
      xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, root_), nullptr);
  if (reply == nullptr) return false;
  *at = {reply->root_x, reply->root_y};
  std::free(reply);
  return true;
}

ChangeResult X11ScreenSource::WaitForChange(int timeoutMs) {
  if (connection_ == nullptr || xcb_connection_has_error(connection_))
    return ChangeResult::kFailure;
  if (damage_ == 0) return ChangeResult::kChanged;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    Point pointer;
    bool answered = QueryPointer(&pointer);
    // The pointer's reply may have brought events along into the queue, where poll() would not
    // see them.
    if (TakeEvents(true)) changed_ = true;
    if (xcb_connection_has_error(connection_)) return ChangeResult::kFailure;
    if (changed_ || (answered && pointer != pointerAtCapture_)) return ChangeResult::kChanged;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) return ChangeResult::kUnchanged;
    pollfd p{xcb_get_file_descriptor(connection_), POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(std::min<long long>(left, kPointerCheckMs)));
  }
}

void X11ScreenSource::ReadCursor(xcb_xfixes_get_cursor_image_cookie_t cookie, CursorImage* cursor) {
  *cursor = CursorImage{};
  if (!haveXFixes_) return;
  xcb_xfixes_get_cursor_image_reply_t* reply =
      xcb_xfixes_get_cursor_image_reply(connection_, cookie, nullptr);
  if (reply == nullptr) return;
  int count = xcb_xfixes_get_cursor_image_cursor_image_length(reply);
  size_t expected = static_cast<size_t>(reply->width) * reply->height;
  if (count >= 0 && static_cast<size_t>(count) >= expected && expected > 0) {
    const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(reply);
    cursor->visible = true;
    cursor->x = reply->x;
    cursor->y = reply->y;
    cursor->hotX = reply->xhot;
    cursor->hotY = reply->yhot;
    cursor->width = reply->width;
    cursor->height = reply->height;
    cursor->argb.assign(pixels, pixels + expected);
  }
  std::free(reply);
}

CaptureResult X11ScreenSource::Collect(xcb_shm_get_image_cookie_t shm, xcb_get_image_cookie_t image,
                                       xcb_xfixes_get_cursor_image_cookie_t cursor,
                                       ScreenFrame* frame) {
  xcb_generic_error_t* failure = nullptr;
  bool ok = false;
  if (useShm_) {
    xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(connection_, shm, &failure);
    ok = reply != nullptr;
    std::free(reply);
    frame->pixels = segment_.address;
  } else {
    xcb_get_image_reply_t* reply = xcb_get_image_reply(connection_, image, &failure);
    if (reply != nullptr && static_cast<size_t>(xcb_get_image_data_length(reply)) >= frameBytes_) {
      const uint8_t* data = xcb_get_image_data(reply);
      copy_.assign(data, data + frameBytes_);
      ok = true;
    }
    std::free(reply);
    frame->pixels = copy_.data();
  }
  std::free(failure);
  ReadCursor(cursor, &frame->cursor);
  if (xcb_connection_has_error(connection_)) return CaptureResult::kPermanentFailure;
  if (!ok) return CaptureResult::kTemporaryFailure;
  frame->width = width_;
  frame->height = height_;
  frame->stride = width_ * 4;
  return CaptureResult::kOk;
}

CaptureResult X11ScreenSource::CaptureFrame(ScreenFrame* frame) {
  if (connection_ == nullptr || xcb_connection_has_error(connection_))
    return CaptureResult::kPermanentFailure;
  // The picture is asked for at the call, not ahead of it: a picture taken earlier would reach
  // the device older by the time it waited. The damage is reset before the picture is taken, so
  // that whatever is drawn from here on is reported as a change after it.
  if (damage_ != 0) {
    TakeEvents(true);
    xcb_damage_subtract(connection_, damage_, XCB_NONE, XCB_NONE);
  }
  changed_ = false;
  xcb_shm_get_image_cookie_t shm{};
  xcb_get_image_cookie_t image{};
  const uint16_t w = static_cast<uint16_t>(width_), h = static_cast<uint16_t>(height_);
  if (useShm_)
    shm = xcb_shm_get_image(connection_, root_, 0, 0, w, h, ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                            segment_.xid, 0);
  else
    image = xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, 0, 0, w, h, ~0u);
  xcb_xfixes_get_cursor_image_cookie_t cursor{};
  if (haveXFixes_) cursor = xcb_xfixes_get_cursor_image(connection_);
  xcb_query_pointer_cookie_t pointer = xcb_query_pointer(connection_, root_);
  CaptureResult result = Collect(shm, image, cursor, frame);
  xcb_query_pointer_reply_t* at = xcb_query_pointer_reply(connection_, pointer, nullptr);
  if (at != nullptr) pointerAtCapture_ = {at->root_x, at->root_y};
  std::free(at);
  if (result != CaptureResult::kOk) changed_ = true;  // a failed capture leaves a change to send
  return result;
}

void X11ScreenSource::Stop() {
  if (connection_ != nullptr) {
    if (damage_ != 0) xcb_damage_destroy(connection_, damage_);
    if (segment_.attached) xcb_shm_detach(connection_, segment_.xid);
    xcb_flush(connection_);
    xcb_disconnect(connection_);
    connection_ = nullptr;
  }
  if (segment_.address != nullptr) shmdt(segment_.address);
  segment_ = Segment{};
  useShm_ = false;
  haveXFixes_ = false;
  damage_ = 0;
  changed_ = true;
  pointerAtCapture_ = Point{};
  copy_.clear();
}

}  // namespace

std::unique_ptr<ScreenSource> CreateX11ScreenSource() {
  return std::make_unique<X11ScreenSource>();
}

}  // namespace vantaro::platform
