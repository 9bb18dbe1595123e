#include "app/message_box.h"

#include <cstdio>

#include "app/application_title.h"

namespace Main {
namespace {

class StandardErrorSeam final : public MessageBoxSeam {
 public:
  MessageAnswer show(const MessageBoxRequest& request) override {
    std::fprintf(stderr, "[%s] %s\n", qUtf8Printable(request.title), qUtf8Printable(request.text));
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
  }
};

StandardErrorSeam standardErrorSeam;
MessageBoxSeam* currentSeam = &standardErrorSeam;

}  // namespace

void SetMessageBoxSeam(MessageBoxSeam* seam) { currentSeam = seam ? seam : &standardErrorSeam; }

ScopedMessageBoxSeam::ScopedMessageBoxSeam(MessageBoxSeam* seam) : previous_(currentSeam) {
  SetMessageBoxSeam(seam);
}

ScopedMessageBoxSeam::~ScopedMessageBoxSeam() { currentSeam = previous_; }

MessageAnswer ShowMessageBox(MessageBoxRequest request) {
  if (request.title.isEmpty()) request.title = ApplicationTitle();
  return currentSeam->show(request);
}

}  // namespace Main
