#pragma once
// A picture button with its caption drawn over the picture, centred on one line: black while
// `darkCaption` is set, white otherwise. The picture is lit or plain, in the window's palette.

#include <QAbstractButton>

namespace vantaro::ui::qt {

class CBitmapTextButton : public QAbstractButton {
 public:
  explicit CBitmapTextButton(QWidget* parent = nullptr, QColor litColour = QColor());
  // The look the owner chooses (a tab or the ON/OFF buttons); repaints.
  void SetLook(bool lit, bool darkCaption);
  bool lit() const { return lit_; }
  bool darkCaption() const { return darkCaption_; }
  QColor CaptionColour() const { return darkCaption_ ? Qt::black : Qt::white; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor litColour_;
  bool lit_ = false;
  bool darkCaption_ = true;
};

}  // namespace vantaro::ui::qt
