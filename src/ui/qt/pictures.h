#pragma once
// The window's pictures, drawn with QPainter at the device's pixel ratio, so they stay sharp at
// any scale: one palette for the whole window.

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QRect>

namespace vantaro::ui::qt {

namespace palette {
inline const QColor kBand(0x1f, 0x4e, 0x79);      // title band behind the tabs
inline const QColor kBandLight(0x2f, 0x6f, 0xa6);
inline const QColor kWindow(0xe9, 0xef, 0xf5);    // window background below the band
inline const QColor kPanel(0xff, 0xff, 0xff);     // page panels
inline const QColor kPanelBorder(0xc4, 0xd2, 0xe0);
inline const QColor kLit(0x2f, 0x6f, 0xa6);       // lit buttons and tabs
inline const QColor kPlain(0xf3, 0xf6, 0xf9);     // plain buttons and tabs
inline const QColor kOn(0x2e, 0x9d, 0x4f);
inline const QColor kOff(0xb8, 0x43, 0x3a);
inline const QColor kText(0x1d, 0x2a, 0x36);
inline const QColor kMuted(0x55, 0x65, 0x75);
}  // namespace palette

// The main window's background: the band with the tabs and the light area below it.
void PaintWindowBackground(QPainter& painter, const QRect& rect);
// A page's background: a white panel with a thin border (`sideWidth` > 0 adds a tinted column on
// the left, behind a page's sub-page buttons).
void PaintPagePanel(QPainter& painter, const QRect& rect, int sideWidth = 0);
// A picture button's face: `lit` draws it in `litColour` (for a light caption), otherwise plain.
void PaintButtonFace(QPainter& painter, const QRectF& rect, bool lit, const QColor& litColour,
                     bool pressed);
// The green tick beside a valid security code.
QPixmap TickPicture(int size, qreal devicePixelRatio);
// The product logo: a phone and a monitor joined by a signal arc.
QPixmap LogoPicture(int size, qreal devicePixelRatio);
// The window and notification-area icon, in the usual sizes.
QIcon AppIcon();

}  // namespace vantaro::ui::qt
