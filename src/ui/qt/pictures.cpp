#include "ui/qt/pictures.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace vantaro::ui::qt {

void PaintWindowBackground(QPainter& painter, const QRect& rect) {
  painter.fillRect(rect, palette::kWindow);
  QRect band(rect.left(), rect.top(), rect.width(), 36);
  QLinearGradient g(band.topLeft(), band.bottomLeft());
  g.setColorAt(0, palette::kBandLight);
  g.setColorAt(1, palette::kBand);
  painter.fillRect(band, g);
  // The small logo and name at the band's left end.
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QPixmap logo = LogoPicture(24, painter.device()->devicePixelRatioF());
  painter.drawPixmap(QRect(14, 6, 24, 24), logo);
  painter.restore();
}

void PaintPagePanel(QPainter& painter, const QRect& rect, int sideWidth) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath path;
  path.addRoundedRect(r, 6, 6);
  painter.fillPath(path, palette::kPanel);
  if (sideWidth > 0) {
    painter.setClipPath(path);
    painter.fillRect(QRectF(r.left(), r.top(), sideWidth, r.height()), QColor(0xf1, 0xf5, 0xf9));
    painter.setPen(QPen(palette::kPanelBorder, 1));
    painter.drawLine(QPointF(r.left() + sideWidth, r.top()), QPointF(r.left() + sideWidth, r.bottom()));
    painter.setClipping(false);
  }
  painter.setPen(QPen(palette::kPanelBorder, 1));
  painter.drawPath(path);
  painter.restore();
}

void PaintButtonFace(QPainter& painter, const QRectF& rect, bool lit, const QColor& litColour,
                     bool pressed) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  QColor top = lit ? litColour.lighter(118) : QColor(0xff, 0xff, 0xff);
  QColor bottom = lit ? litColour : palette::kPlain.darker(104);
  if (pressed) std::swap(top, bottom);
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  painter.setBrush(g);
  painter.setPen(QPen(lit ? litColour.darker(125) : palette::kPanelBorder.darker(110), 1));
  painter.drawRoundedRect(r, 4, 4);
  painter.restore();
}

QPixmap TickPicture(int size, qreal devicePixelRatio) {
  QPixmap pixmap(QSize(size, size) * devicePixelRatio);
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(palette::kOn);
  p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
  QPen pen(Qt::white, size / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  QPainterPath tick;
  tick.moveTo(size * 0.27, size * 0.52);
  tick.lineTo(size * 0.44, size * 0.69);
  tick.lineTo(size * 0.74, size * 0.34);
  p.drawPath(tick);
  return pixmap;
}

QPixmap LogoPicture(int size, qreal devicePixelRatio) {
  QPixmap pixmap(QSize(size, size) * devicePixelRatio);
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / 100.0;
  p.scale(s, s);
  // Rounded square in the band's colours.
  QLinearGradient g(0, 0, 0, 100);
  g.setColorAt(0, palette::kBandLight.lighter(115));
  g.setColorAt(1, palette::kBand);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(2, 2, 96, 96), 22, 22);
  // Monitor.
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(16, 24, 50, 34), 4, 4);
  p.setBrush(palette::kBandLight);
  p.drawRect(QRectF(20, 28, 42, 26));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(37, 58, 8, 8));
  p.drawRoundedRect(QRectF(29, 66, 24, 4), 2, 2);
  // Phone.
  p.drawRoundedRect(QRectF(64, 42, 22, 38), 4, 4);
  p.setBrush(palette::kOn);
  p.drawRect(QRectF(67, 47, 16, 26));
  // Signal arcs from the phone to the monitor.
  QPen arc(Qt::white, 4, Qt::SolidLine, Qt::RoundCap);
  p.setPen(arc);
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(60, 12, 26, 26), 40 * 16, 100 * 16);
  p.drawArc(QRectF(66, 18, 14, 14), 40 * 16, 100 * 16);
  return pixmap;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(LogoPicture(size, 1.0));
  return icon;
}

}  // namespace vantaro::ui::qt
