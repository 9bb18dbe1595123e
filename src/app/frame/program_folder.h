#pragma once

#include <QString>

namespace Main {

// The folder that holds the program file, without a trailing separator.
QString ProgramFolder();

// The program folder followed by `suffix` ("/HAND-M.CUR"), with the
// platform's separators.
QString ProgramFolderFile(const QString& suffix);

// Makes ProgramFolder() answer `folder` for as long as it lives, so tests can
// lay out the files that are looked for beside the program.
class ScopedProgramFolder {
 public:
  explicit ScopedProgramFolder(const QString& folder);
  ~ScopedProgramFolder();
  ScopedProgramFolder(const ScopedProgramFolder&) = delete;
  ScopedProgramFolder& operator=(const ScopedProgramFolder&) = delete;

 private:
  QString previous_;
};

}  // namespace Main
