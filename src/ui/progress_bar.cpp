#include "ui/progress_bar.h"

#include "ui/window_frame.h"

namespace Controls {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
  setFont(ControlFont());
  setRange(0, 100);
  setValue(0);
  setTextVisible(true);
  setAlignment(Qt::AlignCenter);
  QPalette colours = palette();
  colours.setColor(QPalette::Base, Qt::white);
  colours.setColor(QPalette::Window, Qt::white);
  colours.setColor(QPalette::Text, QPalette().color(QPalette::ButtonText));
  setPalette(colours);
  setCaption(QStringLiteral("Progress Bar"));
}

void ProgressBar::setCaption(const QString& caption) {
  caption_ = caption;
  update();
}

}  // namespace Controls
