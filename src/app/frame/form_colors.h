#pragma once

// The system colours of the two windows. A window's background, and that of
// its frames, labels, option buttons and check boxes, is painted in one
// colour; every other control keeps its own colours.

#include <QColor>

class QWidget;

namespace Main {

// The system button-face colour.
QColor ButtonFaceColour();
// White, the design background of both windows.
QColor DesignBackgroundColour();

// The colour `widget` fills its background with.
QColor BackColor(const QWidget& widget);
void SetBackColor(QWidget& widget, const QColor& colour);

// Paints `window` and its option buttons, check boxes, frames and labels in
// `colour`.
void PaintWindowAndFrames(QWidget& window, const QColor& colour);

// Paints `window` and its option buttons, check boxes, frames and labels in
// button face.
void SetFormColors(QWidget& window);

}  // namespace Main
