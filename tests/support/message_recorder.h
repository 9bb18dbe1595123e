#pragma once

// Records every message box instead of showing it, for as long as it lives,
// and answers each with a chosen answer.

#include <vector>

#include "app/message_box.h"

namespace testsupport {

class MessageRecorder final : public Main::MessageBoxSeam {
 public:
  explicit MessageRecorder(Main::MessageAnswer answer = Main::MessageAnswer::Ok) : answer_(answer) {
    Main::SetMessageBoxSeam(this);
  }
  ~MessageRecorder() override { Main::SetMessageBoxSeam(nullptr); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  Main::MessageAnswer show(const Main::MessageBoxRequest& request) override {
    boxes.push_back(request);
    return answer_;
  }

  std::vector<Main::MessageBoxRequest> boxes;

 private:
  Main::MessageAnswer answer_;
};

}  // namespace testsupport
