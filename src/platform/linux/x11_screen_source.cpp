#include "platform/linux/x11_screen_source.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace vantaro::platform {

namespace {

// Two shared segments: while the caller converts the picture in one, the X server already copies
// the next picture into the other, so most of the copy is hidden behind the caller's work.
constexpr int kSegments = 2;

struct Segment {
  int id = -1;
  uint8_t* address = nullptr;
  xcb_shm_seg_t xid = 0;
  bool attached = false;
};

class X11ScreenSource : public ScreenSource {
 public:
  ~X11ScreenSource() override { Stop(); }

  bool Start(ScreenSize* size, std::string* error) override;
  CaptureResult CaptureFrame(ScreenFrame* frame) override;
  void Stop() override;

 private:
  bool SetUpSharedMemory();
  void Request(int segment);
  CaptureResult Collect(int segment, ScreenFrame* frame);
  void ReadCursor(CursorImage* cursor);

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  size_t frameBytes_ = 0;
  bool useShm_ = false;
  bool haveXFixes_ = false;
  Segment segments_[kSegments];
  // The request in flight: which segment it fills, and its cookies.
  bool pending_ = false;
  int pendingSegment_ = 0;
  xcb_shm_get_image_cookie_t shmCookie_{};
  xcb_get_image_cookie_t imageCookie_{};
  xcb_xfixes_get_cursor_image_cookie_t cursorCookie_{};
  std::vector<uint8_t> copy_;  // the picture when shared memory is not available
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
  xcb_screen_t* screen = it.data;
  // The conversion reads blue, green and red bytes of 32-bit pixels.
  bool thirtyTwoBits = false;
  xcb_format_iterator_t formats = xcb_setup_pixmap_formats_iterator(xcb_get_setup(connection_));
  for (; formats.rem > 0; xcb_format_next(&formats)) {
    if (formats.data->depth == screen->root_depth && formats.data->bits_per_pixel == 32)
      thirtyTwoBits = true;
  }
  if (!thirtyTwoBits || (screen->root_depth != 24 && screen->root_depth != 32)) {
    if (error) *error = "the display's depth is not 24 or 32 bits";
    Stop();
    return false;
  }
  root_ = screen->root;
  width_ = screen->width_in_pixels;
  height_ = screen->height_in_pixels;
  frameBytes_ = static_cast<size_t>(width_) * height_ * 4;

  const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(connection_, &xcb_xfixes_id);
  if (fixes != nullptr && fixes->present) {
    // XFixes answers cursor requests only after the client has said which version it speaks.
    xcb_xfixes_query_version_reply_t* version = xcb_xfixes_query_version_reply(
        connection_, xcb_xfixes_query_version(connection_, 4, 0), nullptr);
    haveXFixes_ = version != nullptr && version->major_version >= 1;
    std::free(version);
  }
  useShm_ = SetUpSharedMemory();
  size->width = width_;
  size->height = height_;
  return true;
}

bool X11ScreenSource::SetUpSharedMemory() {
  const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection_, &xcb_shm_id);
  if (shm == nullptr || !shm->present) return false;
  for (Segment& s : segments_) {
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
  }
  return true;
}

void X11ScreenSource::Request(int segment) {
  if (useShm_) {
    shmCookie_ = xcb_shm_get_image(connection_, root_, 0, 0, static_cast<uint16_t>(width_),
                                   static_cast<uint16_t>(height_), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                   segments_[segment].xid, 0);
  } else {
    imageCookie_ = xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, 0, 0,
                                 static_cast<uint16_t>(width_), static_cast<uint16_t>(height_),
                                 ~0u);
  }
  if (haveXFixes_) cursorCookie_ = xcb_xfixes_get_cursor_image(connection_);
  xcb_flush(connection_);
  pending_ = true;
  pendingSegment_ = segment;
}

void X11ScreenSource::ReadCursor(CursorImage* cursor) {
  *cursor = CursorImage{};
  if (!haveXFixes_) return;
  xcb_xfixes_get_cursor_image_reply_t* reply =
      xcb_xfixes_get_cursor_image_reply(connection_, cursorCookie_, nullptr);
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

CaptureResult X11ScreenSource::Collect(int segment, ScreenFrame* frame) {
  xcb_generic_error_t* failure = nullptr;
  bool ok = false;
  if (useShm_) {
    xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(connection_, shmCookie_, &failure);
    ok = reply != nullptr;
    std::free(reply);
    frame->pixels = segments_[segment].address;
  } else {
    xcb_get_image_reply_t* reply = xcb_get_image_reply(connection_, imageCookie_, &failure);
    if (reply != nullptr && static_cast<size_t>(xcb_get_image_data_length(reply)) >= frameBytes_) {
      const uint8_t* data = xcb_get_image_data(reply);
      copy_.assign(data, data + frameBytes_);
      ok = true;
    }
    std::free(reply);
    frame->pixels = copy_.data();
  }
  std::free(failure);
  ReadCursor(&frame->cursor);
  pending_ = false;
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
  if (!pending_) Request(0);
  int current = pendingSegment_;
  CaptureResult result = Collect(current, frame);
  // Without shared memory the picture was copied out, so the next request may start at once too.
  if (result != CaptureResult::kPermanentFailure) Request(useShm_ ? 1 - current : 0);
  return result;
}

void X11ScreenSource::Stop() {
  if (connection_ != nullptr) {
    if (pending_ && !xcb_connection_has_error(connection_)) {
      // Let the X server finish writing into the segment before it is detached.
      ScreenFrame ignored;
      Collect(pendingSegment_, &ignored);
    }
    for (Segment& s : segments_) {
      if (s.attached) xcb_shm_detach(connection_, s.xid);
    }
    xcb_flush(connection_);
    xcb_disconnect(connection_);
    connection_ = nullptr;
  }
  for (Segment& s : segments_) {
    if (s.address != nullptr) shmdt(s.address);
    s = Segment{};
  }
  pending_ = false;
  useShm_ = false;
  haveXFixes_ = false;
  copy_.clear();
}

}  // namespace

std::unique_ptr<ScreenSource> CreateX11ScreenSource() {
  return std::make_unique<X11ScreenSource>();
}

}  // namespace vantaro::platform
