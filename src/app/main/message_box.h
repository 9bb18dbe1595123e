#pragma once

// Every modal message box of the program goes through a seam that the
// program's top level owns and hands to the windows and procedures, so tests
// can answer boxes without blocking.

#include <QString>
#include <utility>

#include "app/main/application_title.h"

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

  // The application title: the caption of boxes without one of their own.
  // The product name until the start-up sets it.
  const QString& applicationTitle() const { return applicationTitle_; }
  void setApplicationTitle(QString title) { applicationTitle_ = std::move(title); }

 private:
  QString applicationTitle_ = kProductName;
};

// Boxes written to standard error and answered with their default button:
// where a program without windows sends them.
class StandardErrorBoxes final : public MessageBoxSeam {
 public:
  MessageAnswer show(const MessageBoxRequest& request) override;
};

// Shows one modal box through `seam` and returns the answer. A box without
// a title of its own carries the application title.
MessageAnswer ShowMessageBox(MessageBoxSeam& seam, MessageBoxRequest request);

}  // namespace Main
