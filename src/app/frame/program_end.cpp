#include "app/frame/program_end.h"

#include <QApplication>
#include <QWidget>

namespace Main {
namespace {

std::function<void()>& endOverride() {
  static std::function<void()> instead;
  return instead;
}

}  // namespace

void EndProgram() {
  if (endOverride()) {
    endOverride()();
    return;
  }
  // Every window goes at once. A run that is serving events at this moment
  // goes on to its end unseen and then returns into a loop that has been told
  // to stop: leaving in the middle of its writes could cut a page write short.
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QCoreApplication::exit(0);
}

ScopedProgramEnd::ScopedProgramEnd(std::function<void()> instead)
    : previous_(std::move(endOverride())) {
  endOverride() = std::move(instead);
}

ScopedProgramEnd::~ScopedProgramEnd() { endOverride() = std::move(previous_); }

}  // namespace Main
