#pragma once

// Every modal message box of the program goes through this seam, so tests can
// answer boxes without blocking. The program installs a seam that shows real
// boxes; until one is installed, boxes are written to standard error and
// answered with their default button.

#include <QString>

namespace Main {

enum class MessageIcon { None, Warning };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageBoxRequest {
  QString title;  // empty: the application title
  QString text;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
};

class MessageBoxSeam {
 public:
  virtual ~MessageBoxSeam() = default;
  virtual MessageAnswer show(const MessageBoxRequest& request) = 0;
};

// Installs the seam that shows boxes from now on; nullptr restores the
// standard-error fallback. The caller keeps ownership.
void SetMessageBoxSeam(MessageBoxSeam* seam);

// Installs `seam` for as long as it lives, then puts back the one before.
class ScopedMessageBoxSeam {
 public:
  explicit ScopedMessageBoxSeam(MessageBoxSeam* seam);
  ~ScopedMessageBoxSeam();
  ScopedMessageBoxSeam(const ScopedMessageBoxSeam&) = delete;
  ScopedMessageBoxSeam& operator=(const ScopedMessageBoxSeam&) = delete;

 private:
  MessageBoxSeam* previous_;
};

// Shows one modal box and returns the answer.
MessageAnswer ShowMessageBox(MessageBoxRequest request);

}  // namespace Main
