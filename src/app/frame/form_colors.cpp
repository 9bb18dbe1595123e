#include "app/frame/form_colors.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

namespace Main {
namespace {

bool takesWindowColour(const QWidget& control) {
  return qobject_cast<const QRadioButton*>(&control) || qobject_cast<const QCheckBox*>(&control) ||
         qobject_cast<const QGroupBox*>(&control) || qobject_cast<const QLabel*>(&control);
}

}  // namespace

QColor ButtonFaceColour() { return QApplication::palette().color(QPalette::Button); }

QColor DesignBackgroundColour() { return QColor(255, 255, 255); }

QColor BackColor(const QWidget& widget) { return widget.palette().color(widget.backgroundRole()); }

void SetBackColor(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(widget.backgroundRole(), colour);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

void PaintWindowAndFrames(QWidget& window, const QColor& colour) {
  SetBackColor(window, colour);
  for (QWidget* control : window.findChildren<QWidget*>()) {
    if (control->isWindow()) continue;  // another window, not one of this window's controls
    if (takesWindowColour(*control)) SetBackColor(*control, colour);
  }
}

void SetFormColors(QWidget& window) { PaintWindowAndFrames(window, ButtonFaceColour()); }

}  // namespace Main
