#include "ui/qt/hyper_link.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QUrl>

namespace vantaro::ui::qt {

CHyperLink::CHyperLink(const QString& text, const QString& url, QWidget* parent)
    : QLabel(parent), model_(text.toStdString(), url.toStdString()) {
  setText(QString::fromStdString(model_.text()));
  setToolTip(QString::fromStdString(model_.url()));
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
  QFont f = font();
  f.setBold(true);
  f.setItalic(true);
  f.setUnderline(true);
  setFont(f);
  opener_ = [](const QString& target) { return QDesktopServices::openUrl(QUrl(target)); };
  reporter_ = [this](const QString& message) {
    QMessageBox::warning(window(), window()->windowTitle(), message);
  };
  Restyle();
  adjustSize();
}

void CHyperLink::SetURL(const QString& url) {
  model_.SetUrl(url.toStdString());
  setToolTip(url);
}

void CHyperLink::Restyle() {
  Colour c = model_.colour();
  QPalette p = palette();
  p.setColor(QPalette::WindowText, QColor(c.red, c.green, c.blue));
  setPalette(p);
}

void CHyperLink::enterEvent(QEnterEvent* event) {
  model_.OnEnter();
  Restyle();
  QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
  model_.OnLeave();
  Restyle();
  QLabel::leaveEvent(event);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Open();
  QLabel::mouseReleaseEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
    Open();
    return;
  }
  QLabel::keyPressEvent(event);
}

void CHyperLink::Open() {
  bool opened = opener_(QString::fromStdString(model_.url()));
  model_.OnOpened(opened);
  // The pointer may still rest on the link; it turns red again when it next moves in.
  Restyle();
  if (!opened) {
    QApplication::beep();
    reporter_(QString::fromStdString(HyperlinkErrorText(kNoAssociation)));
  }
}

}  // namespace vantaro::ui::qt
