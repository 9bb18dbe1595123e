#include "ui/text_box.h"

#include <QProxyStyle>

#include "ui/window_frame.h"

namespace Controls {
namespace {

// The platform styles mask passwords with a bullet; this box shows "*".
class AsteriskMaskStyle final : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) { setFont(ControlFont()); }

void TextBox::MaskWithAsterisks() {
  auto* style = new AsteriskMaskStyle;
  style->setParent(this);
  setStyle(style);
  setEchoMode(QLineEdit::Password);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
}

void TextBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  emit gotFocus();
}

}  // namespace Controls
