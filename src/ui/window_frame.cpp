#include "ui/window_frame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace Controls {
namespace {

QFont arialBold(double points) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(points);
  font.setBold(true);
  return font;
}

}  // namespace

QFont ControlFont() { return arialBold(9); }

QFont ButtonFont() { return arialBold(11.25); }

void MakeFixedWindow(QWidget& window, int widthTwips, int heightTwips) {
  window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                        Qt::WindowCloseButtonHint);
  window.setFixedSize(TwipsToPixels(widthTwips), TwipsToPixels(heightTwips));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame(QPoint(), window.size());
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
}

}  // namespace Controls
