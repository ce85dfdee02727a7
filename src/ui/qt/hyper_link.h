#pragma once
// A text that behaves as a web link: link blue, red while the pointer is over it, purple once
// opened; bold, italic and underlined; the hand cursor; the target as its tooltip. A link that
// cannot be opened beeps and reports why.

#include <QLabel>
#include <functional>

#include "ui/hyperlink_model.h"

namespace vantaro::ui::qt {

class CHyperLink : public QLabel {
 public:
  // Opens a target; false when nothing could open it. The default asks the desktop.
  using Opener = std::function<bool(const QString& url)>;

  CHyperLink(const QString& text, const QString& url, QWidget* parent = nullptr);
  void SetURL(const QString& url);
  void SetOpener(Opener opener) { opener_ = std::move(opener); }
  // Shows the error report; replaced by tests.
  void SetErrorReporter(std::function<void(const QString&)> reporter) { reporter_ = std::move(reporter); }
  const HyperlinkModel& model() const { return model_; }
  // What a click does.
  void Open();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Restyle();

  HyperlinkModel model_;
  Opener opener_;
  std::function<void(const QString&)> reporter_;
};

}  // namespace vantaro::ui::qt
