#pragma once

// Records every message box handed to it instead of showing it, and answers
// each with a chosen answer.

#include <vector>

#include "app/main/message_box.h"

namespace testsupport {

class MessageRecorder final : public Main::MessageBoxSeam {
 public:
  explicit MessageRecorder(Main::MessageAnswer answer = Main::MessageAnswer::Ok)
      : answer_(answer) {}
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  Main::MessageAnswer show(const Main::MessageBoxRequest& request) override {
    boxes.push_back(request);
    return answer_;
  }

  void setAnswer(Main::MessageAnswer answer) { answer_ = answer; }

  std::vector<Main::MessageBoxRequest> boxes;

 private:
  Main::MessageAnswer answer_;
};

}  // namespace testsupport
