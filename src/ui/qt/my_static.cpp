#include "ui/qt/my_static.h"

namespace vantaro::ui::qt {

void CMyStatic::SetValue(const QString& text, int maxWidth) {
  const QFontMetrics metrics = fontMetrics();
  const int width = metrics.horizontalAdvance(text) + 2;
  if (width > maxWidth) {
    setText(metrics.elidedText(text, Qt::ElideMiddle, maxWidth - 2));
    setToolTip(text);
    resize(maxWidth, height());
  } else {
    setText(text);
    setToolTip(QString());
    resize(width, height());
  }
}

}  // namespace vantaro::ui::qt
