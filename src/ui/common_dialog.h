#pragma once

// The file-open dialog of the database selection window. The window fills in
// its properties and shows it; the dialog answers the chosen file's full path
// in FileName, or leaves it empty when cancelled. Showing goes through a seam
// so tests can answer without a real dialog.

#include <QString>
#include <QStringList>

class QWidget;

namespace Controls {

struct CommonDialog {
  QString FileName;
  int Flags = 0;
  QString DialogTitle;
  // Pairs of description and pattern, each followed by "|"; the first pair
  // is in force when the dialog opens.
  QString Filter;

  // Shows the dialog as an Open dialog and waits for it.
  void ShowOpen(QWidget* owner);

  // The filter as Qt name filters: "Description (pattern)".
  QStringList NameFilters() const;
};

class FileDialogSeam {
 public:
  virtual ~FileDialogSeam() = default;
  // Returns the chosen path, or the empty string on cancel.
  virtual QString showOpen(const CommonDialog& dialog, QWidget* owner) = 0;
};

// Installs the seam that shows dialogs from now on; nullptr restores the real
// dialog. The caller keeps ownership.
void SetFileDialogSeam(FileDialogSeam* seam);

}  // namespace Controls
