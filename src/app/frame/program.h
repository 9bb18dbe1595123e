#pragma once

// The program as its windows see it: the folder that holds it, where the
// optional files are looked for, and its end. The top level owns it; tests
// hand in one with a folder of their own and an end that is counted.

#include <QString>

namespace Main {

class Program {
 public:
  virtual ~Program() = default;

  // The folder that holds the program file, without a trailing separator.
  virtual QString folder() const;
  // Ends the program: every window goes away and the event loop stops.
  virtual void end();

  // The program folder followed by `suffix` ("/HAND-M.CUR"), with the
  // platform's separators.
  QString folderFile(const QString& suffix) const;
};

}  // namespace Main
