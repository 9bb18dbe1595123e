#pragma once

// Geometry and fonts shared by the two windows. Sizes are designed in twips
// (1/1440 inch), 15 to a pixel at normal screen density.

#include <QFont>

class QWidget;

namespace Controls {

constexpr int TwipsToPixels(int twips) { return (twips + 7) / 15; }

// Arial, bold: 9 points for frames, labels, text boxes and lists.
QFont ControlFont();
// Arial, bold, 11.25 points for push buttons.
QFont ButtonFont();

// A window of fixed client size with a title bar, a close and a minimise
// button but no maximise button, centred on its screen.
void MakeFixedWindow(QWidget& window, int widthTwips, int heightTwips);

}  // namespace Controls
