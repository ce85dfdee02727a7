#include "ui/scroll_model.h"

#include <algorithm>

namespace vantaro::ui {

ScrollModel::ScrollModel(int generalHeight) {
  // A negative range would make the clamp below inconsistent; a short page has none.
  scrollMax_ = scrollPage_ = std::max(0, (generalHeight - kVisibleHeight) / kUnitPixels);
}

int ScrollModel::OnVScroll(ScrollCode code, int thumbPos) {
  int change = 0;
  switch (code) {
    case ScrollCode::kLineUp: change = -1; break;
    case ScrollCode::kLineDown: change = 1; break;
    case ScrollCode::kPageUp: change = scrollPage_ < 1 ? -1 : -scrollPage_; break;
    case ScrollCode::kPageDown: change = scrollPage_ < 1 ? 1 : scrollPage_; break;
    case ScrollCode::kTop: change = -scrollPos_; break;
    case ScrollCode::kBottom: change = scrollMax_ - scrollPos_; break;
    case ScrollCode::kThumbPosition:
    case ScrollCode::kThumbTrack: change = thumbPos - scrollPos_; break;
    case ScrollCode::kOther: break;
  }
  change = std::clamp(change, -scrollPos_, scrollMax_ - scrollPos_);
  scrollPos_ += change;
  return change;
}

int ScrollModel::OnMouseWheel(int delta, bool generalSubPageShown) {
  if (!generalSubPageShown || delta == 0) return 0;
  return OnVScroll(delta > 0 ? ScrollCode::kLineUp : ScrollCode::kLineDown, scrollPos_);
}

}  // namespace vantaro::ui
