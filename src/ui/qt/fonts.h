#pragma once
// The window's fonts: the application font, and the two bold fonts of the product name and the
// service state, Arial (or the system's nearest sans-serif face).

#include <QFont>

namespace vantaro::ui::qt {

QFont ApplicationFont();
// 16 pixels, bold: the product name on the About page.
QFont TitleFont();
// 14 pixels, bold: the service state on the Connection page.
QFont InfoFont();

}  // namespace vantaro::ui::qt
