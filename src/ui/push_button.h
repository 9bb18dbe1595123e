#pragma once

#include <QPushButton>

namespace Controls {

// A push button of the two windows: Arial 11.25 pt bold, the system
// button-text colour on white.
class PushButton : public QPushButton {
  Q_OBJECT
 public:
  explicit PushButton(QWidget* parent = nullptr);
};

}  // namespace Controls
