#include "ui/qt/fonts.h"

namespace vantaro::ui::qt {

namespace {
QFont Sans(int pixels, bool bold) {
  QFont f(QStringLiteral("Arial"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}
}  // namespace

QFont ApplicationFont() { return Sans(12, false); }
QFont TitleFont() { return Sans(16, true); }
QFont InfoFont() { return Sans(14, true); }

}  // namespace vantaro::ui::qt
