#pragma once
// Another client of a test's X display: paints the root window and moves the pointer. Header only;
// the test executable links xcb (through the platform library).

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace vantaro::testing {

class X11Painter {
 public:
  explicit X11Painter(const std::string& display)
      : connection_(xcb_connect(display.c_str(), nullptr)) {}
  ~X11Painter() { xcb_disconnect(connection_); }
  X11Painter(const X11Painter&) = delete;
  X11Painter& operator=(const X11Painter&) = delete;

  bool ok() const { return xcb_connection_has_error(connection_) == 0; }

  // The whole root window in one colour (0xRRGGBB on a 24-bit true-colour screen).
  void Fill(uint32_t rgb) {
    xcb_change_window_attributes(connection_, Root(), XCB_CW_BACK_PIXEL, &rgb);
    xcb_clear_area(connection_, 0, Root(), 0, 0, 0, 0);
    Sync();
  }
  // A filled rectangle drawn on the root window (0xRRGGBB).
  void FillRect(int16_t x, int16_t y, uint16_t width, uint16_t height, uint32_t rgb) {
    xcb_gcontext_t gc = xcb_generate_id(connection_);
    xcb_create_gc(connection_, gc, Root(), XCB_GC_FOREGROUND, &rgb);
    xcb_rectangle_t rect{x, y, width, height};
    xcb_poly_fill_rectangle(connection_, Root(), gc, 1, &rect);
    xcb_free_gc(connection_, gc);
    Sync();
  }
  void MovePointer(int16_t x, int16_t y) {
    xcb_warp_pointer(connection_, XCB_NONE, Root(), 0, 0, 0, 0, x, y);
    Sync();
  }

 private:
  xcb_window_t Root() { return xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root; }
  // A round trip: everything sent before has been carried out when it returns.
  void Sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  }

  xcb_connection_t* connection_;
};

}  // namespace vantaro::testing
