#include "ui/push_button.h"

#include "ui/window_frame.h"

namespace Controls {

PushButton::PushButton(QWidget* parent) : QPushButton(parent) {
  setFont(ButtonFont());
  QPalette colours = palette();
  colours.setColor(QPalette::Button, Qt::white);
  colours.setColor(QPalette::ButtonText, QPalette().color(QPalette::ButtonText));
  setPalette(colours);
  setAutoDefault(false);
}

}  // namespace Controls
