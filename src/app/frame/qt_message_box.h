#pragma once

#include <QMessageBox>
#include <memory>

#include "app/main/message_box.h"

namespace Main {

// Shows message boxes as real modal Qt boxes, modal to the whole application.
class QtMessageBoxSeam final : public MessageBoxSeam {
 public:
  MessageAnswer show(const MessageBoxRequest& request) override;

  // The box `show` runs. Its text is plain text: names from a database
  // (a table called "<b>x</b>") are shown as they are, never as markup.
  static std::unique_ptr<QMessageBox> makeBox(const MessageBoxRequest& request);
};

}  // namespace Main
