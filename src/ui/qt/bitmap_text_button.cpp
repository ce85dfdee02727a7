#include "ui/qt/bitmap_text_button.h"

#include <QPainter>

#include "ui/qt/pictures.h"

namespace vantaro::ui::qt {

CBitmapTextButton::CBitmapTextButton(QWidget* parent, QColor litColour)
    : QAbstractButton(parent), litColour_(litColour.isValid() ? litColour : palette::kLit) {
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
}

void CBitmapTextButton::SetLook(bool lit, bool darkCaption) {
  lit_ = lit;
  darkCaption_ = darkCaption;
  update();
}

QSize CBitmapTextButton::sizeHint() const {
  return fontMetrics().size(Qt::TextSingleLine, text()) + QSize(16, 8);
}

void CBitmapTextButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintButtonFace(painter, QRectF(rect()), lit_, litColour_, isDown());
  painter.setPen(CaptionColour());
  painter.setFont(font());
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
  if (hasFocus()) {
    painter.setPen(QPen(CaptionColour(), 1, Qt::DotLine));
    painter.drawRoundedRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5), 3, 3);
  }
}

}  // namespace vantaro::ui::qt
