#include "app/main/message_box.h"

#include <cstdio>

namespace Main {

MessageAnswer StandardErrorBoxes::show(const MessageBoxRequest& request) {
  std::fprintf(stderr, "[%s] %s\n", qUtf8Printable(request.title), qUtf8Printable(request.text));
  return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

MessageAnswer ShowMessageBox(MessageBoxSeam& seam, MessageBoxRequest request) {
  if (request.title.isEmpty()) request.title = seam.applicationTitle();
  return seam.show(request);
}

}  // namespace Main
