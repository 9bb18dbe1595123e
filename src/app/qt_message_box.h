#pragma once

#include "app/message_box.h"

namespace Main {

// Shows message boxes as real modal Qt boxes, modal to the whole application.
class QtMessageBoxSeam final : public MessageBoxSeam {
 public:
  MessageAnswer show(const MessageBoxRequest& request) override;
};

}  // namespace Main
