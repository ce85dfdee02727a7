#pragma once
// The Settings page's vertical scrolling of the General page, in units of 30 pixels.
// Toolkit-neutral; user-interface thread only.

namespace vantaro::ui {

enum class ScrollCode { kLineUp, kLineDown, kPageUp, kPageDown, kTop, kBottom, kThumbPosition,
                        kThumbTrack, kOther };

class ScrollModel {
 public:
  static constexpr int kUnitPixels = 30;
  // The visible height that needs no scrolling.
  static constexpr int kVisibleHeight = 335;

  // `generalHeight`: the General page's full height. A page no taller than kVisibleHeight leaves
  // nothing to scroll.
  explicit ScrollModel(int generalHeight);

  // Applies a scroll-bar action; returns the change of the position in units (0 when none).
  int OnVScroll(ScrollCode code, int thumbPos);
  // The wheel, only while the General page is shown: up scrolls a line up, down a line down.
  int OnMouseWheel(int delta, bool generalSubPageShown);

  int scrollPos() const { return scrollPos_; }
  int scrollMax() const { return scrollMax_; }
  int scrollPage() const { return scrollPage_; }
  // How far the General page's content is moved up, in pixels.
  int OffsetPixels() const { return scrollPos_ * kUnitPixels; }

 private:
  int scrollPos_ = 0;
  int scrollMax_ = 0;
  int scrollPage_ = 0;
};

}  // namespace vantaro::ui
