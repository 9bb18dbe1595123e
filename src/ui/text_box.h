#pragma once

#include <QLineEdit>

namespace Controls {

// A one-line text box. It announces when it receives the focus, so its
// window can select the whole text, and can mask its text with "*".
class TextBox : public QLineEdit {
  Q_OBJECT
 public:
  explicit TextBox(QWidget* parent = nullptr);

  // Shows every character as "*", with input methods switched off.
  void MaskWithAsterisks();

 signals:
  void gotFocus();

 protected:
  void focusInEvent(QFocusEvent* event) override;
};

}  // namespace Controls
