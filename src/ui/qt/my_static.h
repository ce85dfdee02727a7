#pragma once
// A value text drawn straight over its page's picture (no background of its own), which keeps
// its left edge and fits its width to each new text.

#include <QLabel>

namespace vantaro::ui::qt {

class CMyStatic : public QLabel {
 public:
  explicit CMyStatic(QWidget* parent = nullptr) : QLabel(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  // Sets the text and resizes to it, up to `maxWidth` (elided beyond, with the whole text as the
  // tooltip).
  void SetValue(const QString& text, int maxWidth);
};

}  // namespace vantaro::ui::qt
